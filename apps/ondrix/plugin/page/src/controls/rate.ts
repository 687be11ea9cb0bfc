// Rate and smoothing: the free rate's logarithmic slider, the clocked note lengths and the
// conversions between them.
import type { Rate } from '../patch/types';
import { clamp } from './amount';

export const MIN_HZ = 0.01;
export const MAX_HZ = 40;
const SPAN = MAX_HZ / MIN_HZ; // 4000

export interface NoteLength {
  label: string;
  beats: number;
}

export const NOTE_LENGTHS: readonly NoteLength[] = [
  { label: '8 bars', beats: 32 },
  { label: '4 bars', beats: 16 },
  { label: '2 bars', beats: 8 },
  { label: '1 bar', beats: 4 },
  { label: '1/2', beats: 2 },
  { label: '1/4.', beats: 1.5 },
  { label: '1/4', beats: 1 },
  { label: '1/4T', beats: 2 / 3 },
  { label: '1/8.', beats: 0.75 },
  { label: '1/8', beats: 0.5 },
  { label: '1/8T', beats: 1 / 3 },
  { label: '1/16', beats: 0.25 },
  { label: '1/16T', beats: 1 / 6 },
  { label: '1/32', beats: 0.125 },
];

/** A stored rate as the controls use it: 0.01 to 40 Hz (old patches may hold anything). */
export const usableHz = (hz: number) => (hz > 0 ? clamp(hz, MIN_HZ, MAX_HZ) : MIN_HZ);

/** Slider position 0..1 to Hz. */
export const hzAt = (p: number) => MIN_HZ * SPAN ** clamp(p, 0, 1);

/** Hz to slider position 0..1. */
export const positionOfHz = (hz: number) => Math.log(usableHz(hz) / MIN_HZ) / Math.log(SPAN);

/** Two decimals below 1 Hz, one from 1 Hz. */
export const hzText = (hz: number) => `${hz < 1 ? hz.toFixed(2) : hz.toFixed(1)} Hz`;

/** The note length whose cycle is nearest (in log ratio) to the free rate's; a tie takes the longer. */
export function nearestLength(hz: number, tempo: number): NoteLength {
  const beats = tempo / 60 / usableHz(hz);
  let best = NOTE_LENGTHS[0];
  let distance = Infinity;
  for (const length of NOTE_LENGTHS) {
    const d = Math.abs(Math.log(length.beats / beats));
    // The list runs from long to short, so only a clearly nearer length replaces the best.
    if (d < distance - 1e-9) {
      best = length;
      distance = d;
    }
  }
  return best;
}

/** The free rate of a clocked cycle at a tempo. */
export function hzOfBeats(beats: number, tempo: number): number {
  return beats > 0 ? usableHz(tempo / 60 / beats) : MIN_HZ;
}

/** The label of a clocked length, or null for a length outside the list. */
export function lengthLabel(beats: number): string | null {
  return NOTE_LENGTHS.find((l) => Math.abs(l.beats - beats) < 1e-6)?.label ?? null;
}

/** Smoothing from the slider position: 2 p squared seconds, to the millisecond. */
export const smoothAt = (p: number) => Math.round(2 * clamp(p, 0, 1) ** 2 * 1000) / 1000;

export const positionOfSmooth = (s: number) => (s > 0 ? clamp(Math.sqrt(s / 2), 0, 1) : 0);

/** The rate in the other mode: the nearest note length, or the clocked cycle's Hz. */
export function rateIn(mode: Rate['mode'], rate: Rate, tempo: number): Rate {
  if (rate.mode === mode) return rate;
  return rate.mode === 'free'
    ? { mode: 'sync', beats: nearestLength(rate.hz, tempo).beats }
    : { mode: 'free', hz: hzOfBeats(rate.beats, tempo) };
}
