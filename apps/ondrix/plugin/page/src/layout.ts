// The panel layout, stored under `vantrel.ondrix.layout`.
import { clamp } from './controls/amount';

export interface Layout {
  leftWidth: number;
  rightWidth: number;
  leftOpen: boolean;
  rightOpen: boolean;
  /** The scope's share of the centre's height; the routing or modulation view has the rest. */
  share: number;
  tab: 'source' | 'output';
  bottom: 'routing' | 'modulation';
}

export const DEFAULT_LAYOUT: Layout = {
  leftWidth: 250,
  rightWidth: 360,
  leftOpen: true,
  rightOpen: true,
  share: 0.5,
  tab: 'source',
  bottom: 'routing',
};

export const LIMITS = {
  leftWidth: [200, 420],
  rightWidth: [320, 520],
  share: [0.3, 0.85],
} as const;

/** A width or share within its limits. */
export const within = (key: keyof typeof LIMITS, v: number) => clamp(v, LIMITS[key][0], LIMITS[key][1]);

const number = (v: unknown, fallback: number) =>
  typeof v === 'number' && Number.isFinite(v) ? v : fallback;
const bool = (v: unknown, fallback: boolean) => (typeof v === 'boolean' ? v : fallback);

/**
 * The stored layout over the defaults, clamped, with two older forms brought up to date: a
 * `share` of 0.64 (the old default) and a `tab` "routing" (the routing view's old place).
 * The right panel always opens on the source tab.
 */
export function readLayout(text: string | null): Layout {
  let stored: unknown = null;
  try {
    stored = text === null ? null : JSON.parse(text);
  } catch {
    stored = null;
  }
  const s = (typeof stored === 'object' && stored !== null && !Array.isArray(stored)
    ? stored
    : {}) as Record<string, unknown>;
  const d = DEFAULT_LAYOUT;
  const share = number(s.share, d.share);
  let bottom = s.bottom === 'routing' || s.bottom === 'modulation' ? s.bottom : d.bottom;
  if (s.tab === 'routing') bottom = 'modulation';
  return {
    leftWidth: within('leftWidth', number(s.leftWidth, d.leftWidth)),
    rightWidth: within('rightWidth', number(s.rightWidth, d.rightWidth)),
    leftOpen: bool(s.leftOpen, d.leftOpen),
    rightOpen: bool(s.rightOpen, d.rightOpen),
    share: share === 0.64 ? 0.5 : within('share', share),
    tab: 'source',
    bottom,
  };
}
