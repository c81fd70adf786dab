// loading.mjs: loading never hangs. With cookies and site data blocked the game starts, plays in
// memory and says its saves will not last; a download that stalls is tried once more, then said
// plainly with a way to try again; a page script that is missing or broken is said within seconds.
import assert from "node:assert/strict";
import fs from "node:fs/promises";
import path from "node:path";
import { gameFile, gameFiles, gameUpdates, shown } from "../harness/game.mjs";
import { eventually } from "../harness/page.mjs";

const text = (page, id) =>
  page.evaluate((id) => /** @type {HTMLElement} */ (document.getElementById(id)).textContent, id);
const RUNNING = '!!(window.Module && Module.dustreachGame) && document.getElementById("message").hidden';

// What a browser does with every storage API where the player blocked cookies and site data
// (as Chromium does; Firefox throws or refuses alike): for an engine that cannot be told so.
const BLOCKED_SITE_DATA = `{
  const denied = () => new DOMException("Access is denied for this document.", "SecurityError");
  for (const name of ["sessionStorage", "localStorage"])
    Object.defineProperty(window, name, { get() { throw denied(); } });
  IDBFactory.prototype.open = function () {
    throw new DOMException("The user denied permission to access the database.", "UnknownError");
  };
  IDBFactory.prototype.databases = () => Promise.reject(denied());
  if (window.LockManager) {
    LockManager.prototype.request = () => Promise.reject(denied());
    LockManager.prototype.query = () => Promise.reject(denied());
  }
  if (window.CacheStorage)
    CacheStorage.prototype.open = () => Promise.reject(denied());
  if (window.ServiceWorkerContainer)
    ServiceWorkerContainer.prototype.register = () => Promise.reject(denied());
  if (window.StorageManager)
    StorageManager.prototype.persist = () => Promise.reject(denied());
}`;

// A server of the site that answers the files named in how ("hold", "whole" or a handler).
async function serverWith(ctx, how) {
  const server = await ctx.serve({
    "/": (request, response, relative) => {
      const answer = how[relative] || "whole";
      if (answer === "whole")
        return server.sendFile(request, response, ctx.folders.site, relative);
      return answer(request, response, relative);
    },
  });
  return server;
}

// Answers with the headers and the first half of the file, then sends nothing more (a phone's
// connection gone quiet); calls aborted() when the browser gives up on it.
function halfThenNothing(site, aborted = () => {}) {
  return async (request, response, relative) => {
    const body = await fs.readFile(path.join(site, relative));
    response.writeHead(200, {
      "Content-Type": relative.endsWith(".wasm") ? "application/wasm" : "application/octet-stream",
      "Content-Length": body.length,
      "Cache-Control": "no-cache",
    });
    response.write(body.subarray(0, body.length >> 1));
    response.on("close", () => {
      if (!response.writableFinished)
        aborted();
    });
  };
}

export const scenarios = [
  {
    name: "cookies and site data blocked: the game starts within 10 s, plays in memory and says saves will not last",
    async run(ctx) {
      /** @type {[string, import("../harness/context.mjs").OpenOptions][]} */
      const cases = [["emulated", { beforeLoad: BLOCKED_SITE_DATA }]];
      if (ctx.can.blockSiteData)
        cases.push(["the browser's setting", { blockSiteData: true }]);
      for (const [name, options] of cases) {
        const page = await ctx.open("", options);
        const seconds = (await page.evaluate("performance.now()")) / 1000;
        assert.equal(await shown(page, "message"), false, name);
        assert.ok(await shown(page, "storage-note"), name);
        assert.ok(seconds < 10, `${name}: the game ran after ${seconds} s`);
        ctx.log(`${name}: the game runs after ${seconds.toFixed(1)} s`);
        await page.press(" ");
        const before = await gameUpdates(page);
        await page.press("k");
        await page.frames(10);
        assert.ok((await gameUpdates(page)) > before, `${name}: the game plays`);
        assert.notEqual(await gameFile(page, "currentSave.txt"), null, `${name}: saved in memory`);
      }
    },
  },
  {
    name: "a stalled download is tried once more, then said plainly with a way to try again",
    async run(ctx) {
      const files = await gameFiles(ctx.folders.site);
      // The wasm stalls half-way until the page tries again; that try is whole. The page's second
      // try asks past every cache (the fetch standard then sends "Pragma: no-cache"). Waiting for
      // the first connection to close instead raced with the retry on a busy machine, and a
      // preload's connection may stay open after the page gave up on it.
      let abandoned = 0;
      const stall = halfThenNothing(ctx.folders.site, () => ++abandoned);
      const retried = (request) => request.headers.pragma === "no-cache" || abandoned > 0;
      const wasm = await serverWith(ctx, {
        [files.wasm]: (request, response, relative) => retried(request)
          ? wasm.sendFile(request, response, ctx.folders.site, relative) : stall(request, response, relative),
      });
      const page = await ctx.open(wasm.address, { ready: null });
      await page.waitFor(RUNNING, { what: "the game after the second try", timeout: 60 });
      ctx.log(`the wasm's second try played after ${((await page.evaluate("performance.now()")) / 1000).toFixed(1)} s`);
      await page.press(" ");
      await page.frames(10);
      assert.ok((await gameUpdates(page)) > 0);

      // The data gets no answer at all, twice: said, with a button that tries again.
      const how = { [files.data]: () => {} };
      const data = await serverWith(ctx, how);
      const failing = await ctx.open(data.address, { ready: null });
      await failing.waitFor('!document.getElementById("message").hidden', { what: "the message", timeout: 60 });
      assert.equal(await text(failing, "message"), `Could not load ${files.data} from this site ` +
      "(no data came for 15 s). Reload the page to try again.");
      assert.equal(await shown(failing, "canvas"), false);
      assert.ok(data.requests.filter((request) => request.endsWith(files.data)).length >= 2, "tried twice");
      delete how[files.data];
      await failing.clickElement("#try-again");
      await eventually(() => failing.evaluate(RUNNING).catch(() => false), "the game after Try again", 30);
    },
  },
  {
    name: "a page script missing or broken is said plainly within 10 s",
    async run(ctx) {
      const index = await fs.readFile(path.join(ctx.folders.site, "index.html"), "utf8");
      // page.js, and a module it imports (which fails page.js too: the module is the one named).
      const page = /<script type="module" src="(page\.\w+\.js)"><\/script>/.exec(index)?.[1];
      const loading = /<link rel="modulepreload" href="(loading\.\w+\.js)">/.exec(index)?.[1];
      assert.ok(page && loading, "index.html loads the page's script and its modules");
      for (const script of [page, loading]) {
        const cases = {
          missing: [(request, response) => response.writeHead(404).end(),
            `Could not load ${script} from this site (it is missing or was refused). Reload the page to try again.`],
          broken: [(request, response) =>
            response.writeHead(200, { "Content-Type": "text/javascript" }).end("(function () {"),
          `Dustreach could not start: ${script} failed (`],
        };
        for (const [name, [answer, said]] of Object.entries(cases)) {
          const server = await serverWith(ctx, { [script]: answer });
          const tab = await ctx.open(server.address, { ready: null });
          const what = `${script} ${name}`;
          await tab.waitFor('!document.getElementById("message").hidden', { what: `${what}: the message` });
          const seconds = (await tab.evaluate("performance.now()")) / 1000;
          assert.ok((await text(tab, "message")).startsWith(said), `${what}: ${await text(tab, "message")}`);
          assert.ok(await shown(tab, "try-again"), what);
          assert.equal(await shown(tab, "stage"), false, what);
          assert.ok(seconds < 10, `${what}: said after ${seconds} s`);
          ctx.log(`${what}: said within ${seconds.toFixed(1)} s`);
        }
      }
    },
  },
];
