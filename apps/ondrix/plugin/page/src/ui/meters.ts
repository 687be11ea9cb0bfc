// Live meters: one canvas per column of rows, all redrawn in one pass per display frame.
// A canvas redraw costs the page far less than restyling one bar element per value.
import { barOf, clamp } from '../controls/amount';

export const ROW_HEIGHT = 24; // px; the rows beside a meter column have this height
const BAR_HEIGHT = 6;
const STEP = 1 / 256; // changes smaller than this are not redrawn

interface Column {
  canvas: HTMLCanvasElement;
  count: number;
  /** -1: values of -1 to 1, drawn from the middle; 0: levels of 0 to 1, from the left edge. */
  min: 0 | -1;
  read: (row: number) => number;
  shown: Float32Array;
}

const columns = new Set<Column>();
let colours: { track: string; bar: string } | null = null; // the theme's, read once per theme

export function addMeterColumn(
  canvas: HTMLCanvasElement,
  count: number,
  min: 0 | -1,
  read: (row: number) => number,
): () => void {
  const column = { canvas, count, min, read, shown: new Float32Array(count).fill(NaN) };
  columns.add(column);
  return () => columns.delete(column);
}

function draw(column: Column, force: boolean) {
  const { canvas, count, min, read, shown } = column;
  let moved = force;
  for (let i = 0; i < count && !moved; i++) {
    moved = !(Math.abs(clamp(read(i), min, 1) - shown[i]) < STEP);
  }
  if (!moved) return;
  const g = canvas.getContext('2d');
  if (!g) return;
  const scale = canvas.width / canvas.clientWidth || 1;
  const width = canvas.width;
  if (!colours) {
    const style = getComputedStyle(canvas);
    colours = { track: style.getPropertyValue('--panel'), bar: style.getPropertyValue('--accent') };
  }
  g.clearRect(0, 0, width, canvas.height);
  for (let i = 0; i < count; i++) {
    const v = clamp(read(i), min, 1);
    shown[i] = v;
    const y = (i * ROW_HEIGHT + (ROW_HEIGHT - BAR_HEIGHT) / 2) * scale;
    g.fillStyle = colours.track;
    g.fillRect(0, y, width, BAR_HEIGHT * scale);
    const bar = barOf(v, min);
    g.fillStyle = colours.bar;
    g.fillRect(bar.start * width, y, bar.length * width, BAR_HEIGHT * scale);
  }
}

/** Draws the columns whose values moved. */
export function drawMeters(): void {
  for (const column of columns) draw(column, false);
}

/** The theme changed: redraw everything in its colours. */
export function restyleMeters(): void {
  colours = null;
  for (const column of columns) draw(column, true);
}
