import { createRoot } from 'solid-js';
import { describe, expect, it } from 'vitest';
import { createEditor, TOO_LARGE } from '../src/editor';
import { canSend, type Listener, NoReply, TooLarge, type Transport } from '../src/host/transport';
import { emptyPatch, starterPatch } from '../src/patch/model';
import { guardedStore, type Store } from '../src/storage';
import { canonicalJson } from '../src/text';

/** A plug-in that records each invoke and answers when the test says so. */
function fakePlugin() {
  const calls: { cmd: string; args: Record<string, unknown>; ok(v: unknown): void; fail(e: string | Error): void }[] = [];
  const listeners: Listener[] = [];
  const transport: Transport = {
    invoke: <T>(cmd: string, args: Record<string, unknown> = {}) =>
      new Promise<T>((resolve, reject) => {
        if (!canSend(cmd, args)) return reject(new TooLarge()); // as the real transport does
        calls.push({
          cmd, args, ok: resolve as (v: unknown) => void,
          fail: (e) => reject(typeof e === 'string' ? new Error(e) : e),
        });
      }),
    listen: (l) => void listeners.push(l),
  };
  const last = (cmd: string) => [...calls].reverse().find((c) => c.cmd === cmd)!;
  return { transport, calls, listeners, last, cmds: () => calls.map((c) => c.cmd) };
}

function memoryStore(entries: Record<string, string> = {}) {
  const map = new Map(Object.entries(entries));
  return guardedStore(() => ({
    getItem: (k: string) => map.get(k) ?? null,
    setItem: (k: string, v: string) => void map.set(k, v),
    removeItem: (k: string) => void map.delete(k),
  }));
}

const settle = () => new Promise((r) => setTimeout(r, 0));

function editorWith(plugin: ReturnType<typeof fakePlugin>, store = memoryStore()) {
  let t = 0;
  return createRoot(() =>
    createEditor({
      transport: plugin.transport,
      store,
      ask: async () => true,
      now: () => (t += 1000),
      frame: () => {}, // the display loop is not driven here
    }),
  );
}

/**
 * An editor started on the plug-in's patch (none by default) with the presets `listed` (none
 * answered when left out); it records the questions it asks, answering yes.
 */
async function started(
  { patch = null, listed, store = memoryStore(), frame = () => {} }:
  { patch?: unknown; listed?: string[]; store?: Store; frame?: (next: () => void) => void } = {},
) {
  const plugin = fakePlugin();
  const asked: string[] = [];
  let t = 0;
  const editor = createRoot(() =>
    createEditor({
      transport: plugin.transport, store, now: () => (t += 1000), frame,
      ask: async (question) => (asked.push(question), true),
    }),
  );
  void editor.start();
  plugin.last('plugin_init').ok({ patch });
  await settle();
  if (listed) {
    plugin.last('presets_list').ok(listed);
    await settle();
  }
  return { plugin, editor, asked };
}

describe('editor start-up and sync', () => {
  it('zooms, asks for the patch, then sends it and lists presets', async () => {
    const plugin = fakePlugin();
    const editor = editorWith(plugin, memoryStore({ 'vantrel.uiScale': '1.3' }));
    void editor.start();
    expect(plugin.cmds()).toEqual(['zoom', 'plugin_init']);
    expect(plugin.calls[0].args).toEqual({ scale: 1.3 });
    plugin.last('plugin_init').ok({ patch: 'not a patch' });
    await settle();
    expect(plugin.cmds()).toEqual(['zoom', 'plugin_init', 'set_patch', 'presets_list']);
    expect(plugin.last('set_patch').args).toEqual({ patch: canonicalJson(starterPatch()) });
  });

  it('keeps the stored patch and sends nothing more when the plug-in refuses to start', async () => {
    const plugin = fakePlugin();
    const stored = canonicalJson(emptyPatch());
    const editor = editorWith(plugin, memoryStore({ 'vantrel.ondrix.patch': stored }));
    void editor.start();
    plugin.last('plugin_init').fail('Plugin panicked');
    await settle();
    expect(plugin.cmds()).toEqual(['plugin_init']);
    expect(editor.text()).toBe(stored);
    expect(editor.status()).toMatch(/Plugin panicked/);
    editor.commit(starterPatch());
    expect(plugin.cmds()).toEqual(['plugin_init']);
  });

  it('sends set_patch only when the patch text changed, undo and redo included', async () => {
    const plugin = fakePlugin();
    const editor = editorWith(plugin);
    void editor.start();
    plugin.last('plugin_init').ok({ patch: null });
    await settle();
    const sent = () => plugin.calls.filter((c) => c.cmd === 'set_patch').map((c) => c.args.patch);
    editor.commit(starterPatch());
    editor.commit(emptyPatch());
    editor.undo();
    editor.undo(); // nothing further back
    editor.redo();
    expect(sent()).toEqual([starterPatch(), emptyPatch(), starterPatch(), emptyPatch()].map(canonicalJson));
  });

  it('takes the plug-in patch again on "loaded", restarting the history', async () => {
    const plugin = fakePlugin();
    const editor = editorWith(plugin);
    void editor.start();
    plugin.last('plugin_init').ok({ patch: null });
    await settle();
    editor.commit(emptyPatch());
    expect(editor.canUndo()).toBe(true);
    for (const listener of plugin.listeners) listener({ type: 'loaded' });
    const loaded = { ...starterPatch(), tempo: 90 };
    plugin.last('plugin_init').ok({ patch: loaded });
    await settle();
    expect(plugin.cmds().filter((c) => c === 'plugin_init')).toHaveLength(2);
    expect([editor.text(), editor.canUndo()]).toEqual([canonicalJson(loaded), false]);
    expect(plugin.last('set_patch').args.patch).toBe(canonicalJson(loaded));
  });
});

describe('presets', () => {
  /** Answers the save, the list that follows it, and the read of the current preset. */
  async function answerSave(plugin: ReturnType<typeof fakePlugin>, listed: string[]) {
    plugin.last('preset_write').ok(null);
    await settle();
    plugin.last('presets_list').ok(listed);
    await settle();
    const read = plugin.last('preset_read');
    read.ok(plugin.last('preset_write').args.patch);
    await settle();
  }

  it('replaces a listed preset named in another letter case under its listed name', async () => {
    const { plugin, editor, asked } = await started({ listed: ['Bass', 'Lead'] });
    const saving = editor.savePresetAs(' BASS ');
    await settle();
    expect(asked).toEqual(['Replace “Bass”?']);
    expect(plugin.last('preset_write').args.name).toBe('Bass');
    await answerSave(plugin, ['Bass', 'Lead']);
    expect(await saving).toBe(true);
    expect([editor.current(), editor.edited()]).toEqual(['Bass', false]);
  });

  it('keeps the current preset where storage cannot be written', async () => {
    const readOnly = guardedStore(() => ({
      getItem: () => null,
      setItem: () => { throw new Error('QuotaExceededError'); },
      removeItem: () => {},
    }));
    const { plugin, editor } = await started({ listed: [], store: readOnly });
    const saving = editor.savePresetAs('Pad');
    await settle();
    await answerSave(plugin, ['Pad']);
    expect(await saving).toBe(true);
    expect(plugin.last('preset_read').args).toEqual({ name: 'Pad' });
    expect([editor.current(), editor.edited()]).toEqual(['Pad', false]);
    void editor.refreshPresets();
    plugin.last('presets_list').ok(['Pad']);
    await settle();
    expect(editor.current()).toBe('Pad');
  });
});

describe('a patch too large for the plug-in, and requests without a reply', () => {
  /** A patch whose set_patch message is over the plug-in's bound, with the drawn table it holds. */
  const huge = () => {
    const p = starterPatch();
    p.sources[0] = { ...p.sources[0], shape: { kind: 'drawn', table: Array(500_000).fill(0.123456789) } };
    return p;
  };
  const setPatches = (plugin: ReturnType<typeof fakePlugin>) => plugin.calls.filter((c) => c.cmd === 'set_patch');

  it('keeps a patch from the plug-in that grew too large, says so, and sends the next one that fits', async () => {
    const { plugin, editor } = await started({ patch: huge() });
    expect(setPatches(plugin)).toHaveLength(0);
    expect([editor.text(), editor.status()]).toEqual([canonicalJson(huge()), TOO_LARGE]);
    editor.commit(starterPatch());
    await settle();
    expect(setPatches(plugin)).toHaveLength(1);
    setPatches(plugin)[0].ok(null);
    await settle();
    expect(editor.status()).toBe(null);
  });

  it('refuses to load or save a patch too large, keeping the working patch', async () => {
    const { plugin, editor } = await started({ listed: ['Huge'] });
    const loading = editor.loadPreset('Huge');
    await settle();
    plugin.last('preset_read').ok(canonicalJson(huge()));
    await loading;
    expect([editor.presetError(), editor.text(), editor.current()])
      .toEqual([TOO_LARGE, canonicalJson(starterPatch()), null]);

    editor.commit(huge());
    expect(await editor.savePresetAs('Huge')).toBe(false);
    expect(plugin.cmds().filter((c) => c === 'preset_write')).toEqual([]);
    expect([editor.presetError(), editor.text()]).toEqual([TOO_LARGE, canonicalJson(huge())]);
  });

  it('shows a request that went unanswered, and keeps asking for live values', async () => {
    const frames: (() => void)[] = [];
    const { plugin, editor } = await started({ frame: (next) => frames.push(next) });
    plugin.last('set_patch').fail(new NoReply());
    await settle();
    expect(editor.status()).toBe("The plug-in didn't answer");
    editor.commit(emptyPatch());
    plugin.last('set_patch').ok(null);
    await settle();
    expect(editor.status()).toBe(null);

    frames.shift()!();
    plugin.last('live_values').fail(new NoReply());
    await settle();
    expect([editor.status(), frames.length]).toEqual(["The plug-in didn't answer", 1]);
    frames.shift()!();
    plugin.last('live_values').ok({ sources: [], outputs: [], trace: [] });
    await settle();
    expect([editor.status(), frames.length]).toEqual([null, 1]);
    frames.shift()!();
    plugin.last('live_values').fail('The plugin refused');
    await settle();
    expect(frames.length).toBe(0); // refused: the display stops
  });
});
