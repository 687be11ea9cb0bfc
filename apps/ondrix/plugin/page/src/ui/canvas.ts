// Canvases drawn at the screen's pixel density and redrawn when their box changes size.
import { onCleanup, onMount } from 'solid-js';

export interface Surface {
  ctx: CanvasRenderingContext2D;
  w: number;
  h: number;
  style: CSSStyleDeclaration;
}

/** The canvas cleared and scaled to its CSS size, or null while it has no size. */
export function surface(canvas: HTMLCanvasElement): Surface | null {
  const ctx = canvas.getContext('2d');
  const w = canvas.clientWidth;
  const h = canvas.clientHeight;
  if (!ctx || w === 0 || h === 0) return null;
  const ratio = window.devicePixelRatio || 1;
  if (canvas.width !== Math.round(w * ratio) || canvas.height !== Math.round(h * ratio)) {
    canvas.width = Math.round(w * ratio);
    canvas.height = Math.round(h * ratio);
  }
  ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  ctx.clearRect(0, 0, w, h);
  return { ctx, w, h, style: getComputedStyle(canvas) };
}

/** Calls `draw` whenever the canvas is resized, for as long as the component lives. */
export function redrawOnResize(canvas: () => HTMLCanvasElement, draw: () => void): void {
  onMount(() => {
    const observer = new ResizeObserver(draw);
    observer.observe(canvas());
    onCleanup(() => observer.disconnect());
  });
}
