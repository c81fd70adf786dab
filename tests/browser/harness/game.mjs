// game.mjs: what the harness knows of the game's page: when it is ready, how its canvas stays
// readable or loses WebGL, and where the game's files are (its file system in memory, and
// IndexedDB behind it).

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

// Loses a game with score, from the start screen or a paused game: a saved game without lives,
// loaded while paused, is lost at once, and its score appended to "highScore.txt".
export async function loseGame(page, score) {
  const record = [score, 0, 230, 610, 95, 30, 295, 30, 395, 30, 495, 30, 205, 28, 0, 1];
  await page.evaluate((text) => Module.FS.writeFile("/dustreach/currentSave.txt", text),
    record.map((field) => `${field}\n`).join(""));
  await page.press(" ");
  await page.press(" ");
  await page.press("l");
}
