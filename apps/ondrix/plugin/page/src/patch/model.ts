// New sources and outputs, and the two patches a user can start from.
import { outputDefaults, sourceDefaults } from './format';
import { sineTable, startValues } from './shapes';
import type { Output, Patch, Route, Shape, ShapeKind, Source } from './types';
import { OUTPUT_COUNT, SOURCE_COUNT } from './types';

/** The source that fills slot n: a disabled sine at 0.25 (n + 1) Hz. */
export function newSource(n: number): Source {
  return sourceOf({ kind: 'sine' }, n, false);
}

/** The plug-in's defaults, but with the shape's own start values for its two controls. */
function sourceOf(shape: Shape, n: number, enabled: boolean): Source {
  return {
    ...sourceDefaults(),
    enabled,
    shape,
    rate: { mode: 'free', hz: 0.25 * (n + 1) },
    ...startValues(shape),
  };
}

/** The output in slot n: the plug-in's defaults, disabled, MIDI CC 16 + n on channel 1. */
export function newOutput(n: number): Output {
  return { ...outputDefaults(), enabled: false, cc: 16 + n };
}

const STARTER_SHAPES: ShapeKind[] = [
  'sine', 'triangle', 'saw', 'square', 'smoothRandom', 'sampleHold', 'morph', 'field',
];

/** A shape of the given kind as a source first gets it. */
export function newShape(kind: ShapeKind): Shape {
  switch (kind) {
    case 'drawn': return { kind, table: sineTable() };
    case 'field': return { kind, motion: 'drift' };
    case 'cvIn': return { kind, channel: 0 };
    default: return { kind };
  }
}

/** Two LFOs on CC 16 and 17, six more shapes ready to switch on. */
export function starterPatch(): Patch {
  const sources = Array.from({ length: SOURCE_COUNT }, (_, n) =>
    n < STARTER_SHAPES.length
      ? sourceOf(newShape(STARTER_SHAPES[n]), n, n < 2)
      : newSource(n),
  );
  const routes: Route[] = STARTER_SHAPES.map((_, n) => ({
    from: n, tap: 0, amount: 1, to: 'output', index: n,
  }));
  const outputs = Array.from({ length: OUTPUT_COUNT }, (_, n) => ({
    ...newOutput(n),
    enabled: n < 2,
  }));
  return { sources, routes, outputs, tempo: 120 };
}

/** The starter patch with every source and output switched off; its routes stay. */
export function emptyPatch(): Patch {
  const patch = starterPatch();
  return {
    ...patch,
    sources: patch.sources.map((s) => ({ ...s, enabled: false })),
    outputs: patch.outputs.map((o) => ({ ...o, enabled: false })),
  };
}
