// The run window "Przebieg jazdy", opened from the task: the track with the
// path driven and the displacement arrows, the distance and the displacement's
// length against time, the speed (distance per tick) with the area under it,
// the velocity (displacement per tick) by its components, a replay, and saving
// as CSV or PNG. What it shows is the lesson's model of the window, read from
// the core (web/run_view.cpp), the same the desktop's window draws: every
// figure, word, colour, axis, legend key and point of the track picture, how
// the replay moves and the saved file's name. This page only lays them out and
// draws them. The averages appear only once both answers were checked or the
// pupil asks for them, so the window does not give the task away.
'use strict';

window.VelnarRunWindow = (function () {
  const $ = (id) => document.getElementById(id);
  const language = window.VelnarLanguage;
  const { tr } = language;
  const FONT = '"Liberation Sans", Arial, sans-serif';
  // The model's charts in order, by the boxes the page lays out for them.
  const CHARTS = ['distance', 'speed', 'velocity'];
  // The buttons with a shortcut (Alt and the letter marked in their words):
  // the words are set, in the language now, each time the window opens.
  const SHORTCUT_BUTTONS = ['runPlay', 'runResult', 'runSave'];

  let program = null;
  let built = false;
  let info = null;            // the window's model from the core
  let speeds = [];            // the replay's tempos, as factors
  let scratch = 0;            // the core's memory for the numbers it writes back
  let position = 0;           // rows from the first, fractions between ticks
  let shownRow = -1;
  let playing = false;
  let playSpeed = 1;
  let lastStep = 0;
  let resultShown = false;
  let valueNumbers = null;    // the number of each value shown, in order
  let valueShape = '';        // what they are the numbers of
  let draws = 0;              // pictures drawn: the track's and the charts' overlays
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
    last: null, scale: 1, left: 0, size: 0, scene: null };

  // --- Reading the core ------------------------------------------------------
  function json(name, ...args) {
    return JSON.parse(program.ccall(name, 'string', args.map(() => 'number'), args));
  }

  function line(chart, which) {
    const count = program._malloc(4);
    const at = program._velnar_run_line(chart, which, count);
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

  // Numbers the core wrote back into the scratch memory.
  function written(n) {
    return Array.from(new Float64Array(program.HEAPU8.buffer, scratch, n));
  }

  // The track carries words (START, META), so it is made again in another
  // language.
  function trackPicture() {
    if (trackImage && trackImage.dataset.lang === document.documentElement.lang) return trackImage;
    const at = program._velnar_track_picture();
    const [w, h] = info.track;
    const pixels = new Uint8ClampedArray(program.HEAPU8.buffer, at, w * h * 4).slice();
    trackImage = document.createElement('canvas');
    trackImage.dataset.lang = document.documentElement.lang;
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
    for (const name of CHARTS)
      element('div', { id: 'runChart-' + name, className: 'run-chart' }, right);

    // The replay and the buttons: two rows, side by side where a lying phone
    // has the width for them and not the height.
    const controls = element('div', { className: 'run-controls' }, client);
    const replay = element('div', { className: 'run-row' }, controls);
    element('button', { id: 'runPlay', className: 'run-play' }, replay);
    element('select', { id: 'runSpeed' }, replay);
    // The slider keeps its label when the row wraps.
    const time = element('span', { className: 'run-time' }, replay);
    element('label', { id: 'runTimeLabel', htmlFor: 'runTime', className: 'run-text' }, time);
    element('input', { id: 'runTime', type: 'range', min: 0, step: 1, className: 'run-slider' }, time);
    const buttons = element('div', { className: 'run-row' }, controls);
    element('button', { id: 'runResult' }, buttons);
    element('span', { className: 'run-stretch' }, buttons);
    element('button', { id: 'runSave' }, buttons);
    element('button', { id: 'runClose', className: 'default' }, buttons);

    $('runPlay').addEventListener('click', () => setPlaying(!playing));
    $('runSpeed').addEventListener('change', (e) => { playSpeed = speeds[e.target.selectedIndex]; });
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

  // The words of the window's own controls, in the language now.
  function label(id, text) {
    const words = language.shortcut(text);
    $(id).innerHTML = words.html;
    $(id).dataset.key = words.key || '';
  }

  function labelPlay() {
    label('runPlay', playing ? tr('Wstrzymaj &odtwarzanie') : tr('&Odtwórz'));
  }

  function labelControls() {
    labelPlay();
    label('runResult', tr('Pokaż &wynik'));
    label('runSave', tr('&Zapisz...'));
    $('runClose').textContent = tr('Zamknij');
    $('runSpeed').title = tr('Tempo odtwarzania');
    $('runSpeed').setAttribute('aria-label', tr('Tempo odtwarzania'));
    $('runTimeLabel').textContent = tr('Czas t:');
    $('runTime').title = tr('Czas t');
    track.canvas.setAttribute('role', 'img');
    track.canvas.setAttribute('aria-label', tr('Tor z przejechaną drogą i przemieszczeniem'));
    const dialog = $('runSaveDialog');
    dialog.setAttribute('aria-label', tr('Zapisz przebieg jazdy'));
    $('runSaveTitle').textContent = tr('Zapisz przebieg jazdy');
    $('runSaveQuestion').textContent = tr('Co zapisać?');
    $('runSaveText-csv').textContent = tr('Dane CSV (*.csv)');
    $('runSaveText-png').textContent = tr('Obraz PNG (*.png)');
    $('runSaveOK').textContent = language.shortcut(tr('&Zapisz')).text;
    $('runSaveCancel').textContent = tr('Anuluj');
  }

  // The tempos as the model names them (in the language now).
  function fillSpeeds() {
    const select = $('runSpeed');
    const index = Math.max(0, select.selectedIndex);
    select.textContent = '';
    speeds = info.speeds.map((s) => s.factor);
    for (const s of info.speeds) element('option', { textContent: s.text }, select);
    select.selectedIndex = Math.min(index, speeds.length - 1);
    playSpeed = speeds[select.selectedIndex];
  }

  function keyDown(e) {
    if (e.altKey && !e.ctrlKey && !e.metaKey) {
      const button = SHORTCUT_BUTTONS.find((id) => language.isShortcut(e, $(id).dataset.key));
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
  function axisLabel(v) {
    return String(Number(v.toPrecision(6))).replace('.', language.separator);
  }

  function axis(model) {
    return {
      label: model.title, labelSize: 18, labelFont: `bold 12px ${FONT}`, font: `11px ${FONT}`, size: 36,
      stroke: '#333', grid: { stroke: '#e2e2e2', width: 1 }, ticks: { stroke: '#999', width: 1, size: 4 },
      splits: () => model.ticks,
      values: (u, splits) => splits.map(axisLabel),
    };
  }

  // A chart: the library draws the axes and the lines once; the replay's
  // cursor and the shaded area are drawn over them on a canvas of their own.
  function makeChart(index) {
    const name = CHARTS[index], model = info.charts[index];
    const box = $('runChart-' + name);
    box.textContent = '';
    const data = model.lines.map((l, i) => line(index, i));
    const opts = {
      mode: 2, width: 300, height: 150, title: model.title,
      legend: { show: false },
      cursor: { show: false, drag: { x: false, y: false } },
      scales: { x: { time: false, range: () => [model.x.min, model.x.max] },
        y: { range: () => [model.y.min, model.y.max] } },
      axes: [axis(model.x), axis(model.y)],
      series: [{}].concat(model.lines.map((l) => ({ label: l.label, stroke: l.colour, width: 2,
        dash: l.dashed ? [7, 4] : undefined, points: { show: false }, paths: uPlot.paths.linear() }))),
      hooks: { setSize: [() => sizeOverlay(name)], drawClear: [() => releaseChart(name)],
        draw: [() => { drawOverlay(name); if (playing) holdChart(name); }] },
    };
    const u = new uPlot(opts, [null].concat(data), box);
    const legend = element('div', { className: 'run-legend' }, box);
    const overlay = element('canvas', { className: 'run-overlay' }, u.over);
    const image = element('img', { className: 'run-still', alt: '', hidden: true });
    const canvas = u.ctx.canvas;
    canvas.after(image);
    const still = new window.VelnarStillPicture(canvas, image, {
      shown() { canvas.style.visibility = 'hidden'; },
      gone() { canvas.style.visibility = ''; },
    });
    charts[name] = { u, box, legend, overlay, still, shade: null,
      curve: model.shaded >= 0 ? data[model.shaded] : null };
  }

  // A chart's picture changes only when the library draws it again: while
  // the replay plays, which makes a frame of every step, it is held as a
  // still image (still_picture.js) until the library draws again. The canvas
  // keeps its pixels, hidden, for saving the window as a picture.
  function holdChart(name) {
    if (charts[name]) charts[name].still.hold();
  }

  function releaseChart(name) {
    if (charts[name]) charts[name].still.release();
  }

  function legendEntry(legend, key) {
    const entry = element('span', { className: 'run-legend-entry' }, legend);
    const mark = element('span', { className: 'run-legend-mark' }, entry);
    mark.style.borderTop = `2px ${key.dashed ? 'dashed' : 'solid'} ${key.colour}`;
    element('span', { textContent: key.text }, entry);
  }

  // The lines shown and the legends' keys, as the model has them.
  function showState(state) {
    state.forEach((chart, index) => {
      const c = charts[CHARTS[index]];
      c.u.batch(() => chart.shown.forEach((shown, i) => c.u.setSeries(i + 1, { show: shown })));
      c.legend.textContent = '';
      for (const key of chart.legend) legendEntry(c.legend, key);
    });
  }

  function showResult() {
    resultShown = true;
    showState(json('velnar_run_show_averages'));
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
      const height = Math.max(100, Math.floor(c.box.clientHeight - 10 - c.legend.offsetHeight -
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
    ++draws;
    const colours = info.colours;
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
        g.fillStyle = colours.shade;
        g.fill(c.shade);
        g.restore();
      }
    }
    g.strokeStyle = colours.cursor;
    g.lineWidth = 1;
    g.setLineDash([4, 3]);
    g.beginPath();
    const cx = Math.min(Math.round(x), Math.floor(w) - 1) + 0.5;
    g.moveTo(cx, 0);
    g.lineTo(cx, h);
    g.stroke();
    g.setLineDash([]);
    if (c.curve && values.area) {
      g.font = `bold 12px ${FONT}`;
      const label = values.area;
      const bw = g.measureText(label).width + 6, bh = 16;
      // On the shaded area, left of the cursor, unless that leaves the plot.
      let bx = x - bw - 4;
      if (bx < 2) bx = x + 4;
      const by = h - bh - 4;
      g.fillStyle = colours.shadeBox;
      g.fillRect(bx, by, bw, bh);
      g.fillStyle = colours.shadeText;
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
    drawPath(track.whole, info.colours.pathToCome, 0, path.length / 2, null);
    track.driven = offscreen(canvas.width, canvas.height);
    track.shown = null;
    track.drawn = 0;
    track.last = null;
  }

  function at(point) {
    return [track.left + point[0] * track.scale, point[1] * track.scale];
  }

  // The line through points [from, to) of the path; returns where it ended.
  // Neighbouring points mostly fall on the same half pixel and are left out.
  function drawPath(canvas, colour, from, to, last) {
    if (to <= from) return last;
    const dpr = window.devicePixelRatio || 1;
    const g = canvas.getContext('2d');
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    g.strokeStyle = colour;
    g.lineWidth = info.pathWidth;
    g.lineCap = 'round';
    g.lineJoin = 'round';
    g.beginPath();
    let px = last ? last[0] : null, py = last ? last[1] : null;
    if (last) g.moveTo(px, py);
    for (let i = from; i < to; ++i) {
      const [x, y] = at([path[2 * i], path[2 * i + 1]]);
      const hx = Math.round(x * 2) / 2, hy = Math.round(y * 2) / 2;
      if (px === null) { g.moveTo(hx, hy); g.lineTo(hx, hy); }
      else if (hx !== px || hy !== py) g.lineTo(hx, hy);
      px = hx;
      py = hy;
    }
    g.stroke();
    return [px, py];
  }

  function arrow(g, a) {
    const from = at(a.from), to = at(a.to);
    if (!program._velnar_run_arrow(from[0], from[1], to[0], to[1], a.width, scratch)) return;
    const [lx, ly, rx, ry, tx, ty] = written(6);
    g.strokeStyle = info.colours.arrow;
    g.fillStyle = info.colours.arrow;
    g.lineWidth = a.width;
    g.lineCap = 'round';
    g.beginPath();
    g.moveTo(from[0], from[1]);
    g.lineTo(to[0], to[1]);
    g.moveTo(to[0], to[1]);
    g.lineTo(lx, ly);
    g.moveTo(to[0], to[1]);
    g.lineTo(rx, ry);
    g.stroke();
    g.font = `bold 12px ${FONT}`;
    g.fillText(a.label, tx, ty);
  }

  function marker(g, m) {
    const point = at(m.at);
    g.strokeStyle = info.colours.markerRing;
    g.lineWidth = 1.5;
    g.fillStyle = m.colour;
    g.beginPath();
    g.arc(point[0], point[1], info.markerRadius, 0, 2 * Math.PI);
    g.fill();
    g.stroke();
    g.font = `bold 12px ${FONT}`;
    const x = program._velnar_run_marker_label(point[0], point[1], g.measureText(m.label).width,
      track.left + track.size);
    g.fillStyle = info.colours.labelShadow;
    g.fillText(m.label, x + 1, point[1] + 5);
    g.fillStyle = info.colours.labelText;
    g.fillText(m.label, x, point[1] + 4);
  }

  // Room around an arrow's ends for its head and its label, in CSS pixels.
  const ARROW_ROOM = 40;

  // Where a scene's moving parts lie: the car, and the arrows from the start
  // to it with their heads and labels; [left, top, right, bottom] in CSS
  // pixels, grown by `add`.
  function movingParts(scene, add) {
    if (!scene || !scene.car) return;
    const car = at(scene.car);
    add(car[0], car[1], info.carRadius + 2);
    for (const a of scene.arrows) {
      const from = at(a.from), to = at(a.to);
      add(from[0], from[1], ARROW_ROOM);
      add(to[0], to[1], ARROW_ROOM);
    }
  }

  // The part of the picture that differs from the one drawn last, in device
  // pixels: where the moving parts were and are, and the path driven since.
  // Null when the whole picture is drawn again.
  function changedPart(scene) {
    const last = track.shown;
    if (!last || scene.driven < track.drawn) return null;
    const box = [Infinity, Infinity, -Infinity, -Infinity];
    const add = (x, y, r) => {
      box[0] = Math.min(box[0], x - r);
      box[1] = Math.min(box[1], y - r);
      box[2] = Math.max(box[2], x + r);
      box[3] = Math.max(box[3], y + r);
    };
    movingParts(last, add);
    movingParts(scene, add);
    for (let i = Math.max(track.drawn - 1, 0); i < scene.driven; ++i) {
      const p = at([path[2 * i], path[2 * i + 1]]);
      add(p[0], p[1], info.pathWidth + 1);
    }
    if (!(box[2] > box[0])) return [0, 0, 0, 0];
    const dpr = window.devicePixelRatio || 1;
    const left = Math.max(0, Math.floor(box[0] * dpr)), top = Math.max(0, Math.floor(box[1] * dpr));
    return [left, top, Math.min(track.canvas.width, Math.ceil(box[2] * dpr)) - left,
      Math.min(track.canvas.height, Math.ceil(box[3] * dpr)) - top];
  }

  // Draws the track's moment: during the replay only over the part that
  // changed (the static layers are the same pixels elsewhere), so a step of
  // the car costs what it covers rather than the whole picture.
  function drawTrack() {
    const scene = track.scene;
    if (!track.layer || !scene) return;
    const part = changedPart(scene);
    track.shown = scene;
    if (part && (part[2] <= 0 || part[3] <= 0)) return;
    ++draws;
    const canvas = track.canvas, g = canvas.getContext('2d');
    const dpr = window.devicePixelRatio || 1;
    g.save();
    g.setTransform(1, 0, 0, 1, 0, 0);
    if (part) {
      g.beginPath();
      g.rect(part[0], part[1], part[2], part[3]);
      g.clip();
    }
    g.drawImage(track.layer, 0, 0);
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    for (const a of scene.arrows) if (!a.over) arrow(g, a);
    g.setTransform(1, 0, 0, 1, 0, 0);
    if (scene.driven < scene.points) g.drawImage(track.whole, 0, 0);
    if (scene.driven < track.drawn) {
      track.driven.getContext('2d').clearRect(0, 0, track.driven.width, track.driven.height);
      track.drawn = 0;
      track.last = null;
    }
    track.last = drawPath(track.driven, info.colours.path, track.drawn, scene.driven, track.last);
    track.drawn = Math.max(track.drawn, scene.driven);
    g.drawImage(track.driven, 0, 0);
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    for (const a of scene.arrows) if (a.over) arrow(g, a);
    marker(g, scene.start);
    if (scene.end) marker(g, scene.end);
    if (scene.car) {
      const car = at(scene.car);
      g.strokeStyle = info.colours.carRing;
      g.lineWidth = 1.5;
      g.fillStyle = info.colours.car;
      g.beginPath();
      g.arc(car[0], car[1], info.carRadius, 0, 2 * Math.PI);
      g.fill();
      g.stroke();
    }
    g.restore();
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
    position = Math.min(Math.max(rows, 0), info.last);
    $('runTime').value = String(Math.floor(position));
    showMoment();
  }

  function sameScene(a, b) {
    return a && b && a.driven === b.driven && (a.car === null) === (b.car === null) &&
      (a.car === null || (a.car[0] === b.car[0] && a.car[1] === b.car[1]));
  }

  // Draws only what the moment moved: the track when the car or the path
  // driven moved, the values and the cursors when the row did.
  function showMoment() {
    const scene = json('velnar_run_scene', position);
    if (!sameScene(scene, track.scene)) {
      track.scene = scene;
      drawTrack();
    }
    const i = Math.floor(position);
    if (i === shownRow) return;
    shownRow = i;
    values = json('velnar_run_values', i);
    for (const name of Object.keys(charts)) drawOverlay(name);
    showValues();
  }

  // The values under the track. The table is made anew only when what it
  // names changes; a step of the replay sets only the numbers that changed.
  function showValues() {
    const box = $('runValues');
    const text = (s) => s.replace(/&/g, '&amp;').replace(/</g, '&lt;');
    if (values.message.length) {
      box.innerHTML = values.message.map(text).join('<br>');
      valueNumbers = null;
      return;
    }
    const shape = JSON.stringify(values.grid.map((row) => row.map((c) => c && [c.name, c.unit])));
    if (!valueNumbers || shape !== valueShape) {
      const cell = (c) => (c ? `<b>${text(c.name)}</b> = <span></span> ${c.unit}` : '');
      box.innerHTML = '<table>' +
        values.grid.map((row) => `<tr>${row.map((c) => `<td>${cell(c)}</td>`).join('')}</tr>`).join('') +
        '</table>';
      valueShape = shape;
      valueNumbers = [...box.querySelectorAll('td > span')];
    }
    let k = 0;
    for (const row of values.grid)
      for (const c of row) {
        if (!c) continue;
        const number = valueNumbers[k++];
        if (number.textContent !== c.number) number.textContent = c.number;
      }
  }

  function setPlaying(on) {
    if (on === playing) return;
    if (on) {
      if (!info || !info.canReplay) return;
      setPosition(program._velnar_run_replay_start(position));
      playing = true;
      for (const name of Object.keys(charts)) holdChart(name);
      lastStep = performance.now();
      frame = requestAnimationFrame(advance);
      labelPlay();
    } else {
      playing = false;
      cancelAnimationFrame(frame);
      frame = 0;
      labelPlay();
    }
  }

  // Paced by the clock, not by the count of frames: a late frame catches up.
  function advance(now) {
    frame = 0;
    if (!playing) return;
    const elapsed = Math.max(0, now - lastStep);
    lastStep = now;
    const stopped = program._velnar_run_advance(position, elapsed, playSpeed, scratch);
    setPosition(written(1)[0]);
    if (stopped) setPlaying(false);
    else frame = requestAnimationFrame(advance);
  }

  // --- Saving ------------------------------------------------------------------
  // A page cannot choose where a file goes: the browser saves downloads where
  // the pupil has told it to. So the dialog asks only what to save.
  function buildSaveDialog() {
    const dialog = element('dialog', { id: 'runSaveDialog', className: 'window' }, document.body);
    element('header', { id: 'runSaveTitle', className: 'caption' }, dialog);
    const form = element('form', { method: 'dialog' }, dialog);
    form.classList.add('client', 'save-client');
    element('p', { id: 'runSaveQuestion' }, form);
    for (const [value, checked] of [['csv', true], ['png', false]]) {
      const choice = element('label', { className: 'save-choice' }, form);
      element('input', { type: 'radio', name: 'kind', value, checked, id: 'runSave-' + value }, choice);
      choice.append(' ');
      element('span', { id: 'runSaveText-' + value }, choice);
    }
    element('p', { id: 'runSaveName', className: 'save-name' }, form);
    const row = element('div', { className: 'save-buttons' }, form);
    element('button', { id: 'runSaveOK', value: 'save', className: 'default' }, row);
    element('button', { id: 'runSaveCancel', value: 'cancel', type: 'button' }, row);
    $('runSaveCancel').addEventListener('click', () => dialog.close('cancel'));
    form.addEventListener('change', showSaveName);
    dialog.addEventListener('close', () => {
      if (dialog.returnValue === 'save') saveAs(form.elements.kind.value);
      if (resumeAfterSave) setPlaying(true);
      resumeAfterSave = false;
      $('runSave').focus();
    });
  }

  // The model's name for the file, from the local time now.
  function fileName(kind) {
    const d = new Date();
    return program.ccall('velnar_run_file_name', 'string', Array(6).fill('number'),
      [kind === 'png' ? 1 : 0, d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes()]);
  }

  function showSaveName() {
    const kind = $('runSaveDialog').querySelector('form').elements.kind.value;
    $('runSaveName').textContent = language.arg(tr('Plik: %1'), [fileName(kind)]);
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
    const name = fileName(kind);
    if (kind === 'png') {
      const out = picture();
      out.toBlob((blob) => {
        drop(out);
        download(blob, name);
      }, 'image/png');
    } else {
      const csv = program.ccall('velnar_run_csv', 'string', [], []);
      download(new Blob([csv], { type: 'text/csv' }), name);
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
    info = json('velnar_run_open', answersChecked ? 1 : 0);
    scratch = program._malloc(6 * 8);
    path = readPath();
    fillSpeeds();
    shownRow = -1;
    values = null;
    playing = false;
    resultShown = answersChecked;
    labelControls();
    $('runPlay').disabled = !info.canReplay;
    $('runTime').max = String(info.last);
    $('runTime').disabled = info.rows === 0;
    $('runResult').disabled = answersChecked;
    $('run').showModal();
    info.charts.forEach((chart, index) => makeChart(index));
    showState(info.state);
    laidOut = sizes();
    trackLayout();
    sizeCharts();
    opening = { abort: new AbortController(), observer: new ResizeObserver(() => layout(false)) };
    for (const e of [track.canvas].concat(Object.values(charts).map((c) => c.box)))
      opening.observer.observe(e);
    // The library announces a change of the pixel ratio on the window.
    window.addEventListener('dppxchange', () => layout(true), { signal: opening.abort.signal });
    // The pupil who has not asked sees the run first, from its end.
    setPosition(info.last);
    // The first control in order has the focus, so Space plays at once.
    (info.canReplay ? $('runPlay') : $('runClose')).focus();
  }

  // Closing frees what the opening made, here and in the core: a pupil opens
  // the window again and again in a lesson, and each opening makes its own
  // charts and pictures. The controls made once stay, and so does the track's
  // picture.
  function release() {
    setPlaying(false);
    if (opening) {
      opening.abort.abort();
      opening.observer.disconnect();
      opening = null;
    }
    for (const [name, c] of Object.entries(charts)) {
      releaseChart(name);
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
    track.scene = null;
    track.shown = null;
    $('runValues').textContent = '';
    valueNumbers = null;
    if (program) {
      program._velnar_run_close();
      program._free(scratch);
    }
    scratch = 0;
    info = null;
    path = null;
    values = null;
    laidOut = '';
  }

  return {
    show,
    // What the tests read: the charts as drawn, the moment and the replay,
    // and how many pictures were drawn.
    charts,
    get position() { return position; },
    get playing() { return playing; },
    get resultShown() { return resultShown; },
    get draws() { return draws; },
    // The track drawn again whole, as it stands.
    redrawTrack() {
      track.shown = null;
      drawTrack();
    },
  };
})();
