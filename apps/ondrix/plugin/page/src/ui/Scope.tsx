// The scope: the selected source's four tap traces over the last 1000 live frames.
import { createEffect } from 'solid-js';
import { gridLines, scopeRange } from '../controls/scope';
import type { Editor } from '../editor';
import { SHAPES } from '../patch/shapes';
import { TAP_COUNT } from '../patch/types';
import { tapDash } from '../theme';
import type { View } from '../view';
import { redrawOnResize, surface } from './canvas';
import { TapLabel } from './TapLabel';

export function Scope(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  let canvas!: HTMLCanvasElement;

  function draw() {
    const s = props.view.source();
    const theme = props.view.theme();
    const source = editor.patch().sources[s];
    const sheet = surface(canvas);
    if (!sheet) return;
    const { ctx, w, h, style } = sheet;
    const traces = Array.from({ length: TAP_COUNT }, (_, t) => editor.live.tapRings[s * TAP_COUNT + t].values());
    const [low, high] = scopeRange(traces, source.unipolar);
    const pad = 10;
    const y = (v: number) => pad + ((high - v) / (high - low)) * (h - 2 * pad);
    ctx.font = `10px ${style.fontFamily}`;
    ctx.textBaseline = 'middle';
    for (const v of gridLines([low, high])) {
      ctx.strokeStyle = style.getPropertyValue(v === 0 ? '--grid-strong' : '--grid');
      ctx.lineWidth = 1;
      ctx.beginPath();
      ctx.moveTo(28, Math.round(y(v)) + 0.5);
      ctx.lineTo(w, Math.round(y(v)) + 0.5);
      ctx.stroke();
      ctx.fillStyle = style.getPropertyValue('--dim');
      ctx.fillText(v.toFixed(1), 2, y(v));
    }
    ctx.lineWidth = 1.5;
    ctx.lineJoin = 'round';
    for (let t = TAP_COUNT - 1; t >= 0; t--) {
      const trace = traces[t];
      ctx.strokeStyle = style.getPropertyValue(`--tap${t}`);
      ctx.setLineDash(tapDash(theme, t));
      ctx.beginPath();
      for (let i = 0; i < trace.length; i++) {
        const x = 28 + (i / (trace.length - 1)) * (w - 28);
        if (i === 0) ctx.moveTo(x, y(trace[i]));
        else ctx.lineTo(x, y(trace[i]));
      }
      ctx.stroke();
    }
    ctx.setLineDash([]);
  }

  redrawOnResize(() => canvas, draw);
  createEffect(() => {
    editor.liveFrame();
    props.view.theme();
    draw();
  });

  const source = () => editor.patch().sources[props.view.source()];
  return (
    <div class="scope">
      <header class="scope-head">
        <h2>Source {props.view.source() + 1} · {SHAPES[source().shape.kind].label}</h2>
        <span class="legend">
          {SHAPES[source().shape.kind].taps.map((name, t) => <TapLabel tap={t} name={name} theme={props.view.theme()} />)}
        </span>
      </header>
      <canvas ref={canvas} class="scope-canvas" aria-label="Scope" />
    </div>
  );
}
