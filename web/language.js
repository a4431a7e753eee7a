// The pages' words in the pupil's language. Polish is the source: every text
// is looked up by its Polish words (and a context where one Polish text needs
// two translations) in the catalogue of words.js, made from po/ at the build.
// A text the catalogue lacks shows in Polish rather than not at all.
//
// In the page an element with `data-tr` has its Polish text as the key
// (`data-tr-context` its context), and `data-tr-attrs` names the attributes
// whose Polish values are keys too. The Polish stays remembered, so the page
// can be switched from one language to another and back.
'use strict';

window.VelnarLanguage = (function () {
  const WORDS = self.VelnarWords || {};
  // As lesson::kLanguages: the code, the name the switch shows and the
  // decimal separator of the texts read aloud and of the run window.
  const LANGUAGES = [
    { code: 'pl', name: 'Polski', separator: ',' },
    { code: 'en', name: 'English', separator: '.' },
    { code: 'uk', name: 'Українська', separator: ',' },
  ];
  const STORAGE_KEY = 'velnar.language';

  let current = LANGUAGES[0];
  const listeners = [];
  // Element -> { text, attrs: { name: Polish value } } as first found.
  const originals = new WeakMap();

  // "uk-UA", "en_GB.UTF-8", "PL": the language of ours it names, or null.
  function fromTag(tag) {
    const primary = String(tag || '').toLowerCase().split(/[-_.@]/)[0];
    return LANGUAGES.find((l) => l.code === primary) || null;
  }

  // Storage may be refused altogether (a private window, a locked-down
  // browser): then the choice lasts as long as the page.
  function remembered() {
    try {
      return window.localStorage.getItem(STORAGE_KEY);
    } catch (e) {
      return null;
    }
  }

  function remember(code) {
    try {
      window.localStorage.setItem(STORAGE_KEY, code);
    } catch (e) {
      // Not kept; the page goes on in the language chosen.
    }
  }

  // A remembered choice first, then the browser's languages in its order,
  // then Polish.
  function initial() {
    const kept = fromTag(remembered());
    if (kept) return kept;
    const tags = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language];
    for (const tag of tags) {
      const language = fromTag(tag);
      if (language) return language;
    }
    return LANGUAGES[0];
  }

  function trc(context, source) {
    const table = WORDS[current.code];
    const translated = table && table[context ? `${context}\u0004${source}` : source];
    return translated || source;
  }

  function tr(source) {
    return trc(null, source);
  }

  // Fills %1 ... %9 in one pass, as lesson::Arg does.
  function arg(text, args) {
    return text.replace(/%([1-9])/g, (whole, n) => (n <= args.length ? String(args[n - 1]) : whole));
  }

  // A translated text with its shortcut mark ("Pokaż &wynik"): the text
  // without the mark, the same as HTML with the letter underlined, and the
  // letter in lower case (null for none).
  function shortcut(text) {
    const at = text.search(/&[^&]/);
    const plain = text.replace(/&(.)/g, '$1');
    const escape = (s) => s.replace(/&/g, '&amp;').replace(/</g, '&lt;');
    if (at < 0) return { text: plain, html: escape(plain), key: null };
    const letter = text[at + 1];
    const before = text.slice(0, at).replace(/&(.)/g, '$1');
    const after = text.slice(at + 2).replace(/&(.)/g, '$1');
    return {
      text: plain,
      html: `${escape(before)}<u>${escape(letter)}</u>${escape(after)}`,
      key: letter.toLowerCase(),
    };
  }

  // Whether a key pressed is a shortcut's letter: by the character the
  // keyboard's layout gives, and for a Latin letter by the key's place too
  // (Alt changes what some layouts give).
  function isShortcut(event, key) {
    if (!key) return false;
    if (event.key && event.key.toLowerCase() === key) return true;
    return /^[a-z]$/.test(key) && event.code === 'Key' + key.toUpperCase();
  }

  function applyTo(element) {
    let original = originals.get(element);
    if (!original) {
      original = { text: element.hasAttribute('data-tr') ? element.textContent : null, attrs: {} };
      for (const name of (element.dataset.trAttrs || '').split(/\s+/).filter(Boolean))
        original.attrs[name] = element.getAttribute(name);
      originals.set(element, original);
    }
    const context = element.dataset.trContext || '';
    if (original.text !== null) {
      const text = trc(context, original.text);
      if (element.textContent !== text) element.textContent = text;
    }
    for (const [name, value] of Object.entries(original.attrs))
      if (value !== null) element.setAttribute(name, trc(context, value));
  }

  // Translates every marked element under root (the whole page by default).
  function apply(root) {
    const top = root || document;
    if (top.matches && top.matches('[data-tr], [data-tr-attrs]')) applyTo(top);
    for (const element of top.querySelectorAll('[data-tr], [data-tr-attrs]')) applyTo(element);
  }

  function fillSwitch(select) {
    select.textContent = '';
    for (const language of LANGUAGES) {
      const option = document.createElement('option');
      option.value = language.code;
      option.textContent = language.name;
      option.lang = language.code;
      select.appendChild(option);
    }
    select.value = current.code;
    select.addEventListener('change', () => set(select.value, true));
  }

  // Switches the page's words (and tells whoever listens: the program, the
  // windows that make words of their own).
  // Pictures with words in them: name.jpg in Polish, name-<code>.jpg else.
  function applyPictures() {
    for (const img of document.querySelectorAll('img[data-tr-picture]')) {
      const name = img.dataset.trPicture;
      const src = current.code === 'pl' ? `${name}.jpg` : `${name}-${current.code}.jpg`;
      if (img.getAttribute('src') !== src) img.setAttribute('src', src);
    }
  }

  function set(code, keep) {
    const language = fromTag(code) || LANGUAGES[0];
    if (keep) remember(language.code);
    current = language;
    document.documentElement.lang = language.code;
    apply();
    applyPictures();
    const select = document.getElementById('language');
    if (select && select.value !== language.code) select.value = language.code;
    for (const listener of listeners) listener(language);
  }

  current = initial();
  document.documentElement.lang = current.code;
  apply();
  applyPictures();
  const select = document.getElementById('language');
  if (select) fillSwitch(select);

  return {
    LANGUAGES,
    tr,
    trc,
    arg,
    shortcut,
    isShortcut,
    apply,
    set(code) { set(code, true); },
    // Called with the language now and on every switch.
    listen(listener) {
      listeners.push(listener);
      listener(current);
    },
    get code() { return current.code; },
    get separator() { return current.separator; },
  };
})();
