import { describe, expect, it } from 'vitest';
import { listedAs, mayLoseWork, readPreset } from '../src/presets';
import { canonicalJson, wellFormed } from '../src/text';

describe('canonical JSON', () => {
  it('writes keys in ascending order at every depth, compactly', () => {
    expect(canonicalJson({ b: [{ z: 1, a: null }], a: 'x', c: undefined, B: true }))
      .toBe('{"B":true,"a":"x","b":[{"a":null,"z":1}]}');
  });

  it('writes numbers as they read back and non-finite ones as null', () => {
    expect(canonicalJson([0.1, -0, 1e21, 5e-324, NaN, Infinity, 0.25 * 3])).toBe(
      '[0.1,0,1e+21,5e-324,null,null,0.75]',
    );
  });

  it('replaces lone surrogates in strings and keys, keeping pairs', () => {
    expect(wellFormed('a\ud800')).toBe('a\ufffd');
    expect(wellFormed('\udc00\ud800\udc00\ud800')).toBe('\ufffd\ud800\udc00\ufffd');
    expect(canonicalJson({ 'k\udfff': 'v\ud83c' })).toBe('{"k\ufffd":"v\ufffd"}');
  });
});

describe('preset rules', () => {
  it('finds a listed name whatever its letter case, trimmed', () => {
    const list = ['Bass', 'lead', '\ufffd'];
    expect([' bass ', 'LEAD', 'Pad', '\ud800'].map((n) => listedAs(list, n)))
      .toEqual(['Bass', 'lead', null, '\ufffd']);
  });

  it('shows why a preset file cannot be loaded', () => {
    expect(() => readPreset('Bass', '{"sources": [')).toThrow(/^“Bass” can't be read: /);
    for (const text of ['[1, 2]', '{}', '{"hello":1}', '{"sources":"x"}', '"patch"', 'null']) {
      expect(() => readPreset('Bass', text)).toThrow(/^“Bass” isn't a patch$/);
    }
    expect(readPreset('Bass', '{"sources":[],"outputs":[]}').sources).toHaveLength(16);
  });

  it('asks before replacing a patch that is unsaved or edited', () => {
    expect([
      mayLoseWork(null, null, 'p'), mayLoseWork('Bass', 'p', 'p'),
      mayLoseWork('Bass', 'q', 'p'), mayLoseWork('Bass', null, 'p'),
    ]).toEqual([true, false, true, true]);
  });
});
