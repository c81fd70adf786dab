// hosts.mjs: the site on the kinds of host players meet, the test server acting as each: plain,
// index.html redirected to the folder's address, clean URLs, a single-page app's fallback (200 and
// the page for any missing file), a sub-path, a deploy seen half-way both ways round, and a game
// portal showing the site in an iframe of another origin. On each: the first visit, the second
// (from the cache), offline after, and an update to a second build, taken whole. Several hosts
// share one browser: each is a server of its own port, so an origin of its own. Last, updates
// that could leave a tab stuck: two tabs open, and a new build that never takes over.
import assert from "node:assert/strict";
import fs from "node:fs/promises";
import path from "node:path";
import { assertGameRuns, gameFile, gameFiles, GAME_READY, gameUpdates, storedFile } from "../harness/game.mjs";
import { eventually } from "../harness/page.mjs";
import { secondBuild } from "./offline.mjs";

// A portal's page: the game in an iframe of another origin. The test reaches into the frame
// through probe(expression), answered by the bridge the host puts into the game's page.
const portal = (game) => `<!doctype html>
<html><head><meta charset="utf-8"><title>Games</title></head>
<body style="margin: 0">
<h1 style="font-size: 16px; margin: 4px">Games</h1>
<iframe id="game" src="${game}" width="640" height="840" style="border: 0"></iframe>
<script>
let asked = 0;
const answers = new Map();
addEventListener("message", (event) => {
  const answer = answers.get(event.data?.id);
  answers.delete(event.data?.id);
  answer?.(event.data);
});
window.probe = (expression) => new Promise((resolve, reject) => {
  const id = ++asked;
  answers.set(id, (data) => ("error" in data ? reject(new Error(data.error)) : resolve(data.value)));
  setTimeout(() => {
    if (answers.delete(id))
      reject(new Error("no answer"));
  }, 2000);
  document.getElementById("game").contentWindow.postMessage({ probe: expression, id }, "*");
});
</script>
</body></html>`;

const BRIDGE = `<script>
addEventListener("message", async (event) => {
  if (typeof event.data?.probe !== "string")
    return;
  const answer = { id: event.data.id };
  try {
    answer.value = await (0, eval)(event.data.probe);
  } catch (error) {
    answer.error = String(error);
  }
  event.source.postMessage(answer, "*");
});
</script>`;

// The game's page inside the portal's frame, as page.evaluate sees a page (harness/game.mjs's
// helpers take it).
function inFrame(page) {
  return {
    evaluate(fn, ...args) {
      const expression = typeof fn === "function" ? `(${fn})(...${JSON.stringify(args)})` : fn;
      return page.evaluate(`probe(${JSON.stringify(expression)})`);
    },
  };
}

const WORKER_READY = "navigator.serviceWorker.ready.then((ready) => !!ready.active)";
const NOT_KEPT = "was not kept for offline use";
const REGISTERED = "!!window.Module?.dustreachGame && " +
  "navigator.serviceWorker.getRegistration().then((found) => !!found)";

// How often the page's console has said that a build was not kept, for reason. The browser may
// try a build more than once a visit.
async function refusals(page, reason) {
  return (await page.consoleLines()).filter((line) => line.includes(NOT_KEPT) && line.includes(reason)).length;
}

// Waits until the page's console says it once more than before.
async function refusedAgain(page, reason, before) {
  await eventually(async () => (await refusals(page, reason)) > before, `a build refused: ${reason}`, 30);
}

// A host of the kind given (harness/server.mjs), serving under mount what deploy.folders(path)
// names: the folders to look in for a file, first to last. A scenario changes it to deploy.
async function hostOf(ctx, kind, mount = "/") {
  /** @type {{ folders: (relative: string) => string[] }} */
  const deploy = { folders: () => [ctx.folders.site] };
  let handler = null;
  const server = await ctx.serve({ [mount]: (...request) => handler(...request) });
  handler = server.host((relative) => deploy.folders(relative), { kind });
  return { server, deploy, site: new URL(mount, server.address).href };
}

// A deploy seen half-way: the page from one build, sw.js from another, every other file from
// whichever has it, the newer first.
function halfSeen(page, worker, newer, older) {
  return (relative) => {
    if (relative === "" || relative === "index.html")
      return [page];
    return relative === "sw.js" ? [worker] : [newer, older];
  };
}

// The game runs the build whose files are given, with no message.
async function assertRuns(page, files, what) {
  const shown = await page.evaluate(() => {
    const message = /** @type {HTMLElement} */ (document.getElementById("message"));
    const files = /** @type {HTMLElement} */ (document.getElementById("site-files"));
    return {
      message: message.hidden ? "" : message.textContent,
      wasm: JSON.parse(files.textContent).wasm,
      game: !!window.Module?.dustreachGame,
    };
  });
  assert.deepEqual(shown, { message: "", wasm: files.wasm, game: true }, what);
}

// The site's caches hold the build whose files are given, and nothing else.
async function assertKept(page, files, prefix, what) {
  assert.deepEqual(await page.evaluate("caches.keys()"), [`Dustreach ${prefix} ${files.build}`], what);
}

// Clicks "Start it now" once the note offers it, after bringing the tab to the front.
async function clickStart(page) {
  await page.bringToFront();
  // The new worker first fetches and checks every file of its build: slow on a busy machine.
  await page.waitFor('!document.getElementById("update-note").hidden', { what: "the new build offered", timeout: 60 });
  await page.clickElement("#update-now");
}

// Whether the page's game runs, and is of the build whose files are given.
const runsBuild = (page, files) => page.evaluate((wasm) => !!window.Module?.dustreachGame &&
  !Module.dustreachStopped &&
  JSON.parse(/** @type {HTMLElement} */ (document.getElementById("site-files")).textContent).wasm === wasm,
files.wasm).catch(() => false);

// "Start it now" pressed; the page then runs the build given.
async function startNewVersion(page, files) {
  await clickStart(page);
  await eventually(() => runsBuild(page, files), "the new build running", 30);
}

// Both of the site's addresses, the folder's and index.html, with the host gone: the build given.
async function assertOffline(page, host, files, what) {
  await host.server.stop();
  for (const address of [host.site, `${host.site}index.html`]) {
    await page.goto(address);
    await assertRuns(page, files, `${what}, offline, at ${address}`);
  }
  await host.server.start();
}

// Every visit a host sees: the first, the second, offline, then the second build deployed whole
// (after one that is not: see the single-page app's host) and taken, then offline again.
async function visitAll(page, host, builds, prefix, { partialFirst = false } = {}) {
  const what = `${host.kind} host`;
  await page.goto(host.site);
  await assertRuns(page, builds.first, `${what}, first visit`);
  await page.waitFor(WORKER_READY, { what: `${what}: the site kept for offline use` });
  await assertKept(page, builds.first, prefix, `${what}, first visit`);
  await page.goto(`${host.site}index.html`);
  assert.equal(await page.evaluate("!!navigator.serviceWorker.controller"), true, `${what}: from the worker`);
  await assertRuns(page, builds.first, `${what}, second visit`);
  await assertOffline(page, host, builds.first, what);
  if (partialFirst) {
    // The new page and sw.js before the new build's other files: the host answers those with its
    // page.
    host.deploy.folders = halfSeen(builds.secondFolder, builds.secondFolder, builds.firstFolder, builds.firstFolder);
    const before = await refusals(page, "its content is not this build's");
    await page.goto(host.site);
    await refusedAgain(page, "its content is not this build's", before);
    await assertRuns(page, builds.first, `${what}, a partial deploy`);
    await assertKept(page, builds.first, prefix, `${what}, a partial deploy`);
    await assertOffline(page, host, builds.first, `${what}, a partial deploy`);
  }
  host.deploy.folders = () => [builds.secondFolder];
  await page.goto(host.site);
  await startNewVersion(page, builds.second);
  await assertKept(page, builds.second, prefix, `${what}, updated`);
  await assertOffline(page, host, builds.second, `${what}, updated`);
}

async function twoBuilds(ctx) {
  const secondFolder = await secondBuild(ctx);
  return {
    firstFolder: ctx.folders.site,
    secondFolder,
    first: await gameFiles(ctx.folders.site),
    second: await gameFiles(secondFolder),
  };
}

// The scenario's hosts, each in the same browser, one after the other.
async function visitHosts(ctx, kinds) {
  const builds = await twoBuilds(ctx);
  const page = await ctx.open("about:blank", { ready: null });
  for (const [kind, mount, options] of kinds) {
    const host = { kind, ...(await hostOf(ctx, kind, mount)) };
    await visitAll(page, host, builds, mount, options);
  }
}

export const scenarios = [
  {
    name: "hosts that redirect or rewrite: plain, index.html redirected, clean URLs",
    async run(ctx) {
      await visitHosts(ctx, [["plain", "/"], ["index redirected", "/"], ["clean URLs", "/"]]);
    },
  },
  {
    name: "hosts that fall back or nest: a single-page app's fallback, a sub-path",
    async run(ctx) {
      await visitHosts(ctx, [["app fallback", "/", { partialFirst: true }], ["plain", "/games/dustreach/"]]);
    },
  },
  {
    name: "on a game portal, in another origin's frame, the game plays, takes the keyboard and keeps its save",
    async run(ctx) {
      let game = null;
      const server = await ctx.serve({
        "/portal.html": (request, response) => server.sendPage(request, response, portal(server.address)),
        "/": (...request) => game(...request),
      });
      game = server.host(ctx.folders.site, { inject: BRIDGE });
      const page = await ctx.open(`http://localhost:${server.port}/portal.html`, { ready: null });
      const frame = inFrame(page);
      const running = () => frame.evaluate(`(${GAME_READY}) && !!Module.dustreachGame`).catch(() => false);
      await eventually(running, "the game running in the portal's frame", 30);
      const box = await frame.evaluate(() => {
        const canvas = /** @type {HTMLElement} */ (document.getElementById("canvas"));
        const { left, top, width, height } = canvas.getBoundingClientRect();
        return { x: left + width / 2, y: top + height / 2 };
      });
      const frameBox = await page.evaluate(() => {
        const game = /** @type {HTMLElement} */ (document.getElementById("game"));
        const { left, top } = game.getBoundingClientRect();
        return { x: left, y: top };
      });
      await page.click({ x: Math.round(frameBox.x + box.x), y: Math.round(frameBox.y + box.y) });
      assert.equal(await frame.evaluate("document.activeElement.id"), "canvas");
      const before = await gameUpdates(frame);
      await page.press(" ");
      await page.press("k");
      const saved = await gameFile(frame, "currentSave.txt");
      assert.ok(saved, "K saved the game");
      assert.ok((await gameUpdates(frame)) > before, "the game runs");
      await eventually(async () => (await storedFile(frame, "currentSave.txt")) === saved, "the save stored");
      await page.reload({ ready: null });
      await eventually(running, "the game running again after a reload", 30);
      assert.equal(await gameFile(frame, "currentSave.txt"), saved);
    },
  },
  {
    name: "an update with two tabs: never offered without the game, every Start it now ends in the new build",
    async run(ctx) {
      const builds = await twoBuilds(ctx);
      const host = await hostOf(ctx, "plain");
      const elsewhere = '!document.getElementById("elsewhere").hidden';
      const first = await ctx.open(host.site);
      await first.waitFor(WORKER_READY, { what: "the first build kept for offline use" });
      await first.reload();
      await first.press(" ");
      await first.press("k");
      const saved = await gameFile(first, "currentSave.txt");
      await eventually(async () => (await storedFile(first, "currentSave.txt")) === saved, "the save stored");
      host.deploy.folders = () => [builds.secondFolder];
      // The second tab takes the game, and learns of the new build: the first, without the game,
      // never offers it, and shows the new build once it is in charge.
      const second = await first.openTab(host.site, { ready: elsewhere });
      await second.clickElement("#play-here");
      await second.waitFor("!!window.Module?.dustreachGame", { what: "the game moved to the second tab" });
      await second.waitFor('!document.getElementById("update-note").hidden', { what: "the new build offered" });
      assert.equal(await first.evaluate('document.getElementById("update-note").hidden'), true);
      await startNewVersion(second, builds.second);
      assert.equal(await gameFile(second, "currentSave.txt"), saved);
      // Shown, the first tab reloads: its page may go away while it is asked.
      await first.bringToFront();
      const showsSecond = (wasm) => {
        const elsewhere = /** @type {HTMLElement} */ (document.getElementById("elsewhere"));
        const files = /** @type {HTMLElement} */ (document.getElementById("site-files"));
        return !elsewhere.hidden && JSON.parse(files.textContent).wasm === wasm;
      };
      await eventually(() => first.evaluate(showsSecond, builds.second.wasm).catch(() => false),
        "the first tab showing the new build, and where the game is", 30);
      assert.equal(await first.evaluate('document.getElementById("update-note").hidden'), true);
      // Without Web Locks both tabs play; a new build found while they do is offered in each, and
      // started in one, then in the other.
      const noLocks = { beforeLoad: "delete Navigator.prototype.locks;" };
      const other = await hostOf(ctx, "plain");
      const third = await ctx.open(other.site, noLocks);
      await third.waitFor(WORKER_READY, { what: "the first build kept for offline use" });
      await third.reload();
      const fourth = await third.openTab(other.site);
      // NOTE: WebKit may never show the new worker to a page that first asks for its registration
      // while that worker installs (seen 1 run in 10 on a busy machine): both pages hold theirs
      // before the new build is deployed.
      for (const tab of [third, fourth])
        await tab.waitFor(REGISTERED, { what: "the game running, and its registration" });
      other.deploy.folders = () => [builds.secondFolder];
      const update = "navigator.serviceWorker.getRegistration().then((found) => found.update())";
      await fourth.evaluate(`${update}.then(() => true)`);
      await startNewVersion(fourth, builds.second);
      await startNewVersion(third, builds.second);
    },
  },
  {
    name: "a new build that never takes over: Start it now leaves the game playing and says why",
    async run(ctx) {
      const builds = await twoBuilds(ctx);
      // The second build, with a worker that ignores the page's request to take over.
      const stubborn = path.join(await ctx.temporaryFolder(), "site");
      await fs.cp(builds.secondFolder, stubborn, { recursive: true });
      const worker = await fs.readFile(path.join(stubborn, "sw.js"), "utf8");
      await fs.writeFile(path.join(stubborn, "sw.js"), worker.replace("worker.skipWaiting();", "void 0;"));
      const host = await hostOf(ctx, "plain");
      const page = await ctx.open(host.site);
      await page.waitFor(WORKER_READY, { what: "the first build kept for offline use" });
      host.deploy.folders = () => [stubborn];
      await page.reload();
      await clickStart(page);
      await page.waitFor('document.getElementById("update-note").textContent.includes("could not be started")',
        { what: "the note saying the new build could not start", timeout: 30 });
      const note = await page.evaluate('document.getElementById("update-note").firstChild.textContent.trim()');
      assert.equal(await page.evaluate('document.getElementById("update-now").hidden'), true);
      assert.equal(note, "The new version of Dustreach could not be started; this one plays on. " +
      "Reload the page to try again.");
      assert.ok(await runsBuild(page, builds.first), "the first build's game goes on");
      await assertGameRuns(page);
    },
  },
  {
    name: "a new build is offered, and starts, even when no event tells the page of it",
    async run(ctx) {
      const builds = await twoBuilds(ctx);
      const host = await hostOf(ctx, "plain");
      // As WebKit now and then does: the new worker is not yet waiting when the page first looks,
      // and reaches "installed" unheard.
      const deaf = `{ const prototype = ServiceWorkerRegistration.prototype;
        const waiting = Object.getOwnPropertyDescriptor(prototype, "waiting").get;
        let looks = 0;
        Object.defineProperty(prototype, "waiting", {
          get() {
            looks += 1;
            return looks === 1 ? null : waiting.call(this);
          },
        });
        prototype.addEventListener = () => {};
        ServiceWorker.prototype.addEventListener = () => {}; }`;
      const page = await ctx.open(host.site, { beforeLoad: deaf });
      await page.waitFor(WORKER_READY, { what: "the first build kept for offline use" });
      host.deploy.folders = () => [builds.secondFolder];
      await page.reload();
      await startNewVersion(page, builds.second);
    },
  },
  {
    name: "a deploy seen half-way, either way round, never mixes two builds",
    async run(ctx) {
      const builds = await twoBuilds(ctx);
      const page = await ctx.open("about:blank", { ready: null });
      const other = "index.html: it is the page of another build";
      // The new sw.js with the old page, over the first build kept: the first build stays.
      const kept = { kind: "half-deployed", ...(await hostOf(ctx, "plain")) };
      await page.goto(kept.site);
      await page.waitFor(WORKER_READY, { what: "the first build kept for offline use" });
      kept.deploy.folders = halfSeen(builds.firstFolder, builds.secondFolder, builds.secondFolder, builds.firstFolder);
      await page.goto(kept.site);
      await refusedAgain(page, other, 0);
      await assertRuns(page, builds.first, "new sw.js, old page");
      assert.equal(await page.evaluate('document.getElementById("update-note").hidden'), true);
      await assertKept(page, builds.first, "/", "new sw.js, old page");
      await assertOffline(page, kept, builds.first, "new sw.js, old page");
      kept.deploy.folders = () => [builds.secondFolder];
      await page.goto(kept.site);
      await startNewVersion(page, builds.second);
      await assertOffline(page, kept, builds.second, "new sw.js, old page, then the whole deploy");
      // The old sw.js with the new page, on a first visit: the new build plays online, and is
      // kept once its own sw.js is served.
      const fresh = { kind: "half-deployed", ...(await hostOf(ctx, "plain")) };
      fresh.deploy.folders = halfSeen(builds.secondFolder, builds.firstFolder, builds.secondFolder, builds.firstFolder);
      const before = await refusals(page, other);
      await page.goto(fresh.site);
      await assertRuns(page, builds.second, "old sw.js, new page");
      await refusedAgain(page, other, before);
      assert.deepEqual(await page.evaluate("caches.keys()"), []);
      fresh.deploy.folders = () => [builds.secondFolder];
      await page.goto(fresh.site);
      await page.waitFor(WORKER_READY, { what: "the second build kept for offline use" });
      await assertKept(page, builds.second, "/", "old sw.js, new page, then the whole deploy");
      await assertOffline(page, fresh, builds.second, "old sw.js, new page, then the whole deploy");
    },
  },
];
