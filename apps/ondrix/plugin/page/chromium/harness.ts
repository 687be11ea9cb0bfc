// Runs the page in a browser against ondrix-page-server: the real plug-in instance and message
// handler behind a small HTTP server, with the web view's bridge played by a script that posts
// each message to /__ipc and evaluates the scripts that come back. The browser is headless
// Chromium through Playwright, or WebKitGTK (the engine of the plug-in's Linux web view) through
// WebDriver when ONDRIX_PAGE_ENGINE is "webkitgtk"; see webkitgtk.ts.
import { type ChildProcess, spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { createInterface } from 'node:readline';
import { fileURLToPath } from 'node:url';
import { type Browser, type BrowserContext, chromium, type Page } from 'playwright-core';
import { afterAll, afterEach, beforeAll, beforeEach, expect } from 'vitest';
import { starterPatch } from '../src/patch/model';
import type { Patch } from '../src/patch/types';
import { launchWebKitGTK } from './webkitgtk';

const ROOT = fileURLToPath(new URL('../../../../../', import.meta.url));

/** Where the suite leaves its screenshots. */
export const SHOTS = join(ROOT, 'build/page-e2e/screenshots');

export const SERVER =
  process.env.ONDRIX_PAGE_SERVER ?? join(ROOT, 'build-asan/tools/ondrix-page-server');

export type Engine = 'chromium' | 'webkitgtk';

export const ENGINE: Engine = process.env.ONDRIX_PAGE_ENGINE === 'webkitgtk' ? 'webkitgtk' : 'chromium';

/** A screenshot's file name: Chromium's plain, WebKitGTK's marked. */
export const screenshotName = (name: string) => (ENGINE === 'chromium' ? `${name}.png` : `${name}-webkitgtk.png`);

/** The command-line host and the plug-in module of the page server's build. */
export const HOST = join(dirname(SERVER), 'ondrix-host');
export const MODULE = join(dirname(SERVER), '../apps/ondrix/plugin/Vantrel Ondrix.clap');

export function launchBrowser(): Promise<Browser> {
  if (ENGINE === 'webkitgtk') return launchWebKitGTK();
  // Playwright gives each launch a fresh, empty user-data-dir of its own.
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
  });
}

export interface Server {
  url: string;
  home: string;
  presets: string;
  proc: ChildProcess;
  get(path: string): Promise<Response>;
  post(path: string, body: string): Promise<Response>;
  /** The state document's patch, as the plug-in would save it. */
  patch(): Promise<unknown>;
  quit(): Promise<number | null>;
}

export async function startServer(): Promise<Server> {
  const home = mkdtempSync(join(tmpdir(), 'ondrix-home-'));
  const proc = spawn(SERVER, ['--port', '0', '--home', home], { stdio: ['ignore', 'pipe', 'inherit'] });
  const exited = new Promise<number | null>((done) => proc.on('exit', (code) => done(code)));
  // A run that stops early must not leave its server behind.
  const stop = () => proc.kill('SIGKILL');
  process.once('exit', stop);
  void exited.then(() => process.off('exit', stop));
  const lines = createInterface({ input: proc.stdout! });
  const first = await new Promise<string>((done, fail) => {
    lines.once('line', done);
    proc.once('error', fail);
    proc.once('exit', (code) => fail(new Error(`${SERVER} exited with ${code} before listening`)));
  });
  const match = /^listening on (http:\/\/127\.0\.0\.1:\d+)$/.exec(first);
  if (!match) throw new Error(`unexpected first line from the page server: ${first}`);
  lines.on('line', (line) => process.stdout.write(`[page server] ${line}\n`));
  const url = match[1];
  const server: Server = {
    url,
    home,
    presets: join(home, 'Documents', 'Vantrel Ondrix', 'Presets'),
    proc,
    get: (path) => fetch(url + path),
    post: (path, body) => fetch(url + path, { method: 'POST', body }),
    async patch() {
      const res = await server.get('/__test/state');
      return (JSON.parse(await res.text()) as { patch: unknown }).patch;
    },
    async quit() {
      if (proc.exitCode === null) {
        await server.post('/__test/quit', '').catch(() => {});
        const timer = setTimeout(() => proc.kill('SIGKILL'), 10_000);
        const code = await exited;
        clearTimeout(timer);
        rmSync(home, { recursive: true, force: true });
        return code;
      }
      rmSync(home, { recursive: true, force: true });
      return proc.exitCode;
    },
  };
  return server;
}

/**
 * Plays the web view's message handler "ipc": each post goes to /__ipc, one at a time and in
 * order, and the scripts that come back are evaluated in the page. The HTTP round trip runs in a
 * worker, so that the page's main thread does what it does in the plug-in's web view: hand the
 * text over and evaluate the replies.
 */
const BRIDGE = `(() => {
  const posted = [];
  const zooms = [];
  const sizes = []; // UTF-8 bytes of each message
  const test = { posted, zooms, sizes };
  Object.defineProperty(window, '__ipcTest', { value: test });
  const startWorker = () => new Worker(URL.createObjectURL(new Blob([\`
    let chain = Promise.resolve();
    onmessage = (e) => {
      chain = chain.then(async () => {
        const res = await fetch(self.origin + '/__ipc', { method: 'POST', body: e.data });
        postMessage(await res.text());
      });
    };
  \`], { type: 'text/javascript' })));
  const cmds = [];
  // Made only for a page from the server: the first document, about:blank, has no origin.
  const worker = location.origin === 'null' ? null : startWorker();
  const receive = (e) => {
    const { scripts, zooms: z } = JSON.parse(e.data);
    zooms.push(...z);
    for (const script of scripts) (0, eval)(script);
    if (cmds.shift() === 'plugin_init' && test.initReplyAt === undefined) {
      test.initReplyAt = performance.now();
    }
  };
  if (worker) worker.onmessage = receive;
  window.webkit = { messageHandlers: { ipc: { postMessage(text) {
    const message = JSON.parse(text);
    posted.push({ cmd: message.cmd, args: message.args, at: performance.now() });
    sizes.push(new TextEncoder().encode(text).length);
    cmds.push(message.cmd);
    worker.postMessage(text);
  } } } };
})();`;

export interface Session {
  context: BrowserContext;
  page: Page;
  /** Every fault seen so far: page errors, console errors, stray requests, dialogs. */
  faults: string[];
  open(): Promise<void>;
  /** The commands the page posted, in order. */
  posted(): Promise<{ cmd: string; args: Record<string, unknown> }[]>;
  /** The page's last committed patch, from its local storage. */
  storedPatch(): Promise<unknown>;
}

export interface SessionOptions {
  viewport?: { width: number; height: number };
  /** Whether the page is told it runs in the plug-in. */
  plugin?: boolean;
}

export async function openSession(
  browser: Browser,
  server: Server,
  { viewport = { width: 1180, height: 760 }, plugin = true }: SessionOptions = {},
): Promise<Session> {
  const config = (await (await server.get('/__test/config')).json()) as {
    scripts: { source: string; main_frame_only: boolean }[];
  };
  const context = await browser.newContext({ viewport });
  await context.addInitScript(BRIDGE);
  // Without the plug-in's flag the page is not in the plug-in, though `window.ipc` is there.
  for (const script of config.scripts) {
    if (plugin || !script.source.includes('__VANTREL_PLUGIN__')) await context.addInitScript(script.source);
  }
  const page = await context.newPage();
  const faults: string[] = [];
  const origin = new URL(server.url).origin;
  page.on('pageerror', (e) => faults.push(`page error: ${e.message}`));
  page.on('console', (m) => {
    if (m.type() === 'error' && !m.location().url.endsWith('/favicon.ico')) {
      faults.push(`console error: ${m.text()}`);
    }
  });
  page.on('dialog', (d) => {
    faults.push(`dialog: ${d.type()} ${d.message()}`);
    void d.dismiss();
  });
  context.on('request', (r) => {
    if (new URL(r.url()).origin !== origin) faults.push(`request: ${r.url()}`);
  });
  return {
    context,
    page,
    faults,
    async open() {
      await page.goto(`${server.url}/index.html`);
    },
    posted: () => page.evaluate(() => (window as never as { __ipcTest: { posted: never[] } }).__ipcTest.posted),
    async storedPatch() {
      const text = await page.evaluate(() => localStorage.getItem('vantrel.ondrix.patch'));
      return text === null ? null : JSON.parse(text);
    },
  };
}

/** Polls until `probe` gives a value that passes `ok`; returns the last value. */
export async function until<T>(probe: () => Promise<T>, ok: (v: T) => boolean, ms = 10_000): Promise<T> {
  const end = Date.now() + ms;
  for (;;) {
    const v = await probe();
    if (ok(v) || Date.now() > end) return v;
    await new Promise((r) => setTimeout(r, 25));
  }
}

/** The running test's browser, server, session and page: see eachTestOnItsOwnServer. */
export let browser: Browser;
export let server: Server;
export let session: Session;
export let page: Page;

/**
 * Gives each test of the calling file a page server of its own and a session on it, not yet
 * opened, in one browser for the whole file. After each test its session and server close, and
 * the test fails on any fault the page met or on a server that did not exit cleanly.
 */
export function eachTestOnItsOwnServer() {
  beforeAll(async () => {
    browser = await launchBrowser();
  });
  afterAll(async () => {
    await browser?.close();
  });
  beforeEach(async () => {
    server = await startServer();
    session = await openSession(browser, server);
    page = session.page;
  });
  afterEach(async () => {
    await session.context.close();
    const code = await server.quit();
    expect(session.faults).toEqual([]);
    expect(code).toBe(0);
  });
}

/** Closes the running test's session and starts a new one on the same server. */
export async function reopenSession(options: SessionOptions) {
  await session.context.close();
  session = await openSession(browser, server, options);
  page = session.page;
}

/** The busiest patch: all 16 sources and 64 outputs on, each output fed by its own tap. */
export function fullPatch(): Patch {
  const patch = starterPatch();
  patch.sources.forEach((s) => { s.enabled = true; });
  patch.outputs.forEach((o) => { o.enabled = true; });
  patch.routes = patch.outputs.map((_, n) => ({
    from: n % 16, tap: Math.floor(n / 16), amount: 1, to: 'output' as const, index: n,
  }));
  return patch;
}
