// The scope's vertical range over the traces it shows.

export const SCOPE_LIMIT = 4;
const GRID = 0.5;
const TOLERANCE = 0.0001;

/**
 * [-1, 1] ([0, 1] unipolar), widened to the traces' extremes, rounded outward to the 0.5 grid
 * (a hair over a line does not take the next) and kept within [-4, 4].
 */
export function scopeRange(traces: Iterable<ArrayLike<number>>, unipolar: boolean): [number, number] {
  let lo = unipolar ? 0 : -1;
  let hi = 1;
  for (const trace of traces) {
    for (let i = 0; i < trace.length; i++) {
      const v = trace[i];
      if (!Number.isFinite(v)) continue;
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
  }
  const low = GRID * Math.floor((lo + TOLERANCE) / GRID);
  const high = GRID * Math.ceil((hi - TOLERANCE) / GRID);
  return [Math.max(-SCOPE_LIMIT, low) + 0, Math.min(SCOPE_LIMIT, high) + 0];
}

/** The grid lines inside a range, every 0.5. */
export function gridLines([low, high]: [number, number]): number[] {
  const lines: number[] = [];
  for (let v = Math.ceil(low / GRID) * GRID; v <= high + 1e-9; v += GRID) lines.push(v + 0);
  return lines;
}
