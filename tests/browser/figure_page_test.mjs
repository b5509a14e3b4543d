// The interactive figure page in a real browser: mexhost writes figures 1 and 2
// of vextrab(0.1, 'm', [50 Inf]) as PNG, JSON and HTML, and a headless Chromium
// opens the pages. The page must load without a problem and fetch nothing, look
// like the PNG (same plot box, ticks, labels; ink within a pixel), zoom, pan and
// reset as the pointer says, draw a zoomed view as mexhost draws the same limits,
// and show the nearest sample in its data cursor.
//
//   node figure_page_test.mjs MEXHOST VEXTRAB_PLUGIN OUTPUT_FOLDER
//
// Exits with 77 (a skip for ctest), saying why, when no Chromium is installed.
// The screenshots before and after the scripted zoom stay in OUTPUT_FOLDER.
// With FIGURE_PAGE_DEBUG set, it prints how much of the ink agrees with the PNG.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { Browser, findBrowser } from './cdp.mjs';

const [mexhost, plugin, out] = process.argv.slice(2);
if (!mexhost || !plugin || !out) {
  console.error('usage: node figure_page_test.mjs MEXHOST VEXTRAB_PLUGIN OUTPUT_FOLDER');
  process.exit(2);
}
const executable = findBrowser();
if (!executable) {
  console.log('SKIPPED: no Chromium found (set CHROMIUM, or install the Debian package ' +
              'chromium, which scripts/deps.sh installs)');
  process.exit(77);
}

// Runs mexhost with vextrab alone; figures go to `folder` as PNG, JSON and HTML.
function runMexhost(folder, statements, formats = 'png,json,html') {
  rmSync(folder, { recursive: true, force: true });
  mkdirSync(folder, { recursive: true });
  execFileSync(mexhost, ['--no-default-plugins', '--plugin', plugin, '--no-pause',
    '--formats', formats, '--out', folder, ...statements], { stdio: ['ignore', 'pipe', 'inherit'] });
}

const figures = join(out, 'figures');
const json = (n, folder = figures) => JSON.parse(readFileSync(join(folder, `figure${n}.json`), 'utf8'));
const pageUrl = (n, folder = figures) => pathToFileURL(join(folder, `figure${n}.html`)).href;
const pngBase64 = (n, folder = figures) => readFileSync(join(folder, `figure${n}.png`)).toString('base64');

// The axes of a figure's JSON document and its layout.
const axesOf = (doc) => doc.children.find((c) => c.type === 'axes');
// A pixel-aligned plot box, as the renderer snaps it.
function snapped([x, y, w, h]) {
  const x0 = Math.floor(x) + 0.5;
  const y0 = Math.floor(y) + 0.5;
  return { x: x0, y: y0, w: Math.max(1, Math.floor(x + w) + 0.5 - x0), h: Math.max(1, Math.floor(y + h) + 0.5 - y0) };
}
const inside = (t, [lo, hi]) => t >= lo - (hi - lo) * 1e-9 && t <= hi + (hi - lo) * 1e-9;
const close = (a, b, scale) => Math.abs(a - b) <= 1e-9 * scale;

// Compares an image of the page's figure with mexhost's PNG, in the page: how
// much of each image's ink (any channel below 160) has ink within one pixel in
// the other, and where the texts around the plot box are (runs of inked rows or
// columns in the strips above, below and left of the box). The browser's glyphs
// are not the PNG's hinted ones: a text's ends may differ by up to 2 pixels.
async function compareWithPng(page, shotBase64, offset, pngBase64, box) {
  const fn = async ({ shotBase64, offset, pngBase64, box }) => {
    const load = async (b64) => {
      const img = new Image();
      img.src = 'data:image/png;base64,' + b64;
      await img.decode();
      return img;
    };
    const [shot, png] = await Promise.all([load(shotBase64), load(pngBase64)]);
    const W = png.width;
    const H = png.height;
    const pixels = (img, dx, dy) => {
      const c = document.createElement('canvas');
      c.width = W;
      c.height = H;
      const ctx = c.getContext('2d');
      ctx.drawImage(img, -dx, -dy);
      const d = ctx.getImageData(0, 0, W, H).data;
      const ink = new Uint8Array(W * H);
      for (let i = 0; i < W * H; i++) ink[i] = d[4 * i] < 160 || d[4 * i + 1] < 160 || d[4 * i + 2] < 160 ? 1 : 0;
      return ink;
    };
    const A = pixels(shot, offset.x, offset.y);
    const B = pixels(png, 0, 0);
    const near = (M, x, y) => {
      for (let dy = -1; dy <= 1; dy++) {
        for (let dx = -1; dx <= 1; dx++) {
          const X = x + dx;
          const Y = y + dy;
          if (X >= 0 && Y >= 0 && X < W && Y < H && M[Y * W + X]) return true;
        }
      }
      return false;
    };
    const cover = (M, N) => {
      let n = 0;
      let ok = 0;
      for (let y = 0; y < H; y++) {
        for (let x = 0; x < W; x++) {
          if (!M[y * W + x]) continue;
          n++;
          if (near(N, x, y)) ok++;
        }
      }
      return n ? ok / n : 1;
    };
    // Runs of rows (byRow) or columns holding ink inside a rectangle.
    const runs = (M, [x0, y0, x1, y1], byRow) => {
      const out = [];
      let start = -1;
      const [a0, a1, b0, b1] = byRow ? [y0, y1, x0, x1] : [x0, x1, y0, y1];
      for (let a = a0; a <= a1; a++) {
        let any = false;
        for (let b = b0; b < b1 && !any; b++) any = byRow ? M[a * W + b] : M[b * W + a];
        if (any && start < 0) start = a;
        if ((!any || a === a1) && start >= 0) {
          out.push([start, any ? a : a - 1]);
          start = -1;
        }
      }
      return out;
    };
    const left = Math.floor(box.x) - 2;
    const top = Math.floor(box.y) - 2;
    const bottom = Math.ceil(box.y + box.h) + 2;
    const strips = {
      above: [[0, 0, W, top], true],
      below: [[left, bottom, W, H - 1], true],
      left: [[0, top, left, bottom], false],
    };
    const where = {};
    for (const [name, [rect, byRow]] of Object.entries(strips)) {
      where[name] = { page: runs(A, rect, byRow), png: runs(B, rect, byRow) };
    }
    return { pageCovered: cover(A, B), pngCovered: cover(B, A), where };
  };
  return page.evaluate(`(${fn})(${JSON.stringify({ shotBase64, offset, pngBase64, box })})`);
}

function assertLooksLikePng(result, label) {
  if (process.env.FIGURE_PAGE_DEBUG) console.log(`${label}: ink agreeing ${result.pageCovered} (page), ${result.pngCovered} (PNG)`);
  assert.ok(result.pageCovered >= 0.97, `${label}: ${result.pageCovered} of the page's ink is on the PNG's`);
  assert.ok(result.pngCovered >= 0.97, `${label}: ${result.pngCovered} of the PNG's ink is on the page's`);
  for (const [strip, { page, png }] of Object.entries(result.where)) {
    assert.equal(page.length, png.length, `${label}: texts ${strip} the box: ${JSON.stringify({ page, png })}`);
    page.forEach((run, i) => {
      for (const k of [0, 1]) {
        assert.ok(Math.abs(run[k] - png[i][k]) <= 2, `${label}: texts ${strip} the box: ${JSON.stringify({ page, png })}`);
      }
    });
  }
}

let browser;
let page;
// The page element holding the figure (toolbar, canvas, readout) and the canvas.
const rects = () => page.evaluate(`(() => {
  const r = (e) => { const b = e.getBoundingClientRect(); return { x: b.left, y: b.top, width: b.width, height: b.height }; };
  return { root: r(document.querySelector('.figure-page')), canvas: r(document.querySelector('canvas')) };
})()`);
const view = async () => (await page.evaluate('figurePage.drawn().then(() => figurePage.axes())'))[0];
const readout = () => page.evaluate("[...document.querySelectorAll('.readout .sample')].map((e) => e.textContent)");

async function open(n, folder = figures) {
  page.events.length = 0;
  await page.goto(pageUrl(n, folder));
  await page.evaluate('figurePage.drawn()');
  const { canvas } = await rects();
  return { canvas, at: (x, y) => ({ x: canvas.x + x, y: canvas.y + y }) };
}

before(async () => {
  runMexhost(figures, ["vextrab(0.1, 'm', [50 Inf])"]);
  browser = await Browser.launch(executable);
  page = await browser.newPage();
});

after(async () => {
  if (browser) await browser.close();
});

describe('the page loads', () => {
  test('without errors or requests, with the Swedish texts intact', async () => {
    for (const n of [1, 2]) {
      await open(n);
      assert.deepEqual(page.problems(), [], `figure ${n}`);
      assert.deepEqual(page.requests(), [pageUrl(n)], `figure ${n} fetched something else`);
      assert.equal(await page.evaluate('document.title'), `Figure ${n}`);
      const texts = await page.evaluate(`(() => {
        const d = JSON.parse(document.getElementById('figure-data').textContent);
        return [d.axes[0].title.lines[0], d.axes[0].xlabel.lines[0], ...d.legends[0].entries.map((e) => e.text)];
      })()`);
      const axes = axesOf(json(n));
      assert.deepEqual(texts, [axes.title.properties.String, 'Tid [ns]', 'Spänning i laständan', 'Spänning i källändan']);
    }
  });
});

describe('the first view is the PNG', () => {
  test('same plot box, limits, ticks and tick label places as the model', async () => {
    for (const n of [1, 2]) {
      await open(n);
      const layout = axesOf(json(n)).layout;
      const v = await view();
      const box = snapped(layout.PlotBox);
      assert.deepEqual(v.box, box);
      assert.deepEqual(v.xlim, layout.XLim);
      assert.deepEqual(v.ylim, layout.YLim);
      assert.deepEqual(v.xticks, layout.XTick.filter((t) => inside(t, layout.XLim)));
      assert.deepEqual(v.yticks, layout.YTick.filter((t) => inside(t, layout.YLim)));
      const px = (t) => Math.floor(box.x + ((t - layout.XLim[0]) / (layout.XLim[1] - layout.XLim[0])) * box.w) + 0.5;
      const py = (t) => Math.floor(box.y + box.h - ((t - layout.YLim[0]) / (layout.YLim[1] - layout.YLim[0])) * box.h) + 0.5;
      // Labels centred under their ticks on one baseline, and right-aligned
      // left of the box with their middle at the tick.
      assert.deepEqual(v.xtickLabels.map((l) => l.x), v.xticks.map(px));
      assert.deepEqual(new Set(v.xtickLabels.map((l) => l.y)).size, 1);
      assert.deepEqual(new Set(v.ytickLabels.map((l) => l.x)), new Set([box.x - 6]));
      const drop = v.ytickLabels.map((l, i) => l.y - py(v.yticks[i]));
      assert.ok(drop.every((d) => Math.abs(d - drop[0]) < 1e-9 && d > 0 && d < 8), `${drop}`);
      assert.deepEqual(v.xtickLabels.map((l) => Number(l.text)), v.xticks);
      assert.deepEqual(v.ytickLabels.map((l) => Number(l.text)), v.yticks);
    }
  });

  test('the drawing matches the PNG within a pixel', async () => {
    for (const n of [1, 2]) {
      const { canvas } = await open(n);
      const shot = await page.screenshot(canvas);
      const box = snapped(axesOf(json(n)).layout.PlotBox);
      assertLooksLikePng(await compareWithPng(page, shot.toString('base64'), { x: 0, y: 0 }, pngBase64(n), box), `figure ${n}`);
    }
  });
});

describe('zoom, pan and reset', () => {
  test('a dragged box becomes the limits, and the zoomed view is drawn as mexhost draws them', async () => {
    const { at } = await open(2);
    const before = await view();
    const { root, canvas } = await rects();
    const offset = { x: canvas.x - root.x, y: canvas.y - root.y };
    const shotBefore = await page.screenshot(root);
    writeFileSync(join(out, 'figure2-before-zoom.png'), shotBefore);
    assertLooksLikePng(await compareWithPng(page, shotBefore.toString('base64'), offset, pngBase64(2), before.box), 'figure 2');

    const from = { x: 106, y: 110 };
    const to = { x: 160, y: 520 };
    await page.drag(at(from.x, from.y), at(to.x, to.y));
    const zoomed = await view();
    const b = before.box;
    const dataX = (x) => before.xlim[0] + ((x - b.x) / b.w) * (before.xlim[1] - before.xlim[0]);
    const dataY = (y) => before.ylim[0] + ((b.y + b.h - y) / b.h) * (before.ylim[1] - before.ylim[0]);
    assert.ok(close(zoomed.xlim[0], dataX(from.x), 20) && close(zoomed.xlim[1], dataX(to.x), 20), `${zoomed.xlim}`);
    assert.ok(close(zoomed.ylim[0], dataY(to.y), 30) && close(zoomed.ylim[1], dataY(from.y), 30), `${zoomed.ylim}`);
    await page.mouse('mouseMoved', 1, 1); // off the figure: no data cursor
    const shotAfter = await page.screenshot((await rects()).root);
    writeFileSync(join(out, 'figure2-after-zoom.png'), shotAfter);

    // The ticks of the zoomed view follow the rule: a {1, 2, 5} x 10^k step,
    // within the budget, and no smaller such step would fit.
    for (const [ticks, lim, budget] of [[zoomed.xticks, zoomed.xlim, zoomed.tickBudget[0]],
      [zoomed.yticks, zoomed.ylim, zoomed.tickBudget[1]]]) {
      assert.ok(ticks.length >= 2 && ticks.length <= budget, `${ticks}`);
      const step = ticks[1] - ticks[0];
      const e = Math.floor(Math.log10(step) + 1e-9);
      const m = Math.round(step / 10 ** e);
      assert.ok([1, 2, 5].includes(m) && close(step, m * 10 ** e, step), `step ${step}`);
      const smaller = m === 1 ? 0.5 * 10 ** e : m === 2 ? 10 ** e : 2 * 10 ** e;
      assert.ok(Math.floor(lim[1] / smaller) - Math.ceil(lim[0] / smaller) + 1 > budget, `step ${step} is not the smallest`);
      ticks.forEach((t) => assert.ok(inside(t, lim)));
    }

    // mexhost draws the same limits: the zoomed page must look like its PNG.
    const same = join(out, 'zoomed');
    const g = (v) => v.toPrecision(17);
    runMexhost(same, ["vextrab(0.1, 'm', [50 Inf])",
      `figure(2); set(gca, 'XLim', [${g(zoomed.xlim[0])} ${g(zoomed.xlim[1])}], 'YLim', [${g(zoomed.ylim[0])} ${g(zoomed.ylim[1])}])`]);
    const layout = axesOf(json(2, same)).layout;
    assert.deepEqual(zoomed.xlim, layout.XLim);
    assert.deepEqual(zoomed.ylim, layout.YLim);
    assert.deepEqual(zoomed.xticks, layout.XTick);
    assert.deepEqual(zoomed.yticks, layout.YTick);
    assertLooksLikePng(await compareWithPng(page, shotAfter.toString('base64'), offset, pngBase64(2, same), zoomed.box), 'zoomed figure 2');

    // For the eye: the zoomed view with the data cursor on the near end's edge.
    await page.mouse('mouseMoved', at(420, 300).x, at(420, 300).y);
    await view();
    writeFileSync(join(out, 'figure2-after-zoom-cursor.png'), await page.screenshot((await rects()).root));

    // A thin box zooms x alone.
    await page.drag(at(300, 300), at(500, 302));
    const thin = await view();
    assert.deepEqual(thin.ylim, zoomed.ylim);
    assert.notDeepEqual(thin.xlim, zoomed.xlim);
  });

  test('the wheel zooms about the pointer, shift+drag pans, double-click resets', async () => {
    const { at } = await open(1);
    const start = await view();
    const b = start.box;
    const point = { x: 300, y: 200 };
    const dataX = (v, x) => v.xlim[0] + ((x - b.x) / b.w) * (v.xlim[1] - v.xlim[0]);
    const dataY = (v, y) => v.ylim[0] + ((b.y + b.h - y) / b.h) * (v.ylim[1] - v.ylim[0]);

    await page.wheel(at(point.x, point.y).x, at(point.x, point.y).y, -100);
    const wheeled = await view();
    const factor = 1.0015 ** -100;
    assert.ok(close(wheeled.xlim[1] - wheeled.xlim[0], (start.xlim[1] - start.xlim[0]) * factor, 20));
    assert.ok(close(wheeled.ylim[1] - wheeled.ylim[0], (start.ylim[1] - start.ylim[0]) * factor, 1));
    assert.ok(close(dataX(wheeled, point.x), dataX(start, point.x), 20), 'x under the pointer moved');
    assert.ok(close(dataY(wheeled, point.y), dataY(start, point.y), 1), 'y under the pointer moved');

    // Over the x tick labels the wheel zooms x alone.
    await page.wheel(at(400, b.y + b.h + 12).x, at(400, b.y + b.h + 12).y, 200);
    const xOnly = await view();
    assert.deepEqual(xOnly.ylim, wheeled.ylim);
    assert.ok(xOnly.xlim[1] - xOnly.xlim[0] > wheeled.xlim[1] - wheeled.xlim[0]);

    const shift = 8; // Input.dispatchMouseEvent's modifier bit for shift
    await page.drag(at(400, 300), at(340, 340), { modifiers: shift });
    const panned = await view();
    const sx = xOnly.xlim[1] - xOnly.xlim[0];
    const sy = xOnly.ylim[1] - xOnly.ylim[0];
    assert.ok(close(panned.xlim[0], xOnly.xlim[0] + (60 / b.w) * sx, 20), `${panned.xlim}`);
    assert.ok(close(panned.ylim[0], xOnly.ylim[0] + (40 / b.h) * sy, 1), `${panned.ylim}`);
    assert.ok(close(panned.xlim[1] - panned.xlim[0], sx, 20));

    await page.mouse('mousePressed', at(400, 300).x, at(400, 300).y, { button: 'left', buttons: 1, clickCount: 2 });
    await page.mouse('mouseReleased', at(400, 300).x, at(400, 300).y, { button: 'left', buttons: 0, clickCount: 2 });
    const reset = await view();
    assert.deepEqual([reset.xlim, reset.ylim, reset.xticks], [start.xlim, start.ylim, start.xticks]);
    assert.deepEqual(page.problems(), []);
  });

  test("the page's tick rule and tick labels are the model's", async () => {
    // Limits of every kind of span; mexhost draws each in its own figure, and
    // its SVG holds the tick labels as texts.
    const limits = [[0.1234, 0.124], [-3e-5, 7e-5], [1e6, 1.0000042e6], [-0.3, 0.3], [12.5, 13.7],
      [-1e-12, 0], [123456, 123789], [-2.5e7, 7.5e7]];
    const statements = limits.map(([lo, hi], i) =>
      `figure(${i + 1}); plot([0 1], [0 1]); set(gca, 'XLim', [${lo} ${hi}], 'YLim', [${lo} ${hi}])`);
    const folder = join(out, 'ticks');
    runMexhost(folder, statements, 'json,svg');
    await open(1);
    const budget = (await view()).tickBudget;
    for (let i = 0; i < limits.length; i++) {
      const layout = axesOf(json(i + 1, folder)).layout;
      const x = await page.evaluate(`figurePage.tickValues(${layout.XLim[0]}, ${layout.XLim[1]}, ${budget[0]})`);
      const y = await page.evaluate(`figurePage.tickValues(${layout.YLim[0]}, ${layout.YLim[1]}, ${budget[1]})`);
      assert.deepEqual([x, y], [layout.XTick, layout.YTick], `limits ${limits[i]}`);
      const svg = readFileSync(join(folder, `figure${i + 1}.svg`), 'utf8');
      const texts = [...svg.matchAll(/<text[^>]*>([^<]*)<\/text>/g)].map((m) => m[1]);
      const labels = await page.evaluate(`${JSON.stringify([...x, ...y])}.map(figurePage.formatTick)`);
      assert.deepEqual(labels, texts.slice(0, labels.length), `labels at limits ${limits[i]}`);
    }
  });
});

describe('the data cursor', () => {
  test('shows the nearest sample of each line, and a click pins it', async () => {
    const { at } = await open(2);
    const v = await view();
    const line = (k) => axesOf(json(2)).children.filter((c) => c.type === 'line')[k].properties;
    const lines = [line(0), line(1)];
    const names = ['Spänning i laständan', 'Spänning i källändan'];
    const expectAt = (px) => {
      const x = v.xlim[0] + ((px - v.box.x) / v.box.w) * (v.xlim[1] - v.xlim[0]);
      return lines.map((l) => {
        let best = 0;
        l.XData.forEach((xk, k) => {
          if (Math.abs(xk - x) < Math.abs(l.XData[best] - x)) best = k;
        });
        return { k: best + 1, x: l.XData[best], y: l.YData[best] };
      });
    };
    const check = (rows, expected) => {
      assert.equal(rows.length, 2);
      rows.forEach((row, i) => {
        const m = row.match(/^(.*): x = (\S+), y = (\S+) \(sample (\d+)\)$/);
        assert.ok(m, row);
        assert.equal(m[1], names[i]);
        assert.equal(Number(m[4]), expected[i].k, row);
        assert.ok(Math.abs(Number(m[2]) - expected[i].x) <= 1e-5 * Math.abs(expected[i].x), row);
        assert.ok(Math.abs(Number(m[3]) - expected[i].y) <= 1e-5 * Math.abs(expected[i].y), row);
      });
    };

    // On the falling edge of the crosstalk pulse, where the lines differ.
    await page.mouse('mouseMoved', at(129, 300).x, at(129, 300).y);
    const hovered = await readout();
    check(hovered, expectAt(129));
    assert.notEqual(hovered[0], hovered[1].replace(names[1], names[0]));

    await page.mouse('mousePressed', at(129, 300).x, at(129, 300).y, { button: 'left', buttons: 1, clickCount: 1 });
    await page.mouse('mouseReleased', at(129, 300).x, at(129, 300).y, { button: 'left', buttons: 0, clickCount: 1 });
    await page.mouse('mouseMoved', at(600, 200).x, at(600, 200).y);
    assert.deepEqual(await readout(), hovered, 'a pinned cursor stays');

    await page.mouse('mousePressed', at(600, 200).x, at(600, 200).y, { button: 'left', buttons: 1, clickCount: 1 });
    await page.mouse('mouseReleased', at(600, 200).x, at(600, 200).y, { button: 'left', buttons: 0, clickCount: 1 });
    await page.mouse('mouseMoved', at(432, 250).x, at(432, 250).y);
    check(await readout(), expectAt(432));
    assert.deepEqual(page.problems(), []);
  });
});
