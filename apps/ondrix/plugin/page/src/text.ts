// Text the plug-in's JSON reader accepts.

const SURROGATE = /[\uD800-\uDFFF]/;

/** The string with every lone surrogate replaced by U+FFFD; pairs stay. */
export function wellFormed(s: string): string {
  if (!SURROGATE.test(s)) return s;
  let out = '';
  for (let i = 0; i < s.length; i++) {
    const c = s.charCodeAt(i);
    if (c >= 0xd800 && c <= 0xdbff && i + 1 < s.length) {
      const d = s.charCodeAt(i + 1);
      if (d >= 0xdc00 && d <= 0xdfff) {
        out += s[i] + s[i + 1];
        i++;
        continue;
      }
    }
    out += c >= 0xd800 && c <= 0xdfff ? '\uFFFD' : s[i];
  }
  return out;
}

/**
 * Compact JSON with object keys in ascending order and every string well formed: the one
 * form the page writes a patch in, so that equal patches are equal texts.
 */
export function canonicalJson(value: unknown): string {
  if (value === null || typeof value !== 'object') {
    if (typeof value === 'string') return JSON.stringify(wellFormed(value));
    if (typeof value === 'number') return Number.isFinite(value) ? JSON.stringify(value) : 'null';
    if (typeof value === 'boolean') return value ? 'true' : 'false';
    return 'null';
  }
  if (Array.isArray(value)) {
    return '[' + value.map((v) => (v === undefined ? 'null' : canonicalJson(v))).join(',') + ']';
  }
  const record = value as Record<string, unknown>;
  const members = Object.keys(record)
    .filter((k) => record[k] !== undefined && typeof record[k] !== 'function')
    .map((k) => [wellFormed(k), k] as const)
    .sort(([a], [b]) => (a < b ? -1 : a > b ? 1 : 0))
    .map(([key, k]) => JSON.stringify(key) + ':' + canonicalJson(record[k]));
  return '{' + members.join(',') + '}';
}
