// A static file server for the browser build: node serve.mjs FOLDER [PORT].
// Serves on 127.0.0.1 only and prints the address. The tests import serve().
//
// Only what lies inside the folder is served, symlinks resolved; a request
// that cannot be read answers 400 and nothing a client sends can stop the
// server. Files are revalidated by ETag and Last-Modified, and text and
// WebAssembly go gzipped to clients that take it.
import { createHash } from 'node:crypto';
import { constants } from 'node:fs';
import { open, realpath } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, isAbsolute, join, relative, sep } from 'node:path';
import { pathToFileURL } from 'node:url';
import { promisify } from 'node:util';
import { gzip } from 'node:zlib';

const gzipBytes = promisify(gzip);

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.json': 'application/json', '.webmanifest': 'application/manifest+json',
  '.svg': 'image/svg+xml', '.txt': 'text/plain; charset=utf-8', '.csv': 'text/csv; charset=utf-8',
  '.jpg': 'image/jpeg', '.png': 'image/png', '.ico': 'image/x-icon', '.wasm': 'application/wasm',
};

// Pictures are compressed already; gzip would only cost time.
const compressible = new Set(['.html', '.js', '.mjs', '.css', '.json', '.webmanifest', '.svg',
  '.wasm', '.csv', '.txt']);

// Every answer is revalidated: a new build must reach the page at once, and a
// 304 costs one round trip. The offline copy is the service worker's, so a
// long max-age would only keep a stale build in the HTTP cache.
const always = { 'Cache-Control': 'no-cache', 'X-Content-Type-Options': 'nosniff' };

// Whole path segments, not prefixes: "/srv/web2" is not inside "/srv/web".
function inside(root, file) {
  const rel = relative(root, file);
  return rel !== '..' && !rel.startsWith('..' + sep) && !isAbsolute(rel);
}

function acceptsGzip(header) {
  if (!header) return false;
  let gzipQ, anyQ;
  for (const part of header.split(',')) {
    const [coding, ...params] = part.split(';').map((s) => s.trim().toLowerCase());
    let q = 1;
    for (const param of params) {
      const m = /^q\s*=\s*(.*)$/.exec(param);
      // A weight we cannot read is taken as a refusal: identity always works.
      if (m) q = /^(0(\.\d{0,3})?|1(\.0{0,3})?)$/.test(m[1]) ? Number(m[1]) : 0;
    }
    if ((coding === 'gzip' || coding === 'x-gzip') && gzipQ === undefined) gzipQ = q;
    else if (coding === '*' && anyQ === undefined) anyQ = q;
  }
  return (gzipQ ?? anyQ ?? 0) > 0;
}

// If-None-Match wins over If-Modified-Since, as HTTP wants.
function fresh(headers, tag, modifiedMs) {
  const match = headers['if-none-match'];
  if (match !== undefined) {
    return match.split(',').some((t) => {
      t = t.trim();
      return t === '*' || t.replace(/^W\//, '') === tag;
    });
  }
  const since = Date.parse(headers['if-modified-since'] ?? '');
  return !Number.isNaN(since) && Math.floor(modifiedMs / 1000) * 1000 <= since;
}

function send(request, response, status, headers = {}) {
  const body = status === 304 ? '' : `${status}\n`;
  response.writeHead(status, {
    ...always, ...headers,
    ...(status === 304 ? {} : {
      'Content-Type': 'text/plain; charset=utf-8', 'Content-Length': Buffer.byteLength(body),
    }),
  });
  response.end(request.method === 'HEAD' ? undefined : body);
}

// One entry per file for the version on disk (size and modification time):
// its bytes, their tag and, once asked for, their gzip form. A newer version
// replaces the entry, so each is read, hashed and compressed once.
const versions = new Map();

function version(file, handle, stats) {
  const key = `${stats.size}:${stats.mtimeNs}`;
  const known = versions.get(file);
  if (known?.key === key) return known;
  const entry = {
    key,
    ready: handle.readFile().then((bytes) => ({
      bytes, tag: createHash('sha256').update(bytes).digest('base64url').slice(0, 22),
    })),
    gzipped: null,
  };
  versions.set(file, entry);
  entry.ready.catch(() => versions.get(file) === entry && versions.delete(file));
  return entry;
}

// The file a decoded path names, opened, with its status; null when there is
// none inside the root. Opened without blocking so a FIFO cannot hang us.
async function openInside(root, file) {
  let real;
  try {
    real = await realpath(file);
  } catch {
    return null;
  }
  if (!inside(root, real)) return null;
  let handle;
  try {
    handle = await open(real, constants.O_RDONLY | constants.O_NONBLOCK);
  } catch {
    return null;
  }
  try {
    return { real, handle, stats: await handle.stat({ bigint: true }) };
  } catch (error) {
    await handle.close();
    throw error;
  }
}

async function answer(root, request, response) {
  if (request.method !== 'GET' && request.method !== 'HEAD') {
    send(request, response, 405, { Allow: 'GET, HEAD' });
    return;
  }
  const target = request.url;
  const pathname = target.split('?', 1)[0];
  let path;
  try {
    if (!pathname.startsWith('/')) throw new URIError('not an absolute path');
    path = decodeURIComponent(pathname);
  } catch {
    send(request, response, 400);
    return;
  }
  // No file of the build has a NUL or a backslash in its name; both are
  // only ever tricks.
  if (path.includes('\0') || path.includes('\\')) {
    send(request, response, 400);
    return;
  }
  const asked = join(root, path);
  if (!inside(root, asked)) {
    send(request, response, 404);
    return;
  }
  let found = await openInside(root, asked);
  if (found?.stats.isDirectory()) {
    await found.handle.close();
    if (!path.endsWith('/')) {
      const rel = relative(root, asked).split(sep).map(encodeURIComponent).join('/');
      send(request, response, 301, { Location: `/${rel}/${target.slice(pathname.length)}` });
      return;
    }
    found = await openInside(root, join(found.real, 'index.html'));
  }
  if (!found) {
    send(request, response, 404);
    return;
  }
  const { real, handle, stats } = found;
  try {
    if (!stats.isFile()) {
      send(request, response, 404);
      return;
    }
    const entry = version(real, handle, stats);
    const { bytes, tag } = await entry.ready;
    const type = extname(real).toLowerCase();
    const zip = compressible.has(type) && acceptsGzip(request.headers['accept-encoding']);
    const etag = zip ? `"${tag}-gz"` : `"${tag}"`;
    const modifiedMs = Number(stats.mtimeMs);
    const headers = { ETag: etag, 'Last-Modified': new Date(modifiedMs).toUTCString() };
    if (compressible.has(type)) headers.Vary = 'Accept-Encoding';
    if (fresh(request.headers, etag, modifiedMs)) {
      send(request, response, 304, headers);
      return;
    }
    let body = bytes;
    if (zip) {
      entry.gzipped ??= gzipBytes(bytes);
      body = await entry.gzipped;
      headers['Content-Encoding'] = 'gzip';
    }
    response.writeHead(200, {
      ...always, ...headers,
      'Content-Type': types[type] || 'application/octet-stream', 'Content-Length': body.length,
    });
    response.end(request.method === 'HEAD' ? undefined : body);
  } finally {
    await handle.close();
  }
}

// Serves the folder on 127.0.0.1 at the port (0: any free one); resolves to
// the listening server. close() ends promptly: idle keep-alive connections
// are dropped with it.
export async function serve(folder, port) {
  const root = await realpath(folder);
  const server = createServer((request, response) => {
    answer(root, request, response).catch((error) => {
      console.error(`serve: ${request.method} ${request.url}: ${error?.stack ?? error}`);
      try {
        if (response.headersSent) response.destroy();
        else send(request, response, 500);
      } catch {
        response.destroy();
      }
    });
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => {
      server.off('error', fail);
      done(server);
    });
  });
}

if (process.argv[1] && import.meta.url === pathToFileURL(process.argv[1]).href) {
  const server = await serve(process.argv[2] || '.', Number(process.argv[3] || 8000));
  console.log(`Velnar in the browser: http://127.0.0.1:${server.address().port}/`);
}
