import { onCleanup } from 'solid-js';
import { addMeterColumn, ROW_HEIGHT } from './meters';

/**
 * One bar per row, redrawn by the display loop: values of -1 to 1 from the middle, or levels of
 * 0 to 1 from the left edge when `min` is 0.
 */
export function MeterColumn(props: {
  count: number;
  width: number;
  min: 0 | -1;
  read: (row: number) => number;
}) {
  const scale = Math.max(1, Math.round(window.devicePixelRatio || 1));
  return (
    <canvas
      class="meters"
      width={props.width * scale}
      height={props.count * ROW_HEIGHT * scale}
      style={{ width: `${props.width}px`, height: `${props.count * ROW_HEIGHT}px` }}
      ref={(canvas) => onCleanup(addMeterColumn(canvas, props.count, props.min, props.read))}
    />
  );
}
