// Runs at the edge of what can be measured, in headless Chromium: a tap of the
// throttle stopped before the clock's first tick, and Space before any
// driving; and what the run window then draws of a run.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { figures, open, useBrowser } from './browser.mjs';

const session = useBrowser();

const TOO_SHORT = 'Czas jazdy był zbyt krótki, by go zmierzyć. Jedź dłużej.';

// Waits for a condition in the page; a failure says which.
function until(page, condition, what, ...args) {
  return page.waitForFunction(condition, {}, ...args).catch((e) => {
    assert.fail(`${what} (${e.message})`);
  });
}

async function startRun(page) {
  await page.click('#Button1');
  await until(page, () => window.velnar._velnar_presented_frames() > 0, 'the run does not start');
}

// "Sprawdź" on an answer: the face's verdict, or the message box's text
// (closed again) when a message comes instead.
async function check(page, field, button, face, answer) {
  await page.$eval(field, (e) => { e.value = ''; });
  await page.type(field, answer);
  await page.click(button);
  const outcome = await (await until(page, (f) => {
    if (document.getElementById('message').open)
      return { message: document.getElementById('messageText').textContent };
    const verdict = document.querySelector(f).dataset.verdict;
    return verdict && { verdict };
  }, `nothing comes of checking ${answer}`, face)).jsonValue();
  if (outcome.message) {
    await page.click('#messageOK');
    await until(page, () => !document.getElementById('message').open, 'the message stays');
  }
  return { ...outcome, faceShown: await page.$eval(face, (e) => !e.hidden) };
}

async function openRun(page) {
  await page.click('#RunButton');
  await until(page, () => document.getElementById('run').open &&
    document.querySelectorAll('#run .u-wrap > canvas').length === 3, 'the run window does not open');
  // Drawn: the track has its picture and the values their text.
  await until(page, () => document.getElementById('runValues').textContent !== '', 'no values');
}

// Pixels of the track picture in the arrows' own green, fully covered: the
// middle of every arrow stroke.
function arrowPixels(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('runTrack');
    const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    let n = 0;
    for (let i = 0; i < data.length; i += 4)
      n += data[i] === 0 && data[i + 1] === 200 && data[i + 2] === 0 && data[i + 3] === 255;
    return n;
  });
}

// Every legend key shown names a line of its chart that is drawn.
function keysWithoutLines(page) {
  return page.evaluate(() => {
    const wrong = [];
    let keys = 0;
    for (const [name, c] of Object.entries(window.VelnarRunWindow.charts)) {
      for (const entry of c.box.querySelectorAll('.run-legend-entry')) {
        if (entry.getClientRects().length === 0) continue;
        ++keys;
        const i = c.u.series.findIndex((s) => s.label === entry.textContent);
        if (i < 1 || !c.u.series[i].show || c.u.data[i][0].length < 2) wrong.push(`${name}: ${entry.textContent}`);
      }
    }
    return { keys, wrong };
  });
}

test('a tap of the throttle is too short to time: no verdict, then the run goes on', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await startRun(page);

  // Up until the car has moved, Space before the clock's first tick.
  await page.keyboard.down('ArrowUp');
  await until(page, () => window.velnar._velnar_figure(0) > 0 && window.velnar._velnar_figure(2) === 0,
    'the car does not move');
  await page.keyboard.press('Space');
  await page.waitForSelector('#task[open]');
  await page.keyboard.up('ArrowUp');
  const short = await figures(page);
  assert.ok(short.t === 0 && short.s > 0, `moved within no time: ${JSON.stringify(short)}`);

  // Zero was "right" here once: now neither answer is judged.
  for (const [field, button, face, answer] of [['#Edit1', '#Button1Check', '#Image9', '0'],
    ['#Edit2', '#Button2Check', '#Image1', String(short.r)]]) {
    const outcome = await check(page, field, button, face, answer);
    assert.deepEqual(outcome, { message: TOO_SHORT, faceShown: false }, `${field} = ${answer}`);
  }

  // The run goes on after the task, long enough to time. The task is closed
  // for the program once its closing has reset the answers.
  await page.click('#OKBtn');
  await until(page, () => !document.getElementById('task').open &&
    document.getElementById('Edit1').value === '', 'the task stays');
  await page.keyboard.down('ArrowUp');
  await until(page, () => window.velnar._velnar_figure(2) >= 5, 'the clock does not count');
  await page.keyboard.press('Space');
  await page.waitForSelector('#task[open]');
  await page.keyboard.up('ArrowUp');
  const run = await figures(page);
  const judged = await check(page, '#Edit1', '#Button1Check', '#Image9', (run.s / run.t).toFixed(3));
  assert.equal(judged.verdict, 'right');

  // Its window: time ends with the run, every key has its line, the arrows
  // are drawn; paused, the window draws nothing more.
  await openRun(page);
  await page.click('#runResult');
  await until(page, () => window.VelnarRunWindow.resultShown, 'no averages');
  const ends = await page.evaluate(() =>
    Object.values(window.VelnarRunWindow.charts).map((c) => c.u.scales.x.max));
  assert.deepEqual(ends, [run.t, run.t, run.t], 'the time axes end where the run did');
  const legend = await keysWithoutLines(page);
  assert.ok(legend.keys >= 9, `the charts' keys with the averages: ${legend.keys}`);
  assert.deepEqual(legend.wrong, [], 'keys without a line');
  assert.ok((await arrowPixels(page)) > 20, 'the arrows R, Rx and Ry are drawn');

  const draws = await page.evaluate(() => window.VelnarRunWindow.draws);
  await page.evaluate(() => new Promise((done) => {
    let n = 0;
    const next = () => (++n < 30 ? requestAnimationFrame(next) : done());
    requestAnimationFrame(next);
  }));
  assert.equal(await page.evaluate(() => window.VelnarRunWindow.draws), draws, 'drawn while idle');
  assert.deepEqual(errors, []);
  await page.close();
});

test('Space before any driving: the run window has no arrows, no keys and says why', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await startRun(page);
  await page.keyboard.press('Space');
  await page.waitForSelector('#task[open]');
  assert.deepEqual(await figures(page), { s: 0, r: 0, t: 0, rx: 0, ry: 0, speed: 0 });
  // A car that never moved, in no time: zero is right, as it always was.
  const zero = await check(page, '#Edit1', '#Button1Check', '#Image9', '0');
  assert.deepEqual(zero, { verdict: 'right', faceShown: true });

  await openRun(page);
  assert.equal(await page.$eval('#runValues', (e) => e.innerHTML), 'Brak pomiarów:<br>czas nie był liczony.');
  assert.equal(await arrowPixels(page), 0, 'no arrow drawn');
  const legend = await keysWithoutLines(page);
  assert.deepEqual(legend, { keys: 0, wrong: [] }, 'no key: there is no line');
  assert.deepEqual(errors, []);
  await page.close();
});
