// The browser in each of its languages, as a pupil whose browser speaks it
// finds it: no word left in Polish, the switch on the start window, the same
// verdicts for the same answers, and the folder that ships.
//
// VELNAR_SCREENSHOTS=DIR keeps a picture of every window, tablet and phone
// sized, in each language, for a person to look at.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import { join } from 'node:path';
import { test } from 'node:test';

import { folder, open, root, testFolder, useBrowser } from './browser.mjs';
import { serve } from '../../web/serve.mjs';

const session = useBrowser();
const shots = process.env.VELNAR_SCREENSHOTS;

const DESKTOP = { width: 960, height: 720 };
const TABLET = { width: 1024, height: 768, isMobile: true, hasTouch: true };
const PHONE = { width: 390, height: 844, isMobile: true, hasTouch: true };

// The Polish texts that must not be seen in a language: every source text
// (and each line of one) whose translation there differs from it.
async function polishTexts(code) {
  const source = await readFile(join(testFolder, 'words.js'), 'utf8');
  const words = JSON.parse(/self\.VelnarWords = (.*);\s*$/s.exec(source)[1])[code];
  assert.ok(Object.keys(words).length > 50, `the words of ${code}`);
  const lines = (text) => text.split('\n').map((l) => l.trim()).filter((l) => l.length > 1);
  const translated = new Set(Object.values(words).flatMap(lines));
  const polish = new Set();
  for (const [key, translation] of Object.entries(words)) {
    const text = key.split('\u0004').pop();
    if (text === translation) continue;
    for (const line of lines(text)) if (!translated.has(line)) polish.add(line);
  }
  return polish;
}

// What a pupil sees and hears of the page now: the shown texts line by line
// and cell by cell, the accessible names, titles, alternative texts and the
// options of every list.
function pageTexts(page) {
  return page.evaluate(() => {
    const texts = document.body.innerText.split(/[\n\t]/);
    for (const e of document.querySelectorAll('[aria-label], [alt], [title]'))
      for (const name of ['aria-label', 'alt', 'title']) if (e.hasAttribute(name)) texts.push(e.getAttribute(name));
    for (const o of document.querySelectorAll('option')) texts.push(o.textContent);
    return texts.map((t) => t.trim()).filter(Boolean);
  });
}

async function untranslated(page, polish, where) {
  const left = (await pageTexts(page)).filter((t) => polish.has(t));
  assert.deepEqual(left, [], `${where}: words still in Polish`);
}

// The words of a window of fixed places (start, About, task) each in the
// clear: inside the window and under no other control.
async function uncovered(page, selector) {
  const covered = await page.$eval(selector, (client) => {
    const rect = (e) => {
      const range = document.createRange();
      range.selectNodeContents(e);
      return range.getBoundingClientRect();
    };
    const meets = (a, b) => a.left < b.right - 1 && b.left < a.right - 1 && a.top < b.bottom - 1 && b.top < a.bottom - 1;
    const box = client.getBoundingClientRect();
    const parts = [...client.children].filter((e) => e.getClientRects().length && !e.classList.contains('bevel'));
    const found = [];
    for (const e of parts.filter((p) => p.textContent.trim() && p.tagName !== 'SELECT')) {
      const words = rect(e);
      if (words.left < box.left || words.right > box.right + 0.5) found.push(`${e.textContent} leaves the window`);
      const host = e.tagName === 'BUTTON' || e.classList.contains('memo') ? e.getBoundingClientRect() : words;
      if (words.width > host.width + 0.5) found.push(`${e.textContent} is wider than its control`);
      for (const other of parts) {
        if (other !== e && !other.contains(e) && meets(host, other.getBoundingClientRect()))
          found.push(`${e.textContent} under ${other.id || other.tagName}`);
      }
    }
    return found;
  });
  assert.deepEqual(covered, [], selector);
}

async function picture(page, name) {
  if (shots) await page.screenshot({ path: join(shots, `${name}.png`) });
}

// Space, held until the program has seen it and opened the task.
async function openTask(page) {
  await page.keyboard.down('Space');
  await page.waitForSelector('#task[open]');
  await page.keyboard.up('Space');
}

// "Zamknij": the task's close event, a task after it closed, hands the keys
// back to the program (and empties the answers).
async function closeTask(page) {
  await page.$eval('#Edit1', (e) => { e.value = '0'; });
  await page.click('#OKBtn');
  await page.waitForFunction(() => !document.getElementById('task').open &&
    document.getElementById('Edit1').value === '');
}

// Drives forward until the clock has counted `ticks`, then stops (Space):
// the task opens.
async function driveAndStop(page, ticks) {
  await page.click('#Button1');
  await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);
  await page.keyboard.down('ArrowUp');
  await page.waitForFunction((n) => window.velnar._velnar_figure(2) >= n, {}, ticks);
  await page.keyboard.up('ArrowUp');
  await openTask(page);
}

for (const [code, tags] of [['en', ['en-GB', 'en']], ['uk', ['uk-UA', 'uk']]]) {
  test(`a browser in ${code} shows every window in ${code}`, async () => {
    const polish = await polishTexts(code);
    for (const [size, viewport] of [['desktop', DESKTOP], ['tablet', TABLET], ['phone', PHONE]]) {
      const name = (window) => `${code}-${size}-${window}`;
      const { page, errors } = await open(session.chromium.browser, session.site.url, { languages: tags, viewport });
      assert.equal(await page.evaluate(() => document.documentElement.lang), code);
      // The partner's mark is painted with the language's words.
      await page.waitForFunction(() => document.getElementById('Image4').complete);
      assert.deepEqual(await page.$eval('#Image4', (e) => [e.getAttribute('src'), e.naturalWidth > 0]),
        [`partner-${code}.jpg`, true]);
      await untranslated(page, polish, 'the start window');
      await uncovered(page, '#start .client');
      await picture(page, name('start'));

      await page.click('#Button3');
      await page.waitForSelector('#about[open]');
      await untranslated(page, polish, 'the About box');
      await uncovered(page, '#about .client');
      await picture(page, name('about'));
      await page.click('#BitBtn1');

      await driveAndStop(page, 2);
      await closeTask(page);
      await untranslated(page, polish, 'the simulation');
      await picture(page, name('simulation'));

      await openTask(page);
      await page.type('#Edit1', '1');
      await page.click('#Button1Check');
      await page.waitForSelector('#Image9:not([hidden])');
      await untranslated(page, polish, 'the task');
      await uncovered(page, '#task .client');
      await picture(page, name('task'));

      await page.click('#RunButton');
      await page.waitForSelector('#run[open]');
      await page.waitForFunction(() => window.VelnarRunWindow.charts.speed !== undefined);
      await untranslated(page, polish, 'the run window');
      await picture(page, name('run'));
      // Alt and the letter marked in the language's "Pokaż &wynik" (a key
      // of the language's keyboard: "р" is where H is on a Ukrainian one).
      const letter = await page.evaluate(() =>
        window.VelnarLanguage.shortcut(window.VelnarLanguage.tr('Pokaż &wynik')).key);
      assert.notEqual(letter, 'w');
      assert.equal(await page.$eval('#runResult', (e) => e.disabled), false);
      await page.$eval('#runPlay', (e, key) => e.dispatchEvent(new KeyboardEvent('keydown', {
        key, code: key === 'р' ? 'KeyH' : `Key${key.toUpperCase()}`, altKey: true, bubbles: true })), letter);
      assert.equal(await page.$eval('#runResult', (e) => e.disabled), true, `Alt+${letter} shows the result`);
      await page.click('#runSave');
      await page.waitForSelector('#runSaveDialog[open]');
      await untranslated(page, polish, 'saving the run');
      await page.click('#runSaveCancel');
      assert.deepEqual(errors, []);
      await page.close();
    }
  });
}

test('the language switch retranslates at once and is remembered', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url, { languages: ['de-DE', 'fr'] });
  // No language of ours asked for: Polish.
  assert.equal(await page.$eval('#Button1', (e) => e.textContent), 'Uruchom program');
  // The program's languages (lesson::kLanguages), by their own names.
  const header = await readFile(join(root, 'lesson/catalogue.h'), 'utf8');
  const known = [...header.matchAll(/\{Language::\w+, "(\w+)", "([^"]+)", '(.)'\}/g)]
    .map(([, code, name, separator]) => ({ code, name, separator }));
  assert.ok(known.length >= 3, 'lesson::kLanguages');
  assert.deepEqual(await page.evaluate(() => window.VelnarLanguage.LANGUAGES), known);
  assert.deepEqual(await page.$$eval('#language option', (o) => o.map((e) => e.textContent)),
    known.map((l) => l.name));
  await page.select('#language', 'uk');
  assert.equal(await page.$eval('#Button1', (e) => e.textContent), 'Запустити програму');
  assert.equal(await page.$eval('#language', (e) => e.getAttribute('aria-label')), 'Мова');
  assert.equal(await page.evaluate(() => document.documentElement.lang), 'uk');

  await page.reload();
  await page.waitForFunction(() => window.velnar);
  assert.equal(await page.$eval('#Button1', (e) => e.textContent), 'Запустити програму', 'remembered');
  assert.equal(await page.$eval('#language', (e) => e.value), 'uk');
  // And back: the Polish words as they were.
  await page.select('#language', 'pl');
  assert.equal(await page.$eval('#Button1', (e) => e.textContent), 'Uruchom program');
  assert.equal(await page.$eval('#Image4', (e) => e.alt), 'Partner');
  assert.deepEqual(errors, []);
  await page.close();

  // A remembered choice wins over the browser's languages; a storage that
  // refuses (a private window) leaves the page working in the browser's.
  const again = await open(session.chromium.browser, session.site.url, { languages: ['en-US'] });
  assert.equal(await again.page.$eval('#Button1', (e) => e.textContent), 'Uruchom program', 'pl was kept');
  await again.page.evaluate(() => localStorage.clear());
  await again.page.close();
  const refused = await session.chromium.browser.newPage();
  const refusedErrors = [];
  refused.on('pageerror', (e) => refusedErrors.push(e.message));
  await refused.evaluateOnNewDocument(() => {
    Object.defineProperty(navigator, 'languages', { get: () => ['en-US'] });
    Object.defineProperty(window, 'localStorage', { get() { throw new DOMException('denied', 'SecurityError'); } });
  });
  await refused.goto(session.site.url);
  await refused.waitForFunction(() => window.velnar);
  assert.equal(await refused.$eval('#Button1', (e) => e.textContent), 'Start the program');
  await refused.select('#language', 'uk');
  assert.equal(await refused.$eval('#Button1', (e) => e.textContent), 'Запустити програму');
  assert.deepEqual(refusedErrors, []);
  await refused.close();
});

// Right is within (s - 1) / t and (s + 1) / t, ends included: answers just
// inside and just outside both ends, written with a comma and with a point,
// are judged the same in every language.
test('the same answers get the same verdicts in every language', async () => {
  const verdicts = {};
  for (const [code, tags] of [['pl', ['pl']], ['en', ['en-US']], ['uk', ['uk']]]) {
    const { page, errors } = await open(session.chromium.browser, session.site.url, { languages: tags });
    await driveAndStop(page, 3);
    const { s, t } = await page.evaluate(() => ({
      s: window.velnar._velnar_figure(0), t: window.velnar._velnar_figure(2) }));
    const low = (s - 1) / t, high = (s + 1) / t;
    const digits = 4, step = 10 ** -digits;
    const answers = [Math.ceil(low / step) * step, Math.floor(low / step) * step - step,
      Math.floor(high / step) * step, Math.ceil(high / step) * step + step].map((x) => x.toFixed(digits));
    const got = [];
    for (const answer of answers) {
      for (const separator of ['.', ',']) {
        const text = answer.replace('.', separator);
        await page.$eval('#Edit1', (e) => { e.value = ''; });
        await page.type('#Edit1', text);
        await page.click('#Button1Check');
        const face = await page.$eval('#Image9', (e) => ({ verdict: e.dataset.verdict, alt: e.alt }));
        const right = Number(answer) >= low && Number(answer) <= high;
        assert.equal(face.verdict, right ? 'right' : 'wrong', `${code}: ${text} for ${low}..${high}`);
        assert.equal(face.alt, await page.evaluate((r) => window.VelnarLanguage.trc('verdict', r ? 'dobrze' : 'źle'), right));
        got.push(face.verdict);
      }
    }
    verdicts[code] = got;
    assert.deepEqual(errors, []);
    await page.close();
  }
  assert.deepEqual(verdicts.pl, ['right', 'right', 'wrong', 'wrong', 'right', 'right', 'wrong', 'wrong']);
  assert.deepEqual(verdicts.en, verdicts.pl);
  assert.deepEqual(verdicts.uk, verdicts.pl);
});

// The folder that ships: none of the tests' hooks, at most 2 MB, and its
// start window up within a second of the page being asked for.
test('the folder that ships has no test hooks, fits 2 MB and starts within 1 s', async () => {
  for (const dir of [folder, testFolder]) assert.ok(existsSync(join(dir, 'velnar.js')), dir);
  const hooks = /_velnar_(test_\w+|frames|presented_frames|active)\b/g;
  assert.deepEqual((await readFile(join(folder, 'velnar.js'), 'utf8')).match(hooks), null);
  assert.ok((await readFile(join(testFolder, 'velnar.js'), 'utf8')).match(hooks).length >= 7,
    'the tests\' folder has them');
  const kib = Number(execFileSync('du', ['-sk', folder]).toString().split('\t')[0]);
  assert.ok(kib <= 2048, `${kib} KiB`);

  const shipped = await serve(folder, 0);
  try {
    const page = await session.chromium.browser.newPage();
    await page.goto(`http://127.0.0.1:${shipped.address().port}/`);
    const shownAt = await (await page.waitForFunction(() => window.velnarStartShownAt)).jsonValue();
    assert.ok(shownAt < 1000, `the start window after ${shownAt.toFixed(0)} ms`);
    assert.equal(await page.evaluate(() => typeof window.velnar._velnar_start), 'function');
    await page.close();
  } finally {
    shipped.close();
  }
});
