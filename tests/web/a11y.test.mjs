// What a screen reader finds: axe-core's rules on every window, and the
// figures read aloud on demand.
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { join } from 'node:path';
import { test } from 'node:test';

import { figures, open, root, useBrowser } from './browser.mjs';

const session = useBrowser();
const axeSource = readFile(join(root, 'web/node_modules/axe-core/axe.min.js'), 'utf8');

// axe-core's violations on the page as it stands, with where they are.
async function violations(page) {
  if (!(await page.evaluate(() => Boolean(window.axe)))) await page.evaluate(await axeSource);
  return page.evaluate(async () => (await window.axe.run(document)).violations
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
}

// In each language: the names axe-core reads are the language's, and the
// figures are read with its decimal separator.
for (const [code, tags, separator] of [['pl', ['pl-PL'], ','], ['en', ['en-GB'], '.'], ['uk', ['uk-UA'], ',']]) {
  test(`every window passes axe-core in ${code}, and the figures are read aloud`, async () => {
    const { page, errors } = await open(session.chromium.browser, session.site.url, { languages: tags });
    const { tr, trc } = {
      tr: (text) => page.evaluate((t) => window.VelnarLanguage.tr(t), text),
      trc: (context, text) => page.evaluate((c, t) => window.VelnarLanguage.trc(c, t), context, text),
    };
    assert.equal(await page.evaluate(() => document.documentElement.lang), code);
    assert.deepEqual(await violations(page), [], 'the start window');

    await page.click('#Button3');
    await page.waitForSelector('#about[open]');
    assert.deepEqual(await violations(page), [], 'the About box');
    await page.click('#BitBtn1');

    await page.click('#Button1');
    await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);
    assert.deepEqual(await violations(page), [], 'the simulation');
    await page.keyboard.down('ArrowUp');
    await page.waitForFunction(() => window.velnar._velnar_figure(2) >= 3);
    await page.keyboard.up('ArrowUp');

    // Stopped by Space, back from the task: I reads what the screen shows,
    // with the decimal separator a voice of the language reads.
    await page.keyboard.press('Space');
    await page.waitForSelector('#task[open]');
    // The close event, a task after it closed, hands the keys back.
    await page.$eval('#Edit1', (e) => { e.value = '0'; });
    await page.click('#OKBtn');
    await page.waitForFunction(() => !document.getElementById('task').open &&
      document.getElementById('Edit1').value === '');
    await page.keyboard.press('KeyI');
    const spoken = await (await page.waitForFunction(() =>
      document.getElementById('figuresSpoken').textContent)).jsonValue();
    const f = await figures(page);
    const one = (x) => x.toFixed(1).replace('.', separator);
    const sentence = (await tr('s = %1 m, |R| = %2 m, t = %3 s'))
      .replace('%1', one(f.s)).replace('%2', one(f.r)).replace('%3', String(f.t));
    assert.equal(spoken, sentence);
    assert.ok(f.t >= 3);

    await page.keyboard.press('Space');
    await page.waitForSelector('#task[open]');
    await page.type('#Edit1', '1');
    await page.click('#Button1Check');
    const question = (await tr('Szybkosc średnia:')).replace(/\s*:\s*$/, '');
    const said = await page.$eval('#verdictSpoken', (e) => e.textContent);
    assert.ok([`${question}: ${await trc('verdict', 'dobrze')}`, `${question}: ${await trc('verdict', 'źle')}`]
      .includes(said), `the verdict is said in words: ${said}`);
    assert.deepEqual(await violations(page), [], 'the task');

    await page.click('#RunButton');
    await page.waitForSelector('#run[open]');
    assert.deepEqual(await violations(page), [], 'the run window');
    assert.deepEqual(errors, []);
    await page.close();
  });
}
