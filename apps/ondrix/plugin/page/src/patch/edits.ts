// Edits of the working patch, each a plain function from a patch to the next one. An edit
// that changes nothing returns the patch it was given.
import { newOutput, newShape, newSource } from './model';
import { startValues } from './shapes';
import type { Motion, Output, Param, Patch, Route, Shape, ShapeKind, Signal, Source } from './types';
import { OUTPUT_COUNT, SOURCE_COUNT } from './types';

const replaced = <T>(list: readonly T[], i: number, value: T) =>
  list.map((item, j) => (j === i ? value : item));

/** The patch with source s changed by `change`. */
export function editSource(patch: Patch, s: number, change: Partial<Source>): Patch {
  return { ...patch, sources: replaced(patch.sources, s, { ...patch.sources[s], ...change }) };
}

/** The patch with output o changed by `change`. */
export function editOutput(patch: Patch, o: number, change: Partial<Output>): Patch {
  return { ...patch, outputs: replaced(patch.outputs, o, { ...patch.outputs[o], ...change }) };
}

const named = (r: Route, s: number) => r.from === s || (r.to === 'source' && r.index === s);

/** Source 0, an enabled source and a source a route names are in use. */
export const sourceInUse = (patch: Patch, s: number) =>
  s === 0 || patch.sources[s].enabled || patch.routes.some((r) => named(r, s));

/** Outputs 0 and 1, an enabled output, one set up as other than a routed MIDI CC, a route's target. */
export function outputInUse(patch: Patch, o: number): boolean {
  const out = patch.outputs[o];
  return o < 2 || out.enabled || out.dest.kind !== 'midi' || out.signal.kind !== 'routed'
    || patch.routes.some((r) => r.to === 'output' && r.index === o);
}

/** The source indices in use, in order. */
export const sourcesInUse = (patch: Patch) =>
  patch.sources.map((_, s) => s).filter((s) => sourceInUse(patch, s));

/** The output indices in use, in order. */
export const outputsInUse = (patch: Patch) =>
  patch.outputs.map((_, o) => o).filter((o) => outputInUse(patch, o));

/** Makes the first free source a new enabled one; null when all 16 are in use. */
export function addSource(patch: Patch): { patch: Patch; index: number } | null {
  for (let s = 0; s < SOURCE_COUNT; s++) {
    if (!sourceInUse(patch, s)) {
      return { patch: editSource(patch, s, { ...newSource(s), enabled: true }), index: s };
    }
  }
  return null;
}

/** Makes the first free output a new enabled one; null when all 64 are in use. */
export function addOutput(patch: Patch): { patch: Patch; index: number } | null {
  for (let o = 0; o < OUTPUT_COUNT; o++) {
    if (!outputInUse(patch, o)) {
      return { patch: editOutput(patch, o, { ...newOutput(o), enabled: true }), index: o };
    }
  }
  return null;
}

/** Resets source s and drops every route from it or to it. */
export function removeSource(patch: Patch, s: number): Patch {
  return {
    ...editSource(patch, s, newSource(s)),
    routes: patch.routes.filter((r) => !named(r, s)),
  };
}

/** Resets output o and drops the routes to it. */
export function removeOutput(patch: Patch, o: number): Patch {
  return {
    ...editOutput(patch, o, newOutput(o)),
    routes: patch.routes.filter((r) => !(r.to === 'output' && r.index === o)),
  };
}

/** Another shape, with its controls at their start values; the same kind changes nothing. */
export function setShape(patch: Patch, s: number, kind: ShapeKind): Patch {
  if (patch.sources[s].shape.kind === kind) return patch;
  const shape = newShape(kind);
  return editSource(patch, s, { shape, ...startValues(shape) });
}

/** Another field motion, with its controls at their start values. */
export function setMotion(patch: Patch, s: number, motion: Motion): Patch {
  const shape = patch.sources[s].shape;
  if (shape.kind !== 'field' || (shape.motion ?? 'drift') === motion) return patch;
  const next: Shape = { kind: 'field', motion };
  return editSource(patch, s, { shape: next, ...startValues(next) });
}

/** Every control of source s back to its start; shape, rate and the switch stay. */
export function resetSource(patch: Patch, s: number): Patch {
  const { enabled, shape, rate } = patch.sources[s];
  return editSource(patch, s, { ...newSource(s), ...startValues(shape), enabled, shape, rate });
}


/** A route from the first source in use to the rate of the next one, at 0.25. */
export function addModulation(patch: Patch): Patch {
  const used = sourcesInUse(patch);
  const from = used[0] ?? 0;
  const to = used.find((s) => s !== from) ?? from;
  const route: Route = { from, tap: 0, to: 'source', index: to, param: 'rate', amount: 0.25 };
  return { ...patch, routes: [...patch.routes, route] };
}

/** A route from another source (the first enabled one, else the next round the list) to a control. */
export function modulateControl(patch: Patch, target: number, param: Param): Patch {
  const enabled = patch.sources.findIndex((src, s) => s !== target && src.enabled);
  const from = enabled >= 0 ? enabled : (target + 1) % SOURCE_COUNT;
  const route: Route = { from, tap: 0, to: 'source', index: target, param, amount: 0.25 };
  return { ...patch, routes: [...patch.routes, route] };
}

const drives = (r: Route, from: number, tap: number, target: number, param: Param) =>
  r.from === from && r.tap === tap && r.to === 'source' && r.index === target && r.param === param;

/** The amount of the grid cell (from, tap) -> (target, param); 0 when there is no route. */
export function gridAmount(patch: Patch, from: number, tap: number, target: number, param: Param): number {
  return patch.routes.find((r) => drives(r, from, tap, target, param))?.amount ?? 0;
}

/** Sets a grid cell: a non-zero amount sets or adds its route, 0 removes it. */
export function setGridCell(
  patch: Patch, from: number, tap: number, target: number, param: Param, amount: number,
): Patch {
  const i = patch.routes.findIndex((r) => drives(r, from, tap, target, param));
  if (amount === 0) {
    return i < 0 ? patch : { ...patch, routes: patch.routes.filter((r) => !drives(r, from, tap, target, param)) };
  }
  if (i >= 0) return { ...patch, routes: replaced(patch.routes, i, { ...patch.routes[i], amount }) };
  const route: Route = { from, tap, to: 'source', index: target, param, amount };
  return { ...patch, routes: [...patch.routes, route] };
}

const feeds = (r: Route, from: number, tap: number, output: number) =>
  r.from === from && r.tap === tap && r.to === 'output' && r.index === output;

export const routesTo = (patch: Patch, from: number, tap: number, output: number) =>
  patch.routes.some((r) => feeds(r, from, tap, output));

/** Toggles the route from a tap to an output; a new one has amount 1 and enables the output. */
export function toggleRoute(patch: Patch, from: number, tap: number, output: number): Patch {
  if (routesTo(patch, from, tap, output)) {
    return { ...patch, routes: patch.routes.filter((r) => !feeds(r, from, tap, output)) };
  }
  const route: Route = { from, tap, to: 'output', index: output, amount: 1 };
  return { ...editOutput(patch, output, { enabled: true }), routes: [...patch.routes, route] };
}

/** Sets the amount of route i. */
export function setRouteAmount(patch: Patch, i: number, amount: number): Patch {
  return { ...patch, routes: replaced(patch.routes, i, { ...patch.routes[i], amount }) };
}

/** What output o sends; a new clock runs at 24 pulses a beat. */
export function setSignal(patch: Patch, o: number, kind: Signal['kind']): Patch {
  if (patch.outputs[o].signal.kind === kind) return patch;
  const signal: Signal = kind === 'clock' ? { kind, ppqn: 24 } : { kind };
  return editOutput(patch, o, { signal });
}

/** 14-bit is possible only for controllers 0 to 31 (the pair is cc and cc + 32). */
export const canBeFine = (cc: number) => cc <= 31;

/** Turns 14-bit on or off; on only for controllers 0 to 31. */
export function setFine(patch: Patch, o: number, fine: boolean): Patch {
  if (fine && !canBeFine(patch.outputs[o].cc)) return patch;
  return editOutput(patch, o, { fine });
}
