// Finds the words of the program's sources: the texts marked for the
// catalogue, and the texts that look like words a user reads but are not
// marked. Used by the catalogue's test; `node extract.mjs` lists both.
import { readFileSync, readdirSync } from 'node:fs';
import { join, relative } from 'node:path';
import { fileURLToPath } from 'node:url';

export const ROOT = join(fileURLToPath(import.meta.url), '../../..');

// Where the words a user sees come from. The platform layer and the picture
// painter also speak to developers (in English): there only Polish or
// Ukrainian letters, or a text of the catalogue, count as a user's words.
const FOLDERS = {
  cpp: ['app', 'sim', 'lesson', 'web', 'platform', 'tools/assetgen'],
  js: ['web'],
  lenient: [/^platform\//, /^tools\//, /^lesson\/catalogue\.cpp$/],
};

// Texts that are the same in every language: names, and each language's own
// name for itself.
export const NOT_WORDS = new Set(['Velnar', 'OK', 'Polski', 'English', 'Українська', 'use strict']);

function files(folder, pattern) {
  let entries;
  try {
    entries = readdirSync(join(ROOT, folder), { withFileTypes: true });
  } catch {
    return [];
  }
  return entries
    .filter((e) => e.isFile() && pattern.test(e.name))
    .map((e) => join(folder, e.name))
    .sort();
}

// The string literals of a C++ or JavaScript source, outside comments: text,
// where it starts, and the code just before it.
function literals(source, js) {
  const found = [];
  let i = 0;
  let line = 1;
  const n = source.length;
  while (i < n) {
    const c = source[i];
    if (c === '\n') {
      ++line;
      ++i;
    } else if (c === '/' && source[i + 1] === '/') {
      while (i < n && source[i] !== '\n') ++i;
    } else if (c === '/' && source[i + 1] === '*') {
      const end = source.indexOf('*/', i + 2);
      const stop = end < 0 ? n : end + 2;
      for (; i < stop; ++i) if (source[i] === '\n') ++line;
    } else if (!js && c === '#' && /(^|\n)\s*$/.test(source.slice(Math.max(0, i - 40), i))) {
      while (i < n && source[i] !== '\n') ++i;  // #include, #define ...
    } else if (!js && c === 'R' && source[i + 1] === '"') {
      const open = source.indexOf('(', i);
      const delimiter = source.slice(i + 2, open);
      const close = source.indexOf(`)${delimiter}"`, open);
      const text = source.slice(open + 1, close);
      const startLine = line;
      line += text.split('\n').length - 1;
      const start = i;
      i = close + delimiter.length + 2;
      found.push({ text, line: startLine, start, end: i, before: source.slice(Math.max(0, start - 60), start) });
    } else if (c === '"' || (js && (c === "'" || c === '`'))) {
      if (!js && source[i - 1] === "'" && source[i + 1] === "'") {
        i += 2;  // the character '"'
        continue;
      }
      const start = i;
      const startLine = line;
      let text = '';
      ++i;
      while (i < n && source[i] !== c) {
        if (source[i] === '\\') {
          const e = source[i + 1];
          text += { n: '\n', t: '\t', '"': '"', "'": "'", '\\': '\\', '`': '`' }[e] ?? `\\${e}`;
          i += 2;
        } else {
          if (source[i] === '\n') ++line;
          text += source[i++];
        }
      }
      ++i;
      const previous = found[found.length - 1];
      if (!js && previous && /^\s*$/.test(source.slice(previous.end, start))) {
        // C++ joins literals that follow each other into one.
        previous.text += text;
        previous.end = i;
      } else {
        found.push({ text, line: startLine, start, end: i, before: source.slice(Math.max(0, start - 60), start) });
      }
    } else if (js && c === '/' && /[=(,:!&|?{};]\s*$/.test(source.slice(Math.max(0, i - 20), i))) {
      // A regular expression: skip it whole.
      ++i;
      while (i < n && source[i] !== '/') i += source[i] === '\\' ? 2 : 1;
      ++i;
    } else {
      ++i;
    }
  }
  return found;
}

// Marked texts: [{context, source, file, line}], and every literal, each
// marked one flagged `consumed`.
function markedInCode(file, source, js) {
  const out = [];
  const list = literals(source, js);
  const markers = js
    ? [[/\btr\(\s*$/, 'one'], [/\btrc\(\s*$/, 'two']]
    : [[/\bTr\(\s*$/, 'either'], [/\bN_\(\s*$/, 'one'], [/\bTrIn\([^()"]*,\s*$/, 'two']];
  list.forEach((l, k) => {
    if (l.consumed) return;
    const marker = markers.find(([pattern]) => pattern.test(l.before));
    if (!marker) return;
    const next = list[k + 1];
    const pair = next && /^\s*,\s*$/.test(source.slice(l.end, next.start));
    l.consumed = true;
    if (marker[1] === 'two' || (marker[1] === 'either' && pair)) {
      if (!next) return;
      next.consumed = true;
      out.push({ context: l.text, source: next.text, file, line: next.line });
    } else {
      out.push({ context: '', source: l.text, file, line: l.line });
    }
  });
  return { marked: out, literals: list };
}

function decodeXml(text) {
  return text.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"')
    .replace(/&apos;/g, "'").replace(/&#(\d+);/g, (_, d) => String.fromCodePoint(Number(d)))
    .replace(/&amp;/g, '&');
}

function lineAt(text, index) {
  return text.slice(0, index).split('\n').length;
}

function fromUi(file, text) {
  const marked = [];
  const unmarked = [];
  for (const m of text.matchAll(/<string([^>]*)>([^<]*)<\/string>/g)) {
    const value = decodeXml(m[2]);
    const attributes = m[1];
    if (!/\p{L}/u.test(value)) continue;
    const entry = { file, line: lineAt(text, m.index), source: value };
    if (/notr="true"/.test(attributes)) unmarked.push({ ...entry, why: 'marked notr' });
    else marked.push({ ...entry, context: (/comment="([^"]*)"/.exec(attributes) || [, ''])[1] });
  }
  return { marked, unmarked };
}

function fromHtml(file, text) {
  const marked = [];
  const unmarked = [];
  const html = text.replace(/<script[\s\S]*?<\/script>/g, (s) => s.replace(/[^\n]/g, ' '))
    .replace(/<!--[\s\S]*?-->/g, (s) => s.replace(/[^\n]/g, ' '));
  // Elements whose text is a msgid: their content is consumed.
  const consumed = [];
  for (const m of html.matchAll(/<(\w+)((?:[^>]*\s)?data-tr(?:[\s=][^>]*)?)>([\s\S]*?)<\/\1>/g)) {
    const attrs = m[2];
    if (!/\sdata-tr(\s|>|=|$)/.test(attrs + ' ')) continue;
    const context = (/data-tr-context="([^"]*)"/.exec(attrs) || [, ''])[1];
    const inner = m[3].replace(/<span[^>]*aria-hidden="true"[^>]*>[\s\S]*?<\/span>/g, '');
    marked.push({ file, line: lineAt(html, m.index), context, source: decodeXml(inner.replace(/<[^>]+>/g, '')) });
    consumed.push([m.index + m[0].indexOf('>') + 1, m.index + m[0].length]);
  }
  for (const m of html.matchAll(/<\w+([^>]*)>/g)) {
    const attrs = m[1];
    const listed = ((/data-tr-attrs="([^"]*)"/.exec(attrs) || [, ''])[1]).split(/\s+/);
    for (const a of attrs.matchAll(/\s(aria-label|title|alt|placeholder)="([^"]*)"/g)) {
      const value = decodeXml(a[2]);
      if (!/\p{L}/u.test(value) || NOT_WORDS.has(value)) continue;
      const entry = { file, line: lineAt(html, m.index), source: value };
      if (listed.includes(a[1])) marked.push({ ...entry, context: '' });
      else unmarked.push({ ...entry, why: `${a[1]} not in data-tr-attrs` });
    }
  }
  // Text between tags, outside the consumed elements.
  for (const m of html.matchAll(/>([^<]+)</g)) {
    const at = m.index + 1;
    if (consumed.some(([a, b]) => at >= a && at < b)) continue;
    const value = decodeXml(m[1]).trim();
    if (!/\p{L}{2}/u.test(value) || NOT_WORDS.has(value)) continue;
    if (/^@\w+@$/.test(value)) continue;
    unmarked.push({ file, line: lineAt(html, at), source: value, why: 'text without data-tr' });
  }
  return { marked, unmarked };
}

// Does a literal look like words someone reads: letters outside ASCII, two
// words in a row, or a text the catalogue holds?
function looksLikeWords(text, catalogue, lenient) {
  if (NOT_WORDS.has(text)) return false;
  // A lone letter is a quantity's symbol (s, t, v) before it is a unit.
  if (catalogue.has(text) && /\p{L}.*\p{L}/su.test(text)) return true;
  if (/[\u00C0-\u024F\u0400-\u04FF]/.test(text)) return true;
  return !lenient && /(^|[\s(])\p{Lu}?\p{Ll}{2,} \p{Ll}{2,}(?![\w-]*[:(=])/u.test(text) && !/[{};<>]|\$\{/.test(text);
}

// { marked: [...], unmarked: [{file, line, source, why}] }
export function scan(catalogueSources) {
  const marked = [];
  const unmarked = [];
  const add = (r) => {
    marked.push(...r.marked);
    unmarked.push(...r.unmarked);
  };
  for (const file of FOLDERS.cpp.flatMap((f) => [...files(f, /\.(cpp|h)$/)])) {
    const source = readFileSync(join(ROOT, file), 'utf8');
    const r = markedInCode(file, source, false);
    marked.push(...r.marked);
    for (const l of r.literals) {
      if (!l.consumed && looksLikeWords(l.text, catalogueSources, FOLDERS.lenient.some((p) => p.test(file)))) {
        unmarked.push({ file, line: l.line, source: l.text, why: 'a literal outside Tr()' });
      }
    }
  }
  for (const file of FOLDERS.js.flatMap((f) => files(f, /\.(js|mjs)$/)).filter((f) => !/serve\.mjs$/.test(f))) {
    const source = readFileSync(join(ROOT, file), 'utf8');
    const r = markedInCode(file, source, true);
    marked.push(...r.marked);
    for (const l of r.literals) {
      // What goes to the developer's console is not the user's.
      if (/console\.\w+\(\s*$/.test(l.before)) continue;
      if (!l.consumed && looksLikeWords(l.text, catalogueSources, false)) {
        unmarked.push({ file, line: l.line, source: l.text, why: 'a literal outside tr()' });
      }
    }
  }
  for (const file of files('app', /\.ui$/)) add(fromUi(file, readFileSync(join(ROOT, file), 'utf8')));
  for (const file of files('web', /\.html(\.in)?$/)) add(fromHtml(file, readFileSync(join(ROOT, file), 'utf8')));
  return { marked, unmarked };
}

if (process.argv[1] && relative(process.argv[1], fileURLToPath(import.meta.url)) === '') {
  const { marked, unmarked } = scan(new Set());
  for (const m of marked) console.log(`marked   ${m.file}:${m.line}: ${m.context ? `[${m.context}] ` : ''}${JSON.stringify(m.source)}`);
  for (const m of unmarked) console.log(`UNMARKED ${m.file}:${m.line}: ${JSON.stringify(m.source)} (${m.why})`);
}
