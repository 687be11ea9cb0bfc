// Undo and redo from the keyboard, except while the user types.

export interface KeyLike {
  key: string;
  ctrlKey: boolean;
  metaKey: boolean;
  shiftKey: boolean;
  altKey: boolean;
}

export interface FocusLike {
  tagName?: string;
  type?: string;
  isContentEditable?: boolean;
}

const NOT_TYPING = new Set(['checkbox', 'radio', 'range', 'button', 'submit', 'reset', 'image']);

/** Whether keys pressed in this element are the user's typing. */
export function isTextField(el: FocusLike | null | undefined): boolean {
  if (!el) return false;
  if (el.isContentEditable) return true;
  const tag = (el.tagName ?? '').toUpperCase();
  if (tag === 'TEXTAREA') return true;
  return tag === 'INPUT' && !NOT_TYPING.has((el.type ?? 'text').toLowerCase());
}

/** What a key press asks of the history. */
export function historyKey(e: KeyLike, focus: FocusLike | null | undefined): 'undo' | 'redo' | null {
  if (e.altKey || isTextField(focus)) return null;
  const key = e.key.toLowerCase();
  if (key === 'z' && (e.ctrlKey || e.metaKey)) return e.shiftKey ? 'redo' : 'undo';
  if (key === 'y' && e.ctrlKey && !e.metaKey) return 'redo';
  return null;
}

/** Whether a platform name (`navigator.platform`, or the newer `userAgentData.platform`) is macOS. */
const isMac = (platform: string) => /^mac/i.test(platform.trim());

/** A shortcut with the command key as the platform names it: ⇧⌘Z on macOS, Ctrl+Shift+Z elsewhere. */
export function shortcut(key: string, shift: boolean, platform: string): string {
  return isMac(platform) ? `${shift ? '⇧' : ''}⌘${key}` : `Ctrl+${shift ? 'Shift+' : ''}${key}`;
}
