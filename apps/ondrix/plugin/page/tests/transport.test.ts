import { describe, expect, it } from 'vitest';
import { connect, type HostWindow, REFUSED } from '../src/host/transport';

function plugin() {
  const posted: Record<string, unknown>[] = [];
  const win: HostWindow = { ipc: { postMessage: (text) => posted.push(JSON.parse(text)) } };
  const transport = connect(win);
  const receive = (m: unknown) => win.__vtPlugin!.receive(m);
  return { win, transport, posted, receive };
}

const settled = async <T>(p: Promise<T>) => {
  const result = await Promise.race([
    p.then((value) => ({ value }), (error: Error) => ({ error: error.message })),
    new Promise((r) => setTimeout(() => r('pending'), 5)),
  ]);
  return result;
};

describe('transport', () => {
  it('posts invokes with ids from 1 and an args object', () => {
    const { transport, posted } = plugin();
    void transport.invoke('plugin_init');
    void transport.invoke('preset_read', { name: 'Bass' });
    expect(posted).toEqual([
      { type: 'invoke', id: 1, cmd: 'plugin_init', args: {} },
      { type: 'invoke', id: 2, cmd: 'preset_read', args: { name: 'Bass' } },
    ]);
  });

  it('settles each invoke by its reply', async () => {
    const { transport, receive } = plugin();
    const calls = ['a', 'b', 'c', 'd', 'e'].map((cmd) => transport.invoke(cmd));
    receive({ type: 'reply', id: 2, ok: false, error: 'No home folder for presets' });
    receive({ type: 'reply', id: 1, ok: true, value: { patch: null } });
    receive({ type: 'reply', id: 3, ok: false });
    receive({ type: 'reply', id: 4, ok: 'true', value: 1, error: 7 });
    receive({ type: 'reply', id: 99, ok: true, value: 'nobody asked' });
    receive({ type: 'reply', id: 1, ok: false, error: 'too late' });
    expect(await Promise.all(calls.map(settled))).toEqual([
      { value: { patch: null } },
      { error: 'No home folder for presets' },
      { error: REFUSED },
      { error: REFUSED },
      'pending',
    ]);
  });

  it('hands other messages to the listeners in order and ignores non-objects', () => {
    const { transport, receive } = plugin();
    const heard: string[] = [];
    transport.listen((e) => heard.push(`first ${e.type}`));
    transport.listen((e) => heard.push(`second ${e.type}`));
    for (const m of [null, 'loaded', 3, ['loaded'], { type: 'loaded' }, { type: 'mystery' }]) receive(m);
    expect(heard).toEqual(['first loaded', 'second loaded', 'first mystery', 'second mystery']);
  });

  it('sends nothing without ipc and leaves the promise pending', async () => {
    const win: HostWindow = {};
    const transport = connect(win);
    expect(typeof win.__vtPlugin?.receive).toBe('function');
    const call = transport.invoke('plugin_init');
    win.__vtPlugin!.receive({ type: 'reply', id: 1, ok: true, value: null });
    expect(await settled(call)).toBe('pending');
  });

  it('replaces lone surrogates in every string it posts', () => {
    const { transport, posted } = plugin();
    void transport.invoke('preset_write', { name: 'A\ud800B\udc00\ud83c\udfb9', patch: '{}' });
    expect(posted[0].args).toEqual({ name: 'A\ufffdB\ufffd\ud83c\udfb9', patch: '{}' });
  });
});
