// What the browser version costs the computer, state by state, measured in
// headless Chromium with software compositing at 1024 x 768:
//   node bench/web-cost.mjs        (after bash scripts/web build)
// The CPU time of all of Chromium's processes over a stretch of each state,
// against a floor page that only shows a 640 x 480 canvas changing every
// frame, scaled to the window. Each state has its own tab, and only the tab in
// front runs frames; the states take turns in a random order in each
// repetition, and each is divided by the floor of the same repetition. The
// median ratio is quoted with the lowest and highest, with a verdict where
// there is a goal.
// WEB_COST_REPETITIONS (default 7) and WEB_COST_SECONDS (the stretch, default
// 3) trade time for steadiness.
import { execFileSync } from 'node:child_process';
import { mkdtemp, readdir, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import puppeteer from '../web/node_modules/puppeteer-core/lib/esm/puppeteer/puppeteer-core.js';
import { server } from '../tests/web/browser.mjs';

const repetitions = Number(process.env.WEB_COST_REPETITIONS || 7);
const seconds = Number(process.env.WEB_COST_SECONDS || 3);
const WIDTH = 1024, HEIGHT = 768;
const ticksPerSecond = Number(execFileSync('getconf', ['CLK_TCK']).toString());

const cpuinfo = await readFile('/proc/cpuinfo', 'utf8');
const processor = (cpuinfo.match(/^model name\s*:\s*(.*)$/m) || [, 'unknown'])[1];
console.log(`processor: ${processor}, ${execFileSync('nproc').toString().trim()} cores`);
console.log(execFileSync('uptime').toString().trim().replace(/^.*load/, 'load'));

// --- CPU time of a process tree ----------------------------------------------
async function processes() {
  const table = new Map();
  for (const name of await readdir('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = await readFile(`/proc/${name}/stat`, 'utf8');
      // The command may hold spaces and brackets: the fields follow the last ')'.
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      table.set(Number(name), { parent: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12]) });
    } catch {
      // gone meanwhile
    }
  }
  return table;
}

// The CPU ticks of the process and all its descendants, by process.
async function treeTicks(root) {
  const table = await processes();
  const children = new Map();
  for (const [pid, p] of table) {
    if (!children.has(p.parent)) children.set(p.parent, []);
    children.get(p.parent).push(pid);
  }
  const ticks = new Map();
  const visit = (pid) => {
    if (!table.has(pid)) return;
    ticks.set(pid, table.get(pid).ticks);
    for (const child of children.get(pid) || []) visit(child);
  };
  visit(root);
  return ticks;
}

// Seconds of CPU the tree used over the stretch; a process born meanwhile
// counts whole.
async function cpuSeconds(root, stretchMs) {
  const before = await treeTicks(root);
  await new Promise((done) => setTimeout(done, stretchMs));
  const after = await treeTicks(root);
  let used = 0;
  for (const [pid, t] of after) used += t - (before.get(pid) || 0);
  return used / ticksPerSecond;
}

// --- The states ----------------------------------------------------------------
const FLOOR_PAGE = `<!doctype html><html><body style="margin:0;background:#000;overflow:hidden">
<div style="position:fixed;inset:0;display:flex;align-items:center;justify-content:center">
<canvas id="c" width="640" height="480" style="display:block"></canvas></div>
<script>
  const canvas = document.getElementById('c');
  const fit = () => {
    const scale = Math.min(innerWidth / 640, innerHeight / 480);
    canvas.style.width = Math.floor(640 * scale) + 'px';
    canvas.style.height = Math.floor(480 * scale) + 'px';
  };
  fit();
  addEventListener('resize', fit);
  const context = canvas.getContext('2d', { alpha: false });
  // Two pictures of noise, in turn: every pixel changes every frame, as
  // while driving, and making them costs nothing per frame.
  const images = [0, 1].map(() => {
    const image = new ImageData(640, 480);
    const pixels = new Uint32Array(image.data.buffer);
    for (let i = 0; i < pixels.length; ++i) pixels[i] = 0xff000000 | (Math.random() * 0x1000000);
    return image;
  });
  let n = 0;
  const frame = () => {
    context.putImageData(images[++n % 2], 0, 0);
    requestAnimationFrame(frame);
  };
  requestAnimationFrame(frame);
</script></body></html>`;

const until = (page, condition, ...args) => page.waitForFunction(condition, { timeout: 60000 }, ...args);

async function velnar(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: WIDTH, height: HEIGHT });
  await page.goto(url);
  await until(page, () => window.velnar && typeof window.velnar._velnar_start === 'function');
  await page.click('#Button1');
  await until(page, () => window.velnar._velnar_presented_frames() > 0);
  return page;
}

// Drives until the clock has counted the ticks, then Space: the task.
async function driveThenTask(page, ticks) {
  await page.keyboard.down('ArrowUp');
  await until(page, (t) => window.velnar._velnar_figure(2) >= t, ticks);
  await page.keyboard.up('ArrowUp');
  await page.keyboard.press('Space');
  await until(page, () => document.getElementById('task').open);
}

async function openRunWindow(page) {
  await page.click('#RunButton');
  await until(page, () => document.getElementById('run').open);
}

// Up and down the straight for as long as the tab is in front: forward to
// 30 m, then braking and reversing to 8 m, so the car keeps moving and stays
// on the road. The keys go through the on-screen controls' path, from the
// page's own frames; a tab sent back releases its keys, so they are pressed
// anew on its return.
function keepDriving(page) {
  return page.evaluate(() => {
    const m = window.velnar;
    const control = (code, down) => m.ccall('velnar_control', null, ['string', 'number'], [code, down ? 1 : 0]);
    let forward = true, held = null;
    // Sent back, the page lost its keys: they are pressed anew once it is
    // in front again.
    document.addEventListener('visibilitychange', () => { if (document.hidden) held = null; });
    const frame = () => {
      const ry = m._velnar_figure(4);
      if (forward && ry > 30) forward = false;
      if (!forward && ry < 8) forward = true;
      const want = forward ? 'ArrowUp' : 'ArrowDown';
      if (m._velnar_active() === 1 && want !== held) {
        if (held) control(held, false);
        control(want, true);
        held = want;
      }
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  });
}

// The replay at 4x, started over whenever it ends.
function keepReplaying(page) {
  return page.evaluate(() => {
    const speed = document.getElementById('runSpeed');
    speed.selectedIndex = 2;
    speed.dispatchEvent(new Event('change'));
    const frame = () => {
      if (!window.VelnarRunWindow.playing) document.getElementById('runPlay').click();
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  });
}

const goals = {
  parked: 0.15,
  'task open': 0.15,
  driving: 1.2,
  'run window open, idle': 0.15,
  'replay at 4x': 1.0,
};

const profile = await mkdtemp(join(tmpdir(), 'velnar-cost-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  defaultViewport: { width: WIDTH, height: HEIGHT },
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--window-size=${WIDTH},${HEIGHT}`, `--user-data-dir=${profile}`],
});
const site = await server();
try {
  const states = {};
  const floor = await browser.newPage();
  await floor.setViewport({ width: WIDTH, height: HEIGHT });
  await floor.setContent(FLOOR_PAGE);
  states.floor = floor;

  states.parked = await velnar(browser, site.url);

  const task = await velnar(browser, site.url);
  await driveThenTask(task, 3);
  states['task open'] = task;

  const driving = await velnar(browser, site.url);
  await keepDriving(driving);
  await until(driving, () => window.velnar._velnar_figure(2) >= 1);
  states.driving = driving;

  const idle = await velnar(browser, site.url);
  await driveThenTask(idle, 3);
  await openRunWindow(idle);
  states['run window open, idle'] = idle;

  const replay = await velnar(browser, site.url);
  await driveThenTask(replay, 10);
  await openRunWindow(replay);
  await keepReplaying(replay);
  states['replay at 4x'] = replay;

  const root = browser.process().pid;
  const names = Object.keys(states);
  const used = Object.fromEntries(names.map((n) => [n, []]));
  const drove = [];  // metres in each stretch of driving
  for (let r = 0; r < repetitions; ++r) {
    const order = names.map((n) => [Math.random(), n]).sort((a, b) => a[0] - b[0]).map(([, n]) => n);
    for (const name of order) {
      const page = states[name];
      await page.bringToFront();
      await until(page, () => document.visibilityState === 'visible');
      // Settled: the other tabs stopped, this one back to its frames.
      await new Promise((done) => setTimeout(done, 500));
      const from = name === 'driving' ? await page.evaluate(() => window.velnar._velnar_figure(0)) : 0;
      used[name].push(await cpuSeconds(root, seconds * 1000));
      if (name === 'driving')
        drove.push((await page.evaluate(() => window.velnar._velnar_figure(0))) - from);
    }
    process.stderr.write(`repetition ${r + 1} of ${repetitions} done\n`);
  }

  const median = (v) => {
    const s = [...v].sort((a, b) => a - b);
    return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
  };
  const share = (name) => `${((100 * median(used[name])) / seconds).toFixed(1)} % of a core`;
  console.log(`${repetitions} repetitions of ${seconds} s, Chromium's processes, software compositing, ` +
    `${WIDTH} x ${HEIGHT}`);
  console.log(`floor page (a 640 x 480 canvas changing every frame, scaled): ${share('floor')}`);
  for (const name of names.slice(1)) {
    const ratios = used[name].map((u, i) => u / used.floor[i]);
    const m = median(ratios);
    const goal = goals[name];
    console.log(`${name}: ${share(name)}, ${m.toFixed(2)}x the floor ` +
      `(${Math.min(...ratios).toFixed(2)}-${Math.max(...ratios).toFixed(2)})  ` +
      `goal <= ${goal}x: ${m <= goal ? 'met' : 'NOT MET'}`);
  }
  console.log(`(driving: the car drove ${drove.map((m) => m.toFixed(0)).join(', ')} m in the stretches)`);
} finally {
  site.stop();
  await browser.close();
  await rm(profile, { recursive: true, force: true });
}
