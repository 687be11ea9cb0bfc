import { describe, expect, it, vi } from 'vitest';
import {
  canSend, connect, type HostWindow, MESSAGE_LIMIT, NoReply, REFUSED, REPLY_MS, TooLarge,
} from '../src/host/transport';
import { canonicalJson } from '../src/text';

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
    transport.invoke('plugin_init').catch(() => {}); // unanswered here
    transport.invoke('preset_read', { name: 'Bass' }).catch(() => {}); // unanswered here
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

  /** The outcome of a call so far, kept up to date as it settles. */
  function track(call: Promise<unknown>) {
    const seen: { now: unknown } = { now: 'pending' };
    call.then((value) => (seen.now = { value }), (e: Error) => (seen.now = { error: e.message }));
    return seen;
  }

  it('sends nothing without ipc, and fails after the reply time', async () => {
    vi.useFakeTimers();
    const win: HostWindow = {};
    const transport = connect(win);
    expect(typeof win.__vtPlugin?.receive).toBe('function');
    const call = track(transport.invoke('plugin_init'));
    await vi.advanceTimersByTimeAsync(REPLY_MS - 1);
    expect(call.now).toBe('pending');
    await vi.advanceTimersByTimeAsync(1);
    expect(call.now).toEqual({ error: "The plug-in didn't answer" });
    vi.useRealTimers();
  });

  it('fails a message whose reply does not come in time, and ignores the late reply', async () => {
    vi.useFakeTimers();
    const { transport, receive } = plugin();
    const lateCall = transport.invoke('live_values');
    const late = track(lateCall);
    const prompt = track(transport.invoke('live_values'));
    receive({ type: 'reply', id: 2, ok: true, value: 'in time' });
    await vi.advanceTimersByTimeAsync(REPLY_MS);
    receive({ type: 'reply', id: 1, ok: true, value: 'too late' });
    await vi.advanceTimersByTimeAsync(0);
    expect([late.now, prompt.now]).toEqual([{ error: "The plug-in didn't answer" }, { value: 'in time' }]);
    expect(await lateCall.catch((e: Error) => e)).toBeInstanceOf(NoReply);
    vi.useRealTimers();
  });

  it('does not send a message over the plug-in\'s bound, counting UTF-8 bytes', async () => {
    const { transport, posted } = plugin();
    // {"args":{"patch":"…"},"cmd":"set_patch","id":1,"type":"invoke"} around the text.
    const around = canonicalJson({ type: 'invoke', id: 1, cmd: 'set_patch', args: { patch: '' } }).length;
    const ascii = 'x'.repeat(MESSAGE_LIMIT - around);
    const accented = 'é'.repeat((MESSAGE_LIMIT - around) / 2); // two bytes each
    const calls = [ascii, ascii + 'x', accented, accented + 'x', '"'.repeat(MESSAGE_LIMIT / 2)]
      .map((patch) => transport.invoke('set_patch', { patch }));
    const results = await Promise.all(calls.map((c) => c.catch((e: Error) => e)));
    expect(results.map((r) => r instanceof TooLarge)).toEqual([false, true, false, true, true]);
    expect(posted.map((m) => m.id)).toEqual([1, 3]);
    expect(canSend('set_patch', { patch: ascii.slice(20) })).toBe(true);
    expect(canSend('set_patch', { patch: ascii })).toBe(false); // room for any id
  });

  it('replaces lone surrogates in every string it posts', () => {
    const { transport, posted } = plugin();
    transport.invoke('preset_write', { name: 'A\ud800B\udc00\ud83c\udfb9', patch: '{}' }).catch(() => {}); // unanswered here
    expect(posted[0].args).toEqual({ name: 'A\ufffdB\ufffd\ud83c\udfb9', patch: '{}' });
  });
});
