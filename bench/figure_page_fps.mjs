// Frames per second of the interactive figure page while the user pans, in the
// system's headless Chromium (driven as tests/browser does it). Two figures:
// figure 1 of vextrab(0.1, 'm', [50 Inf]) (two lines of 4096 samples) and two
// lines of 1,000,000 samples, as a measure of how far it stretches.
//
// usage: node bench/figure_page_fps.mjs [BUILD_DIR]   (default: build)
//
// The pointer is held with shift (pan) and moved back and forth for 3 s, a move
// every 5 ms; the page counts the frames it draws and the time spent drawing
// them. Then the page pans itself, a step every frame, which shows what it
// manages when the delivery of input events is no limit. Also printed: the
// frame rate of an idle page (the browser's own cap, which panning cannot
// exceed) and the moves sent per second.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

import { Browser, findBrowser } from '../tests/browser/cdp.mjs';

const build = resolve(process.argv[2] ?? 'build');
const executable = findBrowser();
if (!executable) {
  console.error('no Chromium found (set CHROMIUM or install the Debian package chromium)');
  process.exit(1);
}

const folder = mkdtempSync(join(tmpdir(), 'figure-page-fps-'));
const mexhost = (out, statement) => execFileSync(join(build, 'mexhost', 'mexhost'), [
  '--no-default-plugins', '--plugin', join(build, 'mexhost', 'vextrab.so'), '--no-pause',
  '--formats', 'html', '--out', join(folder, out), statement], { stdio: ['ignore', 'ignore', 'inherit'] });
mexhost('simulation', "vextrab(0.1, 'm', [50 Inf])");
mexhost('million', 't = linspace(0, 25, 1000000); plot(t, sin(t), t, cos(t))');

const browser = await Browser.launch(executable);
const page = await browser.newPage();

async function idleRate() {
  return page.evaluate(`new Promise((resolve) => {
    let n = 0; const t0 = performance.now();
    const tick = (t) => { if (t - t0 < 1000) { n++; requestAnimationFrame(tick); } else resolve(n * 1000 / (t - t0)); };
    requestAnimationFrame(tick);
  })`);
}

// The page pans itself, a step every frame for 3 s (setLimits, then a frame):
// how many frames it manages when input is no limit.
async function scriptedRate() {
  return page.evaluate(`new Promise((resolve) => {
    const start = figurePage.axes()[0];
    const span = start.xlim[1] - start.xlim[0];
    const s0 = figurePage.stats();
    const t0 = performance.now();
    let n = 0;
    const step = (t) => {
      if (t - t0 >= 3000) {
        const s1 = figurePage.stats();
        resolve({ fps: (s1.frames - s0.frames) * 1000 / (t - t0), drawMs: (s1.drawMs - s0.drawMs) / (s1.frames - s0.frames) });
        return;
      }
      const shift = span * 0.2 * Math.sin(++n / 20);
      figurePage.setLimits(0, [start.xlim[0] + shift, start.xlim[1] + shift], null);
      requestAnimationFrame(step);
    };
    requestAnimationFrame(step);
  })`);
}

async function panRate(file) {
  await page.goto(pathToFileURL(file).href);
  await page.evaluate('figurePage.drawn()');
  const idle = await idleRate();
  const { x, y } = await page.evaluate(`(() => {
    const r = document.querySelector('canvas').getBoundingClientRect();
    const b = figurePage.axes()[0].box;
    return { x: r.left + b.x + b.w / 2, y: r.top + b.y + b.h / 2 };
  })()`);
  const shift = 8;
  await page.mouse('mouseMoved', x, y, { modifiers: shift });
  await page.mouse('mousePressed', x, y, { button: 'left', buttons: 1, clickCount: 1, modifiers: shift });
  // Every frame the browser shows during the pan, and those that brought a move.
  await page.evaluate(`(() => {
    window.benchFrames = { all: 0, withMove: 0, moved: false };
    document.addEventListener('pointermove', () => (benchFrames.moved = true), true);
    const tick = () => {
      benchFrames.all++;
      if (benchFrames.moved) benchFrames.withMove++;
      benchFrames.moved = false;
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  })()`);
  const frames0 = await page.evaluate('({ ...benchFrames })');
  const before = await page.evaluate('figurePage.stats()');
  // A move every 5 ms, not waiting for the browser to take each one (it answers
  // once per frame): the page draws at most once per frame whatever the rate.
  const t0 = performance.now();
  let moves = 0;
  const sent = [];
  while (performance.now() - t0 < 3000) {
    const dx = 100 * Math.sin(moves / 20);
    sent.push(page.mouse('mouseMoved', x + dx, y + dx / 3, { button: 'left', buttons: 1, modifiers: shift }));
    moves++;
    await new Promise((r) => setTimeout(r, 5));
  }
  await Promise.all(sent);
  await page.evaluate('figurePage.drawn()');
  const seconds = (performance.now() - t0) / 1000;
  const after = await page.evaluate('figurePage.stats()');
  const frames1 = await page.evaluate('({ ...benchFrames })');
  await page.mouse('mouseReleased', x, y, { button: 'left', buttons: 0, clickCount: 1, modifiers: shift });
  const frames = after.frames - before.frames;
  await page.evaluate('figurePage.reset()');
  const scripted = await scriptedRate();
  return {
    idle, moves: moves / seconds, fps: frames / seconds, drawMs: (after.drawMs - before.drawMs) / frames, scripted,
    shown: (frames1.all - frames0.all) / seconds, withMove: (frames1.withMove - frames0.withMove) / seconds,
  };
}

console.log(`Chromium: ${(await browser.send('Browser.getVersion')).product}, headless, software drawing`);
for (const [name, file] of [['2 x 4096 samples (figure 1)', join(folder, 'simulation', 'figure1.html')],
  ['2 x 1,000,000 samples', join(folder, 'million', 'figure1.html')]]) {
  const r = await panRate(file);
  console.log(`${name}: idle page ${r.idle.toFixed(1)} frames/s (the browser's cap)\n` +
              `  pointer pan  ${r.fps.toFixed(1)} frames/s, ${r.drawMs.toFixed(2)} ms drawing per frame ` +
              `(${r.moves.toFixed(0)} moves/s sent; of ${r.shown.toFixed(1)} frames/s shown, ` +
              `${r.withMove.toFixed(1)} brought a move)\n` +
              `  scripted pan ${r.scripted.fps.toFixed(1)} frames/s, ${r.scripted.drawMs.toFixed(2)} ms drawing per frame`);
}
await browser.close();
rmSync(folder, { recursive: true, force: true });
