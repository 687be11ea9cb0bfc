// A W3C WebDriver client for WebKitGTK: Debian's WebKitWebDriver, which starts the MiniBrowser
// shipped with libwebkit2gtk-4.1 in automation mode (an ephemeral data manager, as in the
// plug-in's web view). Needs an X display: run under xvfb-run.
import { type ChildProcess, spawn } from 'node:child_process';
import { createServer } from 'node:net';

export const DRIVER = '/usr/bin/WebKitWebDriver';
export const MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

/** How long a navigation may take, the page's load included. */
const PAGE_LOAD = 30_000;

/** A failed command: the driver's error code (e.g. "no such window") and message. */
export class WebDriverError extends Error {
  constructor(
    readonly code: string,
    message: string,
  ) {
    super(`WebDriver ${code}: ${message}`);
  }
}

function freePort(): Promise<number> {
  return new Promise((done, fail) => {
    const probe = createServer();
    probe.once('error', fail);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address() as { port: number };
      probe.close(() => done(port));
    });
  });
}

/** One command; a driver that does not answer in time is an error that names the command. */
async function call(url: string, method: string, body?: unknown, timeout = 20_000): Promise<unknown> {
  let res: Response;
  try {
    res = await fetch(url, {
      method,
      headers: body === undefined ? {} : { 'Content-Type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body),
      signal: AbortSignal.timeout(timeout),
    });
  } catch (e) {
    const path = new URL(url).pathname.replace(/^\/session\/[^/]+/, '');
    throw new Error(`WebDriver ${method} ${path || '/session'}: ${(e as Error).message}`);
  }
  const reply = (await res.json()) as { value: unknown };
  const value = reply.value as { error?: string; message?: string } | null;
  if (!res.ok || (value && typeof value === 'object' && typeof value.error === 'string')) {
    throw new WebDriverError(value?.error ?? String(res.status), value?.message ?? '');
  }
  return reply.value;
}

/** One WebKitWebDriver process; each session is a MiniBrowser of its own. */
export class Driver {
  private constructor(
    private readonly proc: ChildProcess,
    readonly url: string,
  ) {}

  static async start(): Promise<Driver> {
    if (!process.env.DISPLAY) throw new Error('WebKitGTK needs an X display: run the suite under xvfb-run');
    const port = await freePort();
    const proc = spawn(DRIVER, [`--port=${port}`], { stdio: ['ignore', 'ignore', 'inherit'] });
    const stop = () => proc.kill('SIGKILL');
    process.once('exit', stop);
    proc.once('exit', () => process.off('exit', stop));
    const driver = new Driver(proc, `http://127.0.0.1:${port}`);
    const end = Date.now() + 10_000;
    for (;;) {
      if (proc.exitCode !== null) throw new Error(`${DRIVER} exited with ${proc.exitCode}`);
      try {
        await call(`${driver.url}/status`, 'GET');
        return driver;
      } catch (e) {
        if (Date.now() > end) throw e;
        await new Promise((r) => setTimeout(r, 50));
      }
    }
  }

  async newSession(): Promise<Session> {
    const value = (await call(`${this.url}/session`, 'POST', {
      capabilities: {
        alwaysMatch: {
          'webkitgtk:browserOptions': { binary: MINIBROWSER, args: ['--automation'] },
          // A dialog the page opens is dismissed; the page's own fault recorder reports it.
          unhandledPromptBehavior: 'dismiss',
          timeouts: { pageLoad: PAGE_LOAD },
        },
      },
    })) as { sessionId: string };
    return new Session(`${this.url}/session/${value.sessionId}`);
  }

  async quit(): Promise<void> {
    if (this.proc.exitCode !== null) return;
    const exited = new Promise((done) => this.proc.once('exit', done));
    this.proc.kill('SIGTERM');
    await exited;
  }
}

/** A W3C element reference, as scripts return it and take it. */
export type ElementRef = { 'element-6066-11e4-a52e-4f735ffb4c9b': string };

export type Action =
  | { type: 'pause'; duration?: number }
  | { type: 'keyDown' | 'keyUp'; value: string }
  | { type: 'pointerMove'; x: number; y: number; duration?: number; origin?: 'viewport' }
  | { type: 'pointerDown' | 'pointerUp'; button: number };

/** An input source of an action sequence; its state lasts from one `perform` to the next. */
export type Source =
  | { type: 'key'; id: string; actions: Action[] }
  | { type: 'pointer'; id: string; parameters: { pointerType: 'mouse' }; actions: Action[] };

/** One browser window under automation. */
export class Session {
  constructor(private readonly url: string) {}

  private command(method: string, path: string, body?: unknown, timeout?: number) {
    return call(this.url + path, method, body, timeout);
  }

  navigate(url: string) {
    return this.command('POST', '/url', { url }, PAGE_LOAD);
  }

  refresh() {
    return this.command('POST', '/refresh', {}, PAGE_LOAD);
  }

  /** Runs a function body with `arguments`; its result comes back as JSON. */
  execute(body: string, args: unknown[] = []): Promise<unknown> {
    return this.command('POST', '/execute/sync', { script: body, args });
  }

  /** Runs a function body whose last argument is the callback that ends it. */
  executeAsync(body: string, args: unknown[] = []): Promise<unknown> {
    return this.command('POST', '/execute/async', { script: body, args });
  }

  perform(sources: Source[]) {
    return this.command('POST', '/actions', { actions: sources });
  }

  async screenshot(): Promise<Buffer> {
    return Buffer.from((await this.command('GET', '/screenshot')) as string, 'base64');
  }

  windowRect() {
    return this.command('GET', '/window/rect') as Promise<{ width: number; height: number }>;
  }

  setWindowRect(width: number, height: number) {
    return this.command('POST', '/window/rect', { width, height });
  }

  async close(): Promise<void> {
    await this.command('DELETE', '');
  }
}
