// The drawn-shape pad: pointer positions to table points, and a stroke between two samples.
import { clamp } from './amount';

/** The table index under x on a pad `width` wide, for a table of n points. */
export const padIndex = (x: number, width: number, n: number) =>
  clamp(Math.round((x / width) * n), 0, n - 1);

/** The value under y on a pad `height` high: 1 at the top, -1 at the bottom. */
export const padValue = (y: number, height: number) => clamp(1 - (2 * y) / height, -1, 1);

/** The table with every index from i0 to i1 set on the straight line from v0 to v1. */
export function stroke(table: readonly number[], i0: number, v0: number, i1: number, v1: number): number[] {
  const out = table.slice();
  if (i0 === i1) {
    out[i1] = v1;
    return out;
  }
  const step = i1 > i0 ? 1 : -1;
  for (let i = i0; i !== i1 + step; i += step) out[i] = v0 + ((v1 - v0) * (i - i0)) / (i1 - i0);
  return out;
}
