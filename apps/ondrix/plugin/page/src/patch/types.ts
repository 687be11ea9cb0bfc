// The patch as the page holds it and sends it: the plug-in's patch JSON in object form.

export type ShapeKind =
  | 'sine' | 'triangle' | 'saw' | 'square' | 'sampleHold' | 'smoothRandom' | 'morph'
  | 'drawn' | 'field' | 'pendulum' | 'lorenz' | 'wander' | 'cvIn';

export type Motion = 'drift' | 'flow' | 'spin' | 'rain' | 'wave' | 'cells';

export type Param =
  | 'rate' | 'depth' | 'offset' | 'phase' | 'a' | 'b' | 'spread' | 'smooth' | 'rough';

/** Every control a route can modulate, in the order the page lists them. */
export const PARAMS: readonly Param[] = [
  'rate', 'depth', 'offset', 'phase', 'a', 'b', 'spread', 'smooth', 'rough',
];

export type Shape =
  | { kind: Exclude<ShapeKind, 'drawn' | 'field' | 'cvIn'> }
  | { kind: 'drawn'; table: number[] }
  | { kind: 'field'; motion?: Motion }
  | { kind: 'cvIn'; channel: number };

export type Rate = { mode: 'free'; hz: number } | { mode: 'sync'; beats: number };

export interface Source {
  enabled: boolean;
  shape: Shape;
  rate: Rate;
  phase: number;
  a: number;
  b: number;
  spread: number;
  depth: number;
  offset: number;
  unipolar: boolean;
  smooth: number;
  rough: number;
  bits: number;
}

export type Route =
  | { from: number; tap: number; amount: number; to: 'output'; index: number }
  | { from: number; tap: number; amount: number; to: 'source'; index: number; param: Param };

export type Port =
  | { type: 'channel'; index: number }
  | { type: 'expander'; header: number; output: number };

export type Dest = { kind: 'midi' } | { kind: 'cv'; port: Port } | { kind: 'gate'; port: Port };

export type Signal =
  | { kind: 'routed' } | { kind: 'clock'; ppqn: number } | { kind: 'run' } | { kind: 'reset' };

export type Scale =
  | 'chromatic' | 'major' | 'minor' | 'harmonicMinor' | 'dorian' | 'phrygian' | 'lydian'
  | 'mixolydian' | 'pentatonicMajor' | 'pentatonicMinor' | 'blues' | 'wholeTone';

export interface Quantize {
  scale: Scale;
  root: number;
}

export interface Output {
  enabled: boolean;
  channel: number;
  cc: number;
  fine: boolean;
  bipolar: boolean;
  offset: number;
  dest: Dest;
  signal: Signal;
  volts: [number, number];
  threshold: number;
  gateVolts: number;
  quantize: Quantize | null;
}

export interface Patch {
  sources: Source[];
  routes: Route[];
  outputs: Output[];
  tempo: number;
}

export const SOURCE_COUNT = 16;
export const OUTPUT_COUNT = 64;
export const TAP_COUNT = 4;
