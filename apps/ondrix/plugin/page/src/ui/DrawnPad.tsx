// The drawn shape's pad: drag to draw; the table changes live and is committed once at the end.
import { createEffect } from 'solid-js';
import { padIndex, padValue, stroke } from '../controls/pad';
import { redrawOnResize, surface } from './canvas';

export function DrawnPad(props: {
  table: readonly number[];
  /** The colour theme, read so that a change redraws the pad. */
  theme: string;
  onInput(table: number[]): void;
  onCommit(table: number[]): void;
}) {
  let canvas!: HTMLCanvasElement;
  let drawing = false;
  let last = { i: 0, v: 0 };
  let table: number[] = [];

  function draw() {
    const sheet = surface(canvas);
    if (!sheet) return;
    const { ctx, w, h, style } = sheet;
    ctx.strokeStyle = style.getPropertyValue('--grid');
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(0, h / 2);
    ctx.lineTo(w, h / 2);
    ctx.stroke();
    const n = props.table.length;
    if (n === 0) return;
    // Point i sits at i / n of the width; the last point joins the first again.
    const y = (v: number) => ((1 - v) / 2) * h;
    ctx.strokeStyle = style.getPropertyValue('--accent');
    ctx.lineWidth = 2;
    ctx.lineJoin = 'round';
    ctx.beginPath();
    for (let i = 0; i <= n; i++) {
      const x = (i / n) * w;
      if (i === 0) ctx.moveTo(x, y(props.table[0]));
      else ctx.lineTo(x, y(props.table[i % n]));
    }
    ctx.stroke();
  }

  redrawOnResize(() => canvas, draw);
  createEffect(() => {
    // Read before drawing: a canvas without a size yet draws nothing, but must still follow these.
    void props.table;
    void props.theme;
    draw();
  });

  const at = (e: PointerEvent) => {
    const box = canvas.getBoundingClientRect();
    return {
      i: padIndex(e.clientX - box.left, box.width, table.length),
      v: padValue(e.clientY - box.top, box.height),
    };
  };

  const end = () => {
    if (!drawing) return;
    drawing = false;
    props.onCommit(table);
  };

  return (
    <canvas
      ref={canvas}
      class="pad"
      aria-label="Drawn shape"
      onPointerDown={(e) => {
        if (e.button !== 0 || props.table.length === 0) return;
        canvas.setPointerCapture(e.pointerId);
        drawing = true;
        table = props.table.slice();
        last = at(e);
        table = stroke(table, last.i, last.v, last.i, last.v);
        props.onInput(table);
      }}
      onPointerMove={(e) => {
        if (!drawing) return;
        const next = at(e);
        table = stroke(table, last.i, last.v, next.i, next.v);
        last = next;
        props.onInput(table);
      }}
      onPointerUp={end}
      onPointerCancel={end}
      onLostPointerCapture={end}
    />
  );
}
