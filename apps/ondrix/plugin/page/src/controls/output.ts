// Typed MIDI fields of an output, and what it can send.
import { clamp } from './amount';

/** A typed number, rounded; null when it is not a number. */
function typed(text: string): number | null {
  const t = text.trim();
  if (t === '') return null;
  const n = Number(t);
  return Number.isFinite(n) ? Math.round(n) : null;
}

/** Highest controller: 127, or 31 in 14-bit (the pair is cc and cc + 32). */
export const ccLimit = (fine: boolean) => (fine ? 31 : 127);

/** A typed controller number, clamped; null leaves the field unchanged. */
export function typedCc(text: string, fine: boolean): number | null {
  const n = typed(text);
  return n === null ? null : clamp(n, 0, ccLimit(fine));
}

/** A typed channel as shown (1..16), as stored (0..15); null leaves it unchanged. */
export function typedChannel(text: string): number | null {
  const n = typed(text);
  return n === null ? null : clamp(n, 1, 16) - 1;
}

export const CLOCK_RATES: readonly { ppqn: number; label: string }[] = [
  { ppqn: 24, label: '24 ppqn' },
  { ppqn: 48, label: '48 ppqn' },
  { ppqn: 4, label: '16th notes' },
  { ppqn: 2, label: '8th notes' },
  { ppqn: 1, label: 'Quarter notes' },
  { ppqn: 0.5, label: 'Half notes' },
  { ppqn: 0.25, label: 'Bars (4/4)' },
];

export const SENDS = [
  { kind: 'routed', label: 'The routed value' },
  { kind: 'clock', label: 'A clock' },
  { kind: 'run', label: 'Run (high while the clock runs)' },
  { kind: 'reset', label: 'Reset (a pulse when it starts)' },
] as const;
