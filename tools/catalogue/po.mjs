// Reads gettext .po files: the translations the program is given, checked by
// the catalogue's test and turned into words.js for the browser.
import { readFileSync } from 'node:fs';

const ESCAPES = { n: '\n', t: '\t', r: '\r', '"': '"', '\\': '\\' };

function unquote(text) {
  const m = /^\s*"((?:[^"\\]|\\.)*)"\s*$/.exec(text);
  if (!m) return null;
  let bad = false;
  const value = m[1].replace(/\\(.)/g, (_, c) => {
    if (!(c in ESCAPES)) bad = true;
    return ESCAPES[c] ?? '';
  });
  return bad ? null : value;
}

// The key of a message in the catalogue, as gettext joins context and source.
export function key(context, source) {
  return context ? `${context}\u0004${source}` : source;
}

// { header: {name: value}, messages: [{context, source, plural, translations,
// fuzzy, line}], errors: ['line N: ...'] }
export function parsePo(text) {
  const file = { header: {}, messages: [], errors: [] };
  let message = null;
  let target = null;   // [object, property] the next quoted line continues
  let fuzzy = false;
  let seen = '';       // 'context', 'source', 'translation'
  const error = (line, what) => file.errors.push(`line ${line}: ${what}`);
  const finish = () => {
    if (message) {
      if (seen !== 'translation') error(message.line, 'a message with no msgstr');
      else if (!message.source && !message.context) {
        for (const entry of message.translations[0].split('\n')) {
          const colon = entry.indexOf(':');
          if (colon > 0) file.header[entry.slice(0, colon)] = entry.slice(colon + 1).trim();
        }
      } else file.messages.push({ ...message, fuzzy });
      fuzzy = false;
    }
    message = null;
    target = null;
    seen = '';
  };
  const start = (object, property, rest, line) => {
    const value = unquote(rest);
    if (value === null) {
      error(line, 'a string that cannot be read');
      target = null;
      return;
    }
    object[property] = value;
    target = [object, property];
  };
  text.split('\n').forEach((raw, index) => {
    const line = index + 1;
    const s = raw.replace(/\r$/, '').trim();
    if (!s) return finish();
    if (s.startsWith('#')) {
      if (message && seen === 'translation') finish();
      if (s.startsWith('#,') && /\bfuzzy\b/.test(s)) fuzzy = true;
      return;
    }
    if (s.startsWith('"')) {
      const value = unquote(s);
      if (!target) error(line, 'a string outside a message');
      else if (value === null) error(line, 'a string that cannot be read');
      else target[0][target[1]] += value;
      return;
    }
    const [, keyword, rest = ''] = /^(\S+)(.*)$/.exec(s);
    if (keyword === 'msgctxt' || (keyword === 'msgid' && seen !== 'context')) {
      finish();
      message = { context: '', source: '', plural: '', translations: [], line };
    }
    if (keyword === 'msgctxt') {
      seen = 'context';
      start(message, 'context', rest, line);
    } else if (keyword === 'msgid') {
      seen = 'source';
      message.line = line;
      start(message, 'source', rest, line);
    } else if (keyword === 'msgid_plural' && seen === 'source') {
      start(message, 'plural', rest, line);
    } else if (/^msgstr(\[\d+\])?$/.test(keyword) && message && seen !== 'context') {
      const index = keyword === 'msgstr' ? message.translations.length : Number(keyword.slice(7, -1));
      if (index !== message.translations.length) {
        error(line, 'plural forms out of order');
        target = null;
        return;
      }
      message.translations.push('');
      seen = 'translation';
      start(message.translations, index, rest, line);
    } else {
      error(line, 'an unknown line');
      target = null;
    }
  });
  finish();
  return file;
}

export function readPo(path) {
  return parsePo(readFileSync(path, 'utf8'));
}
