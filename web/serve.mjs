// A static file server for the browser build: node serve.mjs FOLDER [PORT].
// Serves on 127.0.0.1 only and prints the address. The tests import serve().
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, resolve } from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.jpg': 'image/jpeg', '.png': 'image/png',
  '.ico': 'image/x-icon', '.wasm': 'application/wasm',
};

// Serves the folder on 127.0.0.1 at the port (0: any free one); resolves to
// the listening server.
export function serve(folder, port) {
  const root = resolve(folder);
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = normalize(join(root, path.endsWith('/') ? path + 'index.html' : path));
    if (!file.startsWith(root)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, { 'Content-Type': types[extname(file)] || 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end('Not found');
    }
  });
  return new Promise((done) => server.listen(port, '127.0.0.1', () => done(server)));
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const port = Number(process.argv[3] || 8000);
  await serve(process.argv[2] || '.', port);
  console.log(`Velnar in the browser: http://127.0.0.1:${port}/`);
}
