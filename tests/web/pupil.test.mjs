// A pupil's run in headless Chromium, from the page served and from disk.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { join } from 'node:path';

import {
  bmpTo565, countDifferences, figures, firstFrame, folder, frames, golden, open,
  presented, useBrowser,
} from './browser.mjs';

const session = useBrowser();

const visible = (page, selector) =>
  page.$eval(selector, (e) => !e.hidden && e.getClientRects().length > 0);

// Starts a run and checks its first frame against the desktop's picture of it.
async function startRun(page) {
  assert.ok(await visible(page, '#start'), 'the start window shows');
  await page.click('#Button1');
  await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);
  const first = await firstFrame(page);
  const desktop = bmpTo565(await golden('tests/web/golden/first.bmp'));
  assert.equal(first.length, 640 * 480, 'a 640 x 480 back buffer');
  assert.equal(countDifferences(first, desktop), 0, 'the first frame is the desktop\'s');
  assert.deepEqual(await figures(page), { s: 0, r: 0, t: 0, rx: 0, ry: 0, speed: 0 });
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

  // Enter closes the task; Up held through it does not drive until pressed again.
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => !document.getElementById('task').open);
  assert.equal(await page.$eval('#Edit1', (e) => e.value), '', 'the task is reset');
  await frames(page, 30);
  assert.deepEqual(await figures(page), judged, 'a key held through Space counts only anew');
  await page.keyboard.up('ArrowUp');
  await page.keyboard.down('ArrowUp');
  await page.waitForFunction((t) => window.velnar._velnar_figure(2) > t, {}, judged.t);

  // Another tab in front for 3 s: the car and the clock stand meanwhile.
  const other = await session.chromium.browser.newPage();
  await other.bringToFront();
  await page.waitForFunction(() => document.visibilityState === 'hidden');
  const away = await figures(page);
  await new Promise((done) => setTimeout(done, 3000));
  const meanwhile = await figures(page);
  await page.bringToFront();
  await page.waitForFunction(() => document.visibilityState === 'visible');
  await frames(page, 5);
  const back = await figures(page);
  await other.close();
  assert.deepEqual(meanwhile, away, 'nothing moves while hidden');
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
  await page.keyboard.press('Space');
  await page.waitForSelector('#task[open]');
  await page.keyboard.up('KeyK');
  await page.type('#Edit1', '1.2.3');
  await page.click('#Button1Check');
  await page.waitForSelector('#message[open]');
  assert.equal(await page.$eval('#messageText', (e) => e.textContent), 'Błędnie podana liczba.');
  assert.ok(await page.$eval('#Image9', (e) => e.hidden), 'no verdict for a non-number');
  await page.click('#messageOK');
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => !document.getElementById('task').open);
  assert.deepEqual(errors, []);
});
