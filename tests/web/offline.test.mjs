// The folder as an installable web app: after one visit its service worker
// keeps it, so a whole run works with the server gone; a new build replaces
// the kept files; opened from disk the page has no worker and needs none.
// Each test has a browser (and so a profile and caches) of its own.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { appendFile, cp, mkdtemp, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { promisify } from 'node:util';

import { launch, root, testFolder as folder } from './browser.mjs';
import { serve } from '../../web/serve.mjs';

// A folder on a local server whose stop really ends it: no connection kept.
async function site(dir) {
  const server = await serve(dir, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  return {
    url,
    async stop() {
      const closed = new Promise((done) => server.close(done));
      server.closeAllConnections();
      await closed;
      await assert.rejects(fetch(url), 'the server is gone');
    },
  };
}

// The page's messages that a pupil must never have caused.
function watch(page) {
  const problems = [];
  page.on('pageerror', (e) => problems.push(e.message));
  page.on('console', (m) => {
    if (m.type() === 'error' || m.type() === 'warn') problems.push(m.text());
  });
  return problems;
}

// The program (its WebAssembly) is running.
const ready = () => window.velnar && typeof window.velnar._velnar_start === 'function';

async function newPage(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 960, height: 720 });
  return page;
}

// Visits the page and waits until its worker has kept the folder and answers
// for the page.
async function visit(page, url) {
  await page.goto(url);
  await page.waitForFunction(async () => {
    await navigator.serviceWorker.ready;
    return navigator.serviceWorker.controller !== null;
  });
}

const version = async (dir) =>
  /const VERSION = '([0-9a-f]+)';/.exec(await readFile(join(dir, 'sw.js'), 'utf8'))[1];
const keptFiles = async (dir) =>
  JSON.parse(/const FILES = (\[[^\]]*\]);/.exec(await readFile(join(dir, 'sw.js'), 'utf8'))[1]);

// The build's own generator, run on a folder as the build runs it.
async function writeWorker(dir, files) {
  await promisify(execFile)('cmake', [`-DFOLDER=${dir}`, `-DTEMPLATE=${join(root, 'web/sw.js.in')}`,
    `-DFILES=${files.join(',')}`, '-P', join(root, 'web/service_worker.cmake')]);
}

test('after one visit a whole run works with the server gone', async () => {
  const chromium = await launch();
  const local = await site(folder);
  try {
    const page = await newPage(chromium.browser);
    const problems = watch(page);
    await visit(page, local.url);
    // Everything the browser needs to install the app is there.
    const cdp = await page.createCDPSession();
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, [], 'the page can be installed as an app');

    await local.stop();
    await page.setOfflineMode(true);
    await page.reload({ waitUntil: 'load' });
    assert.equal(await page.evaluate(() => typeof window.createVelnar), 'function',
      'the program came from the cache');
    await page.waitForFunction(ready);
    assert.ok(await page.$eval('#start', (e) => !e.hidden && e.getClientRects().length > 0));
    assert.equal(await page.$eval('#Button1', (e) => e.textContent), 'Uruchom program');

    await page.click('#Button1');
    await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);
    await page.keyboard.down('ArrowUp');
    await page.waitForFunction(() => window.velnar._velnar_figure(2) >= 2);
    await page.keyboard.up('ArrowUp');
    await page.keyboard.press('Space');
    await page.waitForSelector('#task[open]');
    await page.click('#RunButton');
    await page.waitForSelector('#run[open]');
    await page.waitForFunction(() => window.VelnarRunWindow.charts.speed !== undefined);
    assert.deepEqual(problems, []);
  } finally {
    await chromium.close();
    await local.stop().catch(() => {});
  }
});

test('a new build replaces the kept files', async () => {
  const copy = await mkdtemp(join(tmpdir(), 'velnar-web-'));
  const chromium = await launch();
  let local;
  try {
    await cp(folder, copy, { recursive: true });
    const files = await keptFiles(copy);
    assert.ok(files.includes('velnar.css') && files.includes('velnar.js'), files.join(', '));
    const built = await readFile(join(copy, 'sw.js'), 'utf8');
    await writeWorker(copy, files);
    assert.equal(await readFile(join(copy, 'sw.js'), 'utf8'), built,
      'sw.js is not the one for the files beside it: build the folder again');

    local = await site(copy);
    const page = await newPage(chromium.browser);
    await visit(page, local.url);
    const before = await version(copy);
    const ours = () => page.evaluate(() => caches.keys());
    let caches = await ours();
    assert.equal(caches.length, 1, caches.join('; '));
    assert.ok(caches[0].includes(before), `${caches[0]} is named by ${before}`);

    // The next build: one file changed, and its worker written anew.
    const mark = '/* the next build */';
    await appendFile(join(copy, 'velnar.css'), `\n${mark}\n`);
    await writeWorker(copy, files);
    const after = await version(copy);
    assert.notEqual(after, before, 'a changed file changes the version');

    // The first visit after it is still the old build's, and brings the new
    // worker, which takes over once it has kept the new files.
    await page.reload();
    await page.waitForFunction(async (v) => {
      const r = await navigator.serviceWorker.getRegistration();
      return !r.installing && !r.waiting && r.active.state === 'activated' &&
        (await caches.keys()).some((k) => k.includes(v));
    }, {}, after);
    caches = await ours();
    assert.equal(caches.length, 1, `the old cache is gone: ${caches.join('; ')}`);
    assert.ok(caches[0].includes(after), caches[0]);

    // The next visit has the new bytes, from the new cache alone.
    await local.stop();
    await page.setOfflineMode(true);
    await page.reload({ waitUntil: 'load' });
    const css = await page.evaluate(() => fetch('velnar.css').then((r) => r.text()));
    assert.ok(css.trimEnd().endsWith(mark), 'the changed file is served');
  } finally {
    await chromium.close();
    await local?.stop().catch(() => {});
    await rm(copy, { recursive: true, force: true });
  }
});

test('from disk there is no worker, and no complaint', async () => {
  const chromium = await launch();
  try {
    const page = await newPage(chromium.browser);
    const problems = watch(page);
    // Every attempt to register a worker, whether the browser takes it or not.
    await page.evaluateOnNewDocument(() => {
      window.registered = [];
      const workers = navigator.serviceWorker;
      if (!workers) return;
      const register = workers.register.bind(workers);
      workers.register = (...args) => {
        window.registered.push(String(args[0]));
        return register(...args);
      };
    });
    await page.goto(pathToFileURL(join(folder, 'index.html')).href, { waitUntil: 'load' });
    await page.waitForFunction(ready);
    assert.ok(await page.$eval('#start', (e) => !e.hidden && e.getClientRects().length > 0));
    assert.deepEqual(await page.evaluate(() => window.registered), []);
    assert.deepEqual(problems, []);
  } finally {
    await chromium.close();
  }
});
