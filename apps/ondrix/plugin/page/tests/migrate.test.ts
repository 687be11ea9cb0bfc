import { describe, expect, it } from 'vitest';
import { looksLikePatch, migrate, migrateTempo } from '../src/patch/migrate';
import { emptyPatch, newOutput, newSource, starterPatch } from '../src/patch/model';
import type { Patch } from '../src/patch/types';
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

  it('pads 3 stored outputs to 64, the stored fields winning', () => {
    const p = patchOf({ outputs: [{ cc: 1 }, { cc: 2, enabled: true, channel: 5 }, { cc: 3, fine: true }] });
    expect(p.outputs).toHaveLength(64);
    expect(p.outputs.slice(0, 3).map((o) => [o.cc, o.enabled, o.channel, o.fine])).toEqual([
      [1, false, 0, false], [2, true, 5, false], [3, false, 0, true],
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

  it.each([
    ['"chaos" names its system', { kind: 'chaos', system: 'lorenz' }, {}, 'lorenz', 0.6, 0.5, 1],
    ['"chaos" naming none becomes a sine', { kind: 'chaos' }, { a: 0.9, b: 0.9 }, 'sine', 0.5, 0, 1],
    ['an unknown kind becomes a sine', { kind: 'plasma' }, { a: 0.9 }, 'sine', 0.5, 0, 1],
    ['a shape that is no object', 'triangle', {}, 'sine', 0.5, 0, 1],
    ['sawUp', { kind: 'sawUp' }, { depth: 0.5 }, 'saw', 0.5, 0, 0.5],
    ['sawDown negates depth', { kind: 'sawDown' }, { depth: 0.5 }, 'saw', 0.5, 0, -0.5],
    ['sawDown without depth', { kind: 'sawDown' }, {}, 'saw', 0.5, 0, -1],
    ['skew stands in for a missing a', { kind: 'square' }, { skew: 0.2 }, 'square', 0.2, 0, 1],
    ['a wins over skew', { kind: 'square' }, { skew: 0.2, a: 0.7 }, 'square', 0.7, 0, 1],
    ['missing controls start by shape', { kind: 'triangle' }, {}, 'triangle', 0.5, 0.5, 1],
    ['missing controls start by motion', { kind: 'field', motion: 'rain' }, {}, 'field', 0.6, 0.4, 1],
    ['wrong-typed controls start by shape', { kind: 'wander' }, { a: '1', b: null }, 'wander', 0.4, 0.4, 1],
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

  it('gives every missing or wrong-typed source field the new source value', () => {
    const bad = {
      enabled: 'yes', shape: { kind: 'sine' }, rate: { mode: 'sync' }, phase: '0.5', spread: null,
      depth: [1], offset: {}, unipolar: 1, smooth: 'x', rough: false, bits: 300,
    };
    const p = patchOf({ sources: [bad, bad, 'sine', null, 7] });
    p.sources.forEach((s, n) => expect(s).toEqual(newSource(n)));
    expect(source0(sine({ rate: { mode: 'sync', beats: 0.5 }, bits: 4 }))).toMatchObject({
      rate: { mode: 'sync', beats: 0.5 }, bits: 4,
    });
  });

  it('gives every missing or wrong-typed output field the new output value', () => {
    const bad = {
      enabled: 1, channel: -1, cc: 127.5, fine: 'no', bipolar: null, offset: '0',
      dest: 'midi', signal: { kind: 'clock' }, volts: [0, 1, 2], threshold: [], gateVolts: {},
      quantize: { scale: 'Major' },
    };
    const p = patchOf({ outputs: [bad, 'x', null] });
    expect(p.outputs.slice(0, 3)).toEqual([newOutput(0), newOutput(1), newOutput(2)]);
    const good = {
      cc: 7, dest: { kind: 'cv', port: { type: 1, header: 0, output: 2 } },
      signal: { kind: 'clock', ppqn: 24 }, volts: [10, 0], quantize: { scale: 'blues' },
    };
    expect(patchOf({ outputs: [good] }).outputs[0]).toMatchObject({
      cc: 7, dest: { kind: 'cv', port: { type: 'expander', header: 0, output: 2 } },
      signal: { kind: 'clock', ppqn: 24 }, volts: [10, 0], quantize: { scale: 'blues', root: 0 },
    });
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

  it('needs an object, and storage needs sources, outputs and routes', () => {
    expect([null, [], 'patch', 3].map(migrate)).toEqual([null, null, null, null]);
    expect(migrate({})).toEqual({
      sources: Array.from({ length: 16 }, (_, n) => newSource(n)),
      routes: [],
      outputs: Array.from({ length: 64 }, (_, n) => newOutput(n)),
      tempo: 120,
    });
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
