import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { isDeepStrictEqual } from 'node:util';
import type { Locator } from 'playwright-core';
import { describe, expect, it } from 'vitest';
import { starterPatch } from '../src/patch/model';
import type { Patch } from '../src/patch/types';
import { canonicalJson } from '../src/text';
import { THEMES } from '../src/theme';
import { eachTestOnItsOwnServer, page, screenshotName, server, session, SHOTS, until } from './harness';
import { readPng } from './png';

eachTestOnItsOwnServer();

const asSent = (p: Patch) => JSON.parse(canonicalJson(p));
const pluginPatch = () => server.patch() as Promise<Patch>;

/** Waits until the plug-in's patch passes `ok`, and returns it. */
async function pluginPatchWhere(ok: (p: Patch) => boolean): Promise<Patch> {
  const p = await until(pluginPatch, (v) => v !== null && ok(v));
  expect(ok(p)).toBe(true);
  return p;
}

/** Opens the page on a patch the host loaded. */
async function openWith(patch: Patch) {
  await session.open();
  await pluginPatchWhere((p) => isDeepStrictEqual(p, asSent(starterPatch())));
  await server.post('/__test/state', JSON.stringify({ patch, version: 1 }));
  await until(() => session.storedPatch(), (p) => isDeepStrictEqual(p, asSent(patch)));
}

describe('themes', () => {
  const root = () => page.evaluate(() => document.documentElement.dataset.theme);
  const theme = () => page.getByRole('combobox', { name: 'Theme' });

  it('draws every theme', async () => {
    mkdirSync(SHOTS, { recursive: true });
    const busy = starterPatch();
    busy.sources[2].enabled = true;
    busy.outputs[2].enabled = true;
    await openWith(busy);
    // Let the scope fill with live traces first.
    await until(() => page.evaluate(() => document.querySelector('.scope-canvas') !== null), (v) => v);
    await page.waitForTimeout(1500);
    for (const id of ['midnight', 'graphite', 'violet', 'amber', 'daylight', 'paper']) {
      await theme().selectOption(id);
      expect(await root()).toBe(id);
      await page.waitForTimeout(200); // the switches' thumbs slide
      await page.screenshot({ path: join(SHOTS, screenshotName(`theme-${id}`)) });
    }
  });

  it('draws its own controls in the theme\'s colours and sizes, whatever the engine', async () => {
    await session.open();
    await pluginPatchWhere((p) => p !== null);
    // A list box is as tall as the buttons beside it.
    const select = (await theme().boundingBox())!;
    expect(select.height).toBeCloseTo((await page.getByRole('button', { name: 'New patch' }).boundingBox())!.height, 0);
    const colour = (name: string) =>
      page.evaluate((n) => getComputedStyle(document.documentElement).getPropertyValue(n).trim(), name);
    const middle = async (l: Locator) => {
      const b = (await l.boundingBox())!;
      return [b.x + b.width / 2, b.y + b.height / 2] as const;
    };
    const logo = await middle(page.locator('.logo'));
    const unticked = await middle(page.getByRole('checkbox', { name: 'Unipolar' }));
    const slider = (await page.getByRole('slider', { name: 'Smooth' }).boundingBox())!;
    const shot = readPng(await page.screenshot());
    expect(shot.at(...logo)).toBe(await colour('--tap1'));
    expect(shot.at(...unticked)).toBe(await colour('--track'));
    // The thumb of a slider at 0, at the left end.
    expect(shot.at(slider.x + 7, slider.y + slider.height / 2)).toBe(await colour('--accent'));
  });

  it('"system" follows the system\'s setting as it changes', async () => {
    mkdirSync(SHOTS, { recursive: true });
    await session.open();
    await pluginPatchWhere((p) => p !== null);
    await page.emulateMedia({ colorScheme: 'dark' });
    await theme().selectOption('system');
    expect(await root()).toBe('midnight');
    await page.waitForTimeout(200);
    await page.screenshot({ path: join(SHOTS, screenshotName('theme-system-dark')) });
    await page.emulateMedia({ colorScheme: 'light' });
    expect(await until(root, (t) => t === 'daylight')).toBe('daylight');
    await page.waitForTimeout(200);
    await page.screenshot({ path: join(SHOTS, screenshotName('theme-system-light')) });
    expect(await page.evaluate(() => localStorage.getItem('vantrel.theme'))).toBe('system');
    await page.reload();
    expect(await until(root, (t) => t === 'daylight')).toBe('daylight');
  });
});

/** The hue of a #rrggbb colour in degrees, or null for a grey. */
function hue(hex: string): number | null {
  const [r, g, b] = [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16) / 255);
  const max = Math.max(r, g, b);
  const range = max - Math.min(r, g, b);
  if (range < 0.15) return null;
  const h = max === r ? (g - b) / range : max === g ? 2 + (b - r) / range : 4 + (r - g) / range;
  return (h * 60 + 360) % 360;
}

describe('theme details', () => {
  it('tells the four tap traces apart in every theme, by hue or by dash pattern', async () => {
    // Records each line the scope strokes: a frame's last four are the taps' traces, D to A.
    await session.context.addInitScript(`(() => {
      const strokes = [];
      Object.defineProperty(window, '__scopeStrokes', { value: strokes });
      const stroke = CanvasRenderingContext2D.prototype.stroke;
      CanvasRenderingContext2D.prototype.stroke = function (...args) {
        if (this.canvas.getAttribute('aria-label') === 'Scope') {
          strokes.push({ colour: this.strokeStyle, dash: this.getLineDash() });
        }
        return stroke.apply(this, args);
      };
    })();`);
    await session.open();
    const strokes = () => page.evaluate(() =>
      (window as never as { __scopeStrokes: { colour: string; dash: number[] }[] }).__scopeStrokes.splice(0));
    const theme = page.getByRole('combobox', { name: 'Theme' });
    const near: string[] = [];
    for (const id of THEMES) {
      await theme.selectOption(id);
      await strokes();
      const traces = (await until(strokes, (s) => s.length >= 8)).slice(-4).reverse();
      for (let i = 0; i < 4; i++) {
        for (let j = i + 1; j < 4; j++) {
          const [a, b] = [hue(traces[i].colour), hue(traces[j].colour)];
          const hues = a === null || b === null ? a !== b : Math.min(Math.abs(a - b), 360 - Math.abs(a - b)) >= 30;
          if (!hues && isDeepStrictEqual(traces[i].dash, traces[j].dash)) near.push(`${id}: taps ${i} and ${j}`);
        }
      }
    }
    expect(near).toEqual([]);
  });

  it('applies Midnight for a stored theme it does not know, and names it in the menu', async () => {
    await session.context.addInitScript("localStorage.setItem('vantrel.theme', 'neon')");
    await session.open();
    expect(await page.evaluate(() => document.documentElement.dataset.theme)).toBe('midnight');
    expect(await page.getByRole('combobox', { name: 'Theme' })
      .evaluate((el: HTMLSelectElement) => el.selectedOptions[0]?.textContent)).toBe('Midnight');
  });
});

describe('controls', () => {
  it('closes the New patch menu on Escape and on a press outside it', async () => {
    await session.open();
    await pluginPatchWhere((p) => isDeepStrictEqual(p, asSent(starterPatch())));
    const button = page.getByRole('button', { name: 'New patch' });
    const menu = page.getByRole('menu');
    await button.click();
    await menu.waitFor();
    await page.keyboard.press('Escape');
    await menu.waitFor({ state: 'detached' });
    expect(await button.evaluate((el) => el === document.activeElement)).toBe(true);
    await button.click();
    await menu.waitFor();
    await page.getByLabel('Scope', { exact: true }).click();
    await menu.waitFor({ state: 'detached' });
    // The Sources "+" under where the menu was can be pressed again.
    await page.getByRole('button', { name: 'Add a source' }).click({ timeout: 2000 });
    await pluginPatchWhere((p) => p.sources[8].enabled); // the first not in use
  });

  it('reaches a remove button from the keyboard, shown while it has the focus', async () => {
    await session.open();
    await pluginPatchWhere((p) => isDeepStrictEqual(p, asSent(starterPatch())));
    const remove = page.getByRole('button', { name: 'Remove source 2' });
    const opacity = () => remove.evaluate((el) => getComputedStyle(el).opacity);
    expect(await opacity()).toBe('0');
    await page.getByRole('checkbox', { name: 'Source 2 on' }).focus();
    await page.keyboard.press('Tab');
    expect(await remove.evaluate((el) => el === document.activeElement)).toBe(true);
    expect(await opacity()).toBe('1');
    await page.keyboard.press('Enter');
    await pluginPatchWhere((p) => !p.sources[1].enabled && p.routes.every((r) => r.from !== 1));
  });

  it('steps an amount slider with the arrow keys and clears it with Delete', async () => {
    await session.open();
    await pluginPatchWhere((p) => isDeepStrictEqual(p, asSent(starterPatch())));
    const lean = page.getByRole('slider', { name: 'Lean' });
    await lean.focus();
    await page.keyboard.press('ArrowRight');
    await pluginPatchWhere((p) => p.sources[0].a === 0.55);
    await page.keyboard.press('Shift+ArrowLeft');
    await pluginPatchWhere((p) => p.sources[0].a === 0.54);
    expect(await lean.getAttribute('aria-valuetext')).toBe('54%');
    await page.keyboard.press('Delete');
    await pluginPatchWhere((p) => p.sources[0].a === 0);
    expect(await lean.getAttribute('aria-valuetext')).toBe('\u00B7');
    // Three key presses close together are one undo step.
    await page.keyboard.press('Control+z');
    await pluginPatchWhere((p) => p.sources[0].a === 0.5);
  });

  it('drags an amount slider: its width is the whole range, Shift five times finer', async () => {
    await session.open();
    await pluginPatchWhere((p) => isDeepStrictEqual(p, asSent(starterPatch())));
    const box = (await page.getByRole('slider', { name: 'Offset' }).boundingBox())!;
    const y = box.y + box.height / 2;
    await page.mouse.move(box.x + box.width * 0.25, y);
    await page.mouse.down(); // -0.5 under the pointer
    await page.mouse.move(box.x + box.width * 0.35, y, { steps: 3 }); // a tenth of the width: +0.2
    await page.mouse.up();
    await pluginPatchWhere((p) => p.sources[0].offset === -0.3);
    await page.mouse.move(box.x + box.width * 0.6, y);
    await page.mouse.down(); // +0.2
    await page.keyboard.down('Shift');
    await page.mouse.move(box.x + box.width * 0.85, y, { steps: 5 }); // a quarter: +0.5, finer +0.1
    await page.keyboard.up('Shift');
    await page.mouse.up();
    await pluginPatchWhere((p) => p.sources[0].offset === 0.3);
    expect(await page.getByRole('slider', { name: 'Offset' }).getAttribute('aria-valuetext')).toBe('+30%');
  });

  it('draws on the pad from index 10 to 20 as one undo step', async () => {
    const drawn = starterPatch();
    const table = Array.from({ length: 32 }, (_, i) => Math.cos((2 * Math.PI * i) / 32));
    drawn.sources[0] = { ...drawn.sources[0], shape: { kind: 'drawn', table } };
    await openWith(drawn);
    const pad = page.getByLabel('Drawn shape');
    const box = (await pad.boundingBox())!;
    const x = (i: number) => box.x + ((i + 0.2) / 32) * box.width;
    const y = (v: number) => box.y + ((1 - v) / 2) * box.height;
    await page.mouse.move(x(10), y(0.5));
    await page.mouse.down();
    await page.mouse.move(x(20), y(-0.5));
    await page.mouse.up();
    const after = await pluginPatchWhere((p) => p.sources[0].shape.kind === 'drawn' &&
      (p.sources[0].shape as { table: number[] }).table[20] !== table[20]);
    const got = (after.sources[0].shape as { table: number[] }).table;
    const v0 = got[10];
    const v1 = got[20];
    expect(v0).toBeCloseTo(0.5, 1);
    expect(v1).toBeCloseTo(-0.5, 1);
    for (let i = 10; i <= 20; i++) expect(got[i]).toBeCloseTo(v0 + ((v1 - v0) * (i - 10)) / 10, 9);
    expect([...got.slice(0, 10), ...got.slice(21)]).toEqual([...table.slice(0, 10), ...table.slice(21)]);
    await page.keyboard.press('Control+z');
    await pluginPatchWhere((p) => isDeepStrictEqual(p, asSent(drawn)));
    expect(await page.getByRole('button', { name: 'Undo' }).isDisabled()).toBe(true);
  });

  it('leaves an empty drawn table alone', async () => {
    const empty = starterPatch();
    empty.sources[0] = { ...empty.sources[0], shape: { kind: 'drawn', table: [] } };
    await openWith(empty);
    const pad = page.getByLabel('Drawn shape');
    const box = (await pad.boundingBox())!;
    await page.mouse.move(box.x + 20, box.y + 20);
    await page.mouse.down();
    await page.mouse.move(box.x + box.width - 20, box.y + box.height - 20);
    await page.mouse.up();
    await page.waitForTimeout(300);
    expect(await server.patch()).toEqual(asSent(empty));
    expect(await page.getByRole('button', { name: 'Undo' }).isDisabled()).toBe(true);
  });

  it('switches a 4 Hz source at 120 BPM to Clocked as 1/8, and back', async () => {
    const fast = starterPatch();
    fast.sources[0].rate = { mode: 'free', hz: 4 };
    await openWith(fast);
    await page.getByRole('button', { name: 'Clocked' }).click();
    const clocked = await pluginPatchWhere((p) => p.sources[0].rate.mode === 'sync');
    expect(clocked.sources[0].rate).toEqual({ mode: 'sync', beats: 0.5 });
    expect(await page.getByRole('combobox', { name: 'Note length' }).inputValue()).toBe('1/8');
    await page.getByRole('combobox', { name: 'Note length' }).selectOption('1/4');
    await page.getByRole('button', { name: 'Free' }).click();
    const free = await pluginPatchWhere((p) => p.sources[0].rate.mode === 'free');
    expect(free.sources[0].rate).toEqual({ mode: 'free', hz: 2 });
  });

  it('toggles a route from a tap to an output and takes typed MIDI fields on Enter or leaving', async () => {
    await session.open();
    await pluginPatchWhere((p) => isDeepStrictEqual(p, asSent(starterPatch())));
    await page.getByRole('button', { name: 'B to output 3' }).click();
    const routed = await pluginPatchWhere((p) => p.routes.length === 9);
    expect(routed.routes[8]).toEqual({ from: 0, tap: 1, to: 'output', index: 2, amount: 1 });
    expect(routed.outputs[2].enabled).toBe(true);

    await page.locator('.list.outputs li', { hasText: 'CC 18' }).click();
    const cc = page.getByRole('textbox', { name: 'CC' });
    const why = page.locator('.editor-form p.error');
    // Typed key by key, the text stays as typed and nothing changes until Enter.
    await cc.fill('');
    await cc.pressSequentially('12.6');
    expect(await cc.inputValue()).toBe('12.6');
    await page.waitForTimeout(300);
    expect((await pluginPatch()).outputs[2].cc).toBe(18);
    await cc.press('Enter');
    expect(await why.textContent()).toBe('CC must be a whole number from 0 to 127');
    expect(await cc.inputValue()).toBe('12.6');
    await cc.press('Tab');
    expect(await cc.inputValue()).toBe('18');
    expect((await pluginPatch()).outputs[2].cc).toBe(18);

    await cc.fill('');
    await cc.pressSequentially('9');
    await cc.press('Enter');
    await pluginPatchWhere((p) => p.outputs[2].cc === 9);
    expect(await why.count()).toBe(0);
    await page.getByRole('checkbox', { name: '14-bit' }).check();
    await pluginPatchWhere((p) => p.outputs[2].fine);
    // A whole number out of range is clamped: 14-bit goes up to CC 31.
    await cc.fill('100');
    await cc.press('Enter');
    await pluginPatchWhere((p) => p.outputs[2].cc === 31);
    expect([await cc.inputValue(), await why.count()]).toEqual(['31', 0]);
    await cc.fill('9');
    await cc.press('Enter');
    await pluginPatchWhere((p) => p.outputs[2].cc === 9);

    const channel = page.getByRole('textbox', { name: 'Channel' });
    await channel.fill('');
    await channel.pressSequentially('1.5');
    await channel.press('Tab');
    expect(await channel.inputValue()).toBe('1');
    expect(await why.textContent()).toBe('Channel must be a whole number from 1 to 16');
    await channel.fill('16');
    await channel.press('Tab');
    const typed = await pluginPatchWhere((p) => p.outputs[2].channel === 15);
    expect([typed.outputs[2].cc, await cc.inputValue(), await channel.inputValue()]).toEqual([9, '9', '16']);
    expect(await why.count()).toBe(0);
  });
});

describe('sizes, layout and display', () => {
  const zooms = () => page.evaluate(() => (window as never as { __ipcTest: { zooms: number[] } }).__ipcTest.zooms);

  it('zooms the web view to a picked size and keeps it; an unlisted stored size marks nothing', async () => {
    await session.open();
    await pluginPatchWhere((p) => p !== null);
    const size = page.getByRole('combobox', { name: 'Interface size' });
    expect(await size.inputValue()).toBe('1');
    await size.selectOption('1.15');
    expect(await until(zooms, (z) => z.length > 0)).toEqual([1.15]);
    expect(await page.evaluate(() => localStorage.getItem('vantrel.uiScale'))).toBe('1.15');
    await page.evaluate(() => localStorage.setItem('vantrel.uiScale', '1.2'));
    await page.reload();
    expect(await until(zooms, (z) => z.length > 0)).toEqual([1.2]);
    expect(await size.evaluate((el: HTMLSelectElement) => el.selectedIndex)).toBe(-1);
  });

  it('keeps a dragged panel width and scope height over a reload', async () => {
    await session.open();
    await pluginPatchWhere((p) => p !== null);
    const left = page.getByLabel('Lists');
    expect((await left.boundingBox())!.width).toBe(250);
    const splitter = (await page.getByRole('separator', { name: 'Left panel width' }).boundingBox())!;
    await page.mouse.move(splitter.x + 2, splitter.y + 200);
    await page.mouse.down();
    await page.mouse.move(splitter.x + 82, splitter.y + 200, { steps: 4 });
    await page.mouse.up();
    expect((await left.boundingBox())!.width).toBe(330);
    const stored = () => page.evaluate(() => JSON.parse(localStorage.getItem('vantrel.ondrix.layout')!));
    expect(await stored()).toMatchObject({ leftWidth: 330, share: 0.5 });
    await page.getByRole('tab', { name: 'Modulation' }).click();
    await page.reload();
    await page.getByRole('tab', { name: 'Modulation', selected: true }).waitFor();
    expect((await page.getByLabel('Lists').boundingBox())!.width).toBe(330);
    await page.getByRole('button', { name: 'Left panel' }).click();
    await page.reload();
    await page.getByRole('tab', { name: 'Modulation', selected: true }).waitFor();
    expect(await page.getByLabel('Lists').count()).toBe(0);
    expect(await stored()).toMatchObject({ leftWidth: 330, leftOpen: false });
    // Double-clicking the scope's edge gives the scope half the height again.
    await page.evaluate(() => localStorage.setItem('vantrel.ondrix.layout', '{"share":0.7}'));
    await page.reload();
    await page.getByRole('separator', { name: 'Scope height' }).dblclick();
    expect(await stored()).toMatchObject({ share: 0.5 });
  });

  it('keeps the scope inside its share of the height, clear of the splitter below it', async () => {
    await session.open();
    for (const share of [0.3, 0.5, 0.85]) {
      await page.evaluate((s) => localStorage.setItem('vantrel.ondrix.layout', JSON.stringify({ share: s })), share);
      await page.reload();
      await page.getByText('120 BPM').waitFor();
      const scope = (await page.getByLabel('Scope', { exact: true }).boundingBox())!;
      const splitter = (await page.getByRole('separator', { name: 'Scope height' }).boundingBox())!;
      expect(scope.y + scope.height).toBeLessThanOrEqual(splitter.y);
      expect(scope.y + scope.height).toBeGreaterThan(splitter.y - 10);
    }
  });

  it('redraws the scope as live values arrive', async () => {
    await session.open();
    await pluginPatchWhere((p) => p !== null);
    const canvas = page.getByLabel('Scope', { exact: true });
    const picture = () => canvas.evaluate((c: HTMLCanvasElement) => c.toDataURL());
    const first = await picture();
    expect(await until(picture, (p) => p !== first)).not.toBe(first);
  });
});
