// The patch format as the plug-in reads it, from format.json: the fields of each record in the
// order of its array form, the value the reader gives a field that is left out, and the variants
// of each tagged union with their fields in order. A test of the plug-in holds format.json to the
// reader, so what the page fills in for a missing field is what the plug-in would play.
import table from './format.json';
import type { Output, Source } from './types';

export interface RecordFormat {
  /** Every field, in array-form order. */
  fields: readonly string[];
  /** Whether the record may be written as an array of its fields. */
  array: boolean;
  /** What a missing field reads as; fields not here are required. */
  defaults: Readonly<Record<string, unknown>>;
}

export interface UnionFormat {
  /** The key that names the variant. */
  tag: string;
  /** Each variant's fields, in array-form order (after the tag). */
  variants: Readonly<Record<string, readonly string[]>>;
  defaults: Readonly<Record<string, unknown>>;
}

/** The table, typed as written: `FORMAT.records.source.defaults.enabled` is a boolean. */
export const FORMAT = table;
export const RECORDS: Readonly<Record<keyof typeof table.records, RecordFormat>> = table.records;
export const UNIONS: Readonly<Record<keyof typeof table.unions, UnionFormat>> = table.unions;

type Json = Record<string, unknown>;

/** A JSON object: not null, not an array. */
export const isObject = (v: unknown): v is Json =>
  typeof v === 'object' && v !== null && !Array.isArray(v);

/** A record as an object; its array form gives the fields by position. Null when neither. */
export function asRecord(v: unknown, format: RecordFormat): Json | null {
  if (isObject(v)) return v;
  if (!format.array || !Array.isArray(v) || v.length > format.fields.length) return null;
  return Object.fromEntries(v.map((value, i) => [format.fields[i], value]));
}

/** A tagged union as an object; its array form is the tag, then the variant's fields. */
export function asUnion(v: unknown, format: UnionFormat): Json | null {
  if (isObject(v)) return v;
  if (!Array.isArray(v) || typeof v[0] !== 'string') return null;
  const [tag, ...values] = v as [string, ...unknown[]];
  const fields = Object.prototype.hasOwnProperty.call(format.variants, tag) ? format.variants[tag] : [];
  if (values.length > fields.length) return null;
  return Object.fromEntries([[format.tag, tag], ...values.map((value, i) => [fields[i], value])]);
}

/** The reader's value of every field a source leaves out: all but `shape` and `rate`. */
export const sourceDefaults = (): Omit<Source, 'shape' | 'rate'> => ({ ...FORMAT.records.source.defaults });

/** The reader's value of every field an output leaves out: all but `cc`. A copy of its own. */
export const outputDefaults = (): Omit<Output, 'cc'> =>
  JSON.parse(JSON.stringify(FORMAT.records.output.defaults)) as Omit<Output, 'cc'>;
