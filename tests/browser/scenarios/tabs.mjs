// tabs.mjs: one tab at a time. A second tab of the site says the game is open elsewhere, without
// downloading the game, and takes it over on request; a store that does not finish holds the
// hand-over up for seconds at most, and the tab says what was not stored; no score is lost,
// whether the browser has Web Locks or not; two copies of the site on one origin are two games.
import assert from "node:assert/strict";
import { downloadedGameFiles, gameFile, loseGame, playKnownGame, storedFile } from "../harness/game.mjs";
import { eventually } from "../harness/page.mjs";

const ELSEWHERE = '!document.getElementById("elsewhere").hidden';
const elsewhereText = (page) => page.evaluate('document.getElementById("elsewhere-text").textContent');
const stored = (page, text) => eventually(async () => (await storedFile(page, "highScore.txt")) === text,
  `highScore.txt stored as ${JSON.stringify(text)}`);

// A click on "Play here"; the game then runs in this tab. A tab whose game stopped takes it back
// in a fresh page: the waiting goes on through the reload.
async function playHere(page) {
  await page.clickElement("#play-here");
  const moved = `!(${ELSEWHERE}) && !!(window.Module && Module.dustreachGame)`;
  await eventually(() => page.evaluate(moved).catch(() => false), "the game to move here", 20);
  await page.frames(2);
}

export const scenarios = [
  {
    name: "a second tab takes the game over, and back, with every score kept",
    async run(ctx) {
      const first = await ctx.open();
      await loseGame(first, 111);
      await stored(first, "111\n");
      const second = await first.openTab(ctx.site, { ready: ELSEWHERE });
      assert.equal(await elsewhereText(second), "Dustreach is open in another tab.");
      assert.equal(await second.evaluate("typeof Module"), "undefined", "the game is not even loaded");
      assert.deepEqual(await downloadedGameFiles(second), [], "nor downloaded");
      await playHere(second);
      await first.waitFor('document.getElementById("elsewhere-text").textContent === ' +
        '"Dustreach moved to another tab."', { what: "the first tab to say the game moved" });
      assert.equal(await first.evaluate('document.getElementById("canvas").hidden'), true);
      assert.equal(await gameFile(second, "highScore.txt"), "111\n");
      await loseGame(second, 222);
      await stored(second, "111\n222\n");
      // The first tab's game stopped for good; its button takes the game back in a fresh page.
      await first.bringToFront();
      await playHere(first);
      await second.waitFor('document.getElementById("elsewhere-text").textContent === ' +
        '"Dustreach moved to another tab."', { what: "the second tab to let go" });
      assert.equal(await gameFile(first, "highScore.txt"), "111\n222\n");
    },
  },
  {
    name: "a store that does not finish holds the hand-over up for seconds at most, and is said",
    async run(ctx) {
      const first = await ctx.open();
      // From now on no transaction of the first tab's ever ends.
      await first.evaluate(() => {
        // Of a transaction, only what the page uses: requests that never end.
        const request = () => ({});
        const transaction = () => ({ objectStore: () => ({ get: request, put: request }) });
        IDBDatabase.prototype.transaction = /** @type {IDBDatabase["transaction"]} */ (
          /** @type {unknown} */ (transaction));
      });
      await first.press(" ");
      await first.press("k");
      const second = await first.openTab(ctx.site, { ready: ELSEWHERE });
      await playHere(second);
      await first.waitFor(() => /** @type {HTMLElement} */ (document.getElementById("elsewhere-text")).textContent ===
        "Dustreach moved to another tab. The browser did not store currentSave.txt in time: the game" +
        " goes on without its latest version.", { what: "the first tab to say what it could not store" });
    },
  },
  {
    name: "without Web Locks every tab plays; no score is lost, and the last save made wins whatever the clock",
    async run(ctx) {
      const first = await ctx.open("", { beforeLoad: "delete Navigator.prototype.locks;" });
      const second = await first.openTab(ctx.site);
      assert.equal(await second.evaluate("typeof navigator.locks"), "undefined");
      await loseGame(second, 5);
      await stored(second, "5\n");
      await first.bringToFront();
      await loseGame(first, 6);
      await stored(first, "5\n6\n");
      // The last save made wins: the second tab's, made after the first tab's lost game was saved.
      await second.bringToFront();
      await playKnownGame(second); // K saves
      const newest = await gameFile(second, "currentSave.txt");
      await eventually(async () => (await storedFile(second, "currentSave.txt")) === newest,
        "the newest save stored");
      // A score the first tab adds later is appended; a save it makes later wins over the second
      // tab's, even with its clock an hour behind.
      await first.bringToFront();
      await first.evaluate(() => {
        Module.FS.writeFile("/dustreach/highScore.txt", "6\n7\n");
        Module.FS.writeFile("/dustreach/currentSave.txt", "the last save\n");
        const anHourAgo = Date.now() - 3600 * 1000;
        Module.FS.utime("/dustreach/currentSave.txt", anHourAgo, anHourAgo);
      });
      await stored(first, "5\n6\n7\n");
      await eventually(async () => (await storedFile(first, "currentSave.txt")) === "the last save\n",
        "the last save stored");
    },
  },
  {
    name: "two copies of the site on one origin keep separate files",
    async run(ctx) {
      const server = await ctx.serve({ "/a/": ctx.folders.site, "/b/": ctx.folders.site });
      const a = await ctx.open(new URL("a/", server.address));
      await loseGame(a, 1);
      await stored(a, "1\n");
      const b = await a.openTab(new URL("b/", server.address));
      assert.equal(await gameFile(b, "highScore.txt"), null, "the other copy's score is not here");
      await loseGame(b, 2);
      await stored(b, "2\n");
      assert.equal(await storedFile(a, "highScore.txt"), "1\n");
    },
  },
];
