// Brings a patch from the plug-in, a preset file or local storage into the page's shape:
// 16 sources, 64 outputs, routes the plug-in keeps, an integer tempo. Older files and
// hand-edited ones are repaired field by field, so that what the page sends back is always
// a patch the plug-in reads.
import { newOutput, newSource } from './model';
import { isMotion, isShapeKind, sineTable, startValues } from './shapes';
import type {
  Dest, Output, Param, Patch, Port, Quantize, Rate, Route, Scale, Shape, Signal, Source,
} from './types';
import { OUTPUT_COUNT, PARAMS, SOURCE_COUNT, TAP_COUNT } from './types';

type Json = Record<string, unknown>;

/** A JSON object: not null, not an array. */
export const isObject = (v: unknown): v is Json =>
  typeof v === 'object' && v !== null && !Array.isArray(v);
const isNumber = (v: unknown): v is number => typeof v === 'number' && Number.isFinite(v);
const isIndex = (v: unknown, below: number): v is number =>
  Number.isInteger(v) && (v as number) >= 0 && (v as number) < below;
const isByte = (v: unknown): v is number => isIndex(v, 256);

const num = (v: unknown, fallback: number) => (isNumber(v) ? v : fallback);
const bool = (v: unknown, fallback: boolean) => (typeof v === 'boolean' ? v : fallback);
const byte = (v: unknown, fallback: number) => (isByte(v) ? v : fallback);

const SCALES: readonly Scale[] = [
  'chromatic', 'major', 'minor', 'harmonicMinor', 'dorian', 'phrygian', 'lydian',
  'mixolydian', 'pentatonicMajor', 'pentatonicMinor', 'blues', 'wholeTone',
];

/** Rounds to the nearest integer, halves away from zero. */
export function roundHalfAway(x: number): number {
  return Math.sign(x) * Math.round(Math.abs(x));
}

/** Tempo in whole BPM, 20 to 300; anything unusable is 120. */
export function migrateTempo(t: unknown): number {
  if (!isNumber(t)) return 120;
  const r = roundHalfAway(t);
  if (r === 0) return 120;
  return Math.min(300, Math.max(20, r));
}

/** The shape's kind after renames, or null when it names no shape the page knows. */
function shapeKind(shape: Json): string | null {
  const kind = shape.kind === 'chaos' ? shape.system : shape.kind;
  if (kind === 'sawUp' || kind === 'sawDown') return 'saw';
  return isShapeKind(kind) ? kind : null;
}

function migrateShape(shape: Json): Shape | null {
  const kind = shapeKind(shape);
  switch (kind) {
    case null:
      return null;
    case 'drawn':
      return {
        kind,
        table: Array.isArray(shape.table) ? shape.table.map((v) => num(v, 0)) : sineTable(),
      };
    case 'field':
    {
      if (shape.motion === undefined) return { kind };
      const motion = enumName(shape.motion);
      return { kind, motion: isMotion(motion) ? motion : 'drift' };
    }
    case 'cvIn':
      return { kind, channel: byte(shape.channel, 0) };
    default:
      return { kind } as Shape;
  }
}

function migrateRate(rate: unknown, fallback: Rate): Rate {
  if (!isObject(rate)) return fallback;
  if (rate.mode === 'free' && isNumber(rate.hz)) return { mode: 'free', hz: rate.hz };
  if (rate.mode === 'sync' && isNumber(rate.beats)) return { mode: 'sync', beats: rate.beats };
  return fallback;
}

export function migrateSource(stored: unknown, n: number): Source {
  const fresh = newSource(n);
  if (!isObject(stored)) return fresh;
  const given = isObject(stored.shape) ? migrateShape(stored.shape) : null;
  const shape = given ?? fresh.shape;
  const start = startValues(shape);
  // An unknown shape starts over as a sine; its old controls meant something else.
  const a = given ? (stored.a !== undefined ? stored.a : stored.skew) : undefined;
  const b = given ? stored.b : undefined;
  const depth = num(stored.depth, fresh.depth);
  const sawDown =
    isObject(stored.shape) && (stored.shape.kind === 'sawDown' ||
      (stored.shape.kind === 'chaos' && stored.shape.system === 'sawDown'));
  return {
    enabled: bool(stored.enabled, fresh.enabled),
    shape,
    rate: migrateRate(stored.rate, fresh.rate),
    phase: num(stored.phase, fresh.phase),
    a: num(a, start.a),
    b: num(b, start.b),
    spread: num(stored.spread, fresh.spread),
    depth: sawDown ? -depth : depth,
    offset: num(stored.offset, fresh.offset),
    unipolar: bool(stored.unipolar, fresh.unipolar),
    smooth: num(stored.smooth, fresh.smooth),
    rough: num(stored.rough, fresh.rough),
    bits: byte(stored.bits, fresh.bits),
  };
}

/** A name given as a string or as an object whose one key is the name: {"spin": null}. */
function enumName(v: unknown): unknown {
  if (!isObject(v)) return v;
  const keys = Object.keys(v);
  const value = keys.length === 1 ? v[keys[0]] : undefined;
  const unit = value === null || (isObject(value) && Object.keys(value).length === 0);
  return unit ? keys[0] : undefined;
}

function migrateParam(p: unknown): Param | null {
  const name = enumName(p);
  if (name === 'skew') return 'a';
  return typeof name === 'string' && (PARAMS as readonly string[]).includes(name)
    ? (name as Param)
    : null;
}

/** The route as the page writes it, or null when the plug-in would refuse or drop it. */
export function migrateRoute(stored: unknown): Route | null {
  if (!isObject(stored)) return null;
  const { from, amount, index } = stored;
  const tap = stored.tap === undefined ? 0 : stored.tap;
  if (!isIndex(from, SOURCE_COUNT) || !isIndex(tap, TAP_COUNT) || !isNumber(amount)) return null;
  const to = stored.to === 0 ? 'source' : stored.to === 1 ? 'output' : stored.to;
  if (to === 'output') {
    return isIndex(index, OUTPUT_COUNT) ? { from, tap, amount, to, index } : null;
  }
  if (to === 'source') {
    const param = migrateParam(stored.param);
    return isIndex(index, SOURCE_COUNT) && param ? { from, tap, amount, to, index, param } : null;
  }
  return null;
}

function migratePort(p: unknown): Port | null {
  if (!isObject(p)) return null;
  const type = p.type === 0 ? 'channel' : p.type === 1 ? 'expander' : p.type;
  if (type === 'channel' && isByte(p.index)) return { type, index: p.index };
  if (type === 'expander' && isByte(p.header) && isByte(p.output)) {
    return { type, header: p.header, output: p.output };
  }
  return null;
}

function migrateDest(d: unknown, fallback: Dest): Dest {
  if (!isObject(d)) return fallback;
  if (d.kind === 'midi') return { kind: 'midi' };
  const port = migratePort(d.port);
  if ((d.kind === 'cv' || d.kind === 'gate') && port) return { kind: d.kind, port };
  return fallback;
}

function migrateSignal(s: unknown, fallback: Signal): Signal {
  if (!isObject(s)) return fallback;
  if (s.kind === 'routed' || s.kind === 'run' || s.kind === 'reset') return { kind: s.kind };
  if (s.kind === 'clock' && isNumber(s.ppqn)) return { kind: 'clock', ppqn: s.ppqn };
  return fallback;
}

function migrateQuantize(q: unknown): Quantize | null {
  const scale = isObject(q) ? enumName(q.scale) : undefined;
  if (!isObject(q) || !(SCALES as readonly unknown[]).includes(scale)) return null;
  return { scale: scale as Scale, root: byte(q.root, 0) };
}

export function migrateOutput(stored: unknown, n: number): Output {
  const fresh = newOutput(n);
  if (!isObject(stored)) return fresh;
  const volts = stored.volts;
  return {
    enabled: bool(stored.enabled, fresh.enabled),
    channel: byte(stored.channel, fresh.channel),
    cc: byte(stored.cc, fresh.cc),
    fine: bool(stored.fine, fresh.fine),
    bipolar: bool(stored.bipolar, fresh.bipolar),
    offset: num(stored.offset, fresh.offset),
    dest: migrateDest(stored.dest, fresh.dest),
    signal: migrateSignal(stored.signal, fresh.signal),
    volts: Array.isArray(volts) && volts.length === 2 && volts.every(isNumber)
      ? [volts[0], volts[1]]
      : fresh.volts,
    threshold: num(stored.threshold, fresh.threshold),
    gateVolts: num(stored.gateVolts, fresh.gateVolts),
    quantize: stored.quantize === undefined ? fresh.quantize : migrateQuantize(stored.quantize),
  };
}

/** The stored patch in the page's shape; null when it is not a JSON object. */
export function migrate(stored: unknown): Patch | null {
  if (!isObject(stored)) return null;
  const list = (v: unknown): unknown[] => (Array.isArray(v) ? v : []);
  const sources = Array.from({ length: SOURCE_COUNT }, (_, n) =>
    migrateSource(list(stored.sources)[n], n),
  );
  const outputs = Array.from({ length: OUTPUT_COUNT }, (_, n) =>
    migrateOutput(list(stored.outputs)[n], n),
  );
  const routes = list(stored.routes)
    .map(migrateRoute)
    .filter((r): r is Route => r !== null);
  return { sources, routes, outputs, tempo: migrateTempo(stored.tempo) };
}

/** Whether local storage holds something worth migrating rather than the starter patch. */
export function looksLikePatch(v: unknown): boolean {
  return (
    isObject(v) &&
    Array.isArray(v.sources) && v.sources.length > 0 &&
    Array.isArray(v.outputs) && Array.isArray(v.routes)
  );
}
