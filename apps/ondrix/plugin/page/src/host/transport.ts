// The message link to the plug-in: invoke messages out through `window.ipc`, replies and
// events in through `window.__vtPlugin.receive`, which the plug-in calls with parsed objects.
import { canonicalJson } from '../text';

export interface HostWindow {
  ipc?: { postMessage(text: string): void };
  __vtPlugin?: { receive(message: unknown): void };
}

export type Listener = (event: Record<string, unknown>) => void;

export interface Transport {
  invoke<T = unknown>(cmd: string, args?: Record<string, unknown>): Promise<T>;
  listen(listener: Listener): void;
}

export const REFUSED = 'The plugin refused';

/**
 * The longest message text the plug-in reads, in UTF-8 bytes (its MAX_DOCUMENT_BYTES); it leaves
 * a longer one unanswered.
 */
export const MESSAGE_LIMIT = 4 * 1024 * 1024;
/** How long a message waits for its reply before it fails. */
export const REPLY_MS = 2000;

/** The message was not sent: the plug-in would not read it. */
export class TooLarge extends Error {
  constructor() {
    super('This message is too large for the plug-in');
  }
}

/** No reply came in time; one that comes later is ignored. */
export class NoReply extends Error {
  constructor() {
    super("The plug-in didn't answer");
  }
}

/** UTF-8 bytes of a well-formed text. */
function utf8Length(text: string): number {
  let bytes = 0;
  for (let i = 0; i < text.length; i++) {
    const c = text.charCodeAt(i);
    if (c < 0x80) bytes += 1;
    else if (c < 0x800) bytes += 2;
    else if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.length) {
      bytes += 4; // with the low surrogate that follows
      i++;
    } else bytes += 3;
  }
  return bytes;
}

/** Whether the plug-in reads a message of this text at all. */
function fits(text: string): boolean {
  // One to three bytes per UTF-16 unit: most texts need no count.
  if (text.length * 3 <= MESSAGE_LIMIT) return true;
  return text.length <= MESSAGE_LIMIT && utf8Length(text) <= MESSAGE_LIMIT;
}

// Lone surrogates (a pasted name) would make the text unreadable to the plug-in, which then
// never answers: the canonical writer replaces them.
const messageText = (id: number, cmd: string, args: Record<string, unknown>) =>
  canonicalJson({ type: 'invoke', id, cmd, args });

/** Whether a message of `cmd` with `args` can be sent, whatever its id. */
export const canSend = (cmd: string, args: Record<string, unknown>) =>
  fits(messageText(Number.MAX_SAFE_INTEGER, cmd, args));

export function connect(win: HostWindow): Transport {
  let nextId = 1;
  const pending = new Map<number, { resolve(v: unknown): void; reject(e: Error): void }>();
  const listeners: Listener[] = [];

  win.__vtPlugin = {
    receive(message: unknown) {
      if (typeof message !== 'object' || message === null || Array.isArray(message)) return;
      const m = message as Record<string, unknown>;
      if (m.type !== 'reply') {
        for (const listener of [...listeners]) listener(m);
        return;
      }
      const entry = pending.get(m.id as number);
      if (!entry) return;
      pending.delete(m.id as number);
      if (m.ok === true) entry.resolve(m.value);
      else entry.reject(new Error(typeof m.error === 'string' ? m.error : REFUSED));
    },
  };

  return {
    invoke<T>(cmd: string, args: Record<string, unknown> = {}) {
      const id = nextId++;
      return new Promise<T>((resolve, reject) => {
        const text = messageText(id, cmd, args);
        if (!fits(text)) return reject(new TooLarge());
        const timer = setTimeout(() => {
          if (pending.delete(id)) reject(new NoReply());
        }, REPLY_MS);
        const settle = <V>(then: (v: V) => void) => (v: V) => {
          clearTimeout(timer);
          then(v);
        };
        pending.set(id, { resolve: settle(resolve as (v: unknown) => void), reject: settle(reject) });
        // Without the plug-in's bridge nothing is sent, and the wait ends as for a lost reply.
        win.ipc?.postMessage(text);
      });
    },
    listen(listener) {
      listeners.push(listener);
    },
  };
}
