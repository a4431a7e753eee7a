// On-screen keys for fingers: "Do przodu", "Do tyłu", "W lewo", "W prawo",
// "Stop / Zadanie", "Koniec" and the path's trace, in the room the picture
// leaves free (below it when the screen stands, beside it when it lies), and
// the key legend inside the picture, which presses its keys when touched.
//
// Each finger is a pointer of its own: one holds the throttle while another
// steers. A control counts as its key under the keyboard's rules: it is held
// while a finger rests on it, and released when that finger lifts or slides
// off, when the browser cancels the touch, and when the page loses the focus
// or is hidden, so nothing stays pressed behind the pupil's back.
'use strict';

window.VelnarTouch = (function () {
  const $ = (id) => document.getElementById(id);
  const PICTURE_WIDTH = 640;
  const PICTURE_HEIGHT = 480;
  // The room the controls need beside or below the picture, in CSS pixels.
  const SIDE = 136;
  const BELOW = 176;
  // The key legend in the 640 x 480 picture: its keys from the left, each
  // reaching to the next one's left edge, on the row the panel paints it.
  const LEGEND = { top: 450, bottom: 475, left: 35,
    keys: [[0, 'ArrowUp'], [81, 'ArrowDown'], [151, 'ArrowLeft'], [226, 'ArrowRight'],
      [310, 'Space'], [474, 'Escape'], [553, null]] };

  let program = null;
  let enabled = false;
  const fingers = new Map();  // pointer id -> the code it holds, or null over nothing
  const held = new Map();     // code -> how many fingers hold it

  function send(code, down) {
    if (program) program.ccall('velnar_control', null, ['string', 'number'], [code, down ? 1 : 0]);
    for (const b of document.querySelectorAll(`.control[data-code="${code}"]`))
      b.classList.toggle('pressed', down);
  }

  function press(code) {
    const n = (held.get(code) || 0) + 1;
    held.set(code, n);
    if (n === 1) send(code, true);
  }

  function release(code) {
    const n = held.get(code) || 0;
    if (n === 0) return;
    if (n > 1) {
      held.set(code, n - 1);
    } else {
      held.delete(code);
      send(code, false);
    }
  }

  // The finger now rests on `code` (null: on nothing that presses a key).
  function hold(pointer, code) {
    const before = fingers.get(pointer);
    if (before === code) return;
    fingers.set(pointer, code);
    if (code) press(code);
    if (before) release(before);
  }

  function lift(pointer) {
    if (!fingers.has(pointer)) return;
    const code = fingers.get(pointer);
    fingers.delete(pointer);
    if (code) release(code);
  }

  function releaseAll() {
    fingers.clear();
    for (const code of [...held.keys()]) {
      held.delete(code);
      send(code, false);
    }
  }

  // --- The controls beside the picture ---------------------------------------
  function wireControl(button) {
    const code = button.dataset.code;
    // Not in the tab order: the keyboard has its own keys for all of them.
    button.tabIndex = -1;
    button.addEventListener('pointerdown', (e) => {
      if (e.button > 0) return;
      // No focus, no emulated mouse events, no text selection.
      e.preventDefault();
      // A touch captures its pointer to where it began; without the capture
      // the finger that slides off gets its pointerleave.
      if (e.target.hasPointerCapture(e.pointerId)) e.target.releasePointerCapture(e.pointerId);
      hold(e.pointerId, code);
    });
    // A finger that slides from one control onto another presses that one.
    button.addEventListener('pointerenter', (e) => {
      if (fingers.has(e.pointerId)) hold(e.pointerId, code);
    });
    button.addEventListener('pointerleave', (e) => {
      if (fingers.get(e.pointerId) === code) hold(e.pointerId, null);
    });
    // A click with no pointer behind it (a screen reader's, a switch
    // device's) is a tap of the key.
    button.addEventListener('click', (e) => {
      if (e.detail !== 0) return;
      press(code);
      release(code);
    });
  }

  // --- The legend inside the picture ----------------------------------------
  // In the picture's own pixels: the canvas may hold it at a whole multiple.
  function legendCode(e) {
    const screen = e.currentTarget;
    const x = (e.offsetX * PICTURE_WIDTH) / screen.clientWidth;
    const y = (e.offsetY * PICTURE_HEIGHT) / screen.clientHeight;
    if (y < LEGEND.top || y >= LEGEND.bottom) return null;
    for (let i = 0; i + 1 < LEGEND.keys.length; ++i) {
      if (x >= LEGEND.left + LEGEND.keys[i][0] && x < LEGEND.left + LEGEND.keys[i + 1][0])
        return LEGEND.keys[i][1];
    }
    return null;
  }

  function wireLegend(screen) {
    screen.addEventListener('pointerdown', (e) => {
      if (e.button > 0) return;
      e.preventDefault();
      if (screen.hasPointerCapture(e.pointerId)) screen.releasePointerCapture(e.pointerId);
      hold(e.pointerId, legendCode(e));
    });
    screen.addEventListener('pointermove', (e) => {
      if (fingers.has(e.pointerId)) hold(e.pointerId, legendCode(e));
    });
    screen.addEventListener('pointerleave', (e) => {
      if (fingers.has(e.pointerId)) hold(e.pointerId, null);
    });
  }

  // --- Turning the controls on ------------------------------------------------
  function enable() {
    if (enabled) return;
    enabled = true;
    document.body.classList.add('touch');
    $('padLeft').hidden = false;
    $('padRight').hidden = false;
    window.dispatchEvent(new Event('resize'));
  }

  function init() {
    for (const button of document.querySelectorAll('#simulation .control[data-code]')) wireControl(button);
    wireLegend($('screen'));
    const simulation = $('simulation');
    // The page is a game while it drives: no long-press menu, no selection.
    simulation.addEventListener('contextmenu', (e) => e.preventDefault());
    simulation.addEventListener('selectstart', (e) => e.preventDefault());
    addEventListener('pointerup', (e) => lift(e.pointerId), true);
    addEventListener('pointercancel', (e) => lift(e.pointerId), true);
    addEventListener('touchcancel', releaseAll, true);
    addEventListener('blur', releaseAll);
    document.addEventListener('visibilitychange', () => { if (document.hidden) releaseAll(); });
    // A device with a touch screen gets the controls from the start; any
    // other, the moment a finger touches it.
    if (navigator.maxTouchPoints > 0 || matchMedia('(pointer: coarse)').matches) enable();
    addEventListener('pointerdown', (e) => { if (e.pointerType === 'touch') enable(); }, true);
  }

  // Where the picture goes in a screen area of width x height: its scale, and
  // whether the controls stand below it or beside it (null: no controls).
  function arrange(width, height) {
    if (!enabled) {
      return { scale: Math.min(width / PICTURE_WIDTH, height / PICTURE_HEIGHT), place: null };
    }
    const below = Math.min(width / PICTURE_WIDTH, (height - BELOW) / PICTURE_HEIGHT);
    const beside = Math.min((width - 2 * SIDE) / PICTURE_WIDTH, height / PICTURE_HEIGHT);
    return below >= beside ? { scale: below, place: 'below' } : { scale: beside, place: 'beside' };
  }

  init();
  return {
    arrange,
    releaseAll,
    attach(module) { program = module; },
    get enabled() { return enabled; },
  };
})();
