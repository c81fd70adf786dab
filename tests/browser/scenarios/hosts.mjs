// hosts.mjs: the site on the kinds of host players meet, the test server acting as each: plain,
// index.html redirected to the folder's address, clean URLs, a single-page app's fallback (200 and
// the page for any missing file), a sub-path, a deploy seen half-way both ways round, and a game
// portal showing the site in an iframe of another origin. On each: the first visit, the second
// (from the cache), offline after, and an update to a second build, taken whole. Several hosts
// share one browser: each is a server of its own port, so an origin of its own.
import assert from "node:assert/strict";
import { gameFile, GAME_READY, storedFile } from "../harness/game.mjs";
import { eventually } from "../harness/page.mjs";
import { gameFiles, secondBuild } from "./offline.mjs";

const WORKER_READY = "navigator.serviceWorker.ready.then((ready) => !!ready.active)";
const NOT_KEPT = "was not kept for offline use";

// Waits until the page's console has said count times that a build was not kept, for reason.
async function refused(page, reason, count) {
  const said = async () => (await page.consoleLines()).filter((line) =>
    line.includes(NOT_KEPT) && line.includes(reason)).length;
  await eventually(async () => (await said()) >= count, `a build refused: ${reason}`, 30);
  assert.equal(await said(), count);
}

// A host of the kind given (harness/server.mjs), serving under mount what deploy.folders(path)
// names: the folders to look in for a file, first to last. A scenario changes it to deploy.
async function hostOf(ctx, kind, mount = "/") {
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
  const shown = await page.evaluate(() => ({
    message: document.getElementById("message").hidden ? "" : document.getElementById("message").textContent,
    wasm: JSON.parse(document.getElementById("site-files").textContent).wasm,
    game: !!window.Module?.dustreachGame,
  }));
  assert.deepEqual(shown, { message: "", wasm: files.wasm, game: true }, what);
}

// The site's caches hold the build whose files are given, and nothing else.
async function assertKept(page, files, prefix, what) {
  assert.deepEqual(await page.evaluate("caches.keys()"), [`Dustreach ${prefix} ${files.build}`], what);
}

// "Start it now" pressed once the note offers it; the page then runs the build given.
async function startNewVersion(page, files) {
  await page.waitFor('!document.getElementById("update-note").hidden', { what: "the new build offered" });
  const { x, y } = await page.middleOf("#update-now");
  await page.tab.click(x, y, "left");
  const runs = (wasm) => !!window.Module?.dustreachGame &&
    JSON.parse(document.getElementById("site-files").textContent).wasm === wasm;
  await eventually(() => page.evaluate(runs, files.wasm).catch(() => false), "the new build running", 30);
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
    await page.goto(host.site);
    await refused(page, "its content is not this build's", 1);
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
      await refused(page, other, 1);
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
      await page.goto(fresh.site);
      await assertRuns(page, builds.second, "old sw.js, new page");
      await refused(page, other, 2);
      assert.deepEqual(await page.evaluate("caches.keys()"), []);
      fresh.deploy.folders = () => [builds.secondFolder];
      await page.goto(fresh.site);
      await page.waitFor(WORKER_READY, { what: "the second build kept for offline use" });
      await assertKept(page, builds.second, "/", "old sw.js, new page, then the whole deploy");
      await assertOffline(page, fresh, builds.second, "old sw.js, new page, then the whole deploy");
    },
  },
];
