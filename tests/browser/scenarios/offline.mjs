// offline.mjs: the site as an app. One visit keeps it for offline use; a new build is taken whole,
// never mixed with the old one; the manifest describes the app and Chromium finds nothing against
// installing it; a file of the game that is missing or refused is said plainly within seconds.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";
import {
  assertGameRuns, downloadedGameFiles, gameFile, gameFiles, loseGame, playKnownGame, shown, storedFile,
} from "../harness/game.mjs";
import { eventually } from "../harness/page.mjs";

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..", "..", "..");
const WORKER_READY = "navigator.serviceWorker.ready.then((ready) => !!ready.active)";

// A server of the site whose folder the scenario can change, and which answers a file by a
// handler of the scenario's where it gives one.
/**
 * @param {string} folder
 * @param {(relative: string, response: import("node:http").ServerResponse) => boolean} [special]
 */
async function switchableServer(ctx, folder, special = () => false) {
  const where = { folder };
  const server = await ctx.serve({
    "/": (request, response, relative) =>
      special(relative, response) || server.sendFile(request, response, where.folder, relative),
  });
  return { server, where };
}

// A second build of the site: the linked game changed a little (a comment, a custom section, a
// byte after the packed files) and assembled again as the build does.
export async function secondBuild(ctx) {
  const built = path.dirname(ctx.folders.site);
  const game = path.join(await ctx.temporaryFolder(), "game");
  await fs.cp(path.join(built, "game"), game, { recursive: true });
  await fs.appendFile(path.join(game, "dustreach.js"), "\n// the second build\n");
  await fs.appendFile(path.join(game, "dustreach.wasm"), Buffer.from([0, 3, 2, 0x76, 0x32]));
  await fs.appendFile(path.join(game, "dustreach.data"), "2");
  const site = path.join(path.dirname(game), "site");
  execFileSync("python3", [path.join(ROOT, "tools", "web", "assemble_site.py"), game,
    path.join(built, "site-files"), site]);
  return site;
}

export const scenarios = [
  {
    name: "after one visit the game plays offline, its saves intact",
    async run(ctx) {
      const page = await ctx.open();
      await page.waitFor(WORKER_READY, { what: "the site kept for offline use" });
      await loseGame(page, 51);
      await playKnownGame(page); // K saves
      const saved = await gameFile(page, "currentSave.txt");
      await eventually(async () => (await storedFile(page, "currentSave.txt")) === saved, "the save stored");
      await ctx.server.stop();
      await page.reload();
      assert.equal(await shown(page, "message"), false);
      assert.equal(await gameFile(page, "currentSave.txt"), saved);
      assert.equal(await gameFile(page, "highScore.txt"), "51\n");
      await page.press(" ");
      await assertGameRuns(page);
    },
  },
  {
    name: "a new build is taken whole, with the saves",
    async run(ctx) {
      const first = await gameFiles(ctx.folders.site);
      const site = await secondBuild(ctx);
      const second = await gameFiles(site);
      const { server, where } = await switchableServer(ctx, ctx.folders.site);
      const page = await ctx.open(server.address);
      await page.waitFor(WORKER_READY, { what: "the first build kept for offline use" });
      await loseGame(page, 61);
      await eventually(async () => (await storedFile(page, "highScore.txt")) === "61\n", "the score stored");
      where.folder = site;
      await page.reload(); // the first build, from its cache; the second installs meanwhile
      await page.waitFor('!document.getElementById("update-note").hidden', { what: "the new build offered" });
      await page.clickElement("#update-now");
      const runs = (files) => !!window.Module?.dustreachGame &&
        JSON.parse(/** @type {HTMLElement} */ (document.getElementById("site-files")).textContent).wasm === files.wasm;
      await eventually(() => page.evaluate(runs, second).catch(() => false), "the second build running", 30);
      const loaded = await downloadedGameFiles(page);
      assert.deepEqual([...new Set(loaded)].sort(), [second.game, second.wasm, second.data].sort());
      const caches = await page.evaluate("caches.keys()");
      const worker = await fs.readFile(path.join(site, "sw.js"), "utf8");
      const cache = /CACHE_NAME = "(\w+)"/.exec(worker)?.[1];
      assert.ok(cache, "sw.js names its cache");
      assert.deepEqual(caches, [`Dustreach / ${cache}`]);
      assert.notEqual(first.wasm, second.wasm);
      assert.equal(await gameFile(page, "highScore.txt"), "61\n");
    },
  },
  {
    name: "the manifest describes the app, with its icons at their sizes",
    async run(ctx) {
      const page = await ctx.open();
      const manifest = await page.evaluate(async () => {
        const link = /** @type {HTMLLinkElement} */ (document.querySelector('link[rel="manifest"]'));
        const manifest = await (await fetch(link.href)).json();
        for (const icon of manifest.icons) {
          const picture = await createImageBitmap(await (await fetch(icon.src)).blob());
          icon.actual = `${picture.width}x${picture.height}`;
        }
        return manifest;
      });
      assert.equal(manifest.name, "Dustreach");
      assert.ok(manifest.short_name.length <= 12);
      assert.ok(["standalone", "fullscreen"].includes(manifest.display));
      assert.equal(manifest.orientation, "any", "the installed app turns with the device");
      for (const icon of manifest.icons)
        assert.equal(icon.actual, icon.sizes, icon.src);
      const sizes = (purpose) => manifest.icons.filter((icon) => (icon.purpose || "any") === purpose)
        .map((icon) => icon.sizes);
      assert.deepEqual(sizes("any"), ["192x192", "512x512"]);
      assert.deepEqual(sizes("maskable"), ["512x512"]);
    },
  },
  {
    name: "Chromium finds nothing against installing the site",
    cannot: {
      firefox: "installability is reported by Chromium's DevTools protocol only",
      webkit: "installability is reported by Chromium's DevTools protocol only",
    },
    async run(ctx) {
      const page = await ctx.open();
      await page.waitFor(WORKER_READY, { what: "the service worker" });
      const session = await page.cdp();
      assert.deepEqual((await session.send("Page.getAppManifest")).errors, []);
      assert.deepEqual((await session.send("Page.getInstallabilityErrors")).installabilityErrors, []);
    },
  },
  {
    name: "a file of the game missing or refused is said plainly within seconds",
    async run(ctx) {
      const files = await gameFiles(ctx.folders.site);
      const failures = {
        [files.game]: [(response) => response.writeHead(404).end(), "404 Not Found"],
        [files.wasm]: [(response) => response.writeHead(403, "Forbidden").end(), "403 Forbidden"],
        [files.data]: [(response) => response.socket.destroy(), "the connection failed"],
      };
      let failing = "";
      const { server } = await switchableServer(ctx, ctx.folders.site, (relative, response) =>
        relative === failing && (failures[failing][0](response), true));
      for (const [name, [, problem]] of Object.entries(failures)) {
        failing = name;
        const page = await ctx.open(server.address);
        const seconds = (await page.evaluate("performance.now()")) / 1000;
        const text = await page.evaluate('document.getElementById("message").textContent');
        assert.equal(text, `Could not load ${name} from this site (${problem}). Reload the page to try again.`);
        assert.equal(await shown(page, "canvas"), false);
        assert.ok(seconds < 10, `${name}: said after ${seconds} s`);
        ctx.log(`${name} (${problem}): said within ${seconds.toFixed(1)} s`);
      }
    },
  },
];
