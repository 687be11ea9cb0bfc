import { describe, expect, it } from 'vitest';
import { guardedStore, readUiScale } from '../src/storage';

const memory = (entries: Record<string, string> = {}) => {
  const map = new Map(Object.entries(entries));
  return {
    getItem: (k: string) => map.get(k) ?? null,
    setItem: (k: string, v: string) => void map.set(k, v),
    removeItem: (k: string) => void map.delete(k),
  };
};
const throwing = () => {
  throw new Error('SecurityError');
};

describe('guarded storage', () => {
  it('reads, writes and removes through the storage', () => {
    const storage = memory();
    const store = guardedStore(() => storage);
    store.set('k', 'v');
    expect(store.get('k')).toBe('v');
    store.remove('k');
    expect(store.get('k')).toBeNull();
  });

  it.each([
    ['the storage cannot be opened', () => throwing()],
    ['there is no storage', () => null],
    ['every call throws', () => ({ getItem: throwing, setItem: throwing, removeItem: throwing })],
  ])('gives defaults and drops writes when %s', (_, open) => {
    const store = guardedStore(open as never);
    expect(() => {
      store.set('vantrel.uiScale', '1.3');
      store.remove('vantrel.uiScale');
    }).not.toThrow();
    expect(store.get('vantrel.uiScale')).toBeNull();
    expect(readUiScale(store)).toBe(1);
  });

  it.each([
    [null, 1], ['1.3', 1.3], ['0.5', 0.5], ['2', 2], ['0.4', 1], ['2.5', 1], ['', 1], ['big', 1],
  ])('reads the interface size %s as %s', (stored, scale) => {
    const store = guardedStore(() => memory(stored === null ? {} : { 'vantrel.uiScale': stored }));
    expect(readUiScale(store)).toBe(scale);
  });
});
