// The browser's back buffer against the desktop's pictures, byte for byte.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { countDifferences, golden, launch, open, server, scene } from './browser.mjs';

let chromium;
let site;
before(async () => {
  chromium = await launch();
  site = await server();
});
after(async () => {
  await chromium.close();
  site.stop();
});

test('the page draws the desktop\'s frames byte for byte', async () => {
  const { page } = await open(chromium.browser, site.url);
  for (const [which, file] of [[0, 'tests/sim/golden/frame.bmp'], [1, 'tests/web/golden/first.bmp'],
    [2, 'tests/web/golden/drive.bmp']]) {
    const drawn = await scene(page, which);
    const desktop = await golden(file);
    assert.ok(drawn.length > 900000, `${file}: a whole frame was drawn`);
    assert.equal(countDifferences(drawn, desktop), 0, `${file}: the same bytes`);
  }
});
