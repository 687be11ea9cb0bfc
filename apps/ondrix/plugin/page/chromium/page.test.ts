import { existsSync, mkdirSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { isDeepStrictEqual } from 'node:util';
import { describe, expect, it } from 'vitest';
import { migrate } from '../src/patch/migrate';
import { emptyPatch, starterPatch } from '../src/patch/model';
import type { Patch } from '../src/patch/types';
import { canonicalJson } from '../src/text';
import { browser, ENGINE, eachTestOnItsOwnServer, fullPatch, page, reopenSession, server, session, until } from './harness';
import { frameTimes, type FrameTimes } from './trace';

/** A value as it comes back from the plug-in: the page's canonical JSON, parsed. */
const asSent = (p: Patch | null) => JSON.parse(canonicalJson(p));

eachTestOnItsOwnServer();

const stateBecomes = async (expected: unknown) =>
  expect(await until(() => server.patch(), (p) => isDeepStrictEqual(p, expected))).toEqual(expected);

const commands = async () => (await session.posted()).map((p) => p.cmd);

async function answer(question: string, yes: boolean) {
  const dialog = page.getByRole('dialog');
  await dialog.waitFor();
  expect(await dialog.locator('p').textContent()).toBe(question);
  // The confirming button comes last; its label names the action.
  await (yes ? dialog.locator('button').last() : dialog.getByRole('button', { name: 'Cancel' })).click();
  await dialog.waitFor({ state: 'detached' });
}

async function newPatch(kind: 'Starter patch' | 'Empty patch', question?: string) {
  await page.getByRole('button', { name: 'New patch' }).click();
  await page.getByRole('menuitem', { name: kind }).click();
  if (question) await answer(question, true);
}

const presetFiles = () => (existsSync(server.presets) ? readdirSync(server.presets).sort() : []);
/** A preset file put there by hand (the folder may not be made yet). */
function putPreset(name: string, text: string) {
  mkdirSync(server.presets, { recursive: true });
  writeFileSync(join(server.presets, `${name}.vtond`), text);
}
const presetText = (name: string) => readFileSync(join(server.presets, `${name}.vtond`), 'utf8');
const currentPreset = () => page.locator('.presets .current').textContent();
const presetError = () => page.locator('.presets .error').textContent();

describe('start-up', () => {
  it('asks the plug-in first, then sends the starter patch, lists presets and polls', async () => {
    await session.open();
    await until(commands, (c) => c.filter((x) => x === 'live_values').length >= 3);
    const cmds = await commands();
    expect(cmds.slice(0, 4)).toEqual(['plugin_init', 'set_patch', 'presets_list', 'live_values']);
    expect(cmds.slice(4).every((c) => c === 'live_values')).toBe(true);
    await stateBecomes(asSent(starterPatch()));
    expect(await session.storedPatch()).toEqual(asSent(starterPatch()));
    const initAt = await page.evaluate(() => (window as never as { __ipcTest: { initReplyAt: number } }).__ipcTest.initReplyAt);
    console.log(`figure: navigation to plugin_init reply ${initAt.toFixed(1)} ms`);
  });

  it('zooms to a stored size first', async () => {
    await session.open();
    await page.evaluate(() => localStorage.setItem('vantrel.uiScale', '1.3'));
    await page.reload();
    await until(commands, (c) => c.includes('live_values'));
    const posted = await session.posted();
    expect(posted.slice(0, 2).map((p) => [p.cmd, p.args])).toEqual([
      ['zoom', { scale: 1.3 }], ['plugin_init', {}],
    ]);
    expect(await page.evaluate(() => (window as never as { __ipcTest: { zooms: number[] } }).__ipcTest.zooms))
      .toEqual([1.3]);
  });
});

describe('outside the plug-in', () => {
  it('sends nothing, even where a bridge exists', async () => {
    await reopenSession({ plugin: false });
    await session.open();
    await page.getByText('120 BPM').waitFor();
    await page.waitForTimeout(500);
    expect(await page.evaluate(() => typeof (window as never as { ipc: unknown }).ipc)).toBe('object');
    expect(await session.posted()).toEqual([]);
    expect(await page.getByRole('button', { name: 'Restart' }).count()).toBe(0);
  });
});

describe('editing and history', () => {
  it('sends an edit, its undo and its redo to the plug-in', async () => {
    await session.open();
    await stateBecomes(asSent(starterPatch()));
    await newPatch('Empty patch', 'Start a new patch?');
    await stateBecomes(asSent(emptyPatch()));
    await page.keyboard.press('Control+z');
    await stateBecomes(asSent(starterPatch()));
    await page.keyboard.press('Control+Shift+Z');
    await stateBecomes(asSent(emptyPatch()));
    await page.getByRole('button', { name: 'Undo' }).click();
    await stateBecomes(asSent(starterPatch()));
    expect(await session.storedPatch()).toEqual(asSent(starterPatch()));
  });

  it('takes a patch the host loads, and starts the history from it', async () => {
    await session.open();
    await newPatch('Empty patch', 'Start a new patch?');
    await stateBecomes(asSent(emptyPatch()));
    const loaded = { ...starterPatch(), tempo: 97 };
    loaded.sources[5].enabled = true;
    const res = await server.post('/__test/state', JSON.stringify({ patch: loaded, version: 1 }));
    expect(res.status).toBe(200);
    await page.getByText('97 BPM').waitFor();
    expect((await commands()).filter((c) => c === 'plugin_init')).toHaveLength(2);
    expect(await session.storedPatch()).toEqual(asSent(loaded));
    await stateBecomes(asSent(loaded));
    expect(await page.getByRole('button', { name: 'Undo' }).isDisabled()).toBe(true);
  });
});

describe('presets', () => {
  const saveAs = async (name: string) => {
    await page.getByRole('button', { name: 'Save as…' }).click();
    const field = page.getByRole('textbox', { name: 'Preset name' });
    await field.fill(name);
    await field.press('Enter');
  };

  it('saves, replaces, loads, renames and deletes', async () => {
    await session.open();
    await page.getByRole('button', { name: 'Save', exact: true }).click();
    const field = page.getByRole('textbox', { name: 'Preset name' });
    await field.fill('  Bass ');
    await field.press('Enter');
    await page.getByRole('button', { name: 'Bass', exact: true }).waitFor();
    expect(presetFiles()).toEqual(['Bass.vtond']);
    expect(JSON.parse(presetText('Bass'))).toEqual(asSent(starterPatch()));
    expect(await currentPreset()).toBe('Bass');

    // The same patch is no loss: no question. Saving under a listed name asks, any case.
    await newPatch('Empty patch');
    expect(await currentPreset()).toBe('Not saved as a preset');
    await saveAs('bass');
    await answer('Replace “Bass”?', false);
    await saveAs('BASS');
    await answer('Replace “Bass”?', true);
    expect(await until(async () => presetText('Bass'), (t) => t === canonicalJson(emptyPatch())))
      .toBe(canonicalJson(emptyPatch()));
    expect(presetFiles()).toEqual(['Bass.vtond']);
    expect(await until(currentPreset, (c) => c === 'Bass')).toBe('Bass');

    await newPatch('Starter patch');
    await page.getByRole('button', { name: 'Bass', exact: true }).click();
    await answer('Load “Bass”?', true);
    await stateBecomes(asSent(emptyPatch()));
    expect(await currentPreset()).toBe('Bass');

    await page.getByRole('button', { name: 'Rename Bass' }).click();
    const rename = page.getByRole('textbox', { name: 'New name for Bass' });
    await rename.fill('Lead');
    await rename.press('Enter');
    await page.getByRole('button', { name: 'Lead', exact: true }).waitFor();
    await page.getByRole('button', { name: 'Rename Lead' }).click();
    await page.getByRole('textbox', { name: 'New name for Lead' }).fill(' Pad');
    await page.locator('h1').click();
    await page.getByRole('button', { name: 'Pad', exact: true }).waitFor();
    expect(presetFiles()).toEqual(['Pad.vtond']);
    expect(await currentPreset()).toBe('Pad');
    expect((await commands()).filter((c) => c === 'preset_rename')).toHaveLength(2);

    await page.getByRole('button', { name: 'Delete Pad' }).click();
    await answer('Delete “Pad”?', true);
    await until(async () => presetFiles(), (f) => f.length === 0);
    await page.getByRole('button', { name: 'Pad', exact: true }).waitFor({ state: 'detached' });
    expect(await currentPreset()).toBe('Not saved as a preset');
  });

  it('shows the plug-in\'s refusals and unreadable files, keeping the patch', async () => {
    await session.open();
    await stateBecomes(asSent(starterPatch()));
    await saveAs('a/b');
    await page.getByText('“a/b” can\'t be used as a preset name').waitFor();

    putPreset('Broken', '{"sources": [');
    await page.getByRole('button', { name: 'Refresh' }).click();
    await page.getByRole('button', { name: 'Broken', exact: true }).click();
    await answer('Load “Broken”?', true);
    await page.locator('.presets .error').waitFor();
    expect(await presetError()).toMatch(/^“Broken” can't be read: /);

    putPreset('Hello', '{"hello":1}');
    putPreset('Text', '{"sources":"x"}');
    await page.getByRole('button', { name: 'Refresh' }).click();
    for (const name of ['Hello', 'Text']) {
      await page.getByRole('button', { name, exact: true }).click();
      await answer(`Load “${name}”?`, true);
      expect(await until(presetError, (e) => e === `“${name}” isn't a patch`)).toBe(`“${name}” isn't a patch`);
    }
    expect(await currentPreset()).toBe('Not saved as a preset');
    expect(await server.patch()).toEqual(asSent(starterPatch()));
    expect(await session.storedPatch()).toEqual(asSent(starterPatch()));
  });

  // 3.9 MB of routes written short: the page writes each in full, over 4 MiB in all.
  const shortRoutes = () => {
    const routes = Array.from({ length: 100_000 }, (_, i) => ({ from: i % 16, to: 1, index: i % 64, amount: 1 }));
    const file = JSON.stringify({ sources: [], outputs: [{ cc: 1 }], routes });
    expect(file.length).toBeLessThan(4 * 1024 * 1024 - 100);
    return file;
  };
  const largestPosted = async () => Math.max(
    ...await page.evaluate(() => (window as never as { __ipcTest: { sizes: number[] } }).__ipcTest.sizes),
  );

  it('keeps a patch from the host that grew too large to send back, and says so where the user acts', async () => {
    const file = shortRoutes();
    await server.post('/__test/state', `{"patch":${file},"version":1}`);
    await session.open();
    const status = page.locator('.bottom-bar .error');
    expect(await status.textContent()).toBe('This patch is too large for the plug-in');
    await saveAs('Huge');
    expect(await until(presetError, (e) => e !== null)).toBe('This patch is too large for the plug-in');
    expect(presetFiles()).toEqual([]);
    expect(await largestPosted()).toBeLessThanOrEqual(4 * 1024 * 1024);
    expect(await server.patch()).toEqual(JSON.parse(file));
  });

  it('refuses a preset too large for the plug-in once the page has read it, sending nothing over the bound', async () => {
    const file = shortRoutes();
    await session.open();
    await stateBecomes(asSent(starterPatch()));
    putPreset('Huge', file);
    await page.getByRole('button', { name: 'Refresh' }).click();
    await page.getByRole('button', { name: 'Huge', exact: true }).click();
    await answer('Load “Huge”?', true);
    expect(await until(presetError, (e) => e !== null)).toBe('This patch is too large for the plug-in');
    expect(await currentPreset()).toBe('Not saved as a preset');
    expect(await server.patch()).toEqual(asSent(starterPatch()));
    expect(await session.storedPatch()).toEqual(asSent(starterPatch()));
    expect(await largestPosted()).toBeLessThanOrEqual(4 * 1024 * 1024);
    // The page goes on: an edit reaches the plug-in.
    await newPatch('Empty patch', 'Start a new patch?');
    await stateBecomes(asSent(emptyPatch()));
  });

  it('saves a name holding a lone surrogate with U+FFFD in its place and goes on', async () => {
    await session.open();
    await page.getByRole('button', { name: 'Save as…' }).click();
    const field = page.getByRole('textbox', { name: 'Preset name' });
    await field.evaluate((el: HTMLInputElement) => { el.value = 'Keys ' + String.fromCharCode(0xd800); });
    await field.press('Enter');
    await page.getByRole('button', { name: 'Keys \ufffd', exact: true }).waitFor();
    expect(presetFiles()).toEqual(['Keys \ufffd.vtond']);
    expect(await currentPreset()).toBe('Keys \ufffd');
    const before = (await commands()).length;
    await until(commands, (c) => c.length > before + 5);
    await page.getByRole('button', { name: 'Delete Keys \ufffd' }).click();
    await answer('Delete “Keys \ufffd”?', true);
    await until(async () => presetFiles(), (f) => f.length === 0);
  });

  it('loads old preset files into a patch the plug-in takes', async () => {
    const sine = { shape: { kind: 'sine' }, rate: { mode: 'free', hz: 3 } };
    const old = {
      sources: [
        { shape: { kind: 'chaos', system: 'lorenz' }, rate: { mode: 'free', hz: 0.5 }, enabled: true },
        { shape: { kind: 'sawDown' }, rate: { mode: 'free', hz: 1 }, depth: 0.8 },
        { shape: { kind: 'square' }, rate: { mode: 'sync', beats: 1 }, skew: 0.3 },
        { shape: { kind: 'plasma' }, rate: { mode: 'free', hz: 2 }, a: 0.9 },
        { shape: { kind: 'chaos' }, rate: { mode: 'free', hz: 2 } },
        { shape: { kind: 'sawDown' }, rate: { mode: 'free', hz: 1 } },
        ...Array.from({ length: 14 }, () => sine),
      ],
      outputs: [{ cc: 20, enabled: true }, { cc: 21 }, { cc: 22, fine: true }],
      routes: [
        { from: 0, to: 'output', index: 0, amount: 1 },
        { from: 17, tap: 0, to: 'output', index: 1, amount: 1 },
        { from: 1, tap: 1, to: 'source', index: 0, param: 'tempo', amount: 0.5 },
        { from: 2, tap: 1, to: 'source', index: 0, param: 'skew', amount: 0.5 },
      ],
      tempo: 97.6,
    };
    await session.open();
    await stateBecomes(asSent(starterPatch()));
    putPreset('Old', JSON.stringify(old, null, 2));
    await page.getByRole('button', { name: 'Refresh' }).click();
    await page.getByRole('button', { name: 'Old', exact: true }).click();
    await answer('Load “Old”?', true);
    const expected = asSent(migrate(old));
    await stateBecomes(expected);
    expect(await session.storedPatch()).toEqual(expected);
    expect(expected.sources).toHaveLength(16);
    expect(expected.outputs).toHaveLength(64);
    expect(expected.routes).toHaveLength(2);
  });
});

describe('display', () => {
  it('measures the main thread per display frame with 16 sources and 64 outputs', async ({ skip }) => {
    skip(ENGINE !== 'chromium', 'the figure is read from a Chromium trace; WebDriver has no timeline');
    const busy = fullPatch();
    await session.open();
    await stateBecomes(asSent(starterPatch()));
    await server.post('/__test/state', JSON.stringify({ patch: busy, version: 1 }));
    await until(() => session.storedPatch(), (p) => isDeepStrictEqual(p, asSent(busy)));
    const times: FrameTimes = await frameTimes(browser, page, 10_000);
    const ms = (v: number) => `${v.toFixed(2)} ms`;
    console.log(
      `figure: main thread per display frame over ${times.frames} frames: ` +
        `median ${ms(times.busy.median)}, 95th percentile ${ms(times.busy.p95)}; ` +
        `of which script: median ${ms(times.script.median)}, 95th percentile ${ms(times.script.p95)}`,
    );
    expect(times.frames).toBeGreaterThan(100);
  });
});
