// The browser version's figures, measured in headless Chromium:
//   node bench/web-figures.mjs        (after bash scripts/web build)
// the folder's size, the start window's time after navigation, the first
// frame's time after the click on "Uruchom program", and the frames presented
// per second over 10 s of driving. Each figure gets a met / not met verdict.
import { execFileSync } from 'node:child_process';

import { folder, launch, open, presented, server } from '../tests/web/browser.mjs';

const verdict = (ok) => (ok ? 'met' : 'not met');
const kib = Number(execFileSync('du', ['-sk', folder]).toString().split('\t')[0]);
console.log(`folder build/web: ${kib} KiB (goal at most 2048 KiB): ${verdict(kib <= 2048)}`);

const chromium = await launch();
const site = await server();
try {
  const { page } = await open(chromium.browser, site.url);
  // The start window is shown when the program is ready; measured from the
  // navigation's start, once the browser has painted it.
  const startMs = await page.evaluate(() => new Promise((done) =>
    requestAnimationFrame(() => done(window.velnarStartShownAt))));
  console.log(`start window drawn ${startMs.toFixed(0)} ms after navigation (goal 1000 ms): ` +
    verdict(startMs <= 1000));

  // The page prepares the first frame while the start window waits for the
  // pupil's click; the click comes once that is done, as a pupil's would.
  const preparedMs = await (await page.waitForFunction(() => window.velnarPrepared)).jsonValue();
  console.log(`first frame prepared off screen in ${preparedMs.toFixed(0)} ms, after the start window`);
  const firstMs = await page.evaluate(() => new Promise((done) => {
    let clicked = 0;
    document.getElementById('Button1').addEventListener('click', () => {
      clicked = performance.now();
    }, { capture: true, once: true });
    window.velnar.onPresent = () => {
      window.velnar.onPresent = null;
      done(performance.now() - clicked);
    };
    document.getElementById('Button1').click();
  }));
  console.log(`first frame ${firstMs.toFixed(1)} ms after the click (goal 150 ms): ` +
    verdict(firstMs <= 150));

  await page.keyboard.down('ArrowUp');
  const before = await presented(page);
  const t0 = await page.evaluate(() => performance.now());
  await new Promise((done) => setTimeout(done, 10000));
  const after = await presented(page);
  const t1 = await page.evaluate(() => performance.now());
  await page.keyboard.up('ArrowUp');
  const fps = ((after - before) * 1000) / (t1 - t0);
  console.log(`driving: ${after - before} frames presented in ${((t1 - t0) / 1000).toFixed(2)} s, ` +
    `${fps.toFixed(1)} per second (goal 60): ${verdict(fps >= 59)}`);
} finally {
  await chromium.close();
  site.stop();
}
