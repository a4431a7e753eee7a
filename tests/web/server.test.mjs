// The browser build's file server against hostile requests, revalidation and
// gzip, over raw HTTP/1.1 so no client tidies the paths sent.
import assert from 'node:assert/strict';
import { mkdir, mkdtemp, readFile, rm, symlink, utimes, writeFile } from 'node:fs/promises';
import { connect } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { gunzipSync } from 'node:zlib';

import { serve } from '../../web/serve.mjs';

const secret = 'not-for-the-web-4f1c';
const files = {
  'index.html': '<!doctype html><title>Velnar</title><p>start</p>\n',
  'a.js': `'use strict';\n${'window.velnar = window.velnar || {};\n'.repeat(200)}`,
  'app.wasm': Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0, ...Array(4000).fill(7)]),
  'pic.png': Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, ...Array(600).fill(0)]),
  'sub/index.html': '<p>sub</p>\n',
};

let base, site, server, port;

before(async () => {
  base = await mkdtemp(join(tmpdir(), 'velnar-serve-'));
  site = join(base, 'site');
  await mkdir(join(site, 'sub'), { recursive: true });
  for (const [name, bytes] of Object.entries(files)) await writeFile(join(site, name), bytes);
  // A sibling whose name starts with the served folder's, and a folder
  // outside reached by symlinks from inside.
  await mkdir(join(base, 'site2'));
  await writeFile(join(base, 'site2/secret.txt'), secret);
  await mkdir(join(base, 'outside'));
  await writeFile(join(base, 'outside/secret.txt'), secret);
  await symlink('../outside', join(site, 'out'));
  await symlink(join(base, 'outside/secret.txt'), join(site, 'link.txt'));
  // The secrets are really there to be leaked.
  assert.equal(await readFile(join(site, 'out/secret.txt'), 'utf8'), secret);
  assert.equal(await readFile(join(site, 'link.txt'), 'utf8'), secret);
  server = await serve(site, 0);
  port = server.address().port;
});

after(async () => {
  await new Promise((done) => server.close(done));
  await rm(base, { recursive: true, force: true });
});

// One request on its own connection, the target sent byte for byte; the
// server closes the connection after its answer.
function request(target, { method = 'GET', headers = {} } = {}) {
  return new Promise((done, fail) => {
    const socket = connect(port, '127.0.0.1');
    const chunks = [];
    socket.on('data', (c) => chunks.push(c));
    socket.on('error', fail);
    socket.on('end', () => {
      const all = Buffer.concat(chunks);
      const split = all.indexOf('\r\n\r\n');
      if (split < 0) {
        fail(new Error(`${method} ${target}: no answer`));
        return;
      }
      const [status, ...lines] = all.subarray(0, split).toString('latin1').split('\r\n');
      const fields = {};
      for (const line of lines) {
        const colon = line.indexOf(':');
        fields[line.slice(0, colon).toLowerCase()] = line.slice(colon + 1).trim();
      }
      const body = all.subarray(split + 4);
      done({ status: Number(status.split(' ')[1]), headers: fields, body });
    });
    const lines = [`${method} ${target} HTTP/1.1`, 'Host: 127.0.0.1', 'Connection: close',
      ...Object.entries(headers).map(([k, v]) => `${k}: ${v}`)];
    socket.write(`${lines.join('\r\n')}\r\n\r\n`);
  });
}

test('hostile requests get 400 or 404, never a file outside, and the server goes on', async () => {
  for (const target of ['/%E0%A4%A', '/100%', '/..%2fsite2/secret.txt', '/%2e%2e/site2/secret.txt',
    '/..%5csite2%5csecret.txt', '/../site2/secret.txt', '/sub/../../site2/secret.txt',
    '/out/secret.txt', '/link.txt', '/a.js%00.png', '/%00', 'site2/secret.txt',
    'http://127.0.0.1/../site2/secret.txt']) {
    const r = await request(target);
    assert.ok([400, 404].includes(r.status), `${target}: ${r.status}`);
    assert.ok(!r.body.includes(secret), `${target}: the secret leaked`);
  }
  // A doubled slash must not turn the redirect into another host's address.
  const bare = await request('//sub');
  assert.equal(bare.status, 301);
  assert.equal(bare.headers.location, '/sub/');
  const sub = await request('/sub/');
  assert.equal(sub.body.toString(), files['sub/index.html']);

  const home = await request('/');
  assert.equal(home.status, 200);
  assert.equal(home.body.toString(), files['index.html']);
});

test('files are revalidated: ETag, Last-Modified, 304, HEAD and 405', async () => {
  const first = await request('/');
  assert.equal(first.status, 200);
  assert.match(first.headers.etag, /^"[^"]+"$/);
  assert.ok(!Number.isNaN(Date.parse(first.headers['last-modified'])));
  assert.equal(first.headers['cache-control'], 'no-cache');
  assert.equal(first.headers['x-content-type-options'], 'nosniff');

  const again = await request('/', { headers: { 'If-None-Match': first.headers.etag } });
  assert.equal(again.status, 304);
  assert.equal(again.body.length, 0);
  assert.equal(again.headers.etag, first.headers.etag);
  const modified = first.headers['last-modified'];
  const since = await request('/', { headers: { 'If-Modified-Since': modified } });
  assert.equal(since.status, 304);
  // A tag that does not match wins over a date that does.
  const both = await request('/', {
    headers: { 'If-None-Match': '"other"', 'If-Modified-Since': modified },
  });
  assert.equal(both.status, 200);

  for (const [target, headers] of [['/', {}], ['/a.js', { 'Accept-Encoding': 'gzip' }]]) {
    const get = await request(target, { headers });
    const head = await request(target, { method: 'HEAD', headers });
    assert.equal(head.status, 200);
    assert.equal(head.body.length, 0, `HEAD ${target}: no body`);
    assert.equal(Number(get.headers['content-length']), get.body.length);
    for (const name of ['content-type', 'content-length', 'content-encoding', 'etag',
      'last-modified', 'cache-control', 'vary']) {
      assert.equal(head.headers[name], get.headers[name], `HEAD ${target}: ${name}`);
    }
  }

  const post = await request('/', { method: 'POST' });
  assert.equal(post.status, 405);
  assert.equal(post.headers.allow, 'GET, HEAD');

  // A new build of a file is a new version, whatever was read before.
  const old = await request('/a.js');
  const changed = `${files['a.js']}window.velnar.rebuilt = true;\n`;
  await writeFile(join(site, 'a.js'), changed);
  await utimes(join(site, 'a.js'), new Date(), new Date(Date.now() + 5000));
  const fresh = await request('/a.js', { headers: { 'If-None-Match': old.headers.etag } });
  assert.equal(fresh.status, 200);
  assert.notEqual(fresh.headers.etag, old.headers.etag);
  assert.equal(fresh.body.toString(), changed);
  files['a.js'] = changed;
});

test('text and WebAssembly go gzipped only to clients that take it; pictures never', async () => {
  const plain = await request('/a.js');
  assert.equal(plain.headers['content-encoding'], undefined);
  assert.equal(plain.body.toString(), files['a.js']);

  const zipped = await request('/a.js', { headers: { 'Accept-Encoding': 'deflate, gzip, br' } });
  assert.equal(zipped.headers['content-encoding'], 'gzip');
  assert.match(zipped.headers.vary, /accept-encoding/i);
  assert.match(zipped.headers['content-type'], /^text\/javascript/);
  assert.equal(gunzipSync(zipped.body).toString(), files['a.js']);
  assert.ok(zipped.body.length < plain.body.length);
  assert.notEqual(zipped.headers.etag, plain.headers.etag);

  const wasm = await request('/app.wasm', { headers: { 'Accept-Encoding': 'gzip' } });
  assert.equal(wasm.headers['content-encoding'], 'gzip');
  assert.equal(wasm.headers['content-type'], 'application/wasm');
  assert.deepEqual(gunzipSync(wasm.body), files['app.wasm']);

  for (const encoding of ['gzip;q=0, deflate', 'gzip; q=0.000, *', 'identity']) {
    const r = await request('/a.js', { headers: { 'Accept-Encoding': encoding } });
    assert.equal(r.headers['content-encoding'], undefined, encoding);
    assert.equal(r.body.toString(), files['a.js'], encoding);
  }

  const png = await request('/pic.png', { headers: { 'Accept-Encoding': 'gzip' } });
  assert.equal(png.status, 200);
  assert.equal(png.headers['content-encoding'], undefined);
  assert.deepEqual(png.body, files['pic.png']);
});
