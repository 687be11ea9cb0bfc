import { describe, expect, it } from 'vitest';
import { looksLikePatch, migrate, migrateTempo } from '../src/patch/migrate';
import { emptyPatch, newOutput, newSource, starterPatch } from '../src/patch/model';
import type { Patch, Source } from '../src/patch/types';
import { canonicalJson } from '../src/text';

const sine = (extra: object = {}) => ({
  enabled: true, shape: { kind: 'sine' }, rate: { mode: 'free', hz: 2 }, ...extra,
});
const patchOf = (extra: object): Patch => migrate({ sources: [], outputs: [], routes: [], ...extra })!;
const source0 = (s: unknown) => patchOf({ sources: [s] }).sources[0];
const routesOf = (routes: unknown[]) => patchOf({ routes }).routes;

describe('new sources, outputs and the two start patches', () => {
  it('builds the starter patch: two LFOs on CC 16 and 17', () => {
    const p = starterPatch();
    expect(p.sources.map((s) => s.shape.kind)).toEqual([
      'sine', 'triangle', 'saw', 'square', 'smoothRandom', 'sampleHold', 'morph', 'field',
      ...Array(8).fill('sine'),
    ]);
    expect(p.sources.map((s) => s.enabled)).toEqual([true, true, ...Array(14).fill(false)]);
    expect(p.sources.map((s) => (s.rate.mode === 'free' ? s.rate.hz : NaN)))
      .toEqual(Array.from({ length: 16 }, (_, n) => 0.25 * (n + 1)));
    expect(p.sources.slice(0, 8).map((s) => [s.a, s.b])).toEqual([
      [0.5, 0], [0.5, 0.5], [0.5, 0], [0.5, 0], [1, 1], [1, 0], [0, 0.5], [0.5, 0.3],
    ]);
    expect(p.routes).toEqual(Array.from({ length: 8 }, (_, n) => ({
      from: n, tap: 0, amount: 1, to: 'output', index: n,
    })));
    expect(p.outputs).toHaveLength(64);
    expect(p.outputs.map((o) => o.cc)).toEqual(Array.from({ length: 64 }, (_, n) => 16 + n));
    expect(p.outputs.filter((o) => o.enabled)).toHaveLength(2);
    expect(p.outputs[0].enabled && p.outputs[1].enabled).toBe(true);
    expect(p.tempo).toBe(120);
  });

  it('writes new sources and outputs in the JSON the plug-in reads', () => {
    expect(canonicalJson(newSource(3))).toBe(
      '{"a":0.5,"b":0,"bits":0,"depth":1,"enabled":false,"offset":0,"phase":0,' +
        '"rate":{"hz":1,"mode":"free"},"rough":0,"shape":{"kind":"sine"},"smooth":0,' +
        '"spread":1,"unipolar":false}',
    );
    expect(canonicalJson(newOutput(2))).toBe(
      '{"bipolar":true,"cc":18,"channel":0,"dest":{"kind":"midi"},"enabled":false,"fine":false,' +
        '"gateVolts":5,"offset":0,"quantize":null,"signal":{"kind":"routed"},"threshold":0.5,' +
        '"volts":[-5,5]}',
    );
  });

  it('empties the starter patch but keeps its routes', () => {
    const p = emptyPatch();
    expect(p.sources.some((s) => s.enabled) || p.outputs.some((o) => o.enabled)).toBe(false);
    expect(p.routes).toEqual(starterPatch().routes);
  });
});

describe('migration', () => {
  it('cuts 20 sources to 16 and drops the route from source 17', () => {
    const p = patchOf({
      sources: Array.from({ length: 20 }, () => sine()),
      routes: [
        { from: 17, tap: 0, amount: 1, to: 'output', index: 0 },
        { from: 15, tap: 0, amount: 1, to: 'output', index: 0 },
      ],
    });
    expect(p.sources).toHaveLength(16);
    expect(p.sources.every((s) => s.enabled)).toBe(true);
    expect(p.routes.map((r) => r.from)).toEqual([15]);
  });

  it('pads 3 stored outputs to 64, the stored fields winning over the reader\'s defaults', () => {
    const p = patchOf({ outputs: [{ cc: 1 }, { cc: 2, enabled: false, channel: 5 }, { cc: 3, fine: true }] });
    expect(p.outputs).toHaveLength(64);
    expect(p.outputs.slice(0, 3).map((o) => [o.cc, o.enabled, o.channel, o.fine])).toEqual([
      [1, true, 0, false], [2, false, 5, false], [3, true, 0, true],
    ]);
    expect(p.outputs[3]).toEqual(newOutput(3));
    expect(p.outputs[63]).toEqual(newOutput(63));
  });

  it.each([
    [undefined, 120], [12.4, 20], [999, 300], [0, 120], [0.4, 120], [-0.4, 120], [-50, 20],
    [120.5, 121], [119.5, 120], [140, 140], ['140', 120], [null, 120], [Infinity, 120],
  ])('tempo %s becomes %s', (tempo, expected) => {
    expect(migrateTempo(tempo)).toBe(expected);
  });

  // The plug-in reads a missing a as 0.5 and b as 0 whatever the shape, the saw's other names
  // as the same rising saw, and skips "skew": so does the page.
  it.each([
    ['"chaos" names its system', { kind: 'chaos', system: 'lorenz' }, {}, 'lorenz', 0.5, 0, 1],
    ['"chaos" naming none becomes a sine', { kind: 'chaos' }, { a: 0.9, b: 0.9 }, 'sine', 0.5, 0, 1],
    ['an unknown kind becomes a sine', { kind: 'plasma' }, { a: 0.9 }, 'sine', 0.5, 0, 1],
    ['a shape that is no object', 'triangle', {}, 'sine', 0.5, 0, 1],
    ['sawUp', { kind: 'sawUp' }, { depth: 0.5 }, 'saw', 0.5, 0, 0.5],
    ['sawDown keeps its depth', { kind: 'sawDown' }, { depth: 0.5 }, 'saw', 0.5, 0, 0.5],
    ['skew does not stand in for a', { kind: 'square' }, { skew: 0.2 }, 'square', 0.5, 0, 1],
    ['missing controls of a triangle', { kind: 'triangle' }, {}, 'triangle', 0.5, 0, 1],
    ['missing controls of a rain field', { kind: 'field', motion: 'rain' }, {}, 'field', 0.5, 0, 1],
    ['wrong-typed controls', { kind: 'wander' }, { a: '1', b: null }, 'wander', 0.5, 0, 1],
    ['given controls', { kind: 'wander' }, { a: 0.1, b: 0.2 }, 'wander', 0.1, 0.2, 1],
  ])('%s', (_, shape, extra, kind, a, b, depth) => {
    const s = source0({ ...sine(extra), shape });
    expect([s.shape.kind, s.a, s.b, s.depth]).toEqual([kind, a, b, depth]);
    expect(s).not.toHaveProperty('skew');
  });

  it('repairs shape payloads the plug-in would refuse', () => {
    const shapes = [
      { kind: 'drawn', table: [0.5, 'x', null, -1] },
      { kind: 'drawn' },
      { kind: 'field', motion: 'storm' },
      { kind: 'field', motion: { spin: null } },
      { kind: 'field' },
      { kind: 'cvIn', channel: 300 },
      { kind: 'sine', table: [1] },
    ];
    const got = shapes.map((shape) => source0(sine({ shape })).shape);
    expect(got[0]).toEqual({ kind: 'drawn', table: [0.5, 0, 0, -1] });
    expect(got[1]).toMatchObject({ kind: 'drawn' });
    expect((got[1] as { table: number[] }).table).toHaveLength(64);
    expect(got.slice(2)).toEqual([
      { kind: 'field', motion: 'drift' },
      { kind: 'field', motion: 'spin' },
      { kind: 'field' },
      { kind: 'cvIn', channel: 0 },
      { kind: 'sine' },
    ]);
  });

  it('gives a missing or wrong-typed source field the reader\'s default, a missing source a new one', () => {
    const bad = {
      enabled: 'yes', shape: { kind: 'sine' }, rate: { mode: 'sync' }, phase: '0.5', spread: null,
      depth: [1], offset: {}, unipolar: 1, smooth: 'x', rough: false, bits: 300,
    };
    const p = patchOf({ sources: [bad, bad, 'sine', null, 7] });
    const enabled = (s: Source) => ({ ...s, enabled: true });
    expect(p.sources.slice(0, 2)).toEqual([enabled(newSource(0)), enabled(newSource(1))]);
    p.sources.slice(2).forEach((s, n) => expect(s).toEqual(newSource(n + 2)));
    expect(source0(sine({ rate: { mode: 'sync', beats: 0.5 }, bits: 4 }))).toMatchObject({
      rate: { mode: 'sync', beats: 0.5 }, bits: 4,
    });
  });

  it('gives a missing or wrong-typed output field the reader\'s default, a missing output a new one', () => {
    const bad = {
      enabled: 1, channel: -1, cc: 127.5, fine: 'no', bipolar: null, offset: '0',
      dest: 'midi', signal: { kind: 'clock' }, volts: [0, 1, 2], threshold: [], gateVolts: {},
      quantize: { scale: 'Major' },
    };
    const p = patchOf({ outputs: [bad, 'x', null] });
    expect(p.outputs.slice(0, 3)).toEqual([{ ...newOutput(0), enabled: true }, newOutput(1), newOutput(2)]);
    const good = {
      cc: 7, dest: { kind: 'cv', port: { type: 1, header: 0, output: 2 } },
      signal: { kind: 'clock', ppqn: 24 }, volts: [10, 0], quantize: { scale: 'blues' },
    };
    expect(patchOf({ outputs: [good] }).outputs[0]).toMatchObject({
      cc: 7, dest: { kind: 'cv', port: { type: 'expander', header: 0, output: 2 } },
      signal: { kind: 'clock', ppqn: 24 }, volts: [10, 0], quantize: { scale: 'blues', root: 0 },
    });
  });

  it('reads each record written as an array as the object of its fields', () => {
    const pairs: [unknown, unknown][] = [
      [[false, ['drawn', [0, 1]], ['sync', 2], 0.25], { enabled: false, shape: { kind: 'drawn', table: [0, 1] }, rate: { mode: 'sync', beats: 2 }, phase: 0.25 }],
      [[true, ['field', 'rain'], ['free', 3]], { shape: { kind: 'field', motion: 'rain' }, rate: { mode: 'free', hz: 3 } }],
      [[true, ['cvIn', 3], ['free', 1], 0, 0.1, 0.2, 0.3, 0.4, 0.5, true, 0.6, 0.7, 8],
        { shape: { kind: 'cvIn', channel: 3 }, rate: { mode: 'free', hz: 1 }, a: 0.1, b: 0.2, spread: 0.3, depth: 0.4, offset: 0.5, unipolar: true, smooth: 0.6, rough: 0.7, bits: 8 }],
    ];
    for (const [array, object] of pairs) expect(source0(array)).toEqual(source0(object));
    const outputs: [unknown, unknown][] = [
      [[true, 0, 16], { cc: 16 }],
      [[false, 3, 64, true], { enabled: false, channel: 3, cc: 64, fine: true }],
      [[true, 1, 20, false, false, 0.5, ['cv', ['expander', 1, 3]], ['clock', 24], [0, 10], 0.25, 10, ['blues', 2]],
        { channel: 1, cc: 20, bipolar: false, offset: 0.5, dest: { kind: 'cv', port: { type: 'expander', header: 1, output: 3 } },
          signal: { kind: 'clock', ppqn: 24 }, volts: [0, 10], threshold: 0.25, gateVolts: 10, quantize: { scale: 'blues', root: 2 } }],
      [[true, 0, 16, false, true, 0, ['gate', ['channel', 2]], ['run']],
        { cc: 16, dest: { kind: 'gate', port: { type: 'channel', index: 2 } }, signal: { kind: 'run' } }],
    ];
    const output0 = (o: unknown) => patchOf({ outputs: [o] }).outputs[0];
    for (const [array, object] of outputs) expect(output0(array)).toEqual(output0(object));
    const route = { from: 0, amount: 1, to: 'output', index: 2 };
    expect(migrate([[], [route], [[true, 0, 30]], 90])).toEqual(
      migrate({ sources: [], routes: [route], outputs: [{ cc: 30 }], tempo: 90 }),
    );
  });

  it('keeps the routes the plug-in plays and drops the others', () => {
    const ok = { from: 1, tap: 2, amount: -0.5, to: 'source', index: 3, param: 'depth' };
    const routes = routesOf([
      ok,
      { ...ok, tap: undefined },
      { ...ok, param: 'skew' },
      { ...ok, param: { spread: null } },
      { from: 0, amount: 1, to: 1, index: 63, param: 'tempo' },
      { ...ok, from: 16 }, { ...ok, from: -1 }, { ...ok, from: 1.5 }, { ...ok, from: '1' },
      { ...ok, tap: 4 }, { ...ok, amount: 'half' }, { ...ok, amount: undefined },
      { ...ok, to: 'input' }, { ...ok, to: 2 }, { ...ok, to: undefined },
      { ...ok, index: 16 }, { from: 0, amount: 1, to: 'output', index: 64 },
      { ...ok, param: 'tempo' }, { ...ok, param: undefined }, { ...ok, param: 4 },
      [0, 0, 1], null,
    ]);
    expect(routes).toEqual([
      ok,
      { ...ok, tap: 0 },
      { ...ok, param: 'a' },
      { ...ok, param: 'spread' },
      { from: 0, tap: 0, amount: 1, to: 'output', index: 63 },
    ]);
  });

  it('needs something shaped like a patch, and storage needs sources, outputs and routes', () => {
    const notPatches = [
      null, [], 'patch', 3, {}, { hello: 1 }, { sources: 'x' }, { sources: [], routes: {} },
      { outputs: 5, tempo: 120 }, [1, 2], [[], [], 'x'],
    ];
    expect(notPatches.map(migrate)).toEqual(notPatches.map(() => null));
    const allOff = {
      sources: Array.from({ length: 16 }, (_, n) => newSource(n)),
      routes: [],
      outputs: Array.from({ length: 64 }, (_, n) => newOutput(n)),
      tempo: 120,
    };
    for (const shaped of [{ sources: [] }, { routes: [] }, { tempo: 120 }, [[]], [[], [], []]]) {
      expect(migrate(shaped)).toEqual(allOff);
    }
    expect(looksLikePatch(starterPatch())).toBe(true);
    expect(looksLikePatch({ ...starterPatch(), sources: [] })).toBe(false);
    expect(looksLikePatch({ sources: [{}], outputs: [] })).toBe(false);
  });

  it('changes nothing the second time', () => {
    const stored = [
      starterPatch(),
      emptyPatch(),
      {
        sources: [
          sine({ shape: { kind: 'sawDown' } }), sine({ shape: { kind: 'chaos', system: 'pendulum' }, skew: 0.1 }),
          'x', sine({ shape: { kind: 'drawn', table: [1, 'a'] } }),
        ],
        outputs: [{ cc: 3 }, 5],
        routes: [{ from: 0, amount: 1, to: 0, index: 1, param: 'skew' }, { from: 20, amount: 1, to: 'output', index: 0 }],
        tempo: 12.4,
      },
    ];
    for (const s of stored) {
      const once = migrate(JSON.parse(JSON.stringify(s)))!;
      expect(migrate(JSON.parse(canonicalJson(once)))).toEqual(once);
    }
  });
});
