// A pupil's run in headless Chromium, from the page served and from disk.
import assert from 'node:assert/strict';
import { mkdtemp, readdir, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { join } from 'node:path';

import {
  bmpTo565, countDifferences, figures, firstFrame, frames, golden, open,
  presented, testFolder as folder, useBrowser,
} from './browser.mjs';

const session = useBrowser();

const visible = (page, selector) =>
  page.$eval(selector, (e) => !e.hidden && e.getClientRects().length > 0);

// Starts a run and checks its first frame against the desktop's picture of it.
async function startRun(page) {
  assert.ok(await visible(page, '#start'), 'the start window shows');
  // Counted since the page opened: a second run waits for a frame of its own.
  const before = await page.evaluate(() => window.velnar._velnar_presented_frames());
  await page.click('#Button1');
  await page.waitForFunction((n) => window.velnar._velnar_presented_frames() > n, {}, before);
  const first = await firstFrame(page);
  const desktop = bmpTo565(await golden('tests/web/golden/first.bmp'));
  assert.equal(first.length, 640 * 480, 'a 640 x 480 back buffer');
  assert.equal(countDifferences(first, desktop), 0, 'the first frame is the desktop\'s');
  assert.deepEqual(await figures(page), { s: 0, r: 0, t: 0, rx: 0, ry: 0, speed: 0 });
}

// The run window as it stands: the moment, the values beside the charts, and
// whether the averages are shown (their lines and legend entries).
function runState(page) {
  return page.evaluate(() => {
    const w = window.VelnarRunWindow;
    const shown = (name, i) => w.charts[name].u.series[i].show;
    const legend = [...document.querySelectorAll('#run .run-legend-entry')]
      .filter((e) => e.getClientRects().length > 0).map((e) => e.textContent);
    return {
      open: document.getElementById('run').open,
      position: w.position,
      playing: w.playing,
      last: Number(document.getElementById('runTime').max),
      values: document.getElementById('runValues').textContent,
      averages: [shown('speed', 2), shown('velocity', 3), shown('velocity', 4)],
      legend,
    };
  });
}

// Waits for a condition in the page; a failure says which.
function until(page, condition, what, ...args) {
  return page.waitForFunction(condition, {}, ...args).catch((e) => {
    assert.fail(`${what} (${e.message})`);
  });
}

// Judges an answer in the task: true for the smile, false for the sad face.
async function judge(page, field, button, face, answer) {
  await page.$eval(field, (e) => { e.value = ''; });
  await page.type(field, answer.toFixed(6));
  await page.$eval(face, (e) => delete e.dataset.verdict);
  await page.click(button);
  await until(page, (f) => document.querySelector(f).dataset.verdict, `no verdict for ${answer}`, face);
  return (await page.$eval(face, (e) => e.dataset.verdict)) === 'right';
}

// "Przebieg jazdy" from the task: the replay, the CSV downloaded, back to the
// task, which judges the file's last row as its own figures.
async function runWindow(page, judged) {
  await page.click('#RunButton');
  await page.waitForSelector('#run[open]');
  let run = await runState(page);
  assert.equal(run.last, judged.t - 1, 'one row a tick, the first at t = 1 s');
  assert.equal(run.position, run.last, 'the run is shown from its end');
  assert.match(run.values, new RegExp(`t = ${judged.t} s`));
  assert.deepEqual(run.averages, [true, true, true], 'both answers checked: the averages show');
  // In Polish, with the decimal comma.
  assert.ok(run.legend.some((e) => /^\|R\|\/t = \d+,\d\d m\/s$/.test(e)), run.legend.join('; '));

  // The area under the speed, as the chart has it, is the distance.
  const [xs, ys] = await page.evaluate(() =>
    window.VelnarRunWindow.charts.speed.u.data[1].map((a) => Array.from(a)));
  assert.ok(xs.length >= 2 * judged.t, `the speed chart has its steps: ${xs.length} points`);
  let area = 0;
  for (let i = 1; i < xs.length; ++i) area += ((xs[i] - xs[i - 1]) * (ys[i] + ys[i - 1])) / 2;
  assert.ok(Math.abs(area - judged.s) <= 1e-9 * judged.s, `area ${area} against s = ${judged.s}`);

  // Alt+O plays from the start; the cursor and the values move, and the
  // replay stops by itself at the end.
  await page.keyboard.down('Alt');
  await page.keyboard.press('KeyO');
  await page.keyboard.up('Alt');
  const moment = await (await until(page, () => {
    const w = window.VelnarRunWindow;
    const last = Number(document.getElementById('runTime').max);
    return w.playing && w.position > 0 && w.position < last - 1 &&
      { row: Math.floor(w.position), values: document.getElementById('runValues').textContent };
  }, 'the replay does not move')).jsonValue();
  assert.match(moment.values, new RegExp(`t = ${moment.row + 1} s`), 'the values follow the replay');
  await until(page, () => !window.VelnarRunWindow.playing, 'the replay does not stop at the end');
  run = await runState(page);
  assert.equal(run.position, run.last, 'the replay stops at the end');
  assert.match(run.values, new RegExp(`t = ${judged.t} s`));

  // "Zapisz..." downloads the CSV into a folder of the test's own.
  const downloads = await mkdtemp(join(tmpdir(), 'velnar-download-'));
  try {
    const cdp = await page.browser().target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior',
      { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
    const done = new Promise((resolve, reject) => cdp.on('Browser.downloadProgress', (e) => {
      if (e.state === 'completed') resolve();
      if (e.state === 'canceled') reject(new Error('the download was cancelled'));
    }));
    await page.keyboard.down('Alt');
    await page.keyboard.press('KeyZ');
    await page.keyboard.up('Alt');
    await page.waitForSelector('#runSaveDialog[open]');
    assert.ok(await page.$eval('#runSave-csv', (e) => e.checked), 'CSV is offered first');
    await page.click('#runSaveOK');
    await done;
    const files = await readdir(downloads);
    assert.equal(files.length, 1, files.join(', '));
    assert.match(files[0], /^przebieg-\d{4}-\d\d-\d\d-\d{4}\.csv$/);
    const rows = (await readFile(join(downloads, files[0]), 'utf8')).trimEnd().split('\n')
      .map((line) => line.split(','));
    assert.deepEqual(rows[0], ['t [s]', 's [m]', 'Rx [m]', 'Ry [m]', '|R| [m]', 'v [m/s]', 'vx [m/s]', 'vy [m/s]']);
    assert.equal(rows.length, judged.t + 1, 'a header and a row for every tick');
    const last = rows[rows.length - 1].map(Number);
    assert.equal(last[0], judged.t);

    // Esc goes back to the task, which takes the file's last row for its own
    // figures: (s + 0.99) / t is right and (s + 1.01) / t wrong, and the same
    // for |R|, so the file ends at what the task judges, not at a tick before.
    await page.keyboard.press('Escape');
    await until(page, () => !document.getElementById('run').open, 'Esc does not close the run window');
    assert.ok(await page.$eval('#task', (e) => e.open), 'back to the task');
    const [t, s, r] = [last[0], last[1], last[4]];
    assert.ok(await judge(page, '#Edit1', '#Button1Check', '#Image9', (s + 0.99) / t), `s = ${s}`);
    assert.ok(!(await judge(page, '#Edit1', '#Button1Check', '#Image9', (s + 1.01) / t)), `s = ${s}`);
    assert.ok(await judge(page, '#Edit2', '#Button2Check', '#Image1', (r + 0.99) / t), `|R| = ${r}`);
    assert.ok(!(await judge(page, '#Edit2', '#Button2Check', '#Image1', (r + 1.01) / t)), `|R| = ${r}`);
  } finally {
    await rm(downloads, { recursive: true, force: true });
  }
}

test('a run as a pupil drives it: task, hidden tab, Esc and a new run', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await startRun(page);
  const shown = await presented(page);
  await frames(page, 10);
  assert.ok(await visible(page, '#screen'), 'the simulation shows');
  assert.ok((await presented(page)) >= shown + 10, 'frames keep coming');

  // Up the straight and into the bend to the right.
  await page.keyboard.down('ArrowUp');
  await page.waitForFunction(() => window.velnar._velnar_figure(4) > 40);
  await page.keyboard.down('ArrowRight');
  await page.waitForFunction(() => window.velnar._velnar_figure(3) > 3);
  await page.keyboard.up('ArrowRight');
  await page.waitForFunction(() => window.velnar._velnar_figure(2) >= 4);

  // Space with Up still held: the car and the clock stand behind the task.
  await page.keyboard.press('Space');
  await page.waitForSelector('#task[open]');
  const judged = await figures(page);
  assert.equal(judged.speed, 0);
  await frames(page, 40);  // two thirds of a second, more than two ticks
  assert.deepEqual(await figures(page), judged, 'nothing moves while the task is open');

  // One right answer (typed with a comma) and one wrong.
  const speed = (judged.s / judged.t).toFixed(3).replace('.', ',');
  await page.type('#Edit1', speed);
  assert.equal(await page.$eval('#Edit1', (e) => e.value), speed.replace(',', '.'));
  await page.click('#Button1Check');
  await page.type('#Edit2', String(Math.round(judged.r / judged.t + 5)));
  await page.click('#Button2Check');
  assert.equal(await page.$eval('#Image9', (e) => e.dataset.verdict), 'right');
  assert.equal(await page.$eval('#Image1', (e) => e.dataset.verdict), 'wrong');
  assert.match(await page.$eval('#Image9', (e) => e.src), /smile\.ico$/);
  assert.match(await page.$eval('#Image1', (e) => e.src), /sad\.ico$/);

  await runWindow(page, judged);

  // Enter in an answer field is the default button's: it closes the task. Up
  // held through it does not drive until pressed again.
  await page.focus('#Edit1');
  await page.keyboard.press('Enter');
  // The dialog's close event, which resets it, comes a task after it closed.
  await page.waitForFunction(() => !document.getElementById('task').open &&
    document.getElementById('Edit1').value === '');
  await frames(page, 30);
  assert.deepEqual(await figures(page), judged, 'a key held through Space counts only anew');
  await page.keyboard.up('ArrowUp');
  await page.keyboard.down('ArrowUp');
  await page.waitForFunction((t) => window.velnar._velnar_figure(2) > t, {}, judged.t);

  // Another tab in front for 3 s: the car and the clock stand meanwhile. The
  // program learns it from the page's events, when they come: a hidden page
  // may get no frame to notice it in, while its timers still run.
  await page.evaluate(() => {
    window.activeAtEvents = [];
    const note = (e) => window.activeAtEvents.push(`${e.type} ${window.velnar._velnar_active()}`);
    for (const type of ['blur', 'focus']) addEventListener(type, note);
    document.addEventListener('visibilitychange', note);
  });
  const other = await session.chromium.browser.newPage();
  await other.bringToFront();
  // A hidden page runs no frames nor timers: its events are read from here.
  let atEvents = [];
  for (let i = 0; i < 200 && !atEvents.some((e) => e.startsWith('visibilitychange')); ++i) {
    await new Promise((done) => setTimeout(done, 25));
    atEvents = await page.evaluate(() => window.activeAtEvents);
  }
  assert.ok(atEvents.some((e) => e.startsWith('visibilitychange')), 'the page was hidden');
  assert.ok(atEvents.every((e) => e.endsWith(' 0')), `the program stops at the page's events: ${atEvents}`);
  const away = await figures(page);
  await new Promise((done) => setTimeout(done, 3000));
  const meanwhile = await figures(page);
  await page.bringToFront();
  await page.waitForFunction(() => document.visibilityState === 'visible');
  await frames(page, 5);
  const back = await figures(page);
  await other.close();
  assert.deepEqual(meanwhile, away, 'nothing moves while hidden');
  const events = await page.evaluate(() => window.activeAtEvents);
  assert.match(events[events.length - 1], / 1$/, `back in front at once: ${events.join(', ')}`);
  // Three seconds would have been ten ticks; back, the clock goes on from where it stood.
  assert.ok(back.t >= away.t && back.t <= away.t + 3, `the clock stood: ${away.t}, then ${back.t}`);
  assert.ok(back.speed <= away.speed, 'Up held while away was released');
  await page.keyboard.up('ArrowUp');

  // Esc ends the run; the start window comes back and a new run starts at 0.
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => !document.getElementById('start').hidden);
  assert.ok(!(await visible(page, '#simulation')), 'the simulation is gone');
  await startRun(page);
  assert.deepEqual(errors, []);
});

test('the folder works opened from disk', async () => {
  const url = pathToFileURL(join(folder, 'index.html')).href;
  const { page, errors } = await open(session.chromium.browser, url);
  await startRun(page);
  await page.keyboard.down('KeyK');  // K drives as Up does
  await page.waitForFunction(() => window.velnar._velnar_figure(2) >= 2);

  // A page that froze for 2 s moves the car as a quarter of a second would:
  // the frame after the stall covers the car's speed for at most 250 ms.
  const stall = await page.evaluate(() => new Promise((done) => {
    const m = window.velnar;
    const before = { s: m._velnar_figure(0), frames: m._velnar_presented_frames() };
    const until = performance.now() + 2000;
    while (performance.now() < until) { /* the page's main thread is busy */ }
    const frame = () => {
      if (m._velnar_presented_frames() === before.frames) { requestAnimationFrame(frame); return; }
      done({ moved: m._velnar_figure(0) - before.s, speed: Math.abs(m._velnar_figure(5)),
        frames: m._velnar_presented_frames() - before.frames });
    };
    requestAnimationFrame(frame);
  }));
  assert.equal(stall.frames, 1, 'one frame after the stall');
  // Metres per world pixel; the speed is in world pixels per second.
  const lagMs = (stall.moved / 0.1914062 / stall.speed) * 1000;
  assert.ok(lagMs > 200 && lagMs <= 250.5, `the frame after the stall drove ${lagMs.toFixed(1)} ms`);

  await page.keyboard.press('Space');
  await page.waitForSelector('#task[open]');
  await page.keyboard.up('KeyK');
  await page.type('#Edit1', '1.2.3');
  await page.click('#Button1Check');
  await page.waitForSelector('#message[open]');
  assert.equal(await page.$eval('#messageText', (e) => e.textContent), 'Błędnie podana liczba.');
  assert.ok(await page.$eval('#Image9', (e) => e.hidden), 'no verdict for a non-number');
  await page.click('#messageOK');

  // No answer judged: the run window keeps the averages until asked (Alt+W).
  await page.click('#RunButton');
  await page.waitForSelector('#run[open]');
  let run = await runState(page);
  assert.ok(run.last >= 1, 'the run has its rows');
  assert.deepEqual(run.averages, [false, false, false], 'no average before the answers');
  assert.ok(!run.legend.some((e) => e.includes('/t =')), run.legend.join('; '));
  await page.keyboard.down('Alt');
  await page.keyboard.press('KeyW');
  await page.keyboard.up('Alt');
  run = await runState(page);
  assert.deepEqual(run.averages, [true, true, true], 'Pokaż wynik shows them');
  assert.ok(run.legend.some((e) => e.startsWith('s/t = ')), run.legend.join('; '));
  await page.click('#runClose');
  await page.waitForFunction(() => !document.getElementById('run').open);

  await page.keyboard.press('Escape');
  await page.waitForFunction(() => !document.getElementById('task').open);
  assert.deepEqual(errors, []);
});
