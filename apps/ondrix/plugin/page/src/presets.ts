// Rules of the presets panel, as plain functions.
import { migrate } from './patch/migrate';
import type { Patch } from './patch/types';
import { wellFormed } from './text';

/** A name between typographic quotes, as the page's questions show it. */
export const quoted = (name: string) => `\u201C${name}\u201D`;

/** The name as the plug-in stores it: trimmed, and with what the transport replaces replaced. */
export const storedName = (name: string) => wellFormed(name.trim());

/** The listed preset that a save under `name` would replace (letter case aside), or null. */
export function listedAs(list: readonly string[], name: string): string | null {
  const wanted = storedName(name).toLowerCase();
  return list.find((n) => n.toLowerCase() === wanted) ?? null;
}

/** A preset file's text as a patch, or an error whose text the panel shows. */
export function readPreset(name: string, text: unknown): Patch {
  let parsed: unknown;
  try {
    parsed = JSON.parse(typeof text === 'string' ? text : '');
  } catch (e) {
    throw new Error(`${quoted(name)} can't be read: ${(e as Error).message}`);
  }
  const patch = migrate(parsed);
  if (!patch) throw new Error(`${quoted(name)} isn't a patch`);
  return patch;
}

/** The names of a `presets_list` reply, in the plug-in's order. */
export function presetNames(reply: unknown): string[] {
  return Array.isArray(reply) ? reply.filter((n): n is string => typeof n === 'string') : [];
}

/**
 * Whether replacing the working patch could lose work: it was never saved, or it differs
 * from the preset it came from (`baseline`, the preset's migrated text; null when unknown).
 */
export function mayLoseWork(current: string | null, baseline: string | null, working: string): boolean {
  return current === null || baseline !== working;
}
