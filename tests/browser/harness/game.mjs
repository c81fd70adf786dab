// game.mjs: what the harness knows of the game's page: when it is ready and whether it runs, how
// its canvas stays readable or loses WebGL, which of its elements show, and where the game's files
// are (the built site's, those a page downloaded, its file system in memory, and IndexedDB behind
// it).
import assert from "node:assert/strict";
import fs from "node:fs/promises";
import path from "node:path";

// The game runs, or the page gave up and shows its message instead.
export const GAME_READY =
  '!document.getElementById("message").hidden || !!(window.Module && Module.dustreachGame)';

// Keeps the canvas readable after a frame was shown, whichever context the game gets (a WebGL
// canvas is cleared once shown, otherwise). Every page runs it first unless opened with
// readableCanvas: false.
export const KEEP_DRAWING_BUFFER = `{
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (type, attributes) {
  if (/webgl/.test(type)) attributes = Object.assign({}, attributes, {preserveDrawingBuffer: true});
  return getContext.call(this, type, attributes);
};}`;

// Takes WebGL away: SDL then draws through the canvas's 2-D context.
export const NO_WEBGL = `{
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (type, attributes) {
  return /webgl/.test(type) ? null : getContext.call(this, type, attributes);
};}`;

// The game's file names in a built site (its folder), as its index.html lists them: { wasm, data,
// build, ... }.
export async function gameFiles(site) {
  const index = await fs.readFile(path.join(site, "index.html"), "utf8");
  const listed = /<script type="application\/json" id="site-files">(.*?)<\/script>/.exec(index);
  if (!listed)
    throw new Error(`${site}/index.html lists no files of the game`);
  return JSON.parse(listed[1]);
}

// Whether the page's element of that id is shown (not hidden).
export function shown(page, id) {
  return page.evaluate((id) => {
    const element = /** @type {HTMLElement} */ (document.getElementById(id));
    return !element.hidden;
  }, id);
}

// The game's files (dustreach.HASH.*) the page has downloaded so far, by name, each time it did.
export function downloadedGameFiles(page) {
  return page.evaluate(() => performance.getEntriesByType("resource")
    .map((entry) => entry.name.slice(entry.name.lastIndexOf("/") + 1))
    .filter((name) => /^dustreach\.\w{12}\./.test(name)));
}

// How many updates the game's loop has made so far: it grows while the game runs.
export function gameUpdates(page) {
  return page.evaluate("Module._dustreach_updates(Module.dustreachGame)");
}

// Fails with what unless the game's loop goes on over the page's next 20 frames.
export async function assertGameRuns(page, what = "the game runs") {
  const before = await gameUpdates(page);
  await page.frames(20);
  assert.ok((await gameUpdates(page)) > before, what);
}

// One of the game's files as the game sees it (text), or null when there is none.
export function gameFile(page, name) {
  return page.evaluate((name) => {
    try {
      return Module.FS.readFile("/dustreach/" + name, { encoding: "utf8" });
    } catch {
      return null;
    }
  }, name);
}

// What IndexedDB holds for one of the game's files, as text ("" when nothing).
export function storedFile(page, name) {
  return storedFiles(page).then((files) => files[name] ?? "");
}

// Every file IndexedDB holds for the site, as { name: text }: the page keeps them in a database
// named after the site's path, under their plain names (app/browser/storage.js).
export function storedFiles(page) {
  return page.evaluate(() => new Promise((resolve) => {
    const open = indexedDB.open("Dustreach " + location.pathname.replace(/[^/]*$/, ""));
    open.onsuccess = () => {
      const files = {};
      const cursor = open.result.transaction("files").objectStore("files").openCursor();
      cursor.onsuccess = () => {
        if (!cursor.result) {
          open.result.close();
          resolve(files);
          return;
        }
        files[cursor.result.key] = new TextDecoder().decode(cursor.result.value.contents);
        cursor.result.continue();
      };
    };
    open.onerror = () => resolve({});
  }));
}

// A game in which nothing can reach the ship, however slowly the test goes, while it is steered
// left, down or a little up: its fields as the save file has them (score, lives, the ship, four
// enemies, the UFO, the speed boost, the level). The enemies fall in one column at the right edge,
// 190 pixels apart, clear of each other and of the UFO, so no hit ever sends one elsewhere; the
// ship, at the bottom, would have to be steered 265 pixels right to meet them. The UFO, in the top
// left corner, wanders; it chases a ship steered 135 pixels left, and then needs some six seconds
// to come down to it. 1000 lives outlast the enemies' trips to the bottom (one life each) for
// many minutes.
export const KNOWN_GAME = [0, 1000, 280, 610, 580, 30, 580, 220, 580, 410, 580, 600, 0, 0, 0, 1];
// The same the other way round, for a ship steered right: the enemies at the left edge, the UFO in
// the top right corner.
export const KNOWN_GAME_FOR_RIGHT = [0, 1000, 280, 610, 10, 30, 10, 220, 10, 410, 10, 600, 570, 0, 0, 1];

// The game as the save file has it: { score, lives, x, y } (the ship's place), or null when the
// game is not running (K saves only then).
export async function gameState(page) {
  await page.evaluate('try { Module.FS.unlink("/dustreach/currentSave.txt"); } catch (error) {}');
  await page.evaluate('document.getElementById("canvas").focus()');
  await page.press("k");
  const text = await gameFile(page, "currentSave.txt");
  if (text === null)
    return null;
  const [score, lives, x, y] = text.split(/\s+/).map(Number);
  return { score, lives, x, y };
}

// Plays KNOWN_GAME (or record), loaded with L from a pause, whatever state the game was in: the
// start screen, running, paused or lost. Between the check of the state and the keys that act on
// it, the game may have been lost meanwhile (a game over pauses it): so the load is checked, and
// tried again until the game runs with the record's lives.
export async function playKnownGame(page, record = KNOWN_GAME) {
  for (let attempt = 1; attempt <= 5; ++attempt) {
    if ((await gameState(page)) === null)
      await page.press(" "); // from the start screen or a pause, to play
    await page.press(" "); // and pause
    await page.evaluate((text) => Module.FS.writeFile("/dustreach/currentSave.txt", text),
      record.map((field) => `${field}\n`).join(""));
    await page.press("l");
    const state = await gameState(page);
    if (state !== null && state.lives > record[1] - 100)
      return state;
  }
  throw new Error("the known game never ran");
}

// Loses a game with score: a saved game without lives, loaded while paused, is lost at once, and
// its score appended to "highScore.txt". From the known game, which nothing can end meanwhile.
export async function loseGame(page, score) {
  await playKnownGame(page);
  await page.press(" ");
  const record = [score, 0, 230, 610, 95, 30, 295, 30, 395, 30, 495, 30, 205, 28, 0, 1];
  await page.evaluate((text) => Module.FS.writeFile("/dustreach/currentSave.txt", text),
    record.map((field) => `${field}\n`).join(""));
  await page.press("l");
}
