// The page at every interface size in the smallest window a host gives it and in the usual one:
// every control must stay reachable. The plug-in zooms its web view to the interface size, so a
// window of W x H at size s lays the page out in W/s x H/s CSS pixels.
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { isDeepStrictEqual } from 'node:util';
import { describe, expect, it } from 'vitest';
import type { Patch } from '../src/patch/types';
import { canonicalJson } from '../src/text';
import { UI_SCALES } from '../src/theme';
import {
  eachTestOnItsOwnServer, fullPatch, page, screenshotName, server, session, SHOTS, until,
} from './harness';

eachTestOnItsOwnServer();

const asSent = (p: Patch) => JSON.parse(canonicalJson(p));

/**
 * What keeps a control from the user, as one line each, checked in the page. Each control is
 * focused (a control shown only on focus shows then) and scrolled into view, then must have a
 * size, lie inside the window and inside its own area, and be the element under its own centre.
 * Only panels the user can scroll may have been scrolled to reach it. The areas must not overlap,
 * and each keeps a usable size. Every panel is scrolled back to its start at the end.
 *
 * WebKitGTK under Xvfb gives the keyboard focus only to a window under the X pointer, and in a
 * window without it `:focus` never matches: there a control shown only on focus stays hidden
 * and is left out (the suite checks it in Chromium and in the larger windows).
 */
function faultsInView(least: number): string[] {
  const faults: string[] = [];
  const box = (el: Element) => el.getBoundingClientRect();
  const name = (el: Element) =>
    el.getAttribute('aria-label') ?? (el.textContent?.trim().slice(0, 24) || el.className || el.tagName);
  const AREAS = '.toolbar, .panel.left, .centre, .panel.right, .bottom-bar';
  const areas = [...document.querySelectorAll(AREAS)];
  const parts = [...areas, ...document.querySelectorAll('.scope-canvas, .tab-body')];
  for (const part of parts) {
    const r = box(part);
    if (r.width < least || r.height < 24) faults.push(`${name(part)} is ${r.width} x ${r.height}`);
  }
  for (const part of document.querySelectorAll('.scope-canvas, .tab-body, .panel.left, .panel.right')) {
    if (box(part).height < least) faults.push(`${name(part)} is ${box(part).height} high`);
  }
  for (let i = 0; i < areas.length; i++) {
    for (let j = i + 1; j < areas.length; j++) {
      const [a, b] = [box(areas[i]), box(areas[j])];
      const across = Math.min(a.right, b.right) - Math.max(a.left, b.left);
      const down = Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top);
      if (across > 0.5 && down > 0.5) faults.push(`${name(areas[i])} overlaps ${name(areas[j])}`);
    }
  }
  const userScrolls = (overflow: string) => overflow === 'auto' || overflow === 'scroll';
  const controls = document.querySelectorAll('button, select, input, [role="slider"]');
  for (const el of controls as NodeListOf<HTMLElement>) {
    el.focus({ preventScroll: true });
    if (!document.hasFocus() && getComputedStyle(el).opacity === '0') continue;
    el.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    const r = box(el);
    const what = name(el);
    if (r.width < 1 || r.height < 1) {
      faults.push(`${what} has no size`);
      continue;
    }
    if (r.left < -0.5 || r.top < -0.5 || r.right > innerWidth + 0.5 || r.bottom > innerHeight + 0.5) {
      faults.push(`${what} lies outside the window`);
    }
    const area = box(el.closest(AREAS)!);
    if (r.left < area.left - 0.5 || r.right > area.right + 0.5 || r.top < area.top - 0.5 || r.bottom > area.bottom + 0.5) {
      faults.push(`${what} spills out of its area`);
    }
    const hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
    if (!hit || !el.contains(hit)) faults.push(`${what} is covered by ${hit ? name(hit) : 'nothing'}`);
    for (let a = el.parentElement; a; a = a.parentElement) {
      const style = getComputedStyle(a);
      if ((a.scrollLeft !== 0 && !userScrolls(style.overflowX)) || (a.scrollTop !== 0 && !userScrolls(style.overflowY))) {
        faults.push(`${what} is reached only by a scroll the user cannot make`);
      }
    }
  }
  (document.activeElement as HTMLElement | null)?.blur();
  document.querySelectorAll('*').forEach((el) => el.scrollTo(0, 0));
  return faults;
}

describe('window and interface sizes', () => {
  const cases = [[900, 560], [1180, 760]].flatMap(([width, height]) =>
    UI_SCALES.map((scale) => ({ width, height, scale, percent: Math.round(scale * 100) })));

  it.each(cases)('$width x $height at $percent %: every control is reachable in every view', async (c) => {
    const viewport = { width: Math.floor(c.width / c.scale), height: Math.floor(c.height / c.scale) };
    await page.setViewportSize(viewport);
    await session.context.addInitScript(`localStorage.setItem('vantrel.uiScale', '${c.scale}')`);
    const full = fullPatch();
    await server.post('/__test/state', JSON.stringify({ patch: full, version: 1 }));
    await session.open();
    await until(() => session.storedPatch(), (p) => isDeepStrictEqual(p, asSent(full)));
    // The lists' widest names and the live traces are drawn.
    await page.waitForTimeout(300);

    // The least width and height each area keeps: room for a few controls side by side.
    const LEAST = 60;
    const views = [
      { name: 'source', right: 'Source', bottom: 'Routing' },
      { name: 'output', right: 'Output', bottom: 'Modulation' },
    ];
    for (const view of views) {
      await page.getByRole('tab', { name: view.right }).click();
      await page.getByRole('tab', { name: view.bottom }).click();
      await page.mouse.move(0, 0); // on no control
      expect(await page.evaluate(faultsInView, LEAST), view.name).toEqual([]);
      if (c.scale === 1.5) {
        mkdirSync(SHOTS, { recursive: true });
        await page.screenshot({ path: join(SHOTS, screenshotName(`layout-${c.width}x${c.height}-${c.percent}-${view.name}`)) });
      }
    }
  });
});

describe('16 sources and 64 outputs', () => {
  /** Scrolls the tab body to its far end (`down` too) and tells which headings are still whole in view. */
  async function scrolledHeadings(down: boolean) {
    return page.evaluate((down) => {
      const body = document.querySelector('.tab-body')!;
      body.scrollTo(body.scrollWidth, down ? body.scrollHeight : 0);
      const view = body.getBoundingClientRect();
      const shown = (el: Element) => {
        const r = el.getBoundingClientRect();
        const hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
        return r.left >= view.left - 0.5 && r.top >= view.top - 0.5 && r.right <= view.right + 0.5 &&
          r.bottom <= view.bottom + 0.5 && hit !== null && el.contains(hit);
      };
      const columns = [...document.querySelectorAll('.matrix thead th:not(:first-child)')];
      const rows = [...document.querySelectorAll('.matrix tbody th')];
      return {
        scrolled: body.scrollLeft > 0,
        first: { column: shown(columns[0]), row: shown(rows[0]) },
        last: { column: shown(columns.at(-1)!), row: shown(rows.at(-1)!) },
      };
    }, down);
  }

  it('keeps the grids\' row and column headings in view while they scroll', async () => {
    const full = fullPatch();
    await server.post('/__test/state', JSON.stringify({ patch: full, version: 1 }));
    await session.open();
    await until(() => session.storedPatch(), (p) => isDeepStrictEqual(p, asSent(full)));
    // The routing view: 64 output columns scroll sideways under the tap names.
    expect(await scrolledHeadings(false)).toEqual({
      scrolled: true, first: { column: false, row: true }, last: { column: true, row: true },
    });
    // The modulation grid: 64 rows and 16 columns scroll both ways under both headings.
    await page.getByRole('tab', { name: 'Modulation' }).click();
    expect(await scrolledHeadings(true)).toEqual({
      scrolled: true, first: { column: false, row: false }, last: { column: true, row: true },
    });
    mkdirSync(SHOTS, { recursive: true });
    await page.screenshot({ path: join(SHOTS, screenshotName('modulation-scrolled')) });
  });
});
