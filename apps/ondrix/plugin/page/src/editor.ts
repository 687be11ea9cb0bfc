// The editor's state and everything that changes it: the working patch with its history,
// the link to the plug-in, the presets and the live values. Components only read signals
// from here and call its actions.
import { batch, createMemo, createSignal } from 'solid-js';
import { History } from './history';
import { LiveValues } from './host/live';
import { canSend, NoReply, TooLarge, type Transport } from './host/transport';
import { isObject, looksLikePatch, migrate } from './patch/migrate';
import { emptyPatch, starterPatch } from './patch/model';
import type { Patch } from './patch/types';
import {
  listedAs, mayLoseWork, presetNames, quoted, readPreset, storedName,
} from './presets';
import { KEYS, readUiScale, type Store } from './storage';
import { canonicalJson } from './text';

export interface EditorOptions {
  /** The plug-in link; null outside the plug-in, where nothing is sent. */
  transport: Transport | null;
  store: Store;
  /** Asks the user a yes-or-no question in the page. */
  ask(question: string, yes: string): Promise<boolean>;
  now?: () => number;
  frame?: (next: () => void) => void;
  /** Shows new live values; called once per display frame. */
  draw?: () => void;
}

/** Shown where a patch would be over what the plug-in reads; the working patch stays. */
export const TOO_LARGE = 'This patch is too large for the plug-in';

// Only a patch makes a message too large.
const message = (e: unknown) =>
  e instanceof TooLarge ? TOO_LARGE : e instanceof Error ? e.message : String(e);

/** The last committed patch from local storage when it passes the shape test. */
function storedPatch(store: Store): Patch | null {
  const raw = store.get(KEYS.patch);
  if (raw === null) return null;
  try {
    const value: unknown = JSON.parse(raw);
    return looksLikePatch(value) ? migrate(value) : null;
  } catch {
    return null;
  }
}

export type Editor = ReturnType<typeof createEditor>;

export function createEditor(options: EditorOptions) {
  const { transport, store, ask } = options;
  const frame = options.frame ?? ((next) => requestAnimationFrame(next));
  const history = new History(options.now);

  const [patch, setPatch] = createSignal<Patch>(storedPatch(store) ?? starterPatch());
  const text = createMemo(() => canonicalJson(patch()));
  const [canUndo, setCanUndo] = createSignal(false);
  const [canRedo, setCanRedo] = createSignal(false);
  const [ownStatus, setStatus] = createSignal<string | null>(null);
  // Why the plug-in does not have the working patch: it is too large, or went unanswered.
  const [sendError, setSendError] = createSignal<string | null>(null);
  // A request that went unanswered, until the plug-in answers again.
  const [noReply, setNoReply] = createSignal<string | null>(null);
  const status = () => sendError() ?? noReply() ?? ownStatus();

  const [presets, setPresets] = createSignal<string[]>([]);
  // The current preset is the page's own; storage only mirrors it for the next start.
  const [current, setCurrent] = createSignal<string | null>(store.get(KEYS.current));
  const [baseline, setBaseline] = createSignal<string | null>(null);
  const [presetError, setPresetError] = createSignal<string | null>(null);

  const live = new LiveValues();
  const [liveFrame, setLiveFrame] = createSignal(0);

  let connected = false;
  let sent: string | null = null;
  let sends = 0;
  history.restart(text());

  const invoke = <T>(cmd: string, args?: Record<string, unknown>) =>
    transport ? transport.invoke<T>(cmd, args) : new Promise<T>(() => {});

  /**
   * Sends the working patch when the plug-in does not have this text yet. The plug-in's
   * refusals are not shown; a patch it never got (too large to send, or unanswered) is.
   */
  function sync() {
    if (!connected || text() === sent) return;
    const patchText = (sent = text());
    const n = ++sends;
    invoke('set_patch', { patch: patchText }).then(
      () => {
        if (n === sends) setSendError(null);
      },
      (e) => {
        if (sent === patchText) sent = null;
        if (n === sends) setSendError(e instanceof TooLarge || e instanceof NoReply ? message(e) : null);
      },
    );
  }

  function refreshHistory() {
    setCanUndo(history.canUndo);
    setCanRedo(history.canRedo);
  }

  /** Shows a patch without recording a step (undo, redo). */
  function show(next: Patch) {
    setPatch(next);
    store.set(KEYS.patch, text());
    sync();
  }

  /** Every edit ends here: one undo step (or part of one), storage, the plug-in. */
  function commit(next: Patch, separate = false) {
    setPatch(next);
    store.set(KEYS.patch, text());
    if (separate) history.separate();
    history.commit(text());
    if (separate) history.separate();
    refreshHistory();
    sync();
  }

  /** A change still under way (a drag, a field being typed): shown and sent, recorded by `commit`. */
  function change(next: Patch) {
    setPatch(next);
    sync();
  }

  function undo() {
    const snapshot = history.undo();
    if (snapshot !== null) show(JSON.parse(snapshot) as Patch);
    refreshHistory();
  }

  function redo() {
    const snapshot = history.redo();
    if (snapshot !== null) show(JSON.parse(snapshot) as Patch);
    refreshHistory();
  }

  function setCurrentPreset(name: string | null, baselineText: string | null) {
    batch(() => {
      setCurrent(name);
      setBaseline(baselineText);
    });
    if (name === null) store.remove(KEYS.current);
    else store.set(KEYS.current, name);
  }

  /** Takes the plug-in's patch (the starter patch when it has none) and starts the history. */
  async function takePluginPatch() {
    const reply = await invoke<unknown>('plugin_init');
    const next = migrate(isObject(reply) ? reply.patch : null) ?? starterPatch();
    setPatch(next);
    store.set(KEYS.patch, text());
    history.restart(text());
    refreshHistory();
  }

  async function onLoaded() {
    try {
      await takePluginPatch();
    } catch (e) {
      setStatus(message(e));
      return;
    }
    sent = null;
    sync();
  }

  function displayLoop() {
    frame(() => {
      invoke<unknown>('live_values').then(
        (reply) => {
          setNoReply(null);
          live.take(reply);
          setLiveFrame(live.frame);
          options.draw?.();
          displayLoop();
        },
        (e) => {
          // Unanswered: shown, and asked again. Refused: the plug-in has gone, the display stops.
          if (!(e instanceof NoReply)) return;
          setNoReply(message(e));
          displayLoop();
        },
      );
    });
  }

  /** Start-up in the plug-in. */
  async function start() {
    if (!transport) return;
    const scale = readUiScale(store);
    if (scale !== 1) zoom(scale);
    try {
      await takePluginPatch();
    } catch (e) {
      setStatus(`Not connected to the plug-in: ${message(e)}`);
      return;
    }
    transport.listen((event) => {
      if (event.type === 'loaded') void onLoaded();
    });
    connected = true;
    sync();
    void refreshPresets();
    displayLoop();
  }

  const loseWork = () => mayLoseWork(current(), baseline(), text());

  async function refreshPresets() {
    let names: string[];
    try {
      names = presetNames(await invoke('presets_list'));
    } catch (e) {
      setPresetError(message(e));
      return;
    }
    setPresets(names);
    const name = current();
    if (name === null || !names.includes(name)) {
      setCurrentPreset(null, null);
      return;
    }
    try {
      const saved = readPreset(name, await invoke('preset_read', { name }));
      setCurrentPreset(name, canonicalJson(saved));
    } catch {
      setCurrentPreset(name, null); // unreadable: count the patch as edited
    }
  }

  async function newPatch(kind: 'starter' | 'empty') {
    setPresetError(null);
    if (loseWork() && !(await ask('Start a new patch?', 'New patch'))) return;
    commit(kind === 'starter' ? starterPatch() : emptyPatch(), true);
    setCurrentPreset(null, null);
  }

  async function loadPreset(name: string) {
    setPresetError(null);
    if (loseWork() && !(await ask(`Load ${quoted(name)}?`, 'Load'))) return;
    try {
      const loaded = readPreset(name, await invoke('preset_read', { name }));
      if (!canSend('set_patch', { patch: canonicalJson(loaded) })) throw new TooLarge();
      commit(loaded, true);
      setCurrentPreset(name, text());
    } catch (e) {
      setPresetError(message(e));
    }
  }

  /**
   * Saves under a name the user typed. A listed name, in any letter case, is replaced only when
   * confirmed, and then under the name as listed, so that no second file appears beside it.
   */
  async function savePresetAs(name: string) {
    setPresetError(null);
    const listed = listedAs(presets(), name);
    if (listed === null) return writePreset(name);
    if (!(await ask(`Replace ${quoted(listed)}?`, 'Replace'))) return false;
    return writePreset(listed);
  }

  async function writePreset(name: string) {
    const saved = text();
    try {
      await invoke('preset_write', { name: name.trim(), patch: saved });
    } catch (e) {
      setPresetError(message(e));
      return false;
    }
    setCurrentPreset(storedName(name), saved);
    await refreshPresets();
    return true;
  }

  /** Save: to the current preset; the caller asks for a name when there is none. */
  async function savePreset() {
    setPresetError(null);
    const name = current();
    return name === null ? false : writePreset(name);
  }

  async function renamePreset(from: string, to: string) {
    setPresetError(null);
    const target = to.trim();
    if (target === '' || target === from) return;
    try {
      await invoke('preset_rename', { from, to: target });
    } catch (e) {
      setPresetError(message(e));
      return;
    }
    if (current() === from) setCurrentPreset(storedName(target), baseline());
    await refreshPresets();
  }

  async function deletePreset(name: string) {
    setPresetError(null);
    if (!(await ask(`Delete ${quoted(name)}?`, 'Delete'))) return;
    try {
      await invoke('preset_delete', { name });
    } catch (e) {
      setPresetError(message(e));
      return;
    }
    if (current() === name) setCurrentPreset(null, null);
    await refreshPresets();
  }

  /** The plug-in zooms its web view to the interface size. */
  function zoom(scale: number) {
    invoke('zoom', { scale }).catch((e) => {
      if (e instanceof NoReply) setNoReply(message(e));
    });
  }

  function restart() {
    invoke('restart').then(() => setStatus(null), (e) => setStatus(message(e)));
  }

  return {
    inPlugin: transport !== null,
    patch, text, change, commit, undo, redo, canUndo, canRedo, status, restart, start, zoom,
    live, liveFrame,
    presets, current, presetError, edited: () => baseline() !== text(), newPatch,
    refreshPresets, loadPreset, savePreset, savePresetAs, renamePreset, deletePreset,
  };
}
