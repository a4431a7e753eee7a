// The browser's back buffer against the desktop's pictures, byte for byte.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { countDifferences, golden, open, scene, useBrowser } from './browser.mjs';

const session = useBrowser();

test('the page draws the desktop\'s frames byte for byte', async () => {
  const { page } = await open(session.chromium.browser, session.site.url);
  for (const [which, file] of [[0, 'tests/sim/golden/frame.bmp'], [1, 'tests/web/golden/first.bmp'],
    [2, 'tests/web/golden/drive.bmp']]) {
    const drawn = await scene(page, which);
    const desktop = await golden(file);
    assert.ok(drawn.length > 900000, `${file}: a whole frame was drawn`);
    assert.equal(countDifferences(drawn, desktop), 0, `${file}: the same bytes`);
  }
});
