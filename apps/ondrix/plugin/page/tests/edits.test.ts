import { describe, expect, it } from 'vitest';
import {
  addModulation, addOutput, addSource, editOutput, editSource, gridAmount, modulateControl,
  removeOutput, removeSource, resetSource, setFine, setGridCell, setMotion, setShape, setSignal,
  toggleRoute,
} from '../src/patch/edits';
import { emptyPatch, newOutput, newSource, starterPatch } from '../src/patch/model';
import { sineTable } from '../src/patch/shapes';
import type { Param, Patch, Route } from '../src/patch/types';

const bare = (): Patch => ({ ...emptyPatch(), routes: [] });
const withRoutes = (routes: Route[], base = bare()): Patch => ({ ...base, routes });
const toSource = (from: number, index: number, param: Param, amount = 0.25, tap = 0): Route =>
  ({ from, tap, to: 'source', index, param, amount });
const toOutput = (from: number, tap: number, index: number, amount = 1): Route =>
  ({ from, tap, to: 'output', index, amount });

describe('shape and motion changes', () => {
  it.each([
    ['triangle', { kind: 'triangle' }, 0.5, 0.5],
    ['smoothRandom', { kind: 'smoothRandom' }, 1, 1],
    ['drawn', { kind: 'drawn', table: sineTable() }, 0.5, 0],
    ['field', { kind: 'field', motion: 'drift' }, 0.5, 0.3],
    ['cvIn', { kind: 'cvIn', channel: 0 }, 0.3, 0.5],
    ['lorenz', { kind: 'lorenz' }, 0.6, 0.5],
  ] as const)('to %s sets the shape and its start values', (kind, shape, a, b) => {
    const p = editSource(starterPatch(), 0, { a: 0.9, b: 0.9, depth: 0.3 });
    const s = setShape(p, 0, kind).sources[0];
    expect(s.shape).toEqual(shape);
    expect([s.a, s.b, s.depth]).toEqual([a, b, 0.3]);
  });

  it('changes nothing for the same kind or the same motion', () => {
    const p = editSource(starterPatch(), 0, { a: 0.9 });
    expect(setShape(p, 0, 'sine')).toBe(p);
    const field = editSource(setShape(p, 0, 'field'), 0, { a: 0.9 });
    expect(setMotion(field, 0, 'drift')).toBe(field);
    expect(setMotion(p, 0, 'rain')).toBe(p); // not a field
  });

  it('sets a new motion\'s start values', () => {
    const field = setShape(starterPatch(), 0, 'field');
    const s = setMotion(field, 0, 'rain').sources[0];
    expect([s.shape, s.a, s.b]).toEqual([{ kind: 'field', motion: 'rain' }, 0.6, 0.4]);
    const absent = editSource(field, 0, { shape: { kind: 'field' } });
    expect(setMotion(absent, 0, 'drift')).toBe(absent);
  });

  it('resets every control but the shape, rate and switch', () => {
    const p = editSource(setShape(starterPatch(), 3, 'wander'), 3, {
      enabled: true, rate: { mode: 'sync', beats: 2 }, a: 0, b: 1, spread: 0, phase: 0.5, depth: -1,
      offset: 0.2, unipolar: true, smooth: 1, rough: 0.4, bits: 4,
    });
    expect(resetSource(p, 3).sources[3]).toEqual({
      ...newSource(3), enabled: true, shape: { kind: 'wander' }, rate: { mode: 'sync', beats: 2 },
      a: 0.4, b: 0.4,
    });
  });
});

describe('adding and removing sources and outputs', () => {
  it('adds the first source not in use, enabled', () => {
    // Starter: sources 0-7 are named by routes; 8 is the first free one.
    const added = addSource(starterPatch())!;
    expect(added.index).toBe(8);
    expect(added.patch.sources[8]).toEqual({ ...newSource(8), enabled: true });
    // Source 0 counts as in use, so does a source only a route points at.
    const p = withRoutes([toSource(2, 1, 'depth')]);
    expect(addSource(p)!.index).toBe(3);
  });

  it('adds nothing when all 16 are in use', () => {
    const p = bare();
    p.sources = p.sources.map((s) => ({ ...s, enabled: true }));
    expect(addSource(p)).toBeNull();
  });

  it('adds the first output not in use, enabled', () => {
    expect(addOutput(starterPatch())!.index).toBe(8);
    let p = withRoutes([toOutput(0, 0, 3)]);
    p = editOutput(p, 2, { signal: { kind: 'run' } });
    p = editOutput(p, 4, { dest: { kind: 'cv', port: { type: 'channel', index: 0 } } });
    p = editOutput(p, 5, { enabled: true });
    const added = addOutput(p)!;
    expect(added.index).toBe(6);
    expect(added.patch.outputs[6]).toEqual({ ...newOutput(6), enabled: true });
    p.outputs = p.outputs.map((o) => ({ ...o, enabled: true }));
    expect(addOutput(p)).toBeNull();
  });

  it('removes a source with every route from it or to it', () => {
    const kept = [toOutput(1, 0, 1), toSource(1, 3, 'a')];
    const p = withRoutes([toOutput(2, 1, 5), ...kept, toSource(1, 2, 'rate')], editSource(bare(), 2, { enabled: true, depth: 0.1 }));
    const q = removeSource(p, 2);
    expect(q.sources[2]).toEqual(newSource(2));
    expect(q.routes).toEqual(kept);
  });

  it('removes an output with the routes to it', () => {
    const p = withRoutes([toOutput(1, 0, 5), toOutput(1, 0, 6), toSource(5, 0, 'a')], editOutput(bare(), 5, { enabled: true, cc: 3 }));
    const q = removeOutput(p, 5);
    expect(q.outputs[5]).toEqual(newOutput(5));
    expect(q.routes).toEqual([toOutput(1, 0, 6), toSource(5, 0, 'a')]);
  });
});

describe('routes', () => {
  it.each([
    ['the first two sources in use', withRoutes([toOutput(3, 0, 0)], editSource(bare(), 6, { enabled: true })), 0, 3],
    ['source 0 to itself when it is alone', bare(), 0, 0],
  ])('"Add modulation" with %s', (_, p, from, to) => {
    expect(addModulation(p).routes.at(-1)).toEqual(toSource(from, to, 'rate'));
  });

  it('sets, replaces and removes a grid cell', () => {
    let p = withRoutes([toOutput(1, 0, 0)]);
    p = setGridCell(p, 1, 2, 3, 'depth', 0.4);
    expect(p.routes).toEqual([toOutput(1, 0, 0), toSource(1, 3, 'depth', 0.4, 2)]);
    p = setGridCell(p, 1, 2, 3, 'depth', -0.7);
    expect(p.routes).toEqual([toOutput(1, 0, 0), toSource(1, 3, 'depth', -0.7, 2)]);
    expect(gridAmount(p, 1, 2, 3, 'depth')).toBe(-0.7);
    expect(gridAmount(p, 1, 2, 3, 'rate')).toBe(0);
    const before = p;
    p = setGridCell(p, 1, 2, 3, 'rate', 0); // no such route: nothing to remove
    expect(p).toBe(before);
    p = setGridCell(p, 1, 2, 3, 'depth', 0);
    expect(p.routes).toEqual([toOutput(1, 0, 0)]);
  });

  it('toggles a tap\'s route to an output; a new one has amount 1 and enables the output', () => {
    const p = toggleRoute(bare(), 2, 1, 9);
    expect(p.routes).toEqual([toOutput(2, 1, 9)]);
    expect(p.outputs[9].enabled).toBe(true);
    const q = toggleRoute(p, 2, 1, 9);
    expect(q.routes).toEqual([]);
    expect(q.outputs[9].enabled).toBe(true);
    expect(toggleRoute(p, 2, 0, 9).routes).toHaveLength(2); // another tap is another route
  });

  it.each([
    ['the first other enabled source', editSource(editSource(bare(), 4, { enabled: true }), 7, { enabled: true }), 9, 4],
    ['skipping the target itself', editSource(editSource(bare(), 4, { enabled: true }), 7, { enabled: true }), 4, 7],
    ['else the next source round the list', bare(), 15, 0],
    ['else the next source', bare(), 5, 6],
  ])('the per-control button modulates from %s', (_, p, target, from) => {
    expect(modulateControl(p, target, 'spread').routes.at(-1)).toEqual(toSource(from, target, 'spread'));
  });
});

describe('outputs', () => {
  it('allows 14-bit only for CC 0 to 31', () => {
    const p = editOutput(bare(), 0, { cc: 40 });
    expect(setFine(p, 0, true)).toBe(p);
    expect(setFine(editOutput(p, 0, { cc: 31 }), 0, true).outputs[0].fine).toBe(true);
  });

  it('gives a new clock 24 pulses a beat and keeps a running one', () => {
    const clock = setSignal(bare(), 3, 'clock');
    expect(clock.outputs[3].signal).toEqual({ kind: 'clock', ppqn: 24 });
    const slow = editOutput(clock, 3, { signal: { kind: 'clock', ppqn: 0.25 } });
    expect(setSignal(slow, 3, 'clock')).toBe(slow);
    expect(setSignal(slow, 3, 'reset').outputs[3].signal).toEqual({ kind: 'reset' });
  });
});
