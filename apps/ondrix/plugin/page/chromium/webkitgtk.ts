// The browser suite's WebKitGTK engine: the part of Playwright's Browser, BrowserContext, Page,
// Locator, Keyboard and Mouse that the suites use, over W3C WebDriver (see webdriver.ts).
//
// - Each context is a WebDriver session: a MiniBrowser of its own with fresh, ephemeral storage.
// - Init scripts: WebDriver has none, so the page server is asked to put them first in the HTML
//   it serves (its /__test/start-scripts hook). They run before the page's own scripts, as
//   Playwright's do, but only in documents from the page server.
// - Input is real: pointer and key actions go through WebKitGTK's own event handling.
// - The colour scheme is the display's: emulateMedia switches the GTK theme between light and
//   dark through an XSETTINGS manager, as a desktop does (see system-theme.ts); each new context
//   starts light.
// - Page errors, console errors, dialogs and requests are recorded inside the page by a start-up
//   script of this backend and handed to the Playwright-style listeners before every navigation
//   and when the context closes.
// Anything else of Playwright's API throws, naming what is missing, so a test that needs it fails
// in WebKitGTK instead of passing unseen.
import { writeFileSync } from 'node:fs';
import type { Browser, BrowserContext, Locator, Page } from 'playwright-core';
import { domQuery, type Found, type Step } from './dom-query';
import { SystemTheme } from './system-theme';
import { Driver, type Session, WebDriverError } from './webdriver';
import { WebKitKeyboard, WebKitMouse } from './webdriver-input';

const DEFAULT_TIMEOUT = 30_000;
const QUERY = `return (${domQuery.toString()}).apply(null, arguments)`;

const sleep = (ms: number) => new Promise((r) => setTimeout(r, ms));

/** Makes `impl` stand for a Playwright type; a member it lacks throws when the test touches it. */
function standIn<T>(impl: object, type: string): T {
  const innocuous = new Set(['then', 'toJSON', 'constructor', 'asymmetricMatch', '$$typeof', 'nodeType']);
  return new Proxy(impl, {
    get(target, prop, receiver) {
      if (typeof prop === 'symbol' || prop in target || innocuous.has(prop)) {
        return Reflect.get(target, prop, receiver);
      }
      throw new Error(`${type}.${prop} is not available in the WebKitGTK (WebDriver) engine of the browser suite`);
    },
  }) as T;
}

interface Fault {
  kind: 'pageerror' | 'console' | 'dialog' | 'request';
  type?: string;
  text: string;
  url?: string;
}

/** Records what Playwright would report as events; the first start-up script of every page. */
const RECORDER = `(() => {
  const faults = [];
  let requests = 0;
  Object.defineProperty(window, '__webdriverFaults', { value: () => {
    const entries = performance.getEntriesByType('resource');
    for (; requests < entries.length; requests++) {
      faults.push({ kind: 'request', text: entries[requests].name });
    }
    return faults.splice(0);
  } });
  performance.setResourceTimingBufferSize?.(1e6);
  addEventListener('error', (e) => {
    if (e instanceof ErrorEvent) {
      faults.push({ kind: 'pageerror', text: e.error?.message ?? e.message });
    } else if (e.target instanceof Element) {
      const url = e.target.src || e.target.href || '';
      faults.push({ kind: 'console', type: 'error', text: 'Failed to load resource: ' + url, url });
    }
  }, true);
  addEventListener('unhandledrejection', (e) => {
    faults.push({ kind: 'pageerror', text: e.reason?.message ?? String(e.reason) });
  });
  const error = console.error.bind(console);
  console.error = (...args) => {
    faults.push({ kind: 'console', type: 'error', text: args.map(String).join(' '), url: location.href });
    error(...args);
  };
  const dismissed = { alert: undefined, confirm: false, prompt: null };
  for (const type of Object.keys(dismissed)) {
    window[type] = (message) => {
      faults.push({ kind: 'dialog', type, text: String(message ?? '') });
      return dismissed[type];
    };
  }
})();`;

interface RoleOptions { name?: string; exact?: boolean; selected?: boolean; checked?: boolean }
type WaitState = 'attached' | 'detached' | 'visible' | 'hidden';

class WebKitLocator {
  constructor(
    private readonly page: WebKitPage,
    private readonly steps: Step[],
  ) {}

  private chain(s: Step): Locator {
    return locatorOf(this.page, [...this.steps, s]);
  }

  getByRole(role: string, options: RoleOptions = {}) {
    return this.chain({ by: 'role', role, ...options });
  }

  getByText(text: string, { exact }: { exact?: boolean } = {}) {
    return this.chain({ by: 'text', text, exact });
  }

  getByLabel(text: string, { exact }: { exact?: boolean } = {}) {
    return this.chain({ by: 'label', text, exact });
  }

  locator(css: string, { hasText }: { hasText?: string } = {}) {
    return this.chain({ by: 'css', css, hasText });
  }

  first() {
    return this.chain({ by: 'nth', index: 0 });
  }

  last() {
    return this.chain({ by: 'nth', index: -1 });
  }

  nth(index: number) {
    return this.chain({ by: 'nth', index });
  }

  private describe() {
    return JSON.stringify(this.steps);
  }

  private found(mode?: 'point' | 'box') {
    return this.page.session.execute(QUERY, [this.steps, 'found', mode]) as Promise<Found>;
  }

  /** Polls until one element passes `ok` (more than one is an error, as in Playwright's strict mode). */
  private async one(ok: (f: Found) => boolean, what: string, mode?: 'point' | 'box', timeout = DEFAULT_TIMEOUT) {
    const end = Date.now() + timeout;
    for (;;) {
      const f = await this.found(mode);
      if (f.count > 1) throw new Error(`strict mode violation: ${this.describe()} resolved to ${f.count} elements`);
      if (f.count === 1 && ok(f)) return f;
      if (Date.now() > end) throw new Error(`timed out after ${timeout} ms waiting for ${this.describe()} to be ${what}`);
      await sleep(25);
    }
  }

  /** Runs `body` (a function of the element and `arg`) on the one element, once it passes `ok`. */
  private async run(body: string, arg?: unknown, ok: (f: Found) => boolean = () => true, what = 'attached') {
    await this.one(ok, what);
    const script = `const els = (${domQuery.toString()})(arguments[0], 'all');
      if (els.length !== 1) throw new Error('the element went away');
      return (${body})(els[0], arguments[1]);`;
    return this.page.session.execute(script, [this.steps, arg]);
  }

  async waitFor({ state = 'visible', timeout = DEFAULT_TIMEOUT }: { state?: WaitState; timeout?: number } = {}) {
    const end = Date.now() + timeout;
    for (;;) {
      const f = await this.found();
      if (state !== 'detached' && f.count > 1) {
        throw new Error(`strict mode violation: ${this.describe()} resolved to ${f.count} elements`);
      }
      const done = { attached: f.count === 1, detached: f.count === 0, visible: f.visible === true, hidden: !f.visible }[state];
      if (done) return;
      if (Date.now() > end) throw new Error(`timed out after ${timeout} ms waiting for ${this.describe()} to be ${state}`);
      await sleep(25);
    }
  }

  async count() {
    return (await this.found()).count;
  }

  async boundingBox() {
    return (await this.one(() => true, 'attached', 'box')).box ?? null;
  }

  async isVisible() {
    const f = await this.found();
    return f.visible === true;
  }

  async isDisabled() {
    return !(await this.one(() => true, 'attached')).enabled;
  }

  async isEnabled() {
    return (await this.one(() => true, 'attached')).enabled === true;
  }

  async click() {
    const f = await this.one((x) => x.visible === true && x.enabled === true && x.hit === true,
      'visible, enabled and not covered', 'point');
    await this.page.mouse.click(f.box!.x + f.box!.width / 2, f.box!.y + f.box!.height / 2);
  }

  async dblclick() {
    const f = await this.one((x) => x.visible === true && x.enabled === true && x.hit === true,
      'visible, enabled and not covered', 'point');
    await this.page.mouse.dblclick(f.box!.x + f.box!.width / 2, f.box!.y + f.box!.height / 2);
  }

  async check() {
    if (await this.isChecked()) return;
    await this.click();
    if (!(await this.isChecked())) throw new Error(`clicking ${this.describe()} did not check it`);
  }

  async uncheck() {
    if (!(await this.isChecked())) return;
    await this.click();
    if (await this.isChecked()) throw new Error(`clicking ${this.describe()} did not uncheck it`);
  }

  isChecked() {
    return this.run(`(el) => el.checked ?? el.getAttribute('aria-checked') === 'true'`) as Promise<boolean>;
  }

  focus() {
    return this.run('(el) => { el.focus(); }');
  }

  async press(key: string) {
    await this.focus();
    await this.page.keyboard.press(key);
  }

  /** As Playwright: focus, then one key press per character. */
  async pressSequentially(text: string) {
    await this.focus();
    await this.page.keyboard.type(text);
  }

  /** As Playwright: select the field's text and insert the value in its place (one input event). */
  async fill(value: string) {
    await this.run(`(el, value) => {
        el.focus();
        if (el instanceof HTMLInputElement || el instanceof HTMLTextAreaElement) el.select();
        else getSelection().selectAllChildren(el);
        if (value) document.execCommand('insertText', false, value);
        else document.execCommand('delete');
      }`, value, (f) => f.visible === true && f.editable === true, 'visible, enabled and editable');
  }

  /** As Playwright: picks options by value or label and sends "input" and "change". */
  async selectOption(values: string | string[]) {
    const wanted = Array.isArray(values) ? values : [values];
    const end = Date.now() + DEFAULT_TIMEOUT;
    for (;;) {
      const picked = (await this.run(`(el, wanted) => {
          const options = [...el.options];
          const chosen = wanted.map((w) => options.find((o) => o.value === w || o.label === w));
          if (chosen.some((o) => !o)) return null;
          for (const o of options) o.selected = chosen.includes(o);
          el.dispatchEvent(new Event('input', { bubbles: true, composed: true }));
          el.dispatchEvent(new Event('change', { bubbles: true }));
          return chosen.map((o) => o.value);
        }`, wanted, (f) => f.visible === true && f.enabled === true, 'visible and enabled')) as string[] | null;
      if (picked) return picked;
      if (Date.now() > end) throw new Error(`no option ${JSON.stringify(wanted)} in ${this.describe()}`);
      await sleep(25);
    }
  }

  inputValue() {
    return this.run(`(el) => {
        if (!('value' in el)) throw new Error('not an input, textarea or select element');
        return el.value;
      }`) as Promise<string>;
  }

  getAttribute(name: string) {
    return this.run('(el, name) => el.getAttribute(name)', name) as Promise<string | null>;
  }

  textContent() {
    return this.run('(el) => el.textContent') as Promise<string | null>;
  }

  innerText() {
    return this.run('(el) => el.innerText') as Promise<string>;
  }

  evaluate<R, A>(fn: (el: never, arg: A) => R, arg?: A): Promise<R> {
    return this.run(fn.toString(), arg) as Promise<R>;
  }
}

function locatorOf(page: WebKitPage, steps: Step[]): Locator {
  return standIn<Locator>(new WebKitLocator(page, steps), 'locator');
}

type Listener = (event: never) => void;

class WebKitPage {
  readonly keyboard: WebKitKeyboard;
  readonly mouse: WebKitMouse;
  private readonly listeners = new Map<string, Listener[]>();

  constructor(
    readonly session: Session,
    private readonly context: WebKitContext,
  ) {
    this.keyboard = standIn(new WebKitKeyboard(session), 'keyboard');
    this.mouse = standIn(new WebKitMouse(session), 'mouse');
  }

  on(event: 'pageerror' | 'console' | 'dialog', listener: Listener) {
    this.listeners.set(event, [...(this.listeners.get(event) ?? []), listener]);
    return this;
  }

  private emit(event: string, value: unknown) {
    for (const listener of this.listeners.get(event) ?? []) listener(value as never);
  }

  /** Hands what the page recorded to the listeners. */
  async drain() {
    let faults: Fault[];
    try {
      faults = (await this.session.execute('return window.__webdriverFaults ? window.__webdriverFaults() : []')) as Fault[];
    } catch (e) {
      if (e instanceof WebDriverError && e.code === 'no such window') return;
      throw e;
    }
    for (const f of faults) {
      if (f.kind === 'pageerror') this.emit('pageerror', new Error(f.text));
      else if (f.kind === 'console') {
        this.emit('console', { type: () => f.type, text: () => f.text, location: () => ({ url: f.url ?? '' }) });
      } else if (f.kind === 'dialog') {
        this.emit('dialog', { type: () => f.type, message: () => f.text, dismiss: async () => {}, accept: async () => {} });
      } else this.context.emit('request', { url: () => f.text });
    }
  }

  async goto(url: string) {
    await this.drain();
    const origin = new URL(url).origin;
    const res = await fetch(`${origin}/__test/start-scripts`, {
      method: 'POST', body: JSON.stringify([RECORDER, ...this.context.initScripts]),
    });
    if (!res.ok) throw new Error(`the page server took no start-up scripts: ${res.status}`);
    await this.session.navigate(url);
    return null;
  }

  async reload() {
    await this.drain();
    await this.session.refresh();
    return null;
  }

  async evaluate<R, A>(fn: ((arg: A) => R) | string, arg?: A): Promise<R> {
    const body = typeof fn === 'string' ? `return eval(${JSON.stringify(fn)})` : `return (${fn.toString()})(arguments[0])`;
    return (await this.session.execute(body, [arg])) as R;
  }

  waitForTimeout(ms: number) {
    return sleep(ms);
  }

  async screenshot({ path }: { path?: string } = {}) {
    const png = await this.session.screenshot();
    if (path) writeFileSync(path, png);
    return png;
  }

  /** Only the colour scheme, and only by the display's theme (all windows on it follow). */
  async emulateMedia({ colorScheme, ...rest }: { colorScheme?: 'light' | 'dark' | 'no-preference' | null }) {
    if (Object.keys(rest).length > 0) throw new Error(`page.emulateMedia takes only colorScheme in WebKitGTK`);
    if (colorScheme === undefined) return;
    const theme = this.context.theme;
    if (!theme?.running) throw new Error('page.emulateMedia in WebKitGTK needs xsettingsd serving the display');
    const dark = colorScheme === 'dark';
    // A query list made before the change sees it when the page's own do: at the next rendering
    // update, where their "change" events go out (a new query sees it at once).
    const watch = `return (window.__schemeWatch ??= matchMedia('(prefers-color-scheme: dark)')).matches`;
    await this.session.execute(watch);
    theme.set(dark);
    const end = Date.now() + DEFAULT_TIMEOUT;
    while ((await this.session.execute(watch)) !== dark) {
      if (Date.now() > end) throw new Error(`the page did not see the ${colorScheme} colour scheme`);
      await sleep(25);
    }
  }

  async setViewportSize(size: { width: number; height: number }) {
    // The window is the viewport and its frame. The page sees a new size a little after the
    // window takes it, so the window grows by what the viewport still lacks until they agree.
    let rect = { ...size };
    for (let tries = 0; ; ++tries) {
      await this.session.setWindowRect(rect.width, rect.height);
      const [w, h] = (await this.session.execute('return [innerWidth, innerHeight]')) as number[];
      if (w === size.width && h === size.height) return;
      if (tries === 40) throw new Error(`the viewport stays ${w} x ${h}, not ${size.width} x ${size.height}`);
      rect = {
        width: Math.max(size.width, rect.width + size.width - w),
        height: Math.max(size.height, rect.height + size.height - h),
      };
      await sleep(25);
    }
  }

  getByRole(role: string, options: RoleOptions = {}) {
    return locatorOf(this, [{ by: 'role', role, ...options }]);
  }

  getByText(text: string, { exact }: { exact?: boolean } = {}) {
    return locatorOf(this, [{ by: 'text', text, exact }]);
  }

  getByLabel(text: string, { exact }: { exact?: boolean } = {}) {
    return locatorOf(this, [{ by: 'label', text, exact }]);
  }

  locator(css: string, { hasText }: { hasText?: string } = {}) {
    return locatorOf(this, [{ by: 'css', css, hasText }]);
  }

  async close() {
    await this.drain();
    await this.session.close();
  }
}

class WebKitContext {
  readonly initScripts: string[] = [];
  private readonly listeners: Listener[] = [];
  private page: WebKitPage | null = null;

  constructor(
    private readonly driver: Driver,
    private readonly viewport: { width: number; height: number },
    readonly theme: SystemTheme | null,
  ) {}

  async addInitScript(script: string | { content: string }) {
    this.initScripts.push(typeof script === 'string' ? script : script.content);
  }

  on(event: 'request', listener: Listener) {
    if (event !== 'request') throw new Error(`context.on("${event}") is not available in WebKitGTK`);
    this.listeners.push(listener);
    return this;
  }

  emit(_event: 'request', value: unknown) {
    for (const listener of this.listeners) listener(value as never);
  }

  /** One page per context: a WebDriver session is one window. */
  async newPage(): Promise<Page> {
    if (this.page) throw new Error('the WebKitGTK engine gives each context one page');
    const session = await this.driver.newSession();
    const page = new WebKitPage(session, this);
    await page.setViewportSize(this.viewport);
    this.page = page;
    return standIn<Page>(page, 'page');
  }

  async close() {
    await this.page?.close();
    this.page = null;
  }
}

/** The driver and the display's theme, started once per test file like Playwright's browser. */
export async function launchWebKitGTK(): Promise<Browser> {
  const theme = await SystemTheme.start();
  const driver = await Driver.start();
  return standIn<Browser>({
    async newContext({ viewport = { width: 1280, height: 720 } }: { viewport?: { width: number; height: number } } = {}) {
      theme?.set(false);
      return standIn<BrowserContext>(new WebKitContext(driver, viewport, theme), 'context');
    },
    async close() {
      await driver.quit();
      theme?.stop();
    },
  }, 'browser');
}
