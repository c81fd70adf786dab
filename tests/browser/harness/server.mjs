// server.mjs: the test server. It serves folders (or handler functions) under paths of their own
// on 127.0.0.1 at a port the system picks, logs the requests it answers, and can be stopped and
// started again on the same port, so a page can see its site go away and come back (offline use).
//
//   const server = new TestServer({ "/": siteFolder, "/other/": folder, "/api/": (req, res) => ... });
//   await server.start();         // server.address is "http://127.0.0.1:PORT/"
//   await server.stop();          // open connections are cut too: the browser sees no server
//   await server.start();         // the same port again
//   server.requests               // ["GET /index.html", ...], every request answered so far
//
// Files are sent with "Cache-Control: no-cache", so a reload always asks again. An HTML page gets
// the prelude's text (a script, see the engines that need it) at the start of its <head>.
//
// A mount's handler may act as one of the kinds of static host players meet:
//   "/": server.host(site, { kind, inject })
// kind: "plain"; "index redirected" (index.html answered by a redirect to its folder's address);
// "clean URLs" (NAME.html redirected to NAME, and NAME answered with NAME.html); "app fallback"
// (a missing file answered with 200 and the site's index.html, as for a single-page app).
// site: a folder, or a function of the path under the mount giving the folders to look in, in
// order (a deploy half seen: one file from the new build, the others from the old). inject: HTML
// put into every page, after the prelude.
import fs from "node:fs/promises";
import http from "node:http";
import path from "node:path";

/**
 * What a mount serves besides a folder: it answers the request itself (relative: the path under
 * the mount).
 * @typedef {(request: import("node:http").IncomingMessage, response: import("node:http").ServerResponse,
 *   relative: string) => unknown} Handler
 */

/** @type {Record<string, string>} */
const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".json": "application/json",
  ".webmanifest": "application/manifest+json",
  ".wasm": "application/wasm",
  ".png": "image/png",
  ".jpg": "image/jpeg",
  ".svg": "image/svg+xml",
  ".ico": "image/x-icon",
  ".txt": "text/plain; charset=utf-8",
  ".ttf": "font/ttf",
  ".woff2": "font/woff2",
};

export class TestServer {
  // mounts: path prefix -> folder or handler(request, response, pathUnderMount).
  // prelude(request): HTML put at the start of each page's <head> ("" for none).
  // headers: more response headers for every file.
  /**
   * @param {Record<string, string | Handler>} mounts
   * @param {{ prelude?: (request: import("node:http").IncomingMessage) => string,
   *   headers?: Record<string, string> }} [options]
   */
  constructor(mounts, { prelude = () => "", headers = {} } = {}) {
    // The longest prefix wins, so "/" is the fallback for every path.
    this.mounts = Object.entries(mounts).sort((a, b) => b[0].length - a[0].length);
    this.prelude = prelude;
    this.headers = headers;
    this.requests = [];
    this.port = 0;
    this.sockets = new Set();
    this.server = null;
  }

  get address() {
    return `http://127.0.0.1:${this.port}/`;
  }

  async start() {
    if (this.server)
      return this.address;
    const server = http.createServer((request, response) => this.answer(request, response));
    server.on("connection", (socket) => {
      this.sockets.add(socket);
      socket.on("close", () => this.sockets.delete(socket));
    });
    await /** @type {Promise<void>} */ (new Promise((resolve, reject) => {
      server.once("error", reject);
      server.listen(this.port, "127.0.0.1", resolve);
    }));
    this.port = /** @type {import("node:net").AddressInfo} */ (server.address()).port;
    this.server = server;
    return this.address;
  }

  async stop() {
    if (!this.server)
      return;
    const server = this.server;
    this.server = null;
    const closed = new Promise((resolve) => server.close(resolve));
    for (const socket of this.sockets)
      socket.destroy();
    await closed;
  }

  async answer(request, response) {
    const url = new URL(request.url, this.address);
    this.requests.push(`${request.method} ${url.pathname}`);
    const [prefix = "", target] = this.mounts.find(([mount]) => url.pathname.startsWith(mount)) || [];
    try {
      if (typeof target === "function")
        await target(request, response, url.pathname.slice(prefix.length));
      else if (target)
        await this.sendFile(request, response, target, url.pathname.slice(prefix.length));
      else
        this.refuse(response, 404);
    } catch (error) {
      if (!response.headersSent)
        this.refuse(response, 500, String(error));
    }
  }

  // A handler that serves site as a host of the kind given (see the top of this file).
  host(site, { kind = "plain", inject = "" } = {}) {
    const folders = typeof site === "function" ? site : () => [site];
    const exists = async (folder, relative) =>
      !!(await fs.stat(path.join(folder, decodeURIComponent(relative) || "index.html")).catch(() => null));
    return async (request, response, relative) => {
      const name = relative.split("/").pop();
      const redirect = (to) => response.writeHead(kind === "clean URLs" ? 308 : 301, { Location: to }).end();
      if (kind === "index redirected" && name === "index.html")
        return redirect("./");
      if (kind === "clean URLs" && name.endsWith(".html"))
        return redirect(name === "index.html" ? "./" : name.slice(0, -5));
      let candidates = [relative];
      if (kind === "clean URLs" && name && !name.includes("."))
        candidates = [relative, `${relative}.html`];
      for (const folder of folders(relative)) {
        for (const candidate of candidates) {
          if (await exists(folder, candidate))
            return this.sendFile(request, response, folder, candidate, { inject });
        }
      }
      if (kind === "app fallback")
        return this.sendFile(request, response, folders("index.html")[0], "index.html", { inject });
      this.refuse(response, 404);
    };
  }

  // An HTML page made by the scenario, with the prelude.
  sendPage(request, response, html) {
    const body = Buffer.from(withPrelude(html, this.prelude(request)));
    response.writeHead(200, {
      "Content-Type": TYPES[".html"],
      "Content-Length": body.length,
      "Cache-Control": "no-cache",
    });
    response.end(body);
  }

  async sendFile(request, response, folder, relative, { inject = "" } = {}) {
    const root = path.resolve(folder);
    let file = path.resolve(root, decodeURIComponent(relative) || "index.html");
    if (file !== root && !file.startsWith(root + path.sep))
      return this.refuse(response, 403);
    if ((await fs.stat(file).catch(() => null))?.isDirectory())
      file = path.join(file, "index.html");
    let body = await fs.readFile(file).catch(() => null);
    if (body === null)
      return this.refuse(response, 404);
    const type = TYPES[path.extname(file).toLowerCase()] || "application/octet-stream";
    const prelude = type.startsWith("text/html") ? this.prelude(request) + inject : "";
    if (prelude)
      body = Buffer.from(withPrelude(body.toString("utf8"), prelude));
    response.writeHead(200, {
      "Content-Type": type,
      "Content-Length": body.length,
      "Cache-Control": "no-cache",
      ...this.headers,
    });
    response.end(request.method === "HEAD" ? undefined : body);
  }

  refuse(response, status, text = http.STATUS_CODES[status]) {
    response.writeHead(status, { "Content-Type": "text/plain; charset=utf-8" });
    response.end(text + "\n");
  }
}

// The page with prelude right after its <head> tag, or first when it has none.
function withPrelude(html, prelude) {
  const head = /<head(\s[^>]*)?>/i.exec(html);
  const at = head ? head.index + head[0].length : 0;
  return html.slice(0, at) + prelude + html.slice(at);
}
