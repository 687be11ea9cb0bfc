import { onCleanup } from 'solid-js';
import { addMeterColumn, ROW_HEIGHT } from './meters';

/** Values from -1 to 1 as bars from the middle, one per row, redrawn by the display loop. */
export function MeterColumn(props: {
  count: number;
  width: number;
  read: (row: number) => number;
}) {
  const scale = Math.max(1, Math.round(window.devicePixelRatio || 1));
  return (
    <canvas
      class="meters"
      width={props.width * scale}
      height={props.count * ROW_HEIGHT * scale}
      style={{ width: `${props.width}px`, height: `${props.count * ROW_HEIGHT}px` }}
      ref={(canvas) => onCleanup(addMeterColumn(canvas, props.count, props.read))}
    />
  );
}
