// The program's windows as pages over the core (velnar.js): the start window,
// the About box, the simulation's screen, the task and the message box.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  const language = window.VelnarLanguage;
  const { tr, trc } = language;
  let program = null;

  // --- The simulation's screen -------------------------------------------
  const simulation = $('simulation');
  const screen = $('screen');

  // The picture's size.
  const PICTURE_WIDTH = 640;
  const PICTURE_HEIGHT = 480;

  // The picture as large as the screen takes it, centred, the rest black; on
  // a touch screen, less where the controls need the room. The canvas is that
  // size in device pixels, shown pixel for pixel, and the program scales the
  // picture into it evenly (every picture pixel as wide as its neighbours,
  // give or take one screen pixel mixed of the two); a window too small for
  // the picture's own size gets the picture whole, and the browser shrinks it.
  function fitScreen() {
    const width = simulation.clientWidth || window.innerWidth;
    const height = simulation.clientHeight || window.innerHeight;
    const { scale, place } = window.VelnarTouch.arrange(width, height);
    simulation.classList.toggle('below', place === 'below');
    simulation.classList.toggle('beside', place === 'beside');
    const ratio = window.devicePixelRatio || 1;
    const deviceWidth = Math.floor(PICTURE_WIDTH * scale * ratio + 1e-6);
    const deviceHeight = Math.floor(PICTURE_HEIGHT * scale * ratio + 1e-6);
    screen.style.width = deviceWidth / ratio + 'px';
    screen.style.height = deviceHeight / ratio + 'px';
    const shrunk = deviceWidth < PICTURE_WIDTH || deviceHeight < PICTURE_HEIGHT;
    screen.classList.toggle('shrunk', shrunk);
    if (program) {
      if (shrunk) program.setScreenSize(PICTURE_WIDTH, PICTURE_HEIGHT);
      else program.setScreenSize(deviceWidth, deviceHeight);
      program._velnar_screen_resized(width, height);
    }
    // A picture held still is taken again at the new size.
    still.again();
    watchPixelRatio();
  }

  // While a window is open over the simulation the picture beneath cannot
  // change: it is held as a still image (still_picture.js), in the canvas's
  // place, until the last window closes.
  const still = new window.VelnarStillPicture(screen, $('screenStill'), {
    shown() {
      const image = $('screenStill');
      image.style.width = screen.style.width;
      image.style.height = screen.style.height;
      image.classList.toggle('shrunk', screen.classList.contains('shrunk'));
      screen.hidden = true;
    },
    gone() { screen.hidden = false; },
  });
  // Held while any window is open over the simulation.
  function holdScreenUnderWindows() {
    if (!simulation.hidden && document.querySelector('dialog[open]')) still.hold();
    else still.release();
  }

  // A window moved to a screen of other pixels, or zoomed, is fitted anew.
  let pixelRatioQuery = null;
  function watchPixelRatio() {
    const ratio = window.devicePixelRatio || 1;
    if (pixelRatioQuery && pixelRatioQuery.ratio === ratio) return;
    if (pixelRatioQuery) pixelRatioQuery.list.removeEventListener('change', fitScreen);
    const list = matchMedia(`(resolution: ${ratio}dppx)`);
    list.addEventListener('change', fitScreen);
    pixelRatioQuery = { ratio, list };
  }
  window.addEventListener('resize', fitScreen);
  document.addEventListener('fullscreenchange', fitScreen);

  function enterFullScreen() {
    // Needs the click that started the run; where it is refused (a kiosk, a
    // headless browser) the screen fills the page instead.
    if (!simulation.requestFullscreen) return;
    simulation.requestFullscreen({ navigationUI: 'hide' }).then(() => {
      // Esc belongs to the program (it ends the run), not to the browser.
      if (navigator.keyboard && navigator.keyboard.lock)
        navigator.keyboard.lock(['Escape']).catch(() => {});
    }).catch(() => {});
  }

  function leaveFullScreen() {
    if (navigator.keyboard && navigator.keyboard.unlock) navigator.keyboard.unlock();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }

  // --- Keys held into a window -----------------------------------------------
  // A key still held when a window opens or closes over the page belongs to
  // what was there before: Space held after it stopped the car must not, by
  // its repeats, press the task's default button and close the task; Esc held
  // after it closed the run window must not close the task too. Such a key
  // does nothing until it is released.
  const keysDown = new Set();
  let keysHeldOver = new Set();
  addEventListener('keydown', (e) => {
    if (keysHeldOver.has(e.code)) {
      e.preventDefault();
      e.stopImmediatePropagation();
      return;
    }
    keysDown.add(e.code);
  }, true);
  addEventListener('keyup', (e) => {
    keysDown.delete(e.code);
    // Its release presses nothing either (a button is pressed by Space's
    // release), but still reaches the program, which counts it released.
    if (keysHeldOver.delete(e.code)) e.preventDefault();
  }, true);
  // Keys released while the page was away are never reported.
  addEventListener('blur', () => { keysDown.clear(); keysHeldOver.clear(); });
  new MutationObserver(() => {
    for (const code of keysDown) keysHeldOver.add(code);
  }).observe(document.body, { attributes: true, attributeFilter: ['open'], subtree: true });

  // --- The figures read aloud -------------------------------------------------
  // For a pupil who cannot see the screen: I, or the "Odczytaj" control, puts
  // the distance, the displacement's length and the time into a live region,
  // with the decimal separator a voice of the language reads.
  function readFigures() {
    if (!program || simulation.hidden) return;
    const number = (x) => String(x).replace('.', language.separator);
    const f = (i) => program._velnar_figure(i);
    const region = $('figuresSpoken');
    // Emptied first, so that the same words asked for twice are read twice.
    region.textContent = '';
    requestAnimationFrame(() => {
      region.textContent = language.arg(tr('s = %1 m, |R| = %2 m, t = %3 s'),
        [number(f(0).toFixed(1)), number(f(1).toFixed(1)), number(f(2))]);
    });
  }
  addEventListener('keydown', (e) => {
    if (e.code === 'KeyI' && !e.repeat && !e.altKey && !e.ctrlKey && !e.metaKey &&
        !document.querySelector('dialog[open]')) readFigures();
  });
  $('readFigures').addEventListener('click', readFigures);

  // --- The start window --------------------------------------------------
  const start = $('start');

  // --- Longer words ---------------------------------------------------------
  // The start window, the About box and the task keep the desktop's places,
  // made for the Polish words. Another language's words may need more room:
  // the window then grows there, as a column of the desktop's form would be
  // widened, and whatever stands right of that place moves along. Polish
  // keeps the places as written; so do the layouts that flow by themselves
  // (a phone's, a finger's).
  const written = new Map();  // element -> its style attribute as written
  const textWidth = (e) => {
    const range = document.createRange();
    range.selectNodeContents(e);
    return range.getBoundingClientRect().width;
  };

  function fitWords(client) {
    for (const e of [client, ...client.children]) {
      if (!written.has(e)) written.set(e, e.getAttribute('style'));
      const style = written.get(e);
      if (style === null) e.removeAttribute('style');
      else e.setAttribute('style', style);
    }
    if (language.code === 'pl' || getComputedStyle(client).display !== 'block') return;
    const items = [...client.children].filter((e) => getComputedStyle(e).position === 'absolute');
    const box = (e) => {
      const left = parseFloat(e.style.left) || 0, top = parseFloat(e.style.top) || 0;
      const width = parseFloat(e.style.width) || e.offsetWidth;
      const height = parseFloat(e.style.height) || e.offsetHeight;
      return { left, top, right: left + width, bottom: top + height };
    };
    const hasText = (e) => !e.hidden && e.textContent.trim() && !['IMG', 'INPUT', 'SELECT'].includes(e.tagName);
    const sized = (e) => e.tagName === 'BUTTON' || e.classList.contains('memo');
    let width = client.clientWidth;
    const MARGIN = 6;
    // Opens a column d pixels wide at x: what starts right of it moves right,
    // what spans it widens.
    const open = (x, d) => {
      for (const e of items) {
        const b = box(e);
        if (b.left >= x) e.style.left = `${b.left + d}px`;
        else if (b.right > x && e.style.width) e.style.width = `${b.right - b.left + d}px`;
      }
      width += d;
      client.style.width = `${width}px`;
    };
    for (let round = 0; round < 32; ++round) {
      let done = true;
      for (const e of items.filter(hasText)) {
        const b = box(e);
        const needed = textWidth(e) + (sized(e) ? 2 * MARGIN : 0);
        if (sized(e) && needed > b.right - b.left) {
          open(b.right - 1, Math.ceil(needed - (b.right - b.left)));
          done = false;
          break;
        }
        const right = sized(e) ? b.right : b.left + needed;
        // The nearest thing on the same line that starts within the words.
        const next = items.filter((o) => {
          if (o === e) return false;
          const c = box(o);
          return c.left > b.left && c.left < right + MARGIN && c.top < b.bottom && b.top < c.bottom;
        }).sort((x, y) => box(x).left - box(y).left)[0];
        if (next && !sized(e)) {
          open(box(next).left, Math.ceil(right + MARGIN - box(next).left));
          done = false;
          break;
        }
        if (right + MARGIN > width) {
          width = Math.ceil(right + MARGIN);
          client.style.width = `${width}px`;
        }
      }
      if (done) return;
    }
  }

  // The windows the pupil sees now, in the language now.
  function fitShownWindows() {
    if (!start.hidden) fitWords(start.querySelector('.client'));
    for (const dialog of [$('about'), $('task')]) if (dialog.open) fitWords(dialog.querySelector('.client'));
  }

  function showStart() {
    start.hidden = false;
    fitWords(start.querySelector('.client'));
    // Space and Enter start a run, as on the desktop.
    $('Button1').focus();
  }

  // A click before the program is ready is carried out once it is (one made
  // before this script arrived was kept by the page).
  let startWhenReady = Boolean(window.velnarStartWhenReady);
  window.velnarPagesReady = true;

  function startRun() {
    start.hidden = true;
    simulation.hidden = false;
    enterFullScreen();
    fitScreen();
    document.activeElement && document.activeElement.blur();
    if (!program._velnar_start()) {
      simulation.hidden = true;
      showStart();
    }
  }

  $('Button1').addEventListener('click', () => {
    if (program) {
      startRun();
      return;
    }
    startWhenReady = true;
    $('loadingStart').hidden = false;
    $('Button1').setAttribute('aria-busy', 'true');
    start.classList.add('waiting');
  });
  $('Button3').addEventListener('click', () => {
    $('about').showModal();
    fitWords($('about').querySelector('.client'));
    $('BitBtn1').focus();
  });
  $('Button2').addEventListener('click', () => {
    start.hidden = true;
    window.close();  // allowed only for a tab a script opened
    $('ended').hidden = false;
  });

  // --- The About box -----------------------------------------------------
  function openSite(address) {
    window.open(address, '_blank', 'noopener');
  }
  for (const [image, label] of [['AboutImage3', 'Label12'], ['AboutImage4', 'Label14']]) {
    const link = $(label);
    // The address without its scheme and final slash.
    link.textContent = link.dataset.address.replace(/^[a-z]+:\/\//i, '').replace(/\/$/, '');
    link.addEventListener('click', (e) => { e.preventDefault(); openSite(link.dataset.address); });
    $(image).addEventListener('click', () => openSite(link.dataset.address));
  }
  $('BitBtn1').addEventListener('click', () => $('about').close());
  $('about').addEventListener('close', () => showStart());

  // --- The task ------------------------------------------------------------
  const task = $('task');
  const answers = [$('Edit1'), $('Edit2')];
  const faces = [$('Image9'), $('Image1')];

  // The answer fields take what the core's key filter takes: typed characters
  // one by one (a comma becomes a point, anything else refused beeps), pasted
  // text whole or not at all.
  for (const field of answers) {
    field.addEventListener('beforeinput', (e) => {
      if (!e.data || !program) return;
      e.preventDefault();
      let kept = '';
      if (e.inputType === 'insertText') {
        for (const c of e.data) {
          const k = program._velnar_filter_key(c.codePointAt(0));
          if (k >= 0) kept += String.fromCodePoint(k);
        }
      } else {
        const filtered = program.ccall('velnar_filter_text', 'string', ['string'], [e.data]);
        if (filtered === null) return;
        kept = filtered;
      }
      if (kept) field.setRangeText(kept, field.selectionStart, field.selectionEnd, 'end');
    });
  }

  function check(which) {
    const text = answers[which].value;
    const verdict = program.ccall('velnar_check', 'number', ['number', 'string'], [which, text]);
    // Not judged; or not a number, or a run too short to time: the core's
    // message box says so, and no face is shown.
    if (verdict < 0) return;
    const face = faces[which];
    face.src = verdict === 1 ? 'smile.ico' : 'sad.ico';
    face.dataset.verdict = verdict === 1 ? 'right' : 'wrong';
    // The face in words, and said aloud with the question it answers.
    face.alt = verdict === 1 ? trc('verdict', 'dobrze') : trc('verdict', 'źle');
    face.hidden = false;
    const question = document.querySelector(`label[for="${answers[which].id}"]`).textContent;
    $('verdictSpoken').textContent = `${question.replace(/\s*:\s*$/, '')}: ${face.alt}`;
  }
  $('Button1Check').addEventListener('click', () => check(0));
  $('Button2Check').addEventListener('click', () => check(1));
  $('OKBtn').addEventListener('click', () => task.close());
  task.addEventListener('keydown', (e) => {
    // Enter presses the focused button; anywhere else (an answer field) it is
    // the default button's.
    if (e.key === 'Enter' && !e.isComposing && e.target.tagName !== 'BUTTON') {
      e.preventDefault();
      task.close();
    }
  });
  // Every way of closing (the button, Enter, Esc) resets the task.
  task.addEventListener('close', () => {
    for (const field of answers) field.value = '';
    for (const face of faces) { face.hidden = true; face.alt = ''; delete face.dataset.verdict; }
    $('verdictSpoken').textContent = '';
    if (program) program._velnar_task_closed();
    holdScreenUnderWindows();
  });
  $('RunButton').addEventListener('click', () => {
    if (window.VelnarRunWindow && program)
      window.VelnarRunWindow.show(program, faces.every((f) => !f.hidden));
  });

  // --- The message box ----------------------------------------------------
  const message = $('message');
  $('messageOK').addEventListener('click', () => message.close());
  message.addEventListener('close', () => {
    if (program) program._velnar_message_closed();
    holdScreenUnderWindows();
  });

  // --- What the core calls -------------------------------------------------
  const calls = {
    canvas: screen,
    // A picture put while one is held still (the last frame of a stop) is
    // held anew.
    onPresent() { still.again(); },
    programReady() {
      $('loading').hidden = true;
      start.classList.remove('waiting');
      $('Button1').removeAttribute('aria-busy');
      showStart();
      window.velnarStartShownAt = performance.now();
    },
    showTask() {
      window.VelnarTouch.releaseAll();
      task.showModal();
      holdScreenUnderWindows();
      fitWords(task.querySelector('.client'));
      $('OKBtn').focus();
    },
    showMessage(title, text) {
      $('messageTitle').textContent = title;
      $('messageText').textContent = text;
      message.showModal();
      holdScreenUnderWindows();
      $('messageOK').focus();
    },
    simulationClosed() {
      window.VelnarTouch.releaseAll();
      leaveFullScreen();
      still.release();
      simulation.hidden = true;
      showStart();
    },
  };

  // A switch of language retranslates the page at once (language.js) and
  // fits the windows to the new words; the program takes it before a run.
  language.listen(() => fitShownWindows());

  createVelnar(calls).then((module) => {
    program = module;
    language.listen((l) => module.ccall('velnar_set_language', null, ['string'], [l.code]));
    window.velnar = module;  // for the tests and the figures' benchmark
    window.VelnarTouch.attach(module);
    if (startWhenReady && !$('start').hidden) {
      startWhenReady = false;
      startRun();
      return;
    }
    // Once the start window is drawn and the page is idle.
    const prepare = () => {
      const began = performance.now();
      module._velnar_prepare();
      window.velnarPrepared = performance.now() - began;  // for the figures' benchmark
    };
    if (window.requestIdleCallback) requestIdleCallback(prepare, { timeout: 500 });
    else setTimeout(prepare, 0);
  });
})();
