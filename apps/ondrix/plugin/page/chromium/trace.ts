// Main-thread time per display frame, from a Chromium trace: the page's display loop asks for
// one animation frame per round trip, so the work between two animation-frame callbacks on the
// page's main thread is one display frame's.
import type { Browser, Page } from 'playwright-core';

interface TraceEvent {
  name: string;
  ph: string;
  pid: number;
  tid: number;
  ts: number;
  dur?: number;
  args?: { name?: string };
}

export interface Spread {
  median: number;
  p95: number;
}

export interface FrameTimes {
  frames: number;
  /** All the main thread's work in a display frame. */
  busy: Spread;
  /** Of which the page's script: the animation-frame callback and the reply handling. */
  script: Spread;
}

const TASKS = new Set(['RunTask', 'ThreadControllerImpl::RunTask']);

function spread(values: number[]): Spread {
  const sorted = [...values].sort((a, b) => a - b);
  const at = (q: number) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))] ?? NaN;
  return { median: at(0.5), p95: at(0.95) };
}

/** Milliseconds per frame covered by the slices (nested slices count once). */
function perFrame(starts: number[], slices: TraceEvent[]): number[] {
  const sorted = [...slices].sort((a, b) => a.ts - b.ts);
  const out: number[] = [];
  let i = 0;
  let covered = -Infinity;
  for (let f = 0; f + 1 < starts.length; f++) {
    let sum = 0;
    for (; i < sorted.length && sorted[i].ts < starts[f + 1]; i++) {
      const end = sorted[i].ts + (sorted[i].dur ?? 0);
      if (end <= covered) continue;
      if (sorted[i].ts >= starts[f]) sum += end - Math.max(sorted[i].ts, covered);
      covered = end;
    }
    out.push(sum / 1000);
  }
  return out;
}

export function frameTimesOf(events: TraceEvent[]): FrameTimes {
  const mains = new Set(
    events
      .filter((e) => e.ph === 'M' && e.name === 'thread_name' && e.args?.name === 'CrRendererMain')
      .map((e) => `${e.pid}:${e.tid}`),
  );
  const thread = (e: TraceEvent) => `${e.pid}:${e.tid}`;
  const frames = events.filter((e) => mains.has(thread(e)) && e.name === 'FireAnimationFrame' && e.ph === 'X');
  const main = frames.length ? thread(frames[0]) : '';
  const slices = events.filter((e) => thread(e) === main && e.ph === 'X');
  const starts = frames.filter((e) => thread(e) === main).map((e) => e.ts).sort((a, b) => a - b);
  const busy = perFrame(starts, slices.filter((e) => TASKS.has(e.name)));
  const script = perFrame(starts, slices.filter((e) => e.name === 'FunctionCall'));
  return { frames: busy.length, busy: spread(busy), script: spread(script) };
}

export async function frameTimes(browser: Browser, page: Page, ms: number): Promise<FrameTimes> {
  await browser.startTracing(page, { categories: ['toplevel', 'devtools.timeline'] });
  await page.waitForTimeout(ms);
  const buffer = await browser.stopTracing();
  const trace = JSON.parse(buffer.toString('utf8')) as { traceEvents: TraceEvent[] };
  return frameTimesOf(trace.traceEvents);
}
