// A small driver for a headless Chromium over the DevTools protocol, spoken on
// the pipe the browser opens with --remote-debugging-pipe (file descriptors 3
// and 4, messages ended by a NUL byte). No package is needed: Node's own
// modules only, and the system's browser.
import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

// The browser to drive: $CHROMIUM, else the first of the usual places.
export function findBrowser() {
  const candidates = [process.env.CHROMIUM, '/usr/bin/chromium', '/usr/bin/chromium-browser',
    '/usr/bin/google-chrome'];
  return candidates.find((p) => p && existsSync(p)) ?? null;
}

export class Browser {
  static async launch(executable, { width = 1000, height = 800 } = {}) {
    const profile = mkdtempSync(join(tmpdir(), 'figure-page-'));
    const args = [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-extensions', '--mute-audio', '--hide-scrollbars', '--force-device-scale-factor=1',
      `--window-size=${width},${height}`, '--remote-debugging-pipe', `--user-data-dir=${profile}`,
      'about:blank',
    ];
    const child = spawn(executable, args, { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    const browser = new Browser(child, profile);
    browser.viewport = { width, height };
    await browser.send('Browser.getVersion');
    return browser;
  }

  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
    this.nextId = 0;
    this.pending = new Map();
    this.listeners = [];
    this.stderr = '';
    let buffer = Buffer.alloc(0);
    child.stderr.on('data', (d) => (this.stderr = (this.stderr + d).slice(-4000)));
    child.stdio[4].on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      let end;
      while ((end = buffer.indexOf(0)) >= 0) {
        const message = JSON.parse(buffer.subarray(0, end).toString('utf8'));
        buffer = buffer.subarray(end + 1);
        this.dispatch(message);
      }
    });
    this.exited = new Promise((resolve) => child.on('exit', resolve));
    this.exited.then(() => {
      for (const { reject } of this.pending.values()) {
        reject(new Error(`the browser exited\n${this.stderr}`));
      }
      this.pending.clear();
    });
  }

  dispatch(message) {
    if (message.id !== undefined) {
      const waiter = this.pending.get(message.id);
      this.pending.delete(message.id);
      if (!waiter) return;
      if (message.error) waiter.reject(new Error(`${waiter.method}: ${message.error.message}`));
      else waiter.resolve(message.result);
      return;
    }
    for (const listener of this.listeners) listener(message);
  }

  send(method, params = {}, sessionId = undefined) {
    const id = ++this.nextId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.child.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    });
  }

  // The browser's first tab (a new one after that), with the page-level domains
  // enabled; events of that tab go to its `events` list.
  async newPage() {
    const { targetInfos } = await this.send('Target.getTargets');
    const blank = targetInfos.find((t) => t.type === 'page' && !t.attached);
    const { targetId } = blank ?? (await this.send('Target.createTarget', { url: 'about:blank' }));
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, sessionId);
    this.listeners.push((m) => {
      if (m.sessionId === sessionId) page.onEvent(m);
    });
    await Promise.all(['Page.enable', 'Runtime.enable', 'Log.enable', 'Network.enable']
      .map((m) => page.send(m)));
    // The viewport itself (the window's size includes the browser's frame).
    await page.send('Emulation.setDeviceMetricsOverride',
      { ...this.viewport, deviceScaleFactor: 1, mobile: false });
    return page;
  }

  // Asks the browser to quit and waits for it (killing it after 5 s), so that
  // nothing writes into the profile folder any more when it is removed.
  async close() {
    this.send('Browser.close').catch(() => {});
    const timer = setTimeout(() => this.child.kill('SIGKILL'), 5000);
    await this.exited;
    clearTimeout(timer);
    // The browser's helper processes may still be finishing their writes.
    rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
  }
}

export class Page {
  constructor(browser, sessionId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.events = [];
    this.loadWaiters = [];
  }

  send(method, params = {}) {
    return this.browser.send(method, params, this.sessionId);
  }

  onEvent(m) {
    this.events.push(m);
    if (m.method === 'Page.loadEventFired') {
      for (const resolve of this.loadWaiters.splice(0)) resolve();
    }
  }

  // Problems the page reported: uncaught exceptions, console errors and
  // warnings, and browser log entries of level error or warning.
  problems() {
    const out = [];
    for (const m of this.events) {
      if (m.method === 'Runtime.exceptionThrown') {
        const d = m.params.exceptionDetails;
        out.push(`exception: ${d.exception?.description ?? d.text}`);
      } else if (m.method === 'Runtime.consoleAPICalled' &&
                 ['error', 'warning', 'assert'].includes(m.params.type)) {
        out.push(`console.${m.params.type}: ${m.params.args.map((a) => a.value ?? a.description).join(' ')}`);
      } else if (m.method === 'Log.entryAdded' && ['error', 'warning'].includes(m.params.entry.level)) {
        out.push(`log ${m.params.entry.level}: ${m.params.entry.text}`);
      }
    }
    return out;
  }

  // The URLs the page asked for, the page itself included.
  requests() {
    return this.events.filter((m) => m.method === 'Network.requestWillBeSent')
      .map((m) => m.params.request.url);
  }

  async goto(url) {
    const loaded = new Promise((resolve) => this.loadWaiters.push(resolve));
    const result = await this.send('Page.navigate', { url });
    if (result.errorText) throw new Error(`cannot open ${url}: ${result.errorText}`);
    await loaded;
  }

  // Runs an expression (awaiting a promise it gives) and returns its value.
  async evaluate(expression) {
    const { result, exceptionDetails } = await this.send('Runtime.evaluate', {
      expression, awaitPromise: true, returnByValue: true,
    });
    if (exceptionDetails) {
      throw new Error(`evaluate: ${exceptionDetails.exception?.description ?? exceptionDetails.text}`);
    }
    return result.value;
  }

  async mouse(type, x, y, extra = {}) {
    await this.send('Input.dispatchMouseEvent', { type, x, y, button: 'none', ...extra });
  }

  // A drag with the left button from a to b, in `steps` moves.
  async drag(a, b, { steps = 5, modifiers = 0 } = {}) {
    await this.mouse('mouseMoved', a.x, a.y, { modifiers });
    await this.mouse('mousePressed', a.x, a.y, { button: 'left', buttons: 1, clickCount: 1, modifiers });
    for (let i = 1; i <= steps; i++) {
      const x = a.x + ((b.x - a.x) * i) / steps;
      const y = a.y + ((b.y - a.y) * i) / steps;
      await this.mouse('mouseMoved', x, y, { button: 'left', buttons: 1, modifiers });
    }
    await this.mouse('mouseReleased', b.x, b.y, { button: 'left', buttons: 0, clickCount: 1, modifiers });
  }

  async wheel(x, y, deltaY) {
    await this.mouse('mouseWheel', x, y, { deltaX: 0, deltaY });
  }

  // A PNG of the given rectangle of the page (CSS pixels), as a Buffer.
  async screenshot(clip) {
    const { data } = await this.send('Page.captureScreenshot', {
      format: 'png', clip: { ...clip, scale: 1 }, captureBeyondViewport: false,
    });
    return Buffer.from(data, 'base64');
  }
}
