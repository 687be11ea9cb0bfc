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

export interface FrameTimes {
  frames: number;
  median: number;
  p95: number;
}

const TASKS = new Set(['RunTask', 'ThreadControllerImpl::RunTask']);

const percentile = (sorted: number[], q: number) =>
  sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];

export function frameTimesOf(events: TraceEvent[]): FrameTimes {
  const mains = new Set(
    events
      .filter((e) => e.ph === 'M' && e.name === 'thread_name' && e.args?.name === 'CrRendererMain')
      .map((e) => `${e.pid}:${e.tid}`),
  );
  const on = (e: TraceEvent) => mains.has(`${e.pid}:${e.tid}`);
  const frames = events.filter((e) => on(e) && e.name === 'FireAnimationFrame' && e.ph === 'X');
  const thread = frames.length ? `${frames[0].pid}:${frames[0].tid}` : '';
  const starts = frames.filter((e) => `${e.pid}:${e.tid}` === thread).map((e) => e.ts).sort((a, b) => a - b);
  // Top-level tasks of the main thread; a nested task lies inside its parent and counts once.
  const tasks = events
    .filter((e) => `${e.pid}:${e.tid}` === thread && TASKS.has(e.name) && e.ph === 'X')
    .sort((a, b) => a.ts - b.ts);
  const busy: number[] = [];
  let t = 0;
  let covered = -Infinity;
  for (let f = 0; f + 1 < starts.length; f++) {
    let sum = 0;
    for (; t < tasks.length && tasks[t].ts < starts[f + 1]; t++) {
      const end = tasks[t].ts + (tasks[t].dur ?? 0);
      if (end <= covered) continue;
      if (tasks[t].ts >= starts[f]) sum += end - Math.max(tasks[t].ts, covered);
      covered = end;
    }
    busy.push(sum / 1000);
  }
  busy.sort((a, b) => a - b);
  return { frames: busy.length, median: percentile(busy, 0.5) ?? NaN, p95: percentile(busy, 0.95) ?? NaN };
}

export async function frameTimes(browser: Browser, page: Page, ms: number): Promise<FrameTimes> {
  await browser.startTracing(page, { categories: ['toplevel', 'devtools.timeline'] });
  await page.waitForTimeout(ms);
  const buffer = await browser.stopTracing();
  const trace = JSON.parse(buffer.toString('utf8')) as { traceEvents: TraceEvent[] };
  return frameTimesOf(trace.traceEvents);
}
