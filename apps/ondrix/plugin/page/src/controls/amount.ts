// The amount slider's arithmetic: -1 to 1 (bipolar), or 0 to 1 when its minimum is 0.

export const clamp = (v: number, lo: number, hi: number) => Math.min(hi, Math.max(lo, v));

/** Rounded to 0.01; never -0. */
export const round2 = (v: number) => Math.round(v * 100) / 100 + 0;

/** The value under a pointer at x on a slider `width` wide. */
export function amountAt(x: number, width: number, min: number): number {
  if (!(width > 0)) return min;
  return clamp(min + (x / width) * (1 - min), min, 1);
}

/** The value after the pointer travels dx: the width is the whole range, Shift five times finer. */
export function dragAmount(value: number, dx: number, width: number, min: number, fine: boolean): number {
  if (!(width > 0)) return value;
  return clamp(value + ((dx / width) * (1 - min)) / (fine ? 5 : 1), min, 1);
}

/** The value after an arrow key: 0.05 a press, 0.01 with Shift. */
export function stepAmount(value: number, up: boolean, fine: boolean, min: number): number {
  const step = fine ? 0.01 : 0.05;
  return clamp(round2(value + (up ? step : -step)), min, 1);
}

/** What a key does to the slider: a new value, or null for a key it leaves alone. */
export function amountKey(key: string, shift: boolean, value: number, min: number): number | null {
  switch (key) {
    case 'ArrowRight':
    case 'ArrowUp':
      return stepAmount(value, true, shift, min);
    case 'ArrowLeft':
    case 'ArrowDown':
      return stepAmount(value, false, shift, min);
    case 'Backspace':
    case 'Delete':
    case '0':
      return 0;
    default:
      return null;
  }
}

/** A whole percentage, "+" before positive values of a bipolar slider, a middle dot for 0. */
export function amountText(value: number, bipolar: boolean): string {
  const pct = Math.round(value * 100) + 0;
  if (pct === 0) return '\u00B7';
  return `${bipolar && pct > 0 ? '+' : ''}${pct}%`;
}

/**
 * Where the bar that shows a value starts and how long it is, as fractions of its track: a
 * value of -1 to 1 grows from the middle, a value of 0 to 1 (`min` 0) from the left edge.
 * Amount sliders and the live meters draw their bars by it.
 */
export function barOf(value: number, min: 0 | -1): { start: number; length: number } {
  const v = clamp(Number.isFinite(value) ? value : 0, min, 1);
  if (min === 0) return { start: 0, length: v };
  return v >= 0 ? { start: 0.5, length: v / 2 } : { start: 0.5 + v / 2, length: -v / 2 };
}
