// The interactive figure page: draws one figure of mexhost's graphics model on a
// canvas, as the PNG renderer draws it (mexhost/graphics/draw.cpp), and lets the
// user zoom (drag a box, or the wheel), pan (shift+drag, the Pan tool or the
// arrow keys), reset to the figure's own limits (double-click, the Reset
// button, 0 or Home) and read the nearest sample of every line (hover; a click
// pins the cursor, another click releases it).
//
// The figure comes from the JSON in <script id="figure-data"> (its layout is
// described in mexhost/graphics/html.cpp). Coordinates are figure pixels, origin
// at the top left, y downwards, as in the model's layout. Ticks of a zoomed view
// are chosen with the model's rule: multiples of the smallest step {1, 2, 5} x
// 10^k that puts at most the axes' tick budget inside the limits.
//
// window.figurePage is a small scripting interface (used by the browser tests
// and the frame-rate benchmark): the current view of each axes, setting limits,
// reset, and counters of the frames drawn.
(() => {
  'use strict';

  const doc = JSON.parse(document.getElementById('figure-data').textContent);
  const data = doc.data.map(decodeDoubles);

  // ---- numbers -------------------------------------------------------------

  // Base64 of little-endian doubles, as the writer stores line data.
  function decodeDoubles(text) {
    const bytes = Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
    const view = new DataView(bytes.buffer);
    const out = new Float64Array(bytes.length / 8);
    for (let k = 0; k < out.length; k++) out[k] = view.getFloat64(8 * k, true);
    return out;
  }

  function powerOfTen(k) {
    let p = 1;
    for (let i = 0; i < Math.abs(k); i++) p *= 10;
    return p;
  }
  // n x 10^e rounded once, so 0.1 is the double 0.1 (never -0).
  function decimal(n, e) {
    return (e >= 0 ? n * powerOfTen(e) : n / powerOfTen(-e)) + 0;
  }
  const tolerance = (x) => 1e-9 + Math.abs(x) * 1e-14;
  const floorTol = (x) => Math.floor(x + tolerance(x));
  const ceilTol = (x) => Math.ceil(x - tolerance(x));

  // Tick positions inside [lo, hi]: the model's tickValues.
  function tickValues(lo, hi, maxTicks) {
    maxTicks = Math.max(maxTicks, 2);
    const range = hi - lo;
    if (!Number.isFinite(range) || !(range > 1e-290)) return [];
    let e = Math.floor(Math.log10(range / maxTicks)) - 1;
    for (let decade = 0; decade < 6; decade++, e++) {
      for (const m of [1, 2, 5]) {
        const step = decimal(m, e);
        const first = ceilTol(lo / step);
        const last = floorTol(hi / step);
        if (last - first + 1 <= maxTicks) {
          const ticks = [];
          for (let k = first; k <= last; k += 1) ticks.push(decimal(k * m, e));
          return ticks;
        }
      }
    }
    return [lo, hi];
  }

  // C's %g (6 significant digits unless told otherwise).
  function formatG(v, digits = 6) {
    if (Number.isNaN(v)) return 'NaN';
    if (!Number.isFinite(v)) return v > 0 ? 'Inf' : '-Inf';
    if (v === 0) return '0';
    const trim = (s) => (s.includes('.') ? s.replace(/0+$/, '').replace(/\.$/, '') : s);
    const [mantissa, exponent] = v.toExponential(digits - 1).split('e');
    const exp = Number(exponent);
    if (exp < -4 || exp >= digits) {
      return trim(mantissa) + 'e' + (exp < 0 ? '-' : '+') + String(Math.abs(exp)).padStart(2, '0');
    }
    return trim(v.toFixed(digits - 1 - exp));
  }
  const formatTick = (v) => (v === 0 ? '0' : formatG(v));

  const within = (v, lim) => {
    const slack = (lim[1] - lim[0]) * 1e-9;
    return v >= lim[0] - slack && v <= lim[1] + slack;
  };

  // ---- text ----------------------------------------------------------------

  const fontOf = (size, bold) => `${bold ? 'bold ' : ''}${size}px "DejaVu Sans", sans-serif`;
  const metricsCache = new Map();
  // Ascent and descent: the PNG renderer's when the figure data give them.
  function fontMetrics(ctx, font, given) {
    if (given) return { ascent: given[0], descent: given[1] };
    let m = metricsCache.get(font);
    if (!m) {
      ctx.save();
      ctx.font = font;
      const t = ctx.measureText('Hg');
      const size = parseFloat(font.replace(/^bold /, ''));
      m = {
        ascent: t.fontBoundingBoxAscent ?? 0.93 * size,
        descent: t.fontBoundingBoxDescent ?? 0.24 * size,
      };
      ctx.restore();
      metricsCache.set(font, m);
    }
    return m;
  }
  const printable = (s) => s.replace(/[\x00-\x1f\x7f]/g, ' ');

  // A block of lines around `anchor` aligned as the text properties say; the
  // alignment is relative to the rotated text. Returns the baseline anchors.
  function drawTextBlock(ctx, anchor, lines, desc) {
    if (lines.length === 0) return [];
    const font = fontOf(desc.size, desc.bold);
    const m = fontMetrics(ctx, font, desc.metrics);
    const lineHeight = m.ascent + m.descent;
    const n = lines.length;
    const first = {
      top: -m.ascent,
      cap: -0.72 * desc.size,
      middle: (n * lineHeight) / 2 - m.ascent,
      baseline: (n - 1) * lineHeight,
      bottom: m.descent + (n - 1) * lineHeight,
    }[desc.valign] ?? (n * lineHeight) / 2 - m.ascent;
    const theta = ((desc.rotation || 0) * Math.PI) / 180;
    const up = { x: -Math.sin(theta), y: -Math.cos(theta) };
    ctx.save();
    ctx.font = font;
    ctx.fillStyle = desc.color;
    ctx.textAlign = desc.halign;
    ctx.textBaseline = 'alphabetic';
    const placed = [];
    lines.forEach((line, i) => {
      const offset = first - i * lineHeight;
      const at = { x: anchor.x + up.x * offset, y: anchor.y + up.y * offset };
      ctx.save();
      ctx.translate(at.x, at.y);
      ctx.rotate(-theta);
      ctx.fillText(printable(line), 0, 0);
      ctx.restore();
      placed.push({ text: line, x: at.x, y: at.y });
    });
    ctx.restore();
    return placed;
  }

  function drawText(ctx, desc, anchor) {
    if (!desc || desc.lines.length === 0) return [];
    if (!(Math.abs(anchor.x) < 1e6 && Math.abs(anchor.y) < 1e6)) return [];
    return drawTextBlock(ctx, anchor, desc.lines, desc);
  }

  // ---- lines and markers -----------------------------------------------------

  function regularPolygon(c, r, n, phase) {
    const out = [];
    for (let k = 0; k < n; k++) {
      const a = phase + (2 * Math.PI * k) / n;
      out.push([c.x + r * Math.cos(a), c.y - r * Math.sin(a)]);
    }
    return out;
  }
  function star(c, r, points) {
    const out = [];
    for (let k = 0; k < 2 * points; k++) {
      const a = Math.PI / 2 + (Math.PI * k) / points;
      const radius = k % 2 === 0 ? r : r * 0.4;
      out.push([c.x + radius * Math.cos(a), c.y - radius * Math.sin(a)]);
    }
    return out;
  }
  const shapes = {
    o: (c, r) => regularPolygon(c, r, 24, 0),
    s: (c, r) => regularPolygon(c, r * 1.1, 4, Math.PI / 4),
    d: (c, r) => regularPolygon(c, r, 4, 0),
    '^': (c, r) => regularPolygon(c, r, 3, Math.PI / 2),
    v: (c, r) => regularPolygon(c, r, 3, -Math.PI / 2),
    '>': (c, r) => regularPolygon(c, r, 3, 0),
    '<': (c, r) => regularPolygon(c, r, 3, Math.PI),
    p: (c, r) => star(c, r * 1.2, 5),
    h: (c, r) => star(c, r * 1.2, 6),
  };

  function drawMarker(ctx, c, m) {
    const r = m.size / 2;
    ctx.lineWidth = 1;
    ctx.setLineDash([]);
    ctx.strokeStyle = m.edge;
    const segment = (x0, y0, x1, y1) => {
      ctx.beginPath();
      ctx.moveTo(x0, y0);
      ctx.lineTo(x1, y1);
      ctx.stroke();
    };
    if (m.shape === '.') {
      ctx.fillStyle = m.edge;
      polygon(ctx, regularPolygon(c, Math.max(1, m.size / 6), 12, 0));
      ctx.fill();
      return;
    }
    if (m.shape === '+' || m.shape === '*') {
      segment(c.x - r, c.y, c.x + r, c.y);
      segment(c.x, c.y - r, c.x, c.y + r);
    }
    if (m.shape === 'x' || m.shape === '*') {
      const d = r * Math.SQRT1_2;
      segment(c.x - d, c.y - d, c.x + d, c.y + d);
      segment(c.x - d, c.y + d, c.x + d, c.y - d);
    }
    const shape = shapes[m.shape];
    if (!shape) return;
    polygon(ctx, shape(c, r));
    if (m.face) {
      ctx.fillStyle = m.face;
      ctx.fill();
    }
    ctx.stroke();
  }

  function polygon(ctx, points) {
    ctx.beginPath();
    points.forEach(([x, y], k) => (k === 0 ? ctx.moveTo(x, y) : ctx.lineTo(x, y)));
    ctx.closePath();
  }

  // Pixel coordinates far outside the figure are pulled in, so that the canvas
  // never sees absurd numbers (the part inside the plot box keeps its course).
  const clampPixel = (v) => Math.max(-1e7, Math.min(1e7, v));

  // The index range [first, last] worth drawing: for x data in ascending order,
  // the samples inside the x-limits and one either side; otherwise all.
  function visibleRange(line, xlim) {
    const xs = line.xs;
    if (!line.ascending) return [0, xs.length - 1];
    return [Math.max(0, lowerBound(xs, xlim[0]) - 1), Math.min(xs.length - 1, lowerBound(xs, xlim[1]))];
  }
  // The first index whose x is >= v (xs ascending).
  function lowerBound(xs, v) {
    let lo = 0;
    let hi = xs.length;
    while (lo < hi) {
      const mid = (lo + hi) >> 1;
      if (xs[mid] < v) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  }

  // The path through samples first..last.
  function trace(ctx, line, map, first, last) {
    let pen = false;
    for (let k = first; k <= last; k++) {
      const px = map.x(line.xs[k]);
      const py = map.y(line.ys[k]);
      if (!Number.isFinite(px) || !Number.isFinite(py)) {
        pen = false;
      } else if (pen) {
        ctx.lineTo(clampPixel(px), clampPixel(py));
      } else {
        ctx.moveTo(clampPixel(px), clampPixel(py));
        pen = true;
      }
    }
  }

  // The same path for many samples per pixel column (x ascending): of each
  // column's samples only the first, the lowest, the highest and the last, in
  // their order, which cover the same pixels. Keeps millions of samples fluid.
  function traceDense(ctx, line, map, first, last) {
    let pen = false;
    let column = NaN;
    let kFirst = 0;
    let kLow = 0;
    let kHigh = 0;
    let kLast = 0;
    const flush = () => {
      if (Number.isNaN(column)) return;
      const picks = [kFirst, kLow, kHigh, kLast].sort((a, b) => a - b);
      let previous = -1;
      for (const k of picks) {
        if (k === previous) continue;
        previous = k;
        const px = clampPixel(map.x(line.xs[k]));
        const py = clampPixel(map.y(line.ys[k]));
        if (pen) ctx.lineTo(px, py);
        else ctx.moveTo(px, py);
        pen = true;
      }
      column = NaN;
    };
    const { xs, ys } = line;
    const scale = map.box.w / (map.xlim[1] - map.xlim[0]);
    const offset = map.box.x - map.xlim[0] * scale;
    for (let k = first; k <= last; k++) {
      const y = ys[k];
      const c = Math.floor(offset + xs[k] * scale);
      if (!Number.isFinite(c) || !Number.isFinite(y)) {
        flush();
        pen = false;
        continue;
      }
      if (c !== column) {
        flush();
        column = c;
        kFirst = kLow = kHigh = k;
      }
      if (y < ys[kLow]) kLow = k;
      if (y > ys[kHigh]) kHigh = k;
      kLast = k;
    }
    flush();
  }

  function drawLine(ctx, line, map) {
    if (!line.visible || line.xs.length === 0) return;
    const [first, last] = visibleRange(line, map.xlim);
    if (line.width !== null) {
      ctx.strokeStyle = line.color;
      ctx.lineWidth = line.width;
      ctx.setLineDash(line.dashes);
      ctx.beginPath();
      // Thinned where samples are denser than two a pixel column: the cost of
      // a wide anti-aliased stroke grows with its vertices, not with its pixels.
      if (line.ascending && last - first > 2 * map.box.w) traceDense(ctx, line, map, first, last);
      else trace(ctx, line, map, first, last);
      ctx.stroke();
    }
    if (line.marker) {
      const b = map.box;
      const margin = 4 + (line.width ?? 0) + line.marker.size;
      for (let k = first; k <= last; k++) {
        const p = { x: map.x(line.xs[k]), y: map.y(line.ys[k]) };
        if (p.x >= b.x - margin && p.x <= b.x + b.w + margin && p.y >= b.y - margin &&
            p.y <= b.y + b.h + margin) {
          drawMarker(ctx, p, line.marker);
        }
      }
    }
  }

  // ---- axes ----------------------------------------------------------------

  // A pixel-aligned copy of the plot box, so that 1-pixel frame lines stay sharp.
  function snapped(r) {
    const x0 = Math.floor(r[0]) + 0.5;
    const y0 = Math.floor(r[1]) + 0.5;
    const x1 = Math.floor(r[0] + r[2]) + 0.5;
    const y1 = Math.floor(r[1] + r[3]) + 0.5;
    return { x: x0, y: y0, w: Math.max(1, x1 - x0), h: Math.max(1, y1 - y0) };
  }

  function mapping(ax) {
    const { box, xlim, ylim } = ax;
    return {
      box,
      xlim,
      ylim,
      x: (v) => box.x + ((v - xlim[0]) / (xlim[1] - xlim[0])) * box.w,
      y: (v) => box.y + box.h - ((v - ylim[0]) / (ylim[1] - ylim[0])) * box.h,
      dataX: (px) => xlim[0] + ((px - box.x) / box.w) * (xlim[1] - xlim[0]),
      dataY: (py) => ylim[0] + ((box.y + box.h - py) / box.h) * (ylim[1] - ylim[0]),
    };
  }

  const sameLimits = (a, b) => a[0] === b[0] && a[1] === b[1];

  // The ticks of the current view: the model's own at the figure's limits,
  // chosen again by the same rule elsewhere; manual ticks stay.
  function ticksOf(ax, which) {
    const desc = ax.desc;
    const lim = ax[which + 'lim'];
    const model = desc[which + 'ticks'];
    if (!desc[which + 'tickAuto'] || sameLimits(lim, desc[which + 'lim'])) return model;
    return tickValues(lim[0], lim[1], desc.tickBudget[which === 'x' ? 0 : 1]);
  }

  function strokeSegment(ctx, x0, y0, x1, y1, color, width, dashes = []) {
    ctx.strokeStyle = color;
    ctx.lineWidth = width;
    ctx.setLineDash(dashes);
    ctx.beginPath();
    ctx.moveTo(x0, y0);
    ctx.lineTo(x1, y1);
    ctx.stroke();
  }

  function drawAxes(ctx, ax) {
    const desc = ax.desc;
    const map = mapping(ax);
    const box = ax.box;
    const bottom = box.y + box.h;
    const right = box.x + box.w;
    const xticks = ticksOf(ax, 'x').filter((t) => within(t, ax.xlim));
    const yticks = ticksOf(ax, 'y').filter((t) => within(t, ax.ylim));
    const drawn = { xticks, yticks, xtickLabels: [], ytickLabels: [] };

    if (desc.visible) {
      if (desc.color) {
        ctx.fillStyle = desc.color;
        ctx.fillRect(box.x, box.y, box.w, box.h);
      }
      if (desc.xgrid) {
        for (const t of xticks) {
          const x = Math.floor(map.x(t)) + 0.5;
          strokeSegment(ctx, x, box.y, x, bottom, gridColor, 1);
        }
      }
      if (desc.ygrid) {
        for (const t of yticks) {
          const y = Math.floor(map.y(t)) + 0.5;
          strokeSegment(ctx, box.x, y, right, y, gridColor, 1);
        }
      }
    }

    ctx.save();
    ctx.beginPath();
    ctx.rect(box.x, box.y, box.w, box.h);
    ctx.clip();
    for (const line of ax.lines) drawLine(ctx, line, map);
    ctx.restore();
    for (const text of desc.texts) drawText(ctx, text, { x: map.x(text.at[0]), y: map.y(text.at[1]) });

    if (desc.visible) {
      const tick = Math.min(10, Math.max(3, 0.01 * Math.max(box.w, box.h)));
      const fw = desc.frameWidth;
      strokeSegment(ctx, box.x, bottom, right, bottom, desc.xcolor, fw);
      strokeSegment(ctx, box.x, box.y, box.x, bottom, desc.ycolor, fw);
      if (desc.boxed) {
        strokeSegment(ctx, box.x, box.y, right, box.y, desc.xcolor, fw);
        strokeSegment(ctx, right, box.y, right, bottom, desc.ycolor, fw);
      }
      const tickSpec = { size: desc.fontSize, bold: false, rotation: 0, metrics: desc.tickMetrics };
      const tm = fontMetrics(ctx, fontOf(desc.fontSize, false), desc.tickMetrics);
      for (const t of xticks) {
        const x = Math.floor(map.x(t)) + 0.5;
        strokeSegment(ctx, x, bottom, x, bottom - tick, desc.xcolor, fw);
        if (desc.boxed) strokeSegment(ctx, x, box.y, x, box.y + tick, desc.xcolor, fw);
        drawn.xtickLabels.push(...drawTextBlock(ctx, { x, y: bottom + 5 }, [formatTick(t)],
          { ...tickSpec, color: desc.xcolor, halign: 'center', valign: 'top' }));
      }
      let widest = 0;
      ctx.font = fontOf(desc.fontSize, false);
      for (const t of yticks) {
        const y = Math.floor(map.y(t)) + 0.5;
        strokeSegment(ctx, box.x, y, box.x + tick, y, desc.ycolor, fw);
        if (desc.boxed) strokeSegment(ctx, right, y, right - tick, y, desc.ycolor, fw);
        const label = formatTick(t);
        widest = Math.max(widest, ctx.measureText(label).width);
        drawn.ytickLabels.push(...drawTextBlock(ctx, { x: box.x - 6, y }, [label],
          { ...tickSpec, color: desc.ycolor, halign: 'right', valign: 'middle' }));
        ctx.font = fontOf(desc.fontSize, false);
      }
      // At the figure's own limits the labels are the PNG's: so is their width.
      if (sameLimits(ax.ylim, desc.ylim)) widest = desc.ytickWidest;
      const xLabelTop = bottom + 5 + (xticks.length ? tm.ascent + tm.descent : 0) + 4;
      drawText(ctx, desc.xlabel, { x: box.x + box.w / 2, y: xLabelTop });
      drawText(ctx, desc.ylabel, { x: box.x - 6 - widest - 8, y: box.y + box.h / 2 });
    }
    drawText(ctx, desc.title, { x: box.x + box.w / 2, y: box.y - 7 });
    ax.drawn = drawn;
  }

  const gridColor = 'rgb(222,222,222)';

  function drawLegend(ctx, legend) {
    const box = axes[legend.axes].box;
    const entries = legend.entries;
    if (entries.length === 0) return;
    const m = fontMetrics(ctx, fontOf(legend.fontSize, false), legend.metrics);
    const row = (m.ascent + m.descent) * 1.3;
    const pad = 6;
    const sample = 30;
    const gap = 6;
    const widest = legend.widest;
    const w = Math.ceil(pad + sample + gap + widest + pad);
    const h = Math.ceil(pad / 2 + row * entries.length + pad / 2);
    const where = legend.location;
    const inset = 8;
    let x = box.x + box.w - inset - w;
    let y = box.y + inset;
    if (where.includes('west')) x = box.x + inset;
    if (where === 'north' || where === 'south') x = box.x + (box.w - w) / 2;
    if (where.includes('south')) y = box.y + box.h - inset - h;
    if (where === 'east' || where === 'west') y = box.y + (box.h - h) / 2;
    const frame = { x: Math.floor(x) + 0.5, y: Math.floor(y) + 0.5, w, h };
    ctx.fillStyle = legend.color;
    ctx.fillRect(frame.x, frame.y, w, h);
    if (legend.edge) {
      ctx.strokeStyle = legend.edge;
      ctx.lineWidth = 1;
      ctx.setLineDash([]);
      ctx.strokeRect(frame.x, frame.y, w, h);
    }
    entries.forEach((e, k) => {
      const cy = frame.y + pad / 2 + row * (k + 0.5);
      const x0 = frame.x + pad;
      if (e.width !== null) strokeSegment(ctx, x0, cy, x0 + sample, cy, e.color, e.width, e.dashes);
      if (e.marker) drawMarker(ctx, { x: x0 + sample / 2, y: cy }, e.marker);
      drawTextBlock(ctx, { x: x0 + sample + gap, y: cy }, [e.text],
        { size: legend.fontSize, bold: false, rotation: 0, metrics: legend.metrics, color: legend.textColor,
          halign: 'left', valign: 'middle' });
    });
  }

  // ---- the page --------------------------------------------------------------

  const axes = doc.axes.map((desc) => {
    const ax = {
      desc,
      box: snapped(desc.plotBox),
      xlim: desc.xlim.slice(),
      ylim: desc.ylim.slice(),
      lines: desc.lines.map((l) => {
        const xs = data[l.x];
        const ys = data[l.y];
        const n = xs.length === ys.length ? xs.length : 0;
        let ascending = n > 0 && !Number.isNaN(xs[0]);
        for (let k = 0; k + 1 < n && ascending; k++) ascending = xs[k] <= xs[k + 1];
        return { ...l, xs: xs.subarray(0, n), ys: ys.subarray(0, n), ascending };
      }),
    };
    return ax;
  });

  const root = document.createElement('div');
  root.className = 'figure-page';
  const toolbar = document.createElement('div');
  toolbar.className = 'toolbar';
  const tools = {};
  let tool = 'zoom';
  for (const [name, label, hint] of [
    ['zoom', 'Zoom', 'Drag a box to zoom in; the wheel zooms about the pointer'],
    ['pan', 'Pan', 'Drag to move the view (shift+drag does it with any tool)'],
    ['reset', 'Reset', "Back to the figure's own limits (double-click, 0 or Home)"],
  ]) {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = label;
    b.title = hint;
    b.dataset.tool = name;
    b.addEventListener('click', () => {
      if (name === 'reset') resetAll();
      else setTool(name);
    });
    tools[name] = b;
    toolbar.appendChild(b);
  }
  const hint = document.createElement('span');
  hint.className = 'hint';
  hint.textContent = 'wheel: zoom · shift+drag: pan · click: pin the cursor';
  toolbar.appendChild(hint);

  const stage = document.createElement('div');
  stage.className = 'stage';
  stage.style.width = doc.width + 'px';
  stage.style.height = doc.height + 'px';
  const plot = document.createElement('canvas');
  const overlay = document.createElement('canvas');
  overlay.className = 'overlay';
  overlay.tabIndex = 0;
  stage.append(plot, overlay);
  const readout = document.createElement('div');
  readout.className = 'readout';
  root.append(toolbar, stage, readout);
  document.body.appendChild(root);

  const ratio = window.devicePixelRatio || 1;
  function prepare(canvas) {
    canvas.width = Math.round(doc.width * ratio);
    canvas.height = Math.round(doc.height * ratio);
    canvas.style.width = doc.width + 'px';
    canvas.style.height = doc.height + 'px';
    const ctx = canvas.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    // Mitred joins, cut off where they would stick out: at the PNG's widths
    // they look as its round joins do, and cost far less to fill.
    ctx.lineJoin = 'miter';
    ctx.miterLimit = 2;
    ctx.lineCap = 'butt';
    return ctx;
  }
  const plotCtx = prepare(plot);
  const overlayCtx = prepare(overlay);

  const stats = { frames: 0, drawMs: 0 };
  function draw() {
    const t0 = performance.now();
    const ctx = plotCtx;
    ctx.clearRect(0, 0, doc.width, doc.height);
    if (doc.color) {
      ctx.fillStyle = doc.color;
      ctx.fillRect(0, 0, doc.width, doc.height);
    }
    for (const ax of axes) drawAxes(ctx, ax);
    for (const legend of doc.legends) drawLegend(ctx, legend);
    updateCursor();
    stats.frames++;
    stats.drawMs += performance.now() - t0;
  }

  let pending = false;
  function redraw() {
    if (pending) return;
    pending = true;
    requestAnimationFrame(() => {
      pending = false;
      draw();
    });
  }

  function setTool(name) {
    tool = name;
    for (const [n, b] of Object.entries(tools)) b.classList.toggle('active', n === name);
  }
  setTool('zoom');

  // ---- views ---------------------------------------------------------------

  // Axes with equal data units (a manual DataAspectRatio) keep them: the
  // narrower limits are widened about their centre.
  function keepAspect(ax) {
    const dar = ax.desc.equal;
    if (!dar) return;
    const ux = (ax.xlim[1] - ax.xlim[0]) / dar[0];
    const uy = (ax.ylim[1] - ax.ylim[0]) / dar[1];
    const target = ax.box.w / ax.box.h;
    const widen = (lim, span) => {
      const c = lim[0] / 2 + lim[1] / 2;
      return [c - span / 2, c + span / 2];
    };
    if (ux / uy < target) ax.xlim = widen(ax.xlim, target * uy * dar[0]);
    else ax.ylim = widen(ax.ylim, (ux / target) * dar[1]);
  }

  // Limits that the canvas and the tick rule can still show.
  function usable(lim) {
    const span = lim[1] - lim[0];
    const scale = Math.max(Math.abs(lim[0]), Math.abs(lim[1]));
    return Number.isFinite(span) && span > 0 && span > scale * 1e-12 && scale < 1e300;
  }

  function setView(ax, xlim, ylim) {
    if (xlim && usable(xlim)) ax.xlim = [xlim[0], xlim[1]];
    if (ylim && usable(ylim)) ax.ylim = [ylim[0], ylim[1]];
    keepAspect(ax);
    redraw();
  }

  function resetAll() {
    for (const ax of axes) {
      ax.xlim = ax.desc.xlim.slice();
      ax.ylim = ax.desc.ylim.slice();
    }
    redraw();
  }

  // Scales the limits by `factor` about the data point under (px, py).
  function zoomAbout(ax, px, py, factor, which) {
    const map = mapping(ax);
    const about = (lim, centre) => [centre + (lim[0] - centre) * factor, centre + (lim[1] - centre) * factor];
    setView(ax, which.x ? about(ax.xlim, map.dataX(px)) : null, which.y ? about(ax.ylim, map.dataY(py)) : null);
  }

  // ---- pointer -------------------------------------------------------------

  const inBox = (b, p, slack = 0) =>
    p.x >= b.x - slack && p.x <= b.x + b.w + slack && p.y >= b.y - slack && p.y <= b.y + b.h + slack;

  // The axes under a point, and which of its parts: the plot box, the x tick
  // labels below it or the y tick labels left of it.
  function hit(p) {
    for (let i = axes.length - 1; i >= 0; i--) {
      const ax = axes[i];
      if (!ax.desc.visible) continue;
      const b = ax.box;
      if (inBox(b, p)) return { ax, part: 'box' };
      if (p.x >= b.x && p.x <= b.x + b.w && p.y > b.y + b.h && p.y < b.y + b.h + 40) return { ax, part: 'x' };
      if (p.y >= b.y && p.y <= b.y + b.h && p.x < b.x && p.x > b.x - 70) return { ax, part: 'y' };
    }
    return null;
  }

  const pointOf = (event) => {
    const r = overlay.getBoundingClientRect();
    return { x: event.clientX - r.left, y: event.clientY - r.top };
  };

  let drag = null; // {ax, start, current, mode: 'zoom'|'pan', xlim, ylim, moved}
  let cursor = null; // {ax, point, pinned, samples}
  let lastAxes = axes.find((a) => a.desc.visible) || null;

  overlay.addEventListener('pointerdown', (event) => {
    const p = pointOf(event);
    const h = hit(p);
    if (!h || h.part !== 'box') return;
    overlay.setPointerCapture(event.pointerId);
    overlay.focus({ preventScroll: true });
    const panning = tool === 'pan' || event.shiftKey || event.button === 1 || event.button === 2;
    drag = { ax: h.ax, start: p, current: p, mode: panning ? 'pan' : 'zoom', xlim: h.ax.xlim, ylim: h.ax.ylim, moved: false };
    event.preventDefault();
  });

  overlay.addEventListener('pointermove', (event) => {
    const p = pointOf(event);
    if (drag) {
      drag.current = p;
      if (Math.abs(p.x - drag.start.x) > 3 || Math.abs(p.y - drag.start.y) > 3) drag.moved = true;
      if (drag.mode === 'pan' && drag.moved) {
        const ax = drag.ax;
        const dx = ((p.x - drag.start.x) / ax.box.w) * (drag.xlim[1] - drag.xlim[0]);
        const dy = ((p.y - drag.start.y) / ax.box.h) * (drag.ylim[1] - drag.ylim[0]);
        setView(ax, [drag.xlim[0] - dx, drag.xlim[1] - dx], [drag.ylim[0] + dy, drag.ylim[1] + dy]);
      } else {
        drawOverlay();
      }
      return;
    }
    const h = hit(p);
    if (h) lastAxes = h.ax;
    if (cursor && cursor.pinned) return;
    cursor = h && h.part === 'box' ? { ax: h.ax, point: p, pinned: false } : null;
    updateCursor();
  });

  overlay.addEventListener('pointerleave', () => {
    if (drag || (cursor && cursor.pinned)) return;
    cursor = null;
    updateCursor();
  });

  function endDrag(event) {
    if (!drag) return;
    const d = drag;
    drag = null;
    const p = pointOf(event);
    if (!d.moved) {
      // A click pins the cursor there, or releases a pinned one.
      if (cursor && cursor.pinned) cursor = { ax: d.ax, point: p, pinned: false };
      else cursor = { ax: d.ax, point: p, pinned: true };
      updateCursor();
      return;
    }
    if (d.mode === 'zoom') {
      const b = d.ax.box;
      const clampX = (x) => Math.max(b.x, Math.min(b.x + b.w, x));
      const clampY = (y) => Math.max(b.y, Math.min(b.y + b.h, y));
      const x0 = clampX(Math.min(d.start.x, p.x));
      const x1 = clampX(Math.max(d.start.x, p.x));
      const y0 = clampY(Math.min(d.start.y, p.y));
      const y1 = clampY(Math.max(d.start.y, p.y));
      const map = mapping(d.ax);
      // A thin box zooms one direction only.
      const xlim = x1 - x0 >= 4 ? [map.dataX(x0), map.dataX(x1)] : null;
      const ylim = y1 - y0 >= 4 ? [map.dataY(y1), map.dataY(y0)] : null;
      setView(d.ax, xlim, ylim);
    }
    drawOverlay();
  }
  overlay.addEventListener('pointerup', endDrag);
  overlay.addEventListener('pointercancel', () => {
    drag = null;
    drawOverlay();
  });
  overlay.addEventListener('contextmenu', (event) => event.preventDefault());

  overlay.addEventListener('dblclick', (event) => {
    const h = hit(pointOf(event));
    if (!h) return;
    resetAll();
    event.preventDefault();
  });

  overlay.addEventListener('wheel', (event) => {
    const p = pointOf(event);
    const h = hit(p);
    if (!h) return;
    event.preventDefault();
    const lines = event.deltaMode === 1 ? 33 : event.deltaMode === 2 ? 400 : 1;
    const factor = Math.pow(1.0015, Math.max(-500, Math.min(500, event.deltaY * lines)));
    zoomAbout(h.ax, p.x, p.y, factor, { x: h.part !== 'y', y: h.part !== 'x' });
  }, { passive: false });

  overlay.addEventListener('keydown', (event) => {
    const ax = lastAxes;
    if (!ax) return;
    const b = ax.box;
    const cx = b.x + b.w / 2;
    const cy = b.y + b.h / 2;
    const shift = (lim, f) => [lim[0] + f * (lim[1] - lim[0]), lim[1] + f * (lim[1] - lim[0])];
    switch (event.key) {
      case '0':
      case 'Home':
        resetAll();
        break;
      case '+':
      case '=':
        zoomAbout(ax, cx, cy, 0.8, { x: true, y: true });
        break;
      case '-':
        zoomAbout(ax, cx, cy, 1.25, { x: true, y: true });
        break;
      case 'ArrowLeft':
        setView(ax, shift(ax.xlim, -0.1), null);
        break;
      case 'ArrowRight':
        setView(ax, shift(ax.xlim, 0.1), null);
        break;
      case 'ArrowUp':
        setView(ax, null, shift(ax.ylim, 0.1));
        break;
      case 'ArrowDown':
        setView(ax, null, shift(ax.ylim, -0.1));
        break;
      case 'Escape':
        cursor = null;
        updateCursor();
        break;
      default:
        return;
    }
    event.preventDefault();
  });

  // ---- data cursor -----------------------------------------------------------

  // The sample of a line nearest to a point: by x when the x data ascend (a
  // waveform), else by distance on screen.
  function nearestSample(line, map, p) {
    const n = line.xs.length;
    if (!line.visible || n === 0) return -1;
    if (line.ascending) {
      const x = map.dataX(p.x);
      const k = lowerBound(line.xs, x);
      if (k === 0) return 0;
      if (k === n) return n - 1;
      return x - line.xs[k - 1] <= line.xs[k] - x ? k - 1 : k;
    }
    let best = -1;
    let bestDistance = Infinity;
    for (let k = 0; k < n; k++) {
      const dx = map.x(line.xs[k]) - p.x;
      const dy = map.y(line.ys[k]) - p.y;
      const d = dx * dx + dy * dy;
      if (d < bestDistance) {
        bestDistance = d;
        best = k;
      }
    }
    return best;
  }

  // Finds the samples under a cursor that follows the pointer (a pinned one
  // keeps its samples while the view moves) and shows them when they changed.
  let shown = null;
  function updateCursor() {
    if (cursor && !(cursor.pinned && cursor.samples)) {
      const map = mapping(cursor.ax);
      cursor.samples = cursor.ax.lines.map((line) => nearestSample(line, map, cursor.point));
    }
    const key = cursor ? `${axes.indexOf(cursor.ax)} ${cursor.samples} ${cursor.pinned}` : '';
    if (key !== shown) {
      shown = key;
      showReadout();
    }
    drawOverlay();
  }

  function showReadout() {
    readout.replaceChildren();
    if (cursor) {
      cursor.ax.lines.forEach((line, i) => {
        const k = cursor.samples[i];
        if (k < 0) return;
        const row = document.createElement('div');
        row.className = 'sample';
        const swatch = document.createElement('span');
        swatch.className = 'swatch';
        swatch.style.background = line.color;
        const name = line.name || `line ${i + 1}`;
        row.append(swatch, `${name}: x = ${formatG(line.xs[k])}, y = ${formatG(line.ys[k])} (sample ${k + 1})`);
        readout.appendChild(row);
      });
      readout.classList.toggle('pinned', cursor.pinned);
    }
  }

  // The data cursor's marks and the zoom box, on a canvas of their own; left
  // alone while it is empty and stays so (as while panning without a cursor).
  let overlayEmpty = true;
  function drawOverlay() {
    const ctx = overlayCtx;
    const zoomBox = drag && drag.mode === 'zoom' && drag.moved;
    if (overlayEmpty && !cursor && !zoomBox) return;
    ctx.clearRect(0, 0, doc.width, doc.height);
    overlayEmpty = !cursor && !zoomBox;
    if (cursor && cursor.samples) {
      const ax = cursor.ax;
      const map = mapping(ax);
      const b = ax.box;
      ctx.save();
      ctx.beginPath();
      ctx.rect(b.x, b.y, b.w, b.h);
      ctx.clip();
      ax.lines.forEach((line, i) => {
        const k = cursor.samples[i];
        if (k < 0) return;
        const x = map.x(line.xs[k]);
        const y = map.y(line.ys[k]);
        if (!Number.isFinite(x) || !Number.isFinite(y)) return;
        ctx.beginPath();
        ctx.arc(x, y, 4, 0, 2 * Math.PI);
        ctx.fillStyle = 'white';
        ctx.fill();
        ctx.lineWidth = 2;
        ctx.setLineDash([]);
        ctx.strokeStyle = line.color;
        ctx.stroke();
      });
      ctx.restore();
    }
    if (zoomBox) {
      const b = drag.ax.box;
      const clampX = (x) => Math.max(b.x, Math.min(b.x + b.w, x));
      const clampY = (y) => Math.max(b.y, Math.min(b.y + b.h, y));
      const x0 = clampX(Math.min(drag.start.x, drag.current.x));
      const x1 = clampX(Math.max(drag.start.x, drag.current.x));
      const y0 = clampY(Math.min(drag.start.y, drag.current.y));
      const y1 = clampY(Math.max(drag.start.y, drag.current.y));
      ctx.fillStyle = 'rgba(60,120,200,0.12)';
      ctx.fillRect(x0, y0, x1 - x0, y1 - y0);
      ctx.strokeStyle = 'rgb(60,120,200)';
      ctx.lineWidth = 1;
      ctx.setLineDash([4, 3]);
      ctx.strokeRect(Math.floor(x0) + 0.5, Math.floor(y0) + 0.5, Math.round(x1 - x0), Math.round(y1 - y0));
    }
  }

  // ---- scripting interface ---------------------------------------------------

  window.figurePage = {
    // The view of every axes: plot box, limits, the ticks and tick labels drawn.
    axes: () =>
      axes.map((ax) => ({
        box: { ...ax.box },
        xlim: ax.xlim.slice(),
        ylim: ax.ylim.slice(),
        xticks: ax.drawn ? ax.drawn.xticks.slice() : [],
        yticks: ax.drawn ? ax.drawn.yticks.slice() : [],
        xtickLabels: ax.drawn ? ax.drawn.xtickLabels.map((l) => ({ ...l })) : [],
        ytickLabels: ax.drawn ? ax.drawn.ytickLabels.map((l) => ({ ...l })) : [],
        tickBudget: ax.desc.tickBudget.slice(),
      })),
    setLimits: (i, xlim, ylim) => setView(axes[i], xlim, ylim),
    reset: resetAll,
    tickValues,
    formatTick,
    // Resolves after the next frame has been drawn.
    drawn: () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))),
    stats: () => ({ ...stats }),
  };

  draw();
})();
