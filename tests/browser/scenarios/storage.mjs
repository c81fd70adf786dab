// storage.mjs: the game's two files in IndexedDB. The store holds those two files and nothing
// else, and the browser is asked to keep it; a browser whose IndexedDB is missing, refuses, never
// answers or is full still plays, says that saves will not last, and loses nothing it could keep;
// the last save made is stored whatever the computer's clock says; a connection the browser closed
// is opened again; files kept by earlier builds (IDBFS) are taken over, also after a start cut
// short.
import assert from "node:assert/strict";
import { gameFile, loseGame, playKnownGame, shown, storedFile, storedFiles } from "../harness/game.mjs";
import { eventually } from "../harness/page.mjs";

const databases = (page) => page.evaluate(async () => (await indexedDB.databases()).map((base) => base.name).sort());
const logged = (page, line) => eventually(async () => (await page.consoleText()).includes(line), line);
const SAVE = "12\n5\n230\n610\n95\n30\n295\n30\n395\n30\n495\n30\n205\n28\n0\n1\n";

// The two files as earlier builds kept them (emscripten's IDBFS, a database named "/dustreach").
function keptByIdbfs(page, save, scores) {
  return page.evaluate((save, scores) => new Promise((resolve) => {
    const open = indexedDB.open("/dustreach", 21);
    open.onupgradeneeded = () => open.result.createObjectStore("FILE_DATA");
    open.onsuccess = () => {
      const transaction = open.result.transaction("FILE_DATA", "readwrite");
      const files = transaction.objectStore("FILE_DATA");
      const file = (text) => ({ timestamp: new Date(), mode: 33206, contents: new TextEncoder().encode(text) });
      files.put({ timestamp: new Date(), mode: 16877 }, "/dustreach");
      files.put(file(save), "/dustreach/currentSave.txt");
      files.put(file(scores), "/dustreach/highScore.txt");
      transaction.oncomplete = () => resolve(open.result.close());
    };
  }), save, scores);
}

export const scenarios = [
  {
    name: "IndexedDB holds the two files under their names after a save, a lost game and a reload",
    async run(ctx) {
      // The browser is asked once to keep the storage; it never answers, and the game never waits.
      // (WebKitGTK has no navigator.storage: here it gets one.)
      const persist = `(navigator.storage || Object.defineProperty(navigator, "storage", { value: {} }).storage)
      .persist = () => {
        window.persistAsked = (window.persistAsked || 0) + 1;
        return new Promise(() => {});
      };`;
      const page = await ctx.open("", { beforeLoad: persist });
      assert.deepEqual(await storedFiles(page), {});
      assert.equal(await page.evaluate("window.persistAsked || 0"), 0);
      await playKnownGame(page); // K saves
      const saved = await gameFile(page, "currentSave.txt");
      await eventually(async () => (await storedFile(page, "currentSave.txt")) === saved, "the save stored");
      assert.equal(await page.evaluate("window.persistAsked"), 1);
      await loseGame(page, 31);
      const lost = await gameFile(page, "currentSave.txt");
      await eventually(async () => (await storedFile(page, "highScore.txt")) === "31\n", "the score stored");
      assert.equal(await page.evaluate("window.persistAsked"), 1);
      await page.reload();
      assert.deepEqual(await storedFiles(page), { "currentSave.txt": lost, "highScore.txt": "31\n" });
      assert.equal(await gameFile(page, "currentSave.txt"), lost);
      assert.equal(await gameFile(page, "highScore.txt"), "31\n");
      assert.deepEqual(await databases(page), ["Dustreach /"]);
    },
  },
  {
    name: "an IndexedDB that is missing, refuses or never answers: the game plays, saves do not last",
    async run(ctx) {
      const cases = {
        missing: "Object.defineProperty(window, 'indexedDB', { value: undefined });",
        refusing: `IDBFactory.prototype.open = function () {
          const request = {};
          setTimeout(() => request.onerror({ target: request }), 10);
          return request;
        };`,
        silent: "IDBFactory.prototype.open = function () { return {}; };",
      };
      for (const [name, beforeLoad] of Object.entries(cases)) {
        const page = await ctx.open("", { beforeLoad });
        assert.ok(await shown(page, "storage-note"), name);
        assert.equal(await shown(page, "message"), false, name);
        const started = await page.evaluate("performance.now()");
        ctx.log(`${name} IndexedDB: the game runs after ${(started / 1000).toFixed(1)} s at most`);
        await playKnownGame(page); // K saves
        assert.notEqual(await gameFile(page, "currentSave.txt"), null, `${name}: saved for the page's life`);
        await logged(page, "Could not save the game to currentSave.txt");
      }
    },
  },
  {
    name: "a full store: the note and the game's failure lines, and the files stored once it has room",
    async run(ctx) {
      const page = await ctx.open();
      await loseGame(page, 1);
      await eventually(async () => (await storedFile(page, "highScore.txt")) === "1\n", "the first score");
      const put = "IDBObjectStore.prototype.put";
      await page.evaluate(`window.roomyPut = ${put}; ${put} = function () {
        throw new DOMException("The quota has been exceeded.", "QuotaExceededError"); };`);
      await playKnownGame(page); // K saves
      await logged(page, "Could not save the game to currentSave.txt");
      assert.ok(await shown(page, "storage-note"));
      await loseGame(page, 2);
      await logged(page, "Could not record the score in highScore.txt");
      await page.evaluate(`${put} = window.roomyPut;`);
      // A score line added and stored alone: the store still lacks the last save, so the note stays.
      await page.evaluate(() => Module.FS.writeFile("/dustreach/highScore.txt", "1\n2\n3\n"));
      await eventually(async () => (await storedFile(page, "highScore.txt")) === "1\n2\n3\n", "the scores");
      assert.ok(await shown(page, "storage-note"), "the note while the save is not stored");
      await loseGame(page, 4);
      await eventually(async () => (await storedFile(page, "highScore.txt")) === "1\n2\n3\n4\n", "every score");
      await eventually(async () => !(await shown(page, "storage-note")), "the note gone");
    },
  },
  {
    name: "the files kept by earlier builds (IDBFS) are taken over",
    async run(ctx) {
      const page = await ctx.open("licences/font.txt", { ready: null });
      await keptByIdbfs(page, SAVE, "900\n800\n");
      await page.goto(ctx.site);
      assert.deepEqual(await storedFiles(page), { "currentSave.txt": SAVE, "highScore.txt": "900\n800\n" });
      assert.equal(await gameFile(page, "highScore.txt"), "900\n800\n");
    },
  },
  {
    name: "the take-over of the earlier builds' files is finished after a start cut short, never over newer files",
    async run(ctx) {
      // A start closed after making the store, and the scores stored since: the old save is
      // still taken over, the old scores never replace the newer ones.
      const page = await ctx.open("licences/font.txt", { ready: null });
      await keptByIdbfs(page, SAVE, "900\n800\n");
      await page.evaluate(() => new Promise((resolve) => {
        const open = indexedDB.open("Dustreach /", 1);
        open.onupgradeneeded = () => open.result.createObjectStore("files");
        open.onsuccess = () => {
          const transaction = open.result.transaction("files", "readwrite");
          const contents = new TextEncoder().encode("7\n");
          transaction.objectStore("files").put({ contents, written: Date.now() }, "highScore.txt");
          transaction.oncomplete = () => resolve(open.result.close());
        };
      }));
      await page.goto(ctx.site);
      assert.deepEqual(await storedFiles(page), { "currentSave.txt": SAVE, "highScore.txt": "7\n" });
      assert.equal(await gameFile(page, "currentSave.txt"), SAVE);
    },
  },
  {
    name: "the last save made is stored, with the clock moved back and moved forward between saves",
    async run(ctx) {
      const clock = "{ const now = Date.now; window.clockShift = 0; " +
        "Date.now = () => now.call(Date) + window.clockShift; }";
      const page = await ctx.open("", { beforeLoad: clock });
      await page.press(" ");
      const saves = [];
      // An hour ahead; then back to the right time; then a day ahead. The ship moves between
      // saves, so each save differs from the one before.
      /** @type {[number, string][]} */
      const shifts = [[3600e3, ""], [0, "d"], [86400e3, "a"]];
      for (const [shift, key] of shifts) {
        await page.evaluate((shift) => {
          /** @type {typeof window & { clockShift: number }} */ (window).clockShift = shift;
        }, shift);
        if (key)
          await page.press(key, { hold: 300 });
        await page.press("k");
        const saved = await gameFile(page, "currentSave.txt");
        assert.notEqual(saved, saves.at(-1));
        saves.push(saved);
        await eventually(async () => (await storedFile(page, "currentSave.txt")) === saved,
          `the save made with the clock moved by ${shift / 3600e3} h stored`);
      }
      await page.reload();
      assert.equal(await gameFile(page, "currentSave.txt"), saves.at(-1));
    },
  },
  {
    name: "a connection to IndexedDB the browser closed is opened again, and the save stored",
    async run(ctx) {
      const keepConnections = `{ const open = IDBFactory.prototype.open; window.connections = [];
        IDBFactory.prototype.open = function (...args) {
          const request = open.apply(this, args);
          request.addEventListener("success", () => window.connections.push(request.result));
          return request;
        }; }`;
      const page = await ctx.open("", { beforeLoad: keepConnections });
      assert.ok(await page.evaluate("connections.length > 0"));
      await page.evaluate(() => {
        const { connections } = /** @type {typeof window & { connections: IDBDatabase[] }} */ (window);
        connections.forEach((connection) => connection.close());
      });
      await page.press(" ");
      await page.press("k");
      const saved = await gameFile(page, "currentSave.txt");
      await eventually(async () => (await storedFile(page, "currentSave.txt")) === saved, "the save stored");
      assert.equal((await page.consoleText()).includes("Could not save"), false);
      assert.equal(await shown(page, "storage-note"), false);
    },
  },
  {
    name: "an IndexedDB that refused at the start and works later: the note goes once a save is stored",
    async run(ctx) {
      const refusingOnce = `{ const open = IDBFactory.prototype.open;
        IDBFactory.prototype.open = function () {
          IDBFactory.prototype.open = open;
          const request = {};
          setTimeout(() => request.onerror({ target: request }), 10);
          return request;
        }; }`;
      const page = await ctx.open("", { beforeLoad: refusingOnce });
      assert.ok(await shown(page, "storage-note"));
      await playKnownGame(page); // K saves
      const saved = await gameFile(page, "currentSave.txt");
      await eventually(async () => (await storedFile(page, "currentSave.txt")) === saved, "the save stored");
      await eventually(async () => !(await shown(page, "storage-note")), "the note gone");
    },
  },
];
