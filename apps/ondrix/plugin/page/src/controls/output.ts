// Typed MIDI fields of an output, and what it can send.

/** What a typed number field holds: a value to store, or why the text is not one. */
export type Typed = { value: number } | { error: string };

/**
 * A whole number written in decimal digits (spaces around allowed, a minus sign too), clamped to
 * `low`..`high`; any other text is no number.
 */
function wholeNumber(text: string, low: number, high: number, field: string): Typed {
  const t = text.trim();
  if (!/^-?[0-9]+$/.test(t)) return { error: `${field} must be a whole number from ${low} to ${high}` };
  return { value: Math.min(high, Math.max(low, Number(t))) };
}

/** Highest controller: 127, or 31 in 14-bit (the pair is cc and cc + 32). */
export const ccLimit = (fine: boolean) => (fine ? 31 : 127);

/** A typed controller number. */
export function typedCc(text: string, fine: boolean): Typed {
  return wholeNumber(text, 0, ccLimit(fine), fine ? 'A 14-bit CC' : 'CC');
}

/** A typed channel as shown (1..16), as stored (0..15). */
export function typedChannel(text: string): Typed {
  const typed = wholeNumber(text, 1, 16, 'Channel');
  return 'value' in typed ? { value: typed.value - 1 } : typed;
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
