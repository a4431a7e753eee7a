// Keys and clicks never undo a pupil's work: a key held into a window does
// nothing there, Enter presses the focused button, and a click made while the
// program loads is carried out.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { figures, open, useBrowser } from './browser.mjs';

const session = useBrowser();

// A key held down for about `ms`, repeating as a keyboard does, then released.
async function hold(page, key, ms) {
  await page.keyboard.down(key);
  const until = Date.now() + ms;
  while (Date.now() < until) {
    await page.keyboard.down(key);  // a repeat: the key is down already
    await new Promise((done) => setTimeout(done, 33));
  }
  await page.keyboard.up(key);
}

const isOpen = (page, id) => page.$eval(`#${id}`, (e) => e.open);

test('keys held into a window and Enter on a focused button', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await page.click('#Button1');
  await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);
  await page.keyboard.down('ArrowUp');
  await page.waitForFunction(() => window.velnar._velnar_figure(2) >= 2);
  await page.keyboard.up('ArrowUp');

  // Space held for 1.5 s past the keyboard's repeat delay: the task it
  // opened stays open, its fields empty and ready.
  await hold(page, 'Space', 1500);
  assert.ok(await isOpen(page, 'task'), 'the task stays open after Space held');
  assert.equal(await page.$eval('#Edit1', (e) => e.value), '');
  const judged = await figures(page);

  // Enter on each focused button does what that button does.
  await page.type('#Edit1', (judged.s / judged.t).toFixed(2));
  await page.focus('#Button1Check');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('Image9').dataset.verdict === 'right');
  assert.ok(await isOpen(page, 'task'), 'Enter on "Sprawdź" judges and keeps the task');

  await page.focus('#RunButton');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#run[open]');
  // Esc held: it closes the run window, and its repeats leave the task be.
  await hold(page, 'Escape', 800);
  assert.ok(!(await isOpen(page, 'run')), 'Esc closes the run window');
  assert.ok(await isOpen(page, 'task'), 'Esc held closes the task too');
  assert.equal(await page.$eval('#Image9', (e) => e.dataset.verdict), 'right', 'the verdict stays');

  await page.focus('#OKBtn');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => !document.getElementById('task').open);
  assert.deepEqual(errors, []);
  await page.close();
});

test('a click on "Uruchom program" while the program loads is carried out', async () => {
  // A first visit: no copy of the program kept from the other test.
  const context = await session.chromium.browser.createBrowserContext();
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.setViewport({ width: 960, height: 720 });
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
  // A school's slow line: 4 Mbit/s, 100 ms.
  await cdp.send('Network.emulateNetworkConditions', {
    offline: false, latency: 100, downloadThroughput: 4e6 / 8, uploadThroughput: 1e6 / 8,
  });
  page.goto(session.site.url).catch(() => {});
  await page.waitForSelector('#Button1', { visible: true });
  const loading = await page.evaluate(() => ({
    ready: Boolean(window.velnar),
    shown: !document.getElementById('loading').hidden,
  }));
  assert.deepEqual(loading, { ready: false, shown: true }, 'the start window says it is loading');
  await page.click('#Button1');
  await page.waitForFunction(() => window.velnar && window.velnar._velnar_presented_frames() > 0,
    { timeout: 60000 });
  assert.ok(await page.$eval('#start', (e) => e.hidden), 'the run started by itself');
  assert.deepEqual(errors, []);
  await context.close();
});
