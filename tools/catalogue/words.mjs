// node words.mjs OUTPUT.js po/en.po po/uk.po ...
//
// Writes the browser's words: each language's translations keyed by their
// Polish source (and context), which the pages look up before the program has
// loaded. A file that cannot be read stops the build.
import { writeFileSync } from 'node:fs';
import { basename } from 'node:path';
import { key, readPo } from './po.mjs';

const [output, ...files] = process.argv.slice(2);
const words = {};
for (const file of files) {
  const po = readPo(file);
  if (po.errors.length) {
    console.error(`${file}: ${po.errors.join('; ')}`);
    process.exit(1);
  }
  const texts = {};
  for (const m of po.messages) {
    if (!m.fuzzy && m.translations[0]) texts[key(m.context, m.source)] = m.translations[0];
  }
  words[basename(file, '.po')] = texts;
}
writeFileSync(output, `// Generated from po/ by tools/catalogue/words.mjs. Do not edit.\n` +
  `self.VelnarWords = ${JSON.stringify(words)};\n`);
