// What each shape and field motion is called and where its two controls start.
import type { Motion, Shape, ShapeKind } from './types';

export interface Control {
  label: string;
  start: number;
}

export interface ShapeInfo {
  label: string;
  controls: [Control, Control] | null; // null: the field's motion decides
  taps: [string, string, string, string];
  spread: boolean;
}

const ABCD: ShapeInfo['taps'] = ['A', 'B', 'C', 'D'];
const c = (label: string, start: number): Control => ({ label, start });

export const SHAPES: Record<ShapeKind, ShapeInfo> = {
  sine: { label: 'Sine', controls: [c('Lean', 0.5), c('Fold', 0)], taps: ABCD, spread: true },
  triangle: { label: 'Triangle', controls: [c('Lean', 0.5), c('Curve', 0.5)], taps: ABCD, spread: true },
  saw: { label: 'Saw', controls: [c('Curve', 0.5), c('Steps', 0)], taps: ABCD, spread: true },
  square: { label: 'Square', controls: [c('Width', 0.5), c('Soften', 0)], taps: ABCD, spread: true },
  sampleHold: { label: 'Sample & hold', controls: [c('Chance', 1), c('Steps', 0)], taps: ABCD, spread: true },
  smoothRandom: { label: 'Smooth random', controls: [c('Chance', 1), c('Jump', 1)], taps: ABCD, spread: true },
  morph: { label: 'Morph', controls: [c('Morph', 0), c('Steps', 0.5)], taps: ABCD, spread: true },
  drawn: { label: 'Drawn', controls: [c('Glide', 0.5), c('Steps', 0)], taps: ABCD, spread: true },
  field: { label: 'Field', controls: null, taps: ABCD, spread: true },
  pendulum: { label: 'Pendulum', controls: [c('Energy', 0.6), c('Tilt', 0.5)], taps: ['X', 'Y', 'Arm 1', 'Arm 2'], spread: false },
  lorenz: { label: 'Lorenz', controls: [c('Chaos', 0.6), c('Shape', 0.5)], taps: ['X', 'Y', 'Z', 'Speed'], spread: false },
  wander: { label: 'Wander', controls: [c('Step', 0.4), c('Pull', 0.4)], taps: ABCD, spread: true },
  cvIn: { label: 'CV in', controls: [c('Slew', 0.3), c('Gain', 0.5)], taps: ['In', 'Inv', 'Rect', 'Slew'], spread: false },
};

export const MOTIONS: Record<Motion, { label: string; controls: [Control, Control] }> = {
  drift: { label: 'Drift', controls: [c('Scale', 0.5), c('Detail', 0.3)] },
  flow: { label: 'Flow', controls: [c('Scale', 0.5), c('Direction', 0)] },
  spin: { label: 'Spin', controls: [c('Bumps', 0.5), c('Change', 0)] },
  rain: { label: 'Rain', controls: [c('Ring', 0.6), c('Drops', 0.4)] },
  wave: { label: 'Wave', controls: [c('Ring', 0.6), c('Direction', 0)] },
  cells: { label: 'Cells', controls: [c('Size', 0.5), c('Drift', 0.3)] },
};

export const isShapeKind = (k: unknown): k is ShapeKind =>
  typeof k === 'string' && Object.prototype.hasOwnProperty.call(SHAPES, k);

export const isMotion = (m: unknown): m is Motion =>
  typeof m === 'string' && Object.prototype.hasOwnProperty.call(MOTIONS, m);

/** The two controls a shape shows, the field's by its motion (drift when absent). */
export function controlsOf(shape: Shape): [Control, Control] {
  if (shape.kind === 'field') return MOTIONS[shape.motion ?? 'drift'].controls;
  return SHAPES[shape.kind].controls!;
}

/** Start values of `a` and `b` for a shape. */
export function startValues(shape: Shape): { a: number; b: number } {
  const [one, two] = controlsOf(shape);
  return { a: one.start, b: two.start };
}

/** The table a new drawn shape gets: one sine cycle over 64 points. */
export function sineTable(): number[] {
  return Array.from({ length: 64 }, (_, i) => Math.sin((2 * Math.PI * i) / 64));
}
