// The run window "Przebieg jazdy", opened from the task: the track with the
// path driven and the displacement arrows, the distance and the displacement's
// length against time, the speed (distance per tick) with the area under it,
// the velocity (displacement per tick) by its components, a replay, and saving
// as CSV or PNG. Every figure, text of a number and point of a chart comes from
// the core (web/run_view.cpp), made by the same code as the desktop's window;
// this page only draws them. The averages appear only once both answers were
// checked or the pupil asks for them, so the window does not give the task away.
'use strict';

window.VelnarRunWindow = (function () {
  const $ = (id) => document.getElementById(id);
  const TICK_MS = 300;
  const PATH_COLOUR = 'rgb(255,140,0)';
  const FAINT_PATH_COLOUR = 'rgba(255,140,0,0.431)';
  const ARROW_COLOUR = 'rgb(0,200,0)';
  const PATH_WIDTH = 3;
  const FONT = '"Liberation Sans", Arial, sans-serif';
  const colours = {
    distance: 'rgb(0,90,200)',
    displacement: 'rgb(0,160,0)',
    speed: 'rgb(200,90,0)',
    speedShade: 'rgba(200,90,0,0.275)',
    speedLabel: 'rgb(143,64,0)',
    vx: 'rgb(0,120,170)',
    vy: 'rgb(150,40,160)',
  };
  const PLAY = '<u>O</u>dtwórz';
  // The same mnemonic, so Alt+O pauses what it started.
  const PAUSE = 'Wstrzymaj <u>o</u>dtwarzanie';

  let program = null;
  let built = false;
  let info = null;            // the run's figures from the core
  let position = 0;           // rows from the first, fractions between ticks
  let shownRow = -1;
  let playing = false;
  let playSpeed = 1;
  let lastStep = 0;
  let resultShown = false;
  let path = null;            // Float32Array of x, y in track pixels
  let values = null;          // the texts of the row shown
  let trackImage = null;      // the whole track at one pixel per world pixel
  // What one opening made that must not outlive it: its listeners (aborted
  // together), the observer of the window's size, the replay's next frame.
  let opening = null;         // { abort, observer }
  let frame = 0;
  let laidOut = '';           // the sizes the window was last laid out for
  const charts = {};
  const track = { canvas: null, layer: null, whole: null, driven: null, drawn: 0,
    last: null, scale: 1, left: 0, size: 0, moment: { points: 0, car: [0, 0] } };

  // --- Reading the core ------------------------------------------------------
  function json(name, ...args) {
    return JSON.parse(program.ccall(name, 'string', args.map(() => 'number'), args));
  }

  function series(which) {
    const count = program._malloc(4);
    const at = program._velnar_run_series(which, count);
    const n = program.HEAP32[count >> 2];
    program._free(count);
    const pairs = new Float64Array(program.HEAPU8.buffer, at, 2 * n);
    const xs = new Float64Array(n), ys = new Float64Array(n);
    for (let i = 0; i < n; ++i) { xs[i] = pairs[2 * i]; ys[i] = pairs[2 * i + 1]; }
    return [xs, ys];
  }

  function readPath() {
    const count = program._malloc(4);
    const at = program._velnar_run_path(count);
    const n = program.HEAP32[count >> 2];
    program._free(count);
    return new Float32Array(program.HEAPU8.buffer, at, 2 * n).slice();
  }

  function moment(at) {
    const car = program._malloc(16);
    const points = program._velnar_run_moment(at, car);
    const xy = [program.HEAPF64[car >> 3], program.HEAPF64[(car >> 3) + 1]];
    program._free(car);
    return { points, car: xy };
  }

  function trackPicture() {
    if (trackImage) return trackImage;
    const at = program._velnar_track_picture();
    const w = info.trackWidth, h = info.trackHeight;
    const pixels = new Uint8ClampedArray(program.HEAPU8.buffer, at, w * h * 4).slice();
    trackImage = document.createElement('canvas');
    trackImage.width = w;
    trackImage.height = h;
    trackImage.getContext('2d').putImageData(new ImageData(pixels, w, h), 0, 0);
    return trackImage;
  }

  // --- The window's controls ----------------------------------------------
  function element(tag, props, parent) {
    const e = document.createElement(tag);
    Object.assign(e, props);
    if (parent) parent.appendChild(e);
    return e;
  }

  function build() {
    const client = $('runClient');
    const top = element('div', { className: 'run-top' }, client);
    const left = element('div', { className: 'run-left' }, top);
    track.canvas = element('canvas', { id: 'runTrack', className: 'run-track' }, left);
    element('div', { id: 'runValues', className: 'run-values' }, left);
    const right = element('div', { className: 'run-charts' }, top);
    for (const name of ['distance', 'speed', 'velocity'])
      element('div', { id: 'runChart-' + name, className: 'run-chart' }, right);

    // The replay and the buttons: two rows, side by side where a lying phone
    // has the width for them and not the height.
    const controls = element('div', { className: 'run-controls' }, client);
    const replay = element('div', { className: 'run-row' }, controls);
    element('button', { id: 'runPlay', innerHTML: PLAY, className: 'run-play' }, replay);
    const speed = element('select', { id: 'runSpeed', title: 'Tempo odtwarzania' }, replay);
    for (const f of ['1x', '2x', '4x']) element('option', { textContent: f }, speed);
    // The slider keeps its label when the row wraps.
    const time = element('span', { className: 'run-time' }, replay);
    element('label', { textContent: 'Czas t:', htmlFor: 'runTime', className: 'run-text' }, time);
    element('input', { id: 'runTime', type: 'range', min: 0, step: 1, title: 'Czas t',
      className: 'run-slider' }, time);
    const buttons = element('div', { className: 'run-row' }, controls);
    element('button', { id: 'runResult', innerHTML: 'Pokaż <u>w</u>ynik' }, buttons);
    element('span', { className: 'run-stretch' }, buttons);
    element('button', { id: 'runSave', innerHTML: '<u>Z</u>apisz...' }, buttons);
    element('button', { id: 'runClose', textContent: 'Zamknij', className: 'default' }, buttons);

    $('runPlay').addEventListener('click', () => setPlaying(!playing));
    speed.addEventListener('change', () => { playSpeed = 1 << speed.selectedIndex; });
    $('runTime').addEventListener('input', (e) => {
      const value = Number(e.target.value);
      if (Math.floor(position) !== value) setPosition(value);
    });
    $('runResult').addEventListener('click', showResult);
    $('runSave').addEventListener('click', save);
    $('runClose').addEventListener('click', () => $('run').close());
    $('run').addEventListener('close', () => {
      release();
      $('RunButton').focus();
    });
    $('run').addEventListener('keydown', keyDown);
    buildSaveDialog();
    built = true;
  }

  function keyDown(e) {
    if (e.altKey && !e.ctrlKey && !e.metaKey) {
      const button = { KeyO: 'runPlay', KeyW: 'runResult', KeyZ: 'runSave' }[e.code];
      if (button) {
        e.preventDefault();
        if (!$(button).disabled) $(button).click();
      }
      return;
    }
    // Enter on a button presses that button, as on the desktop: the browser
    // does it when the key is left alone. Anywhere else (the slider, the
    // tempo) Enter is the default button's, "Zamknij".
    if (e.key === 'Enter' && !e.isComposing) {
      if (e.target.tagName === 'BUTTON') return;
      e.preventDefault();
      $('run').close();
      return;
    }
    // Space plays and pauses wherever the focus is that does not take it itself.
    if (e.code === 'Space' && !e.repeat && !['BUTTON', 'SELECT'].includes(e.target.tagName)) {
      e.preventDefault();
      setPlaying(!playing);
    }
  }

  // --- The charts ------------------------------------------------------------
  // Round ends and steps (0, 25, 50... rather than 0, 15.5, 31...), about five
  // steps to an axis.
  function niceNumber(x, round) {
    const power = Math.pow(10, Math.floor(Math.log10(x)));
    const f = x / power;
    let nice;
    if (round) nice = f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10;
    else nice = f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10;
    return nice * power;
  }

  // Values get a little room above and below; time ends where the run does.
  function niceAxis(low, high, time) {
    if (!(high > low)) high = low + 1;
    const room = time ? 1 : 1.02;
    let min = low < 0 ? low * room : low, max = high > 0 ? high * room : high;
    const step = niceNumber(niceNumber(max - min, false) / 4, true);
    min = Math.floor(min / step) * step;
    max = Math.ceil(max / step) * step;
    return { min, max, step };
  }

  function axisLabel(v) {
    return String(Number(v.toPrecision(6)));
  }

  function axis(label, range) {
    return {
      label, labelSize: 18, labelFont: `bold 12px ${FONT}`, font: `11px ${FONT}`, size: 36,
      stroke: '#333', grid: { stroke: '#e2e2e2', width: 1 }, ticks: { stroke: '#999', width: 1, size: 4 },
      splits: () => {
        const out = [];
        for (let v = range.min; v <= range.max + range.step / 2; v += range.step) out.push(v);
        return out;
      },
      values: (u, splits) => splits.map(axisLabel),
    };
  }

  function line(label, stroke, data, dashed) {
    return { s: { label, stroke, width: 2, dash: dashed ? [7, 4] : undefined, points: { show: false },
      paths: uPlot.paths.linear() }, data };
  }

  // A chart: the library draws the axes and the series once; the replay's
  // cursor and the shaded area are drawn over them on a canvas of their own.
  function makeChart(name, title, yLabel, x, y, lines, legendOnly) {
    const box = $('runChart-' + name);
    box.textContent = '';
    const opts = {
      mode: 2, width: 300, height: 150, title,
      legend: { show: false },
      cursor: { show: false, drag: { x: false, y: false } },
      scales: { x: { time: false, range: () => [x.min, x.max] }, y: { range: () => [y.min, y.max] } },
      axes: [axis('czas t [s]', x), axis(yLabel, y)],
      series: [{}].concat(lines.map((l) => l.s)),
      hooks: { setSize: [() => sizeOverlay(name)], draw: [() => drawOverlay(name)] },
    };
    const u = new uPlot(opts, [null].concat(lines.map((l) => l.data)), box);
    const legend = element('div', { className: 'run-legend' }, box);
    const entries = lines.map((l) => legendEntry(legend, l.s.label, l.s.stroke, l.s.dash));
    if (legendOnly) entries.push(legendEntry(legend, legendOnly.label, legendOnly.stroke, [7, 4]));
    const overlay = element('canvas', { className: 'run-overlay' }, u.over);
    charts[name] = { u, box, legend: entries, overlay, shade: null };
    return charts[name];
  }

  function legendEntry(legend, label, stroke, dash) {
    const entry = element('span', { className: 'run-legend-entry' }, legend);
    const mark = element('span', { className: 'run-legend-mark' }, entry);
    mark.style.borderTop = `2px ${dash ? 'dashed' : 'solid'} ${stroke}`;
    element('span', { textContent: label }, entry);
    return entry;
  }

  function buildCharts() {
    const d = [0, 1, 2, 3, 4].map(series);
    const t = niceAxis(0, info.tMax, true);
    const flat = (value) => [Float64Array.of(0, info.tMax), Float64Array.of(value, value)];
    makeChart('distance', 'Droga s i przemieszczenie |R|', '[m]', t, niceAxis(0, info.sMax, false), [
      line('droga s', colours.distance, d[0]),
      line('przemieszczenie |R|', colours.displacement, d[1]),
    ]);
    makeChart('speed', 'Szybkość v (droga w sekundzie)', '[m/s]', t, niceAxis(0, info.vMax, false), [
      line('szybkość v', colours.speed, d[2]),
      line(info.speedLabel, colours.distance, flat(info.speed), true),
    ]);
    makeChart('velocity', 'Prędkość (przemieszczenie w sekundzie)', '[m/s]', t,
      niceAxis(info.low, info.high, false), [
        line('vx', colours.vx, d[3]),
        line('vy', colours.vy, d[4]),
        line(info.vxLabel, colours.vx, flat(info.vx), true),
        line(info.vyLabel, colours.vy, flat(info.vy), true),
      ], { label: info.velocityLabel, stroke: colours.displacement });
    // The area under the speed is the distance: shaded up to the moment shown.
    charts.speed.curve = d[2];
    setAveragesShown(false);
  }

  // The averages, their lines and their legend entries, hidden or shown.
  function setAveragesShown(shown) {
    const averages = { speed: [2], velocity: [3, 4] };
    for (const [name, indices] of Object.entries(averages)) {
      const c = charts[name];
      c.u.batch(() => { for (const i of indices) c.u.setSeries(i, { show: shown }); });
      c.legend.forEach((entry, i) => { if (i + 1 >= indices[0]) entry.hidden = !shown; });
    }
  }

  function showResult() {
    resultShown = true;
    setAveragesShown(true);
    // A disabled button drops the focus out of the window, where its keys no
    // longer reach it; the next button takes it, as on the desktop.
    const focused = document.activeElement === $('runResult');
    $('runResult').disabled = true;
    if (focused) $('runSave').focus();
  }

  // The library takes a new size on its next commit, a microtask later, and
  // only then tells (setSize, then draw): the overlays follow their plots
  // there, not here, or they are made for the old size.
  function sizeCharts() {
    for (const c of Object.values(charts)) {
      const title = c.box.querySelector('.u-title');
      const width = Math.max(200, Math.floor(c.box.clientWidth) - 12);
      const height = Math.max(100, Math.floor(c.box.clientHeight - 10 - c.legend[0].parentNode.offsetHeight -
        (title ? title.offsetHeight : 0)));
      c.u.setSize({ width, height });
    }
  }

  function sizeOverlay(name) {
    const c = charts[name];
    if (!c) return;
    const dpr = window.devicePixelRatio || 1;
    c.overlay.width = Math.round(c.u.over.clientWidth * dpr);
    c.overlay.height = Math.round(c.u.over.clientHeight * dpr);
    c.shade = null;
  }

  // The cursor at the moment's time, and on the speed chart the area under
  // the speed up to it with its label, over the chart's picture.
  function drawOverlay(name) {
    const c = charts[name];
    if (!c || !info || !values) return;
    const u = c.u, g = c.overlay.getContext('2d');
    const dpr = window.devicePixelRatio || 1;
    const w = c.overlay.width / dpr, h = c.overlay.height / dpr;
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    g.clearRect(0, 0, w, h);
    const x = u.valToPos(values.time, 'x');
    if (c.curve && c.curve[0].length > 0) {
      if (!c.shade) {
        const [xs, ys] = c.curve;
        c.shade = new Path2D();
        c.shade.moveTo(u.valToPos(xs[0], 'x'), u.valToPos(0, 'y'));
        for (let i = 0; i < xs.length; ++i) c.shade.lineTo(u.valToPos(xs[i], 'x'), u.valToPos(ys[i], 'y'));
        c.shade.lineTo(u.valToPos(xs[xs.length - 1], 'x'), u.valToPos(0, 'y'));
        c.shade.closePath();
      }
      if (x > 0) {
        g.save();
        g.beginPath();
        g.rect(0, 0, x, h);
        g.clip();
        g.fillStyle = colours.speedShade;
        g.fill(c.shade);
        g.restore();
      }
    }
    g.strokeStyle = 'rgb(128,128,128)';
    g.lineWidth = 1;
    g.setLineDash([4, 3]);
    g.beginPath();
    const cx = Math.min(Math.round(x), Math.floor(w) - 1) + 0.5;
    g.moveTo(cx, 0);
    g.lineTo(cx, h);
    g.stroke();
    g.setLineDash([]);
    if (c.curve) {
      g.font = `bold 12px ${FONT}`;
      const label = values.area;
      const bw = g.measureText(label).width + 6, bh = 16;
      // On the shaded area, left of the cursor, unless that leaves the plot.
      let bx = x - bw - 4;
      if (bx < 2) bx = x + 4;
      const by = h - bh - 4;
      g.fillStyle = 'rgba(255,255,255,0.82)';
      g.fillRect(bx, by, bw, bh);
      g.fillStyle = colours.speedLabel;
      g.textBaseline = 'middle';
      g.fillText(label, bx + 3, by + bh / 2 + 1);
    }
  }

  // --- The track -------------------------------------------------------------
  function offscreen(w, h) {
    const c = document.createElement('canvas');
    c.width = w;
    c.height = h;
    return c;
  }

  // A canvas's pixels are freed when it is collected, which may be long after
  // it is dropped; a canvas of no size holds none meanwhile.
  function drop(canvas) {
    if (!canvas) return null;
    canvas.width = 0;
    canvas.height = 0;
    return null;
  }

  function trackLayout() {
    const canvas = track.canvas;
    const dpr = window.devicePixelRatio || 1;
    const w = canvas.clientWidth, h = canvas.clientHeight;
    canvas.width = Math.round(w * dpr);
    canvas.height = Math.round(h * dpr);
    const picture = trackPicture();
    track.scale = Math.min(w, h) / picture.width;
    track.size = picture.width * track.scale;
    // Centred across, at the top: the values follow below.
    track.left = (w - track.size) / 2;
    drop(track.layer);
    drop(track.whole);
    drop(track.driven);
    track.layer = offscreen(canvas.width, canvas.height);
    const g = track.layer.getContext('2d');
    g.fillStyle = '#f0f0f0';
    g.fillRect(0, 0, canvas.width, canvas.height);
    g.imageSmoothingEnabled = true;
    g.imageSmoothingQuality = 'high';
    g.drawImage(picture, track.left * dpr, 0, track.size * dpr, picture.height * track.scale * dpr);
    // The whole path, faint, drawn once for this size; the path driven grows
    // on a picture of its own.
    track.whole = offscreen(canvas.width, canvas.height);
    drawPath(track.whole, FAINT_PATH_COLOUR, 0, path.length / 2, null);
    track.driven = offscreen(canvas.width, canvas.height);
    track.drawn = 0;
    track.last = null;
  }

  function at(x, y) {
    return [track.left + x * track.scale, y * track.scale];
  }

  // The line through points [from, to) of the path; returns where it ended.
  // Neighbouring points mostly fall on the same half pixel and are left out.
  function drawPath(canvas, colour, from, to, last) {
    if (to <= from) return last;
    const dpr = window.devicePixelRatio || 1;
    const g = canvas.getContext('2d');
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    g.strokeStyle = colour;
    g.lineWidth = PATH_WIDTH;
    g.lineCap = 'round';
    g.lineJoin = 'round';
    g.beginPath();
    let px = last ? last[0] : null, py = last ? last[1] : null;
    if (last) g.moveTo(px, py);
    for (let i = from; i < to; ++i) {
      const [x, y] = at(path[2 * i], path[2 * i + 1]);
      const hx = Math.round(x * 2) / 2, hy = Math.round(y * 2) / 2;
      if (px === null) { g.moveTo(hx, hy); g.lineTo(hx, hy); }
      else if (hx !== px || hy !== py) g.lineTo(hx, hy);
      px = hx;
      py = hy;
    }
    g.stroke();
    return [px, py];
  }

  function arrow(g, from, to, width, label) {
    const dx = to[0] - from[0], dy = to[1] - from[1];
    if (Math.hypot(dx, dy) < 1) return;
    g.strokeStyle = ARROW_COLOUR;
    g.fillStyle = ARROW_COLOUR;
    g.lineWidth = width;
    g.lineCap = 'round';
    const back = Math.atan2(-dy, -dx), head = 10 + 2 * width, spread = (20 * Math.PI) / 180;
    g.beginPath();
    g.moveTo(from[0], from[1]);
    g.lineTo(to[0], to[1]);
    for (const side of [spread, -spread]) {
      g.moveTo(to[0], to[1]);
      g.lineTo(to[0] + head * Math.cos(back + side), to[1] + head * Math.sin(back + side));
    }
    g.stroke();
    g.font = `bold 12px ${FONT}`;
    g.fillText(label, (from[0] + to[0]) / 2 + 6, (from[1] + to[1]) / 2 - 6);
  }

  function marker(g, point, colour, label) {
    g.strokeStyle = 'white';
    g.lineWidth = 1.5;
    g.fillStyle = colour;
    g.beginPath();
    g.arc(point[0], point[1], 5, 0, 2 * Math.PI);
    g.fill();
    g.stroke();
    g.font = `bold 12px ${FONT}`;
    // Beside the point, on whichever side keeps the label on the track.
    const width = g.measureText(label).width;
    let x = point[0] + 8;
    if (x + width > track.left + track.size) x = point[0] - 8 - width;
    g.fillStyle = 'black';
    g.fillText(label, x + 1, point[1] + 5);
    g.fillStyle = 'white';
    g.fillText(label, x, point[1] + 4);
  }

  function drawTrack() {
    if (!track.layer) return;
    const canvas = track.canvas, g = canvas.getContext('2d');
    const dpr = window.devicePixelRatio || 1;
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.drawImage(track.layer, 0, 0);
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    const m = track.moment;
    const start = at(info.startX, info.startY), car = at(m.car[0], m.car[1]);
    // The components under the path, the displacement over it: for a straight
    // run the arrow and the path coincide.
    arrow(g, start, [car[0], start[1]], 1.5, 'Rx');
    arrow(g, start, [start[0], car[1]], 1.5, 'Ry');
    const points = path.length / 2;
    g.setTransform(1, 0, 0, 1, 0, 0);
    if (m.points < points) g.drawImage(track.whole, 0, 0);
    if (m.points < track.drawn) {
      track.driven.getContext('2d').clearRect(0, 0, track.driven.width, track.driven.height);
      track.drawn = 0;
      track.last = null;
    }
    track.last = drawPath(track.driven, PATH_COLOUR, track.drawn, m.points, track.last);
    track.drawn = Math.max(track.drawn, m.points);
    g.drawImage(track.driven, 0, 0);
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    arrow(g, start, car, 2.5, 'R');
    marker(g, start, 'rgb(0,170,0)', 'Start');
    if (points > 0)
      marker(g, at(path[2 * points - 2], path[2 * points - 1]), 'rgb(200,0,0)', 'Koniec');
    if (info.rows > 0) {
      g.strokeStyle = 'black';
      g.lineWidth = 1.5;
      g.fillStyle = 'rgb(255,230,0)';
      g.beginPath();
      g.arc(car[0], car[1], 6, 0, 2 * Math.PI);
      g.fill();
      g.stroke();
    }
  }

  // What the window draws into, as sizes: a layout is redone only when they
  // change (the window resized, the device turned), or when forced because
  // the pixel ratio changed (zoom, another screen) and the canvases with it.
  function sizes() {
    return [track.canvas].concat(Object.values(charts).map((c) => c.box))
      .map((e) => `${e.clientWidth}x${e.clientHeight}`).join(' ');
  }

  function layout(force) {
    if (!info || !$('run').open) return;
    const now = sizes();
    if (!force && now === laidOut) return;
    laidOut = now;
    trackLayout();
    sizeCharts();
    drawTrack();
  }

  // --- The moment --------------------------------------------------------------
  function setPosition(rows) {
    const last = info.rows > 0 ? info.rows - 1 : 0;
    position = Math.min(Math.max(rows, 0), last);
    $('runTime').value = String(Math.floor(position));
    showMoment();
  }

  function showMoment() {
    if (info.rows === 0) {
      $('runValues').innerHTML = 'Brak pomiarów:<br>czas nie był liczony.';
      return;
    }
    track.moment = moment(position);
    drawTrack();
    const i = Math.floor(position);
    if (i === shownRow) return;
    shownRow = i;
    values = json('velnar_run_values', i);
    for (const name of Object.keys(charts)) drawOverlay(name);
    const v = values;
    $('runValues').innerHTML = '<table><tr>' +
      `<td><b>t</b> = ${v.t} s</td><td></td></tr><tr>` +
      `<td><b>s</b> = ${v.s} m</td><td><b>v</b> = ${v.v} m/s</td></tr><tr>` +
      `<td><b>|R|</b> = ${v.r} m</td><td></td></tr><tr>` +
      `<td><b>Rx</b> = ${v.rx} m</td><td><b>vx</b> = ${v.vx} m/s</td></tr><tr>` +
      `<td><b>Ry</b> = ${v.ry} m</td><td><b>vy</b> = ${v.vy} m/s</td></tr></table>`;
  }

  function setPlaying(on) {
    if (on === playing) return;
    if (on) {
      if (!info || info.rows < 2) return;
      // From the end, playing starts the run over.
      if (position >= info.rows - 1) setPosition(0);
      playing = true;
      lastStep = performance.now();
      frame = requestAnimationFrame(advance);
      $('runPlay').innerHTML = PAUSE;
    } else {
      playing = false;
      cancelAnimationFrame(frame);
      frame = 0;
      $('runPlay').innerHTML = PLAY;
    }
  }

  // Paced by the clock, not by the count of frames: a late frame catches up.
  function advance(now) {
    frame = 0;
    if (!playing) return;
    const elapsed = Math.max(0, now - lastStep);
    lastStep = now;
    setPosition(position + (elapsed / TICK_MS) * playSpeed);
    if (position >= info.rows - 1) setPlaying(false);
    else frame = requestAnimationFrame(advance);
  }

  // --- Saving ------------------------------------------------------------------
  // A page cannot choose where a file goes: the browser saves downloads where
  // the pupil has told it to. So the dialog asks only what to save.
  function buildSaveDialog() {
    const dialog = element('dialog', { id: 'runSaveDialog', className: 'window' }, document.body);
    dialog.setAttribute('aria-label', 'Zapisz przebieg jazdy');
    element('header', { className: 'caption', textContent: 'Zapisz przebieg jazdy' }, dialog);
    const form = element('form', { method: 'dialog', className: 'client save-client' }, dialog);
    element('p', { textContent: 'Co zapisać?' }, form);
    for (const [value, text, checked] of [['csv', 'Dane CSV (*.csv)', true], ['png', 'Obraz PNG (*.png)', false]]) {
      const label = element('label', { className: 'save-choice' }, form);
      element('input', { type: 'radio', name: 'kind', value, checked, id: 'runSave-' + value }, label);
      label.append(' ' + text);
    }
    element('p', { id: 'runSaveName', className: 'save-name' }, form);
    const row = element('div', { className: 'save-buttons' }, form);
    element('button', { id: 'runSaveOK', value: 'save', textContent: 'Zapisz', className: 'default' }, row);
    element('button', { id: 'runSaveCancel', value: 'cancel', textContent: 'Anuluj', type: 'button' }, row);
    $('runSaveCancel').addEventListener('click', () => dialog.close('cancel'));
    form.addEventListener('change', showSaveName);
    dialog.addEventListener('close', () => {
      if (dialog.returnValue === 'save') saveAs(form.elements.kind.value);
      if (resumeAfterSave) setPlaying(true);
      resumeAfterSave = false;
      $('runSave').focus();
    });
  }

  function fileName(kind) {
    const d = new Date();
    const two = (n) => String(n).padStart(2, '0');
    return `przebieg-${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}-` +
      `${two(d.getHours())}${two(d.getMinutes())}.${kind}`;
  }

  function showSaveName() {
    const kind = $('runSaveDialog').querySelector('form').elements.kind.value;
    $('runSaveName').textContent = 'Plik: ' + fileName(kind);
  }

  let resumeAfterSave = false;
  function save() {
    resumeAfterSave = playing;
    setPlaying(false);
    const dialog = $('runSaveDialog');
    dialog.returnValue = '';
    showSaveName();
    dialog.showModal();
    $('runSaveOK').focus();
  }

  function download(blob, name) {
    const link = element('a', { href: URL.createObjectURL(blob), download: name });
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  function saveAs(kind) {
    if (kind === 'png') {
      const out = picture();
      out.toBlob((blob) => {
        drop(out);
        download(blob, fileName('png'));
      }, 'image/png');
    } else {
      const csv = program.ccall('velnar_run_csv', 'string', [], []);
      download(new Blob([csv], { type: 'text/csv' }), fileName('csv'));
    }
  }

  // The window as a picture: its canvases where they stand, and its texts.
  function picture() {
    const client = $('runClient');
    const box = client.getBoundingClientRect();
    const dpr = window.devicePixelRatio || 1;
    const out = offscreen(Math.round(box.width * dpr), Math.round(box.height * dpr));
    const g = out.getContext('2d');
    g.scale(dpr, dpr);
    g.fillStyle = '#f0f0f0';
    g.fillRect(0, 0, box.width, box.height);
    const place = (e) => {
      const r = e.getBoundingClientRect();
      return { x: r.left - box.left, y: r.top - box.top, w: r.width, h: r.height };
    };
    g.fillStyle = '#fff';
    for (const chart of client.querySelectorAll('.run-chart')) {
      const r = place(chart);
      g.fillRect(r.x, r.y, r.w, r.h);
    }
    for (const c of client.querySelectorAll('canvas')) {
      if (!c.offsetParent) continue;
      const r = place(c);
      g.drawImage(c, r.x, r.y, r.w, r.h);
    }
    g.textBaseline = 'middle';
    const texts = client.querySelectorAll(
      '.u-title, .run-legend-entry, .run-values td, .run-text, button, select, .run-slider');
    for (const e of texts) {
      if (!e.offsetParent || e.closest('[hidden]')) continue;
      const r = place(e);
      const style = getComputedStyle(e);
      if (e.matches('button, select')) {
        g.fillStyle = '#e1e1e1';
        g.strokeStyle = '#adadad';
        g.fillRect(r.x, r.y, r.w, r.h);
        g.strokeRect(r.x + 0.5, r.y + 0.5, r.w - 1, r.h - 1);
      }
      if (e.matches('.run-slider')) {
        g.fillStyle = '#adadad';
        g.fillRect(r.x, r.y + r.h / 2 - 2, r.w, 4);
        const max = Number(e.max) || 1;
        g.fillStyle = '#0078d7';
        g.fillRect(r.x + (r.w - 10) * (Number(e.value) / max), r.y + 2, 10, r.h - 4);
        continue;
      }
      let x = r.x;
      if (e.matches('.run-legend-entry')) {
        const mark = e.firstChild;
        const m = place(mark);
        g.strokeStyle = mark.style.borderTopColor;
        g.lineWidth = 2;
        g.setLineDash(mark.style.borderTopStyle === 'dashed' ? [4, 3] : []);
        g.beginPath();
        g.moveTo(m.x, m.y + 1);
        g.lineTo(m.x + m.w, m.y + 1);
        g.stroke();
        g.setLineDash([]);
        x = m.x + m.w + 4;
      }
      g.font = `${style.fontWeight === '700' || style.fontWeight === 'bold' ? 'bold ' : ''}${style.fontSize} ${FONT}`;
      g.fillStyle = '#000';
      const text = e.matches('select') ? e.value : e.textContent;
      const width = g.measureText(text).width;
      if (e.matches('button, select, .u-title')) x = r.x + (r.w - width) / 2;
      g.fillText(text, x, r.y + r.h / 2);
    }
    return out;
  }

  // --- Opening and closing ---------------------------------------------------
  function show(module, answersChecked) {
    program = module;
    if (!built) build();
    if (opening) release();
    info = json('velnar_run_open');
    path = readPath();
    shownRow = -1;
    values = null;
    playing = false;
    resultShown = false;
    $('runPlay').innerHTML = PLAY;
    $('runPlay').disabled = info.rows < 2;
    $('runTime').max = String(Math.max(0, info.rows - 1));
    $('runTime').disabled = info.rows === 0;
    $('runResult').disabled = false;
    $('run').showModal();
    buildCharts();
    if (answersChecked) showResult();
    laidOut = sizes();
    trackLayout();
    sizeCharts();
    opening = { abort: new AbortController(), observer: new ResizeObserver(() => layout(false)) };
    for (const e of [track.canvas].concat(Object.values(charts).map((c) => c.box)))
      opening.observer.observe(e);
    // The library announces a change of the pixel ratio on the window.
    window.addEventListener('dppxchange', () => layout(true), { signal: opening.abort.signal });
    // The pupil who has not asked sees the run first, from its end.
    setPosition(info.rows > 0 ? info.rows - 1 : 0);
    // The first control in order has the focus, so Space plays at once.
    (info.rows > 1 ? $('runPlay') : $('runClose')).focus();
  }

  // Closing frees what the opening made: a pupil opens the window again and
  // again in a lesson, and each opening makes its own charts and pictures.
  // The controls made once stay, and so does the track's picture.
  function release() {
    setPlaying(false);
    if (opening) {
      opening.abort.abort();
      opening.observer.disconnect();
      opening = null;
    }
    for (const [name, c] of Object.entries(charts)) {
      c.u.destroy();
      drop(c.overlay);
      c.box.textContent = '';
      delete charts[name];
    }
    track.layer = drop(track.layer);
    track.whole = drop(track.whole);
    track.driven = drop(track.driven);
    drop(track.canvas);
    track.drawn = 0;
    track.last = null;
    track.moment = { points: 0, car: [0, 0] };
    $('runValues').textContent = '';
    info = null;
    path = null;
    values = null;
    laidOut = '';
  }

  return {
    show,
    // What the tests read: the charts as drawn, the moment and the replay.
    charts,
    get position() { return position; },
    get playing() { return playing; },
    get resultShown() { return resultShown; },
  };
})();
