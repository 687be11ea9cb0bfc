// Brings a patch from the plug-in, a preset file or local storage into the page's shape:
// 16 sources, 64 outputs, routes the plug-in keeps, an integer tempo. What the plug-in reads,
// the page reads the same way: array forms by position, and a missing field as the reader's
// default (format.json), so that opening a patch in the editor never changes what it plays.
// Only what the plug-in would refuse (older files, hand-edited ones) is repaired field by
// field, so that what the page sends back is always a patch the plug-in reads.
import {
  asRecord, asUnion, FORMAT, isObject, outputDefaults, RECORDS, sourceDefaults, UNIONS,
} from './format';
import { newOutput, newSource } from './model';
import { isMotion, isShapeKind, sineTable } from './shapes';
import type {
  Dest, Motion, Output, Param, Patch, Port, Quantize, Rate, Route, Scale, Shape, Signal, Source,
} from './types';
import { OUTPUT_COUNT, PARAMS, SOURCE_COUNT, TAP_COUNT } from './types';

export { isObject };

type Json = Record<string, unknown>;

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

/** Tempo in whole BPM, 20 to 300; anything unusable is the reader's 120. */
export function migrateTempo(t: unknown): number {
  const fallback = FORMAT.records.patch.defaults.tempo;
  if (!isNumber(t)) return fallback;
  const r = roundHalfAway(t);
  if (r === 0) return fallback;
  return Math.min(300, Math.max(20, r));
}

/**
 * The shape's kind after renames, or null when it names no shape the page knows. "sawUp" and
 * "sawDown" are names the plug-in reads as the rising saw; "chaos" (which the plug-in refuses)
 * named its system in a field of its own.
 */
function shapeKind(shape: Json): string | null {
  const kind = shape.kind === 'chaos' ? shape.system : shape.kind;
  if (kind === 'sawUp' || kind === 'sawDown') return 'saw';
  return isShapeKind(kind) ? kind : null;
}

function migrateShape(stored: unknown): Shape | null {
  const shape = asUnion(stored, UNIONS.shape);
  if (!shape) return null;
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
      return { kind, motion: isMotion(motion) ? motion : FORMAT.unions.shape.defaults.motion as Motion };
    }
    case 'cvIn':
      return { kind, channel: byte(shape.channel, FORMAT.unions.shape.defaults.channel) };
    default:
      return { kind } as Shape;
  }
}

function migrateRate(stored: unknown, fallback: Rate): Rate {
  const rate = asUnion(stored, UNIONS.rate);
  if (!rate) return fallback;
  if (rate.mode === 'free' && isNumber(rate.hz)) return { mode: 'free', hz: rate.hz };
  if (rate.mode === 'sync' && isNumber(rate.beats)) return { mode: 'sync', beats: rate.beats };
  return fallback;
}

export function migrateSource(stored: unknown, n: number): Source {
  const fresh = newSource(n);
  const source = asRecord(stored, RECORDS.source);
  if (!source) return fresh;
  const given = migrateShape(source.shape);
  const d = sourceDefaults();
  return {
    enabled: bool(source.enabled, d.enabled),
    shape: given ?? fresh.shape,
    rate: migrateRate(source.rate, fresh.rate),
    phase: num(source.phase, d.phase),
    // An unknown shape starts over as a sine; its old controls meant something else.
    a: given ? num(source.a, d.a) : d.a,
    b: given ? num(source.b, d.b) : d.b,
    spread: num(source.spread, d.spread),
    depth: num(source.depth, d.depth),
    offset: num(source.offset, d.offset),
    unipolar: bool(source.unipolar, d.unipolar),
    smooth: num(source.smooth, d.smooth),
    rough: num(source.rough, d.rough),
    bits: byte(source.bits, d.bits),
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
  const route = asRecord(stored, RECORDS.route);
  if (!route) return null;
  const { from, amount, index } = route;
  const tap = route.tap === undefined ? FORMAT.records.route.defaults.tap : route.tap;
  if (!isIndex(from, SOURCE_COUNT) || !isIndex(tap, TAP_COUNT) || !isNumber(amount)) return null;
  const to = route.to === 0 ? 'source' : route.to === 1 ? 'output' : route.to;
  if (to === 'output') {
    return isIndex(index, OUTPUT_COUNT) ? { from, tap, amount, to, index } : null;
  }
  if (to === 'source') {
    const param = migrateParam(route.param);
    return isIndex(index, SOURCE_COUNT) && param ? { from, tap, amount, to, index, param } : null;
  }
  return null;
}

function migratePort(stored: unknown): Port | null {
  const p = asUnion(stored, UNIONS.port);
  if (!p) return null;
  const type = p.type === 0 ? 'channel' : p.type === 1 ? 'expander' : p.type;
  if (type === 'channel' && isByte(p.index)) return { type, index: p.index };
  if (type === 'expander' && isByte(p.header) && isByte(p.output)) {
    return { type, header: p.header, output: p.output };
  }
  return null;
}

function migrateDest(stored: unknown, fallback: Dest): Dest {
  const d = asUnion(stored, UNIONS.dest);
  if (!d) return fallback;
  if (d.kind === 'midi') return { kind: 'midi' };
  const port = migratePort(d.port);
  if ((d.kind === 'cv' || d.kind === 'gate') && port) return { kind: d.kind, port };
  return fallback;
}

function migrateSignal(stored: unknown, fallback: Signal): Signal {
  const s = asUnion(stored, UNIONS.signal);
  if (!s) return fallback;
  if (s.kind === 'routed' || s.kind === 'run' || s.kind === 'reset') return { kind: s.kind };
  if (s.kind === 'clock' && isNumber(s.ppqn)) return { kind: 'clock', ppqn: s.ppqn };
  return fallback;
}

function migrateQuantize(stored: unknown): Quantize | null {
  const q = asRecord(stored, RECORDS.quantize);
  const scale = q ? enumName(q.scale) : undefined;
  if (!q || !(SCALES as readonly unknown[]).includes(scale)) return null;
  return { scale: scale as Scale, root: byte(q.root, FORMAT.records.quantize.defaults.root) };
}

export function migrateOutput(stored: unknown, n: number): Output {
  const fresh = newOutput(n);
  const output = asRecord(stored, RECORDS.output);
  if (!output) return fresh;
  const d = outputDefaults();
  const volts = output.volts;
  return {
    enabled: bool(output.enabled, d.enabled),
    channel: byte(output.channel, d.channel),
    cc: byte(output.cc, fresh.cc),
    fine: bool(output.fine, d.fine),
    bipolar: bool(output.bipolar, d.bipolar),
    offset: num(output.offset, d.offset),
    dest: migrateDest(output.dest, d.dest),
    signal: migrateSignal(output.signal, d.signal),
    volts: Array.isArray(volts) && volts.length === 2 && volts.every(isNumber)
      ? [volts[0], volts[1]]
      : d.volts,
    threshold: num(output.threshold, d.threshold),
    gateVolts: num(output.gateVolts, d.gateVolts),
    quantize: output.quantize === undefined ? d.quantize : migrateQuantize(output.quantize),
  };
}

const LISTS = ['sources', 'routes', 'outputs'] as const;

/**
 * The stored value as a patch object when it is shaped like one: an object (or the patch's
 * array form) holding at least one of the patch's keys, where each of `sources`, `routes` and
 * `outputs` that is there is a list. Every patch the page or the plug-in ever wrote is; a file of
 * something else ({"hello": 1}, {"sources": "x"}, a list of numbers) is not, and is not repaired.
 */
function patchShaped(stored: unknown): Json | null {
  const patch = asRecord(stored, RECORDS.patch);
  if (!patch || !RECORDS.patch.fields.some((key) => patch[key] !== undefined)) return null;
  return LISTS.every((key) => patch[key] === undefined || Array.isArray(patch[key])) ? patch : null;
}

/** The stored patch in the page's shape; null when it is not shaped like a patch. */
export function migrate(stored: unknown): Patch | null {
  const patch = patchShaped(stored);
  if (!patch) return null;
  const list = (v: unknown): unknown[] => (Array.isArray(v) ? v : []);
  const sources = Array.from({ length: SOURCE_COUNT }, (_, n) =>
    migrateSource(list(patch.sources)[n], n),
  );
  const outputs = Array.from({ length: OUTPUT_COUNT }, (_, n) =>
    migrateOutput(list(patch.outputs)[n], n),
  );
  const routes = list(patch.routes)
    .map(migrateRoute)
    .filter((r): r is Route => r !== null);
  return { sources, routes, outputs, tempo: migrateTempo(patch.tempo) };
}

/** Whether local storage holds something worth migrating rather than the starter patch. */
export function looksLikePatch(v: unknown): boolean {
  return (
    isObject(v) &&
    Array.isArray(v.sources) && v.sources.length > 0 &&
    Array.isArray(v.outputs) && Array.isArray(v.routes)
  );
}
