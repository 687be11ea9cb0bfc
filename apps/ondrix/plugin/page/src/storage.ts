// Local storage that never throws: a failed read gives the default, a failed write is dropped.

export const KEYS = {
  theme: 'vantrel.theme',
  uiScale: 'vantrel.uiScale',
  patch: 'vantrel.ondrix.patch',
  layout: 'vantrel.ondrix.layout',
  current: 'vantrel.ondrix.current',
} as const;

export interface Store {
  get(key: string): string | null;
  set(key: string, value: string): void;
  remove(key: string): void;
}

type StorageLike = Pick<Storage, 'getItem' | 'setItem' | 'removeItem'>;

/** Wraps whatever `open` gives; `open` itself may throw (storage can be forbidden). */
export function guardedStore(open: () => StorageLike | null | undefined): Store {
  const attempt = <T>(fallback: T, f: (s: StorageLike) => T): T => {
    try {
      const s = open();
      return s ? f(s) : fallback;
    } catch {
      return fallback;
    }
  };
  return {
    get: (key) => attempt(null, (s) => s.getItem(key)),
    set: (key, value) => attempt(undefined, (s) => s.setItem(key, value)),
    remove: (key) => attempt(undefined, (s) => s.removeItem(key)),
  };
}

/** The interface size: 0.5 to 2, else 1. */
export function readUiScale(store: Store): number {
  const raw = store.get(KEYS.uiScale);
  const scale = raw === null || raw.trim() === '' ? NaN : Number(raw);
  return scale >= 0.5 && scale <= 2 ? scale : 1;
}
