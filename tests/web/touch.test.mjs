// A pupil with a tablet or a phone: fingers alone, no keyboard but the one
// the screen shows for the answers.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { figures, frames, useBrowser } from './browser.mjs';

const session = useBrowser();

// The page's touch screen, finger by finger: each change is sent with the
// points still down, as a real screen reports them.
async function touchscreen(page) {
  const cdp = await page.createCDPSession();
  const down = new Map();
  const points = () => [...down].map(([id, at]) => ({ id, x: at.x, y: at.y }));
  const send = (type, touchPoints) => cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
  return {
    put: (id, at) => { down.set(id, at); return send('touchStart', points()); },
    move: (id, at) => { down.set(id, at); return send('touchMove', points()); },
    lift: (id) => {
      const at = down.get(id);
      down.delete(id);
      return send('touchEnd', [{ id, x: at.x, y: at.y }]);
    },
    cancel: () => { down.clear(); return send('touchCancel', []); },
  };
}

function centre(box) {
  return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
}

const overlap = (a, b) =>
  a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;

// The car's speed no longer changes: nothing holds the throttle.
async function coasting(page, what) {
  const before = (await figures(page)).speed;
  await frames(page, 12);
  const after = (await figures(page)).speed;
  assert.equal(after, before, `${what}: the throttle is still held (${before} -> ${after})`);
}

// A tablet's screen has two device pixels to the CSS pixel.
for (const [width, height, ratio] of [[768, 1024, 2], [360, 640, 1], [844, 390, 1]]) {
  test(`fingers alone at ${width} x ${height}: drive, steer, the task and the run window`, async () => {
    const page = await session.chromium.browser.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    await page.setViewport({ width, height, deviceScaleFactor: ratio, isMobile: true, hasTouch: true });
    await page.goto(session.site.url);
    await page.waitForFunction(() => window.velnar && typeof window.velnar._velnar_start === 'function');
    const fingers = await touchscreen(page);

    await page.tap('#Button1');
    await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);

    // The controls, found by the names a screen reader gives them, are big
    // enough for a finger and stand beside or below the picture, not on it.
    const picture = await (await page.$('#screen')).boundingBox();
    const control = {};
    for (const name of ['Do przodu', 'Do tyłu', 'W lewo', 'W prawo', 'Stop / Zadanie', 'Koniec', 'Ślad drogi']) {
      const button = await page.$(`aria/${name}[role="button"]`);
      assert.ok(button, `a control named "${name}"`);
      const box = await button.boundingBox();
      assert.ok(box && box.width >= 44 && box.height >= 44, `"${name}" is ${box?.width} x ${box?.height}`);
      assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= width && box.y + box.height <= height,
        `"${name}" is on the screen`);
      assert.ok(!overlap(box, picture), `"${name}" covers the picture`);
      control[name] = centre(box);
    }

    // The legend's key picture of Up, inside the picture, drives too.
    const scale = picture.width / 640;
    const legendUp = { x: picture.x + 75 * scale, y: picture.y + 462 * scale };
    await fingers.put(1, legendUp);
    await page.waitForFunction(() => window.velnar._velnar_figure(2) >= 1);
    await fingers.lift(1);
    await coasting(page, 'the legend\'s key lifted');

    // The throttle finger slides off the control, onto nothing: released.
    // (On the straight, where no kerb holds the speed.)
    // The car answers a touch in the very next frame it shows.
    await page.evaluate(() => addEventListener('pointerdown', () => {
      const m = window.velnar, shown = m._velnar_presented_frames(), speed = m._velnar_figure(5);
      const watch = () => {
        if (m._velnar_figure(5) !== speed) window.touchFrames = m._velnar_presented_frames() - shown;
        else requestAnimationFrame(watch);
      };
      requestAnimationFrame(watch);
    }, { capture: true, once: true }));
    await fingers.put(1, control['Do przodu']);
    let pressed = (await figures(page)).speed;
    await page.waitForFunction((v) => window.velnar._velnar_figure(5) < v - 20, {}, pressed);
    const answered = await page.evaluate(() => window.touchFrames);
    assert.ok(answered === 1, `the car answered the touch ${answered} frames later`);
    const pad = await (await page.$('#padRight')).boundingBox();
    await fingers.move(1, { x: pad.x + 3, y: pad.y + 3 });
    await coasting(page, 'a finger slid off');
    await fingers.lift(1);

    // The browser takes a touch over (a system gesture): released too.
    await fingers.put(3, control['Do tyłu']);
    pressed = (await figures(page)).speed;
    await page.waitForFunction((v) => window.velnar._velnar_figure(5) > v + 20, {}, pressed);
    await fingers.cancel();
    await coasting(page, 'a cancelled touch');

    // One finger holds the throttle, a second steers meanwhile.
    await fingers.put(1, control['Do przodu']);
    await page.waitForFunction(() => window.velnar._velnar_figure(2) >= 3);
    await fingers.put(2, control['W prawo']);
    await page.waitForFunction(() => window.velnar._velnar_figure(3) > 0.5);
    await fingers.lift(2);
    const turned = await figures(page);
    await frames(page, 6);
    assert.ok((await figures(page)).s > turned.s, 'the throttle finger still drives');
    await fingers.lift(1);

    // "Stop / Zadanie" opens the task; the answer typed on the screen's
    // keyboard, which offers a decimal key, is judged.
    await page.tap(`aria/Stop / Zadanie[role="button"]`);
    await page.waitForSelector('#task[open]');
    const judged = await figures(page);
    assert.equal(await page.$eval('#Edit1', (e) => e.inputMode), 'decimal');
    await page.tap('#Edit1');
    await page.keyboard.type((judged.s / judged.t).toFixed(2).replace('.', ','));
    await page.tap('#Button1Check');
    await page.waitForFunction(() => document.getElementById('Image9').dataset.verdict).catch(async (e) => {
      await page.screenshot({ path: `/tmp/task-${width}.png` });
      throw e;
    });
    assert.equal(await page.$eval('#Image9', (e) => e.dataset.verdict), 'right');

    // The run window opens and closes by touch, and fits across the screen.
    await page.tap('#RunButton');
    await page.waitForSelector('#run[open]');
    const across = await page.evaluate(() => [document.documentElement.scrollWidth, window.innerWidth]);
    assert.ok(across[0] <= across[1], `the page scrolls sideways: ${across}`);
    await page.tap('#runClose');
    await page.waitForFunction(() => !document.getElementById('run').open);
    await page.tap('#OKBtn');
    await page.waitForFunction(() => !document.getElementById('task').open);
    assert.deepEqual(errors, []);
    await page.close();
  });
}
