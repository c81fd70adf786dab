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
    } catch (error) {
      return null;
    }
  }, name);
}

// What IndexedDB holds for one of the game's files, as text ("" when nothing).
export function storedFile(page, name) {
  return page.evaluate((path) => new Promise((resolve) => {
    const open = indexedDB.open("/dustreach");
    open.onsuccess = () => {
      const get = open.result.transaction("FILE_DATA").objectStore("FILE_DATA").get(path);
      get.onsuccess = () => resolve(get.result ? new TextDecoder().decode(get.result.contents) : "");
      get.onerror = () => resolve("");
    };
    open.onerror = () => resolve("");
  }), "/dustreach/" + name);
}
