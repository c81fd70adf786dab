// page.js: connects the game (dustreach.js) to the page and starts it. It checks that the browser
// can run it, keeps the game's mouse buttons from scrolling the page or opening menus (input.js
// does the same for its keys), then plays here or says that another tab does. The rest is in its
// modules: loading.js (the downloads, and what the page says when the game cannot start), tabs.js
// (one tab at a time), updates.js (offline use and updates, with sw.js) and notes.js (the notes
// under the game). Every storage API they touch may throw or refuse (site data blocked): the game
// then plays all the same.
import { load, showFailure } from "./loading.js";
import { showUnstoredBefore } from "./notes.js";
import { claimGame, remembered, setUpTabs, showElsewhere, siteName, takeOver } from "./tabs.js";
import { setUpUpdates } from "./updates.js";

var canvas = /** @type {HTMLCanvasElement} */ (document.getElementById("canvas"));
var message = /** @type {HTMLElement} */ (document.getElementById("message"));
var focusHint = /** @type {HTMLElement} */ (document.getElementById("focus-hint"));
var tryAgain = /** @type {HTMLButtonElement} */ (document.getElementById("try-again"));
// The site's assembly (tools/web/assemble_site.py) names the game's files after their content
// and lists them here, so this page never pairs one build's code with another's data.
/**
 * @typedef {object} SiteFiles
 * @property {string} game the game's script, dustreach.<hash>.js
 * @property {string} wasm the game, dustreach.<hash>.wasm
 * @property {string} data its pictures and font, dustreach.<hash>.data
 * @property {{ wasm: number, data: number }} sizes the bytes of the last two
 * @property {string} build the build's name
 */
var siteFiles = /** @type {HTMLElement} */ (document.getElementById("site-files"));
/** @type {SiteFiles} */
export var site = JSON.parse(/** @type {string} */ (siteFiles.textContent));
// state: "loading", "running", "elsewhere" (another tab has the game), "moved" or "failed".
export var page = { state: "loading", running: false };

// index.html's loader said this script was late: it is here now.
if (message.dataset.late) {
  message.hidden = true;
  tryAgain.hidden = true;
}

tryAgain.addEventListener("click", function () {
  location.reload();
});

if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
  window.dustreachPageReady = true;
  showFailure("Dustreach needs WebAssembly, which this browser lacks or has turned off.");
} else {
  start();
}

function start() {
  // SDL cancels presses on the canvas (no middle-button autoscroll), which also keeps the canvas
  // from taking the focus: give it the keyboard here. The right button opens no menu on it.
  canvas.addEventListener("mousedown", function (event) {
    canvas.focus({ preventScroll: true });
    event.preventDefault();
  });
  canvas.addEventListener("contextmenu", function (event) {
    event.preventDefault();
  });
  canvas.addEventListener("focus", function () {
    focusHint.hidden = true;
  });
  canvas.addEventListener("blur", function () {
    focusHint.hidden = !page.running;
  });

  setUpTabs();
  setUpUpdates();

  // A game an update left unstored (stopGame) is said on the page that follows.
  var unstoredBefore = remembered(siteName + " not stored");
  if (unstoredBefore)
    showUnstoredBefore(unstoredBefore);

  if (!navigator.locks) {
    load();
  } else if (remembered(siteName) === "take over") {
    showElsewhere("Moving the game here…");
    takeOver();
  } else {
    claimGame(1);
  }
  // index.html's loader says what goes wrong before this point; page.js from here on.
  window.dustreachPageReady = true;
}
