// tabs.js: one tab at a time plays. The tab that plays holds a Web Lock named after the site's
// path (two copies of the site on one origin are two games). Another tab says so and offers to
// play there: it asks the playing tab, over a BroadcastChannel of the same name, to store its
// files, stop and let go, and starts from the stored files once it has the lock. Without Web
// Locks every tab plays; storage.js merges what they store, so no score is lost either way.
import { hideGame, load } from "./loading.js";
import { notStoredText } from "./notes.js";
import { page } from "./page.js";
import { reloadWhenMoved, reloadWhenShown, updating } from "./updates.js";

var elsewhere = /** @type {HTMLElement} */ (document.getElementById("elsewhere"));
var elsewhereText = /** @type {HTMLElement} */ (document.getElementById("elsewhere-text"));
var playHere = /** @type {HTMLButtonElement} */ (document.getElementById("play-here"));
// The longest the hand-over and an update wait for the game's files to be stored.
var kStoreWithinMs = 4000;

export var siteName = "Dustreach " + location.pathname.replace(/[^/]*$/, "");
var channel = null;
/** @type {((value?: unknown) => void) | null} */
export var releaseLock = null;
export var waitingForLock = false;

// sessionStorage, or nothing where the browser refuses it (site data blocked).
export function remembered(key) {
  try {
    var value = sessionStorage.getItem(key);
    sessionStorage.removeItem(key);
    return value;
  } catch {
    return null;
  }
}

function remember(key, value) {
  try {
    sessionStorage.setItem(key, value);
  } catch {
    // Site data blocked: the next page does without it.
  }
}

export function letGo() {
  if (releaseLock)
    releaseLock();
  releaseLock = null;
}

// The lock's callback: the lock is held until the promise it returns settles.
function playWhileHolding() {
  return new Promise(function (release) {
    releaseLock = release;
    elsewhere.hidden = true;
    load();
  });
}

export function showElsewhere(text) {
  page.state = "elsewhere";
  hideGame();
  elsewhereText.textContent = text;
  elsewhere.hidden = false;
}

export function takeOver() {
  elsewhereText.textContent = "Moving the game here…";
  if (channel)
    channel.postMessage("take over");
  if (waitingForLock)
    return;  // asked again: the other tab may have missed the first request
  waitingForLock = true;
  var granted = false;
  navigator.locks.request(siteName, function () {
    granted = true;
    return playWhileHolding();
  }).catch(function (error) {
    if (granted)
      return;
    // Web Locks refused after all: this tab plays, as where there are none.
    console.log("Dustreach plays without Web Locks:", error);
    load();
  });
}

// Stops a running game for good; resolves once its files are stored, or after kStoreWithinMs at
// most, to the names of those the store lacks ([] when none).
export function stopGame() {
  if (page.state !== "running")
    return Promise.resolve([]);
  // The game may still be starting (its loop not yet begun): the flag keeps it from beginning.
  Module.dustreachStopped = true;
  Module._dustreach_stop(Module.dustreachGame);
  page.running = false;
  return Module.dustreachStorage.whenIdle(kStoreWithinMs).then(function (names) {
    // An update reloads the page: the next one says it.
    if (updating && names.length > 0)
      remember(siteName + " not stored", names.join(" and "));
    return names;
  });
}

// This tab gives the game to another: the files stored, then the lock released.
function moveAway() {
  var stopped = stopGame();
  page.state = "moved";
  stopped.then(function (names) {
    showElsewhere("Dustreach moved to another tab." + notStoredText(names));
    page.state = "moved";
    letGo();
    if (reloadWhenMoved)
      reloadWhenShown();
  });
}

// Listens for another tab's request for the game, and offers to play here.
export function setUpTabs() {
  try {
    channel = new BroadcastChannel(siteName);
  } catch {
    // Missing or refused: a tab asked to play here waits for the lock alone.
  }
  if (channel) {
    channel.onmessage = function (event) {
      if (event.data === "take over" && (page.state === "loading" || page.state === "running"))
        moveAway();
    };
  }

  playHere.addEventListener("click", function () {
    if (page.state === "elsewhere") {
      takeOver();
    } else {
      // This page's game has stopped for good: a fresh page takes the game back.
      remember(siteName, "take over");
      location.reload();
    }
  });
}

// Plays here when no other tab holds the game. The page this tab showed before (a navigation
// between the site's addresses) may hold the lock a moment longer while it unloads, so a lock
// that is taken is asked for again, retries times, a second apart, before the tab gives way.
export function claimGame(retries) {
  var answered = false;
  navigator.locks.request(siteName, { ifAvailable: true }, function (lock) {
    answered = true;
    if (lock)
      return playWhileHolding();
    if (retries > 0)
      setTimeout(claimGame, 1000, retries - 1);
    else
      showElsewhere("Dustreach is open in another tab.");
    return null;
  }).catch(function (error) {
    if (answered)
      return;
    // Web Locks refused (site data blocked): this tab plays, as where there are none.
    console.log("Dustreach plays without Web Locks:", error);
    load();
  });
}
