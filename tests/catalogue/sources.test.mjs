// Every word a user sees comes from the catalogue: each text marked in the
// sources (C++, .ui forms, pages and scripts) is translated in every
// language, every translation is of a text still in use, and no text that
// reads as words is shown without going through the catalogue.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readdirSync } from 'node:fs';
import { join } from 'node:path';
import { key, readPo } from '../../tools/catalogue/po.mjs';
import { ROOT, scan } from '../../tools/catalogue/extract.mjs';

const languages = readdirSync(join(ROOT, 'po')).filter((f) => f.endsWith('.po'));
const catalogues = Object.fromEntries(languages.map((f) => [f, readPo(join(ROOT, 'po', f))]));
const sources = new Set(Object.values(catalogues).flatMap((po) => po.messages.map((m) => m.source)));
const { marked, unmarked } = scan(sources);

test('the catalogue and the sources hold the same texts', () => {
  assert.deepEqual(languages.sort(), ['en.po', 'uk.po']);
  assert.ok(marked.length > 100, `only ${marked.length} marked texts found: is the scan looking?`);
  const used = new Set(marked.map((m) => key(m.context, m.source)));
  for (const [file, po] of Object.entries(catalogues)) {
    assert.deepEqual(po.errors, [], file);
    const held = new Set(po.messages.filter((m) => !m.fuzzy && m.translations.every(Boolean))
      .map((m) => key(m.context, m.source)));
    const missing = marked.filter((m) => !held.has(key(m.context, m.source)))
      .map((m) => `${m.file}:${m.line}: ${m.context ? `[${m.context}] ` : ''}${JSON.stringify(m.source)}`);
    assert.deepEqual(missing, [], `not translated in po/${file}`);
    const stale = [...held].filter((k) => !used.has(k));
    assert.deepEqual(stale, [], `in po/${file} but shown nowhere`);
  }
});

test('no word is shown from outside the catalogue', () => {
  const found = unmarked.map((u) => `${u.file}:${u.line}: ${JSON.stringify(u.source)} (${u.why})`);
  assert.deepEqual(found, []);
});
