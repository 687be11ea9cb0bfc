// Opening the editor on a patch the host loaded must not change what the plug-in plays: the page
// sends its own form of the patch back at once, and ondrix-host must hear the same control
// changes from the state saved then as from the file the user wrote.
import { execFile } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { isDeepStrictEqual, promisify } from 'node:util';
import { afterAll, describe, expect, it } from 'vitest';
import { eachTestOnItsOwnServer, HOST, MODULE, server, session, until } from './harness';

const EXAMPLES = fileURLToPath(new URL('../../../../../examples/', import.meta.url));
const run = promisify(execFile);

eachTestOnItsOwnServer();

const work = mkdtempSync(join(tmpdir(), 'ondrix-opening-'));
afterAll(() => rmSync(work, { recursive: true, force: true }));

const lines = (out: string) => out.split('\n').filter((l) => l !== '').length;

/** The control changes ondrix-host prints for two seconds of a state or patch file. */
async function played(file: string): Promise<string> {
  const { stdout } = await run(HOST, [MODULE, '--seconds', '2', '--state', file]);
  return stdout;
}

// Every key the reader would default left out, with shapes, targets and signals that have
// fields of their own.
const REQUIRED_ONLY = {
  sources: [
    { shape: { kind: 'triangle' }, rate: { mode: 'free', hz: 2 } },
    { shape: { kind: 'smoothRandom' }, rate: { mode: 'sync', beats: 1 } },
    { shape: { kind: 'field' }, rate: { mode: 'free', hz: 0.5 } },
    { shape: { kind: 'drawn', table: [0, 1, -1] }, rate: { mode: 'free', hz: 3 } },
    { shape: { kind: 'wander' }, rate: { mode: 'free', hz: 1 } },
  ],
  routes: [
    { from: 0, amount: 1, to: 'output', index: 0 },
    { from: 1, amount: 1, to: 'output', index: 1 },
    { from: 2, amount: 1, to: 'output', index: 2 },
    { from: 3, amount: 1, to: 'output', index: 3 },
    { from: 4, amount: 0.5, to: 'source', index: 0, param: 'b' },
    { from: 4, amount: 1, to: 'output', index: 4 },
  ],
  outputs: [
    { cc: 20 }, { cc: 21 }, { cc: 22 }, { cc: 23 }, { cc: 24 },
    { cc: 25, signal: { kind: 'clock', ppqn: 4 } },
  ],
};

const patches: [string, string][] = [
  ...readdirSync(EXAMPLES).filter((f) => f.endsWith('.json')).sort()
    .map((f): [string, string] => [f, readFileSync(join(EXAMPLES, f), 'utf8')]),
  ['a patch of only the required keys', JSON.stringify(REQUIRED_ONLY)],
];

describe('opening the editor', () => {
  it.each(patches)('plays %s as before', async (name, text) => {
    const original = join(work, `${name}.original.json`);
    writeFileSync(original, text);
    const before = await played(original);
    expect(lines(before)).toBeGreaterThan(10);

    const res = await server.post('/__test/state', JSON.stringify({ patch: JSON.parse(text), version: 1 }));
    expect(await res.json()).toEqual({ ok: true });
    await session.open();
    // The page has sent its form of the patch once the plug-in holds what the page stored.
    const sent = await until(
      async () => [await server.patch(), await session.storedPatch()],
      ([held, stored]) => stored !== null && isDeepStrictEqual(held, stored),
    );
    expect(sent[0]).toEqual(sent[1]);

    const saved = join(work, `${name}.saved.json`);
    writeFileSync(saved, await (await server.get('/__test/state')).text());
    const after = await played(saved);
    console.log(`figure: ${name}: ${lines(before)} control changes before opening, ${lines(after)} after`);
    expect(after).toBe(before);
    // Undo has nothing to go back to: the history starts from the patch as opened.
    expect(await session.page.getByRole('button', { name: 'Undo' }).isDisabled()).toBe(true);
  });
});
