// The run window "Przebieg jazdy" in headless Chromium: what an opening made
// is gone after closing, Enter presses the focused button, and the window
// fits a phone's screen either way up.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { figures, open, useBrowser } from './browser.mjs';

const session = useBrowser();

// Waits for a condition in the page; a failure says which.
function until(page, condition, what, ...args) {
  return page.waitForFunction(condition, {}, ...args).catch((e) => {
    assert.fail(`${what} (${e.message})`);
  });
}

// A run of three seconds stopped by Space: the task, with its run window to open.
async function runToTask(page) {
  await page.click('#Button1');
  await page.keyboard.down('ArrowUp');
  await until(page, () => window.velnar._velnar_figure(2) >= 3, 'the clock does not count');
  await page.keyboard.press('Space');
  await page.waitForSelector('#task[open]');
  await page.keyboard.up('ArrowUp');
  const run = await figures(page);
  assert.ok(run.t >= 3 && run.s > 0, JSON.stringify(run));
}

// Opened and drawn: its three charts are in the page.
async function openRun(page, tap) {
  if (tap) await page.tap('#RunButton');
  else await page.click('#RunButton');
  await until(page, () => document.getElementById('run').open &&
    document.querySelectorAll('#run .u-wrap > canvas').length === 3, 'the run window does not open');
}

const closed = (page, what) => until(page, () => !document.getElementById('run').open, what);

test('closing the run window frees what its opening made', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await runToTask(page);
  // Observers are counted as they watch and stop: one still watching after
  // closing lives on, and so does all it holds.
  await page.evaluate(() => {
    const watched = new Map();
    window.ResizeObserver = class extends window.ResizeObserver {
      observe(target, options) {
        if (!watched.has(this)) watched.set(this, new Set());
        watched.get(this).add(target);
        super.observe(target, options);
      }
      unobserve(target) {
        watched.get(this)?.delete(target);
        super.unobserve(target);
      }
      disconnect() {
        watched.delete(this);
        super.disconnect();
      }
    };
    window.observersWatching = () => [...watched.values()].filter((targets) => targets.size > 0).length;
  });
  const cdp = await page.createCDPSession();
  const measure = async () => {
    // The second collection finishes the first's sweep, which counts the nodes freed.
    await cdp.send('HeapProfiler.collectGarbage');
    await cdp.send('HeapProfiler.collectGarbage');
    const { nodes, jsEventListeners } = await cdp.send('Memory.getDOMCounters');
    const { observers, charts } = await page.evaluate(() => ({
      observers: window.observersWatching(), charts: document.querySelectorAll('.uplot').length }));
    return { nodes, jsEventListeners, observers, charts };
  };
  // Closed by Esc and by "Zamknij" in turn.
  let watching = 0;
  const round = async (i) => {
    await openRun(page);
    watching = Math.max(watching, await page.evaluate(() => window.observersWatching()));
    if (i % 2) await page.keyboard.press('Escape');
    else await page.click('#runClose');
    await closed(page, `round ${i}: the run window does not close`);
  };

  await round(0);
  const first = await measure();
  assert.equal(first.charts, 0, 'no chart is left in the page after closing');
  assert.ok(watching > 0, 'the open window watches its size');
  assert.equal(first.observers, 0, 'no observer watches on after closing');
  // The engine keeps one chart of an early opening for good (the template it
  // makes of an object literal in the chart library holds that chart's
  // closures), so the counts are compared from the tenth closing on: what
  // must not grow is what every opening adds.
  for (let i = 1; i < 10; ++i) await round(i);
  const tenth = await measure();
  for (let i = 10; i < 50; ++i) await round(i);
  const last = await measure();
  assert.equal(last.charts, 0, 'no chart is left in the page after closing');
  assert.equal(last.observers, 0, 'no observer watches on after closing');
  assert.ok(Math.abs(last.nodes - tenth.nodes) <= 5,
    `DOM nodes: ${tenth.nodes} after the 10th closing, ${last.nodes} after the 50th`);
  assert.ok(Math.abs(last.jsEventListeners - tenth.jsEventListeners) <= 5,
    `listeners: ${tenth.jsEventListeners} after the 10th closing, ${last.jsEventListeners} after the 50th`);
  assert.ok(await page.$eval('#task', (e) => e.open), 'back to the task');
  assert.deepEqual(errors, []);
});

test('Enter presses the focused button, elsewhere the default "Zamknij"', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await runToTask(page);
  const state = () => page.evaluate(() => ({
    open: document.getElementById('run').open,
    playing: window.VelnarRunWindow.playing,
    result: window.VelnarRunWindow.resultShown,
    average: window.VelnarRunWindow.charts.speed.u.series[2].show,
    saving: document.getElementById('runSaveDialog').open,
  }));
  const enterOn = async (selector) => {
    await page.focus(selector);
    assert.ok(await page.$eval(selector, (e) => e === document.activeElement), `${selector} takes the focus`);
    await page.keyboard.press('Enter');
  };

  await openRun(page);
  assert.deepEqual(await state(),
    { open: true, playing: false, result: false, average: false, saving: false }, 'no answer checked');

  // The replay of a short run may be over before it is looked at: its
  // button's text changing is the witness that it started.
  await page.$eval('#runPlay', (button) => {
    window.replayStarted = false;
    new MutationObserver(() => {
      window.replayStarted ||= window.VelnarRunWindow.playing;
    }).observe(button, { childList: true, subtree: true });
  });
  await enterOn('#runPlay');
  await until(page, () => window.replayStarted, 'Enter on "Odtwórz" does not play');
  assert.ok((await state()).open, 'Enter on "Odtwórz" leaves the window open');

  await enterOn('#runResult');
  await until(page, () => window.VelnarRunWindow.resultShown, 'Enter on "Pokaż wynik" shows nothing');
  const shown = await state();
  assert.deepEqual([shown.open, shown.result, shown.average, shown.saving], [true, true, true, false],
    'the averages shown in the open window');
  // "Pokaż wynik" is disabled now: the window's keys still reach the window.
  assert.ok(await page.evaluate(() => document.getElementById('run').contains(document.activeElement)),
    'the focus stays in the window');

  await enterOn('#runSave');
  await page.waitForSelector('#runSaveDialog[open]');
  assert.ok((await state()).open, 'saving over the open window');
  // In the save dialog too: Enter on "Anuluj" cancels.
  await enterOn('#runSaveCancel');
  await until(page, () => !document.getElementById('runSaveDialog').open, 'Enter on "Anuluj" does not close');
  assert.equal(await page.$eval('#runSaveDialog', (e) => e.returnValue), 'cancel');
  assert.ok((await state()).open, 'back to the run window');

  await enterOn('#runClose');
  await closed(page, 'Enter on "Zamknij" does not close');

  // Where the focus takes no Enter of its own, Enter is "Zamknij"'s.
  for (const selector of ['#runTime', '#runSpeed']) {
    await openRun(page);
    await enterOn(selector);
    await closed(page, `Enter on ${selector} does not close the window`);
    assert.ok(await page.$eval('#task', (e) => e.open), 'back to the task');
  }
  assert.deepEqual(errors, []);
});

// No sideways scroll, the window within the screen, every control whole on
// the screen, not covered and big enough for a finger, each chart drawn within
// its box and tall enough to read.
function fit(page) {
  return page.evaluate(() => {
    const run = document.getElementById('run');
    const page = document.documentElement;
    const problems = [];
    const off = (r) => r.left < -0.5 || r.top < -0.5 || r.right > innerWidth + 0.5 || r.bottom > innerHeight + 0.5;
    const whole = run.getBoundingClientRect();
    if (off(whole)) problems.push(`the window is larger than the screen: ${JSON.stringify(whole)}`);
    if (page.scrollWidth > page.clientWidth) problems.push(`the page scrolls sideways: ${page.scrollWidth}`);
    for (const e of [run, ...run.querySelectorAll('*')]) {
      if (e.scrollWidth > e.clientWidth && ['auto', 'scroll'].includes(getComputedStyle(e).overflowX))
        problems.push(`${e.className || e.id} scrolls sideways: ${e.scrollWidth} > ${e.clientWidth}`);
    }
    const controls = run.querySelectorAll('button, select, input');
    if (controls.length < 6) problems.push(`only ${controls.length} controls`);
    for (const e of controls) {
      const r = e.getBoundingClientRect();
      if (r.width < 44 || r.height < 44) problems.push(`${e.id} is ${r.width} x ${r.height}`);
      if (off(r)) problems.push(`${e.id} is off the screen`);
      else if (!e.contains(document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2)))
        problems.push(`${e.id} is covered`);
    }
    const charts = run.querySelectorAll('.run-chart');
    if (charts.length !== 3) problems.push(`${charts.length} charts`);
    for (const box of charts) {
      const canvas = box.querySelector('.u-wrap > canvas');
      if (!canvas || !canvas.width || !canvas.height) { problems.push(`${box.id} is not drawn`); continue; }
      const b = box.getBoundingClientRect(), r = canvas.getBoundingClientRect();
      if (r.left < b.left - 0.5 || r.right > b.right + 0.5 || r.bottom > b.bottom + 0.5)
        problems.push(`${box.id}'s plot overflows its box`);
      if (b.height < 180) problems.push(`${box.id} is ${b.height} px high`);
    }
    return problems;
  });
}

test('the run window fits a phone either way up and closes by a tap', async () => {
  const page = await session.chromium.browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.setViewport({ width: 844, height: 390, isMobile: true, hasTouch: true });
  await page.goto(session.site.url);
  await page.waitForFunction(() => window.velnar && typeof window.velnar._velnar_start === 'function');
  assert.ok(await page.evaluate(() => matchMedia('(pointer: coarse)').matches), 'a finger for a pointer');
  await runToTask(page);

  // Opened lying down, then the phone turned: the charts follow.
  await openRun(page, true);
  assert.deepEqual(await fit(page), [], 'lying down');
  const whole = await page.$eval('#run', (e) => [e.offsetWidth, e.offsetHeight]);
  assert.deepEqual(whole, [844, 390], 'lying down the window takes the whole screen');
  await page.setViewport({ width: 360, height: 640, isMobile: true, hasTouch: true });
  await until(page, () => innerWidth === 360, 'the phone does not turn');
  // The layout follows the turn in the next frames.
  await until(page, () => [...document.querySelectorAll('#run .run-chart')].every((box) => {
    const b = box.getBoundingClientRect(), r = box.querySelector('.u-wrap > canvas').getBoundingClientRect();
    return r.right <= b.right + 0.5;
  }), 'the charts keep their width when the phone turns');
  assert.deepEqual(await fit(page), [], 'standing up');

  await page.tap('#runClose');
  await closed(page, 'a tap on "Zamknij" does not close');
  assert.ok(await page.$eval('#task', (e) => e.open), 'back to the task');
  assert.deepEqual(errors, []);
  await page.close();
});

// The replay redraws only the part of the track a step changed; played to
// the end it must leave the very picture that drawing it whole gives. The
// charts meanwhile are held still.
test('the replay leaves the track as a whole drawing would', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await runToTask(page);
  await openRun(page);
  const track = () => page.$eval('#runTrack', (c) => c.toDataURL());
  const drawn = await page.evaluate(() => window.VelnarRunWindow.draws);
  await page.$eval('#runSpeed', (s) => {
    s.selectedIndex = s.options.length - 1;
    s.dispatchEvent(new Event('change', { bubbles: true }));
  });
  await page.click('#runPlay');
  await until(page, () => window.VelnarRunWindow.playing, 'the replay does not start');
  // Meanwhile the charts, which do not change, are shown as still images of
  // their pictures, and their canvases are out of the compositor's way.
  await until(page, () => [...document.querySelectorAll('#run .u-wrap > canvas')]
    .every((c) => c.style.visibility === 'hidden' && c.nextElementSibling.offsetParent !== null),
  'the charts are not held still');
  const stills = await page.evaluate(() => [...document.querySelectorAll('#run .u-wrap > canvas')].map((c) => {
    const still = c.nextElementSibling, copy = document.createElement('canvas');
    copy.width = still.naturalWidth;
    copy.height = still.naturalHeight;
    copy.getContext('2d').drawImage(still, 0, 0);
    const a = copy.getContext('2d').getImageData(0, 0, copy.width, copy.height).data;
    const b = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    const r = still.getBoundingClientRect(), q = c.getBoundingClientRect();
    return a.length === b.length && a.every((v, i) => v === b[i]) &&
      [r.x - q.x, r.y - q.y, r.width - q.width, r.height - q.height].every((d) => Math.abs(d) < 0.5);
  }));
  assert.deepEqual(stills, [true, true, true], 'each still image is its chart, in its place');
  await until(page, () => !window.VelnarRunWindow.playing, 'the replay does not end');
  assert.ok(await page.evaluate((n) => window.VelnarRunWindow.draws > n + 5, drawn), 'the replay drew no steps');
  const replayed = await track();
  await page.evaluate(() => window.VelnarRunWindow.redrawTrack());
  assert.ok(replayed === (await track()), 'the track after the replay differs from the track drawn whole');
  assert.deepEqual(errors, []);
  await page.close();
});
