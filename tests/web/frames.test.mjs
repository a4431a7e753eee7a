// What the browser's frames cost and how they look: a frame that changes
// nothing draws and puts nothing, and the picture comes out even at any scale.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { inflateSync } from 'node:zlib';

import { frames, open, useBrowser } from './browser.mjs';

const session = useBrowser();

// Counts what reaches the canvas: every putImageData and the pixels it puts.
function countPuts(page) {
  return page.evaluate(() => {
    const put = CanvasRenderingContext2D.prototype.putImageData;
    window.puts = { calls: 0, pixels: 0, rects: [] };
    CanvasRenderingContext2D.prototype.putImageData = function (image, dx, dy, ...dirty) {
      const [x, y, w, h] = dirty.length === 4 ? dirty : [0, 0, image.width, image.height];
      window.puts.calls += 1;
      window.puts.pixels += w * h;
      window.puts.rects.push({ x: dx + x, y: dy + y, w, h });
      return put.call(this, image, dx, dy, ...dirty);
    };
  });
}

// What has reached the canvas and been asked of the display since the last
// call; starts the count anew.
function since(page) {
  return page.evaluate(() => {
    const m = window.velnar;
    const now = { ...window.puts, presented: m._velnar_presented_frames(),
      asked: m._velnar_test_presents_asked() };
    const before = window.putsBefore || now;
    window.putsBefore = now;
    window.puts = { calls: 0, pixels: 0, rects: [] };
    return { calls: now.calls, pixels: now.pixels, rects: now.rects,
      presented: now.presented - before.presented, asked: now.asked - before.asked };
  });
}

test('a frame that changes nothing draws and puts nothing', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await countPuts(page);
  await page.click('#Button1');
  await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);
  await frames(page, 2);
  await since(page);

  // Parked: time goes on, and no frame draws or puts anything.
  await frames(page, 30);
  const parked = await since(page);
  assert.deepEqual(parked, { calls: 0, pixels: 0, rects: [], presented: 0, asked: 0 },
    'a parked car costs no frame');

  // T shows the path on the minimap: the one point recorded so far, and
  // nothing else of the picture, is put.
  await page.keyboard.press('KeyT');
  await frames(page, 5);
  const path = await since(page);
  assert.equal(path.calls, 1, 'the path shown once');
  assert.ok(path.pixels > 0 && path.pixels <= 16, `a few pixels of the minimap: ${JSON.stringify(path.rects)}`);
  assert.ok(path.rects[0].x >= 480 && path.rects[0].y < 160, `on the minimap: ${JSON.stringify(path.rects)}`);

  // Up after the car stood a while: its first frame drives it about as far as
  // any frame does, not as far as all the time it stood (a quarter of a
  // second, the most one frame may cover, would be some fifteen frames).
  await frames(page, 30);
  const speeds = page.evaluate(() => new Promise((done) => {
    const m = window.velnar, seen = [];
    let shown = m._velnar_presented_frames();
    const frame = () => {
      if (m._velnar_presented_frames() !== shown) {
        shown = m._velnar_presented_frames();
        seen.push(Math.abs(m._velnar_figure(5)));
      }
      if (seen.length < 3) requestAnimationFrame(frame);
      else done(seen);
    };
    requestAnimationFrame(frame);
  }));
  // Driving moves the whole track under the car: every frame is put again.
  await page.keyboard.down('ArrowUp');
  const [first, second, third] = await speeds;
  assert.ok(first > 0 && first <= 5 * (third - second), `the first frame's speed ${first}, then ${second}, ${third}`);
  await page.waitForFunction(() => window.velnar._velnar_figure(0) > 1);
  await page.keyboard.up('ArrowUp');
  const driving = await since(page);
  assert.ok(driving.calls > 0 && driving.calls === driving.presented, `frames put while driving: ${driving.calls}`);
  assert.ok(driving.pixels > 100000, `most of the picture is put: ${driving.pixels}`);
  assert.deepEqual(errors, []);
  await page.close();
});

// Under a window the picture cannot change: it is held as a still image of
// the same pixels, and the canvas, which the browser would hand on with every
// frame the window draws, is out of the page until the window closes.
test('the picture is held still under a window', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  await page.click('#Button1');
  await page.waitForFunction(() => window.velnar._velnar_presented_frames() > 0);
  await page.keyboard.down('ArrowUp');
  await page.waitForFunction(() => window.velnar._velnar_figure(0) > 1);
  await page.keyboard.up('ArrowUp');
  await page.keyboard.press('Space');
  await page.waitForFunction(() => document.getElementById('task').open);
  await page.waitForFunction(() => document.getElementById('screen').offsetParent === null &&
    document.getElementById('screenStill').offsetParent !== null, { timeout: 5000 });
  const same = await page.evaluate(() => {
    const screen = document.getElementById('screen'), still = document.getElementById('screenStill');
    const copy = document.createElement('canvas');
    copy.width = still.naturalWidth;
    copy.height = still.naturalHeight;
    const g = copy.getContext('2d');
    g.drawImage(still, 0, 0);
    const a = g.getImageData(0, 0, copy.width, copy.height).data;
    const b = screen.getContext('2d').getImageData(0, 0, screen.width, screen.height).data;
    return { size: copy.width === screen.width && copy.height === screen.height,
      pixels: a.length === b.length && a.every((v, i) => v === b[i]) };
  });
  assert.ok(same.size && same.pixels, `the still image is the canvas's picture: ${JSON.stringify(same)}`);
  const places = await page.evaluate(() => ['screen', 'screenStill'].map((id) => {
    const e = document.getElementById(id);
    return [e.style.width, e.style.height].join();
  }));
  assert.equal(places[1], places[0], 'in the place of the canvas');
  await page.click('#OKBtn');
  await page.waitForFunction(() => !document.getElementById('task').open);
  await page.waitForFunction(() => document.getElementById('screen').offsetParent !== null &&
    document.getElementById('screenStill').offsetParent === null, { timeout: 5000 });
  assert.deepEqual(errors, []);
  await page.close();
});

// An 8-bit RGB or RGBA PNG (Chromium's screenshots) as width, height and RGB.
function decodePng(bytes) {
  let at = 8, width = 0, height = 0, channels = 0;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at), kind = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      assert.equal(body[8], 8, '8 bits a channel');
      channels = { 2: 3, 6: 4 }[body[9]];
      assert.ok(channels && body[12] === 0, 'RGB or RGBA, not interlaced');
    }
    if (kind === 'IDAT') data.push(body);
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels, rgb = new Uint8Array(width * height * 3);
  let previous = new Uint8Array(stride), row = new Uint8Array(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1);
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? row[i - channels] : 0, b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      row[i] = (line[i] + predicted) & 255;
    }
    for (let x = 0; x < width; ++x)
      for (let ch = 0; ch < 3; ++ch) rgb[(y * width + x) * 3 + ch] = row[x * channels + ch];
    [previous, row] = [row, previous];
  }
  return { width, height, rgb };
}

// White lines one pixel wide on black, every third one: upright ones in the
// top half, level ones in the bottom half, from the given offset.
function lines(offset) {
  const picture = new Uint16Array(640 * 480);
  for (let y = 0; y < 480; ++y)
    for (let x = 0; x < 640; ++x)
      if (y < 240 ? x % 3 === offset : y % 3 === offset) picture[y * 640 + x] = 0xffff;
  return picture;
}

// Presents a picture through the browser's display device.
function present(page, picture) {
  return page.evaluate((values) => {
    const m = window.velnar;
    const at = m._malloc(values.length * 2);
    m.HEAPU16.set(values, at >> 1);
    const shown = m._velnar_test_present(at);
    m._free(at);
    return shown;
  }, Array.from(picture));
}

// The screen as the browser shows it, in device pixels.
async function shot(page) {
  await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
  const box = await page.$eval('#screen', (e) => {
    const r = e.getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  });
  return decodePng(await page.screenshot({ clip: box }));
}

// The light of each line: the green summed over the screen pixels nearest to
// it, across the middle of its half of the picture. The lines at the ends of
// a half are left out.
function lightOfLines(image, offset, scale) {
  const measure = (from, to, at) => {
    const sums = new Map();
    for (let p = Math.ceil(from * scale); p < Math.floor(to * scale); ++p) {
      const line = Math.round(((p + 0.5) / scale - 0.5 - offset) / 3);
      sums.set(line, (sums.get(line) || 0) + image.rgb[at(p) * 3 + 1]);
    }
    const lines = [...sums.keys()].sort((a, b) => a - b);
    return lines.slice(1, -1).map((line) => sums.get(line));
  };
  const middle = Math.floor(image.width / 2), quarter = Math.floor(image.height / 4);
  return {
    upright: measure(0, 640, (x) => quarter * image.width + x),
    level: measure(240, 480, (y) => y * image.width + middle),
  };
}

// Every line gets the same light, within 3 %, whatever the scale; square
// pixels at a fractional scale differ by a whole pixel's light, a half or
// more, and sampling linearly by about a tenth.
const lightSpread = 0.03;

// How far apart the most and the least light are, against the mean.
const spread = (sums) => (Math.max(...sums) - Math.min(...sums)) / (sums.reduce((a, b) => a + b) / sums.length);

test('even pixels at any scale, exact ones at whole scales', async () => {
  const { page, errors } = await open(session.chromium.browser, session.site.url);
  // The simulation's screen, without a run: only the pictures presented here.
  await page.evaluate(() => { document.getElementById('simulation').hidden = false; });
  let offset = 0;
  assert.equal(await present(page, lines(offset)), 1, 'the picture was shown');

  const cases = [
    { width: 800, height: 600, ratio: 1, scale: 1.25 },
    { width: 640, height: 480, ratio: 1, scale: 1 },
    { width: 1024, height: 768, ratio: 1, scale: 1.6 },
    { width: 1280, height: 960, ratio: 1, scale: 2 },
    { width: 1440, height: 1080, ratio: 1, scale: 2.25 },
    { width: 640, height: 480, ratio: 3, scale: 3 },
  ];
  for (const c of cases) {
    const where = `${c.width} x ${c.height} at ${c.ratio} device pixels a pixel`;
    await page.setViewport({ width: c.width, height: c.height, deviceScaleFactor: c.ratio });
    await page.waitForFunction((w) => Math.abs(document.getElementById('screen').getBoundingClientRect().width - w) < 0.01,
      {}, (640 * c.scale) / c.ratio);
    // The picture already shown is shown again at the new size; then a new
    // one is presented at it.
    for (const fresh of [false, true]) {
      if (fresh) {
        offset = (offset + 1) % 3;
        assert.equal(await present(page, lines(offset)), 1, 'the picture was shown');
      }
      const image = await shot(page);
      const what = `${where}, ${fresh ? 'presented' : 'shown again'}`;
      assert.equal(image.width, 640 * c.scale, what);
      assert.equal(image.height, 480 * c.scale, what);
      if (Number.isInteger(c.scale)) {
        const source = lines(offset);
        let wrong = 0;
        for (let y = 0; y < image.height; ++y)
          for (let x = 0; x < image.width; ++x) {
            const want = source[Math.floor(y / c.scale) * 640 + Math.floor(x / c.scale)] ? 255 : 0;
            for (let ch = 0; ch < 3; ++ch) wrong += image.rgb[(y * image.width + x) * 3 + ch] !== want;
          }
        assert.equal(wrong, 0, `${what}: each pixel a ${c.scale} x ${c.scale} block`);
      } else {
        const light = lightOfLines(image, offset, c.scale);
        for (const [way, sums] of Object.entries(light)) {
          assert.ok(sums.length > 50, `${what}: ${way} lines measured`);
          const s = spread(sums);
          assert.ok(s <= lightSpread, `${what}: the ${way} lines' light differs by ${(s * 100).toFixed(1)} %`);
        }
      }
    }
  }
  assert.deepEqual(errors, []);
  await page.close();
});
