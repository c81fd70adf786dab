// updates.js: offline use and updates. sw.js keeps every file of the site for offline use. A new
// build arrives as a new sw.js: it installs in the background and takes over once no page of the
// old build is open, or at once when the player asks (the note under the game, shown only where
// the game runs). Registered once the game runs, so its downloads never compete with the game's.
import { showUpdateFailed, showUpdateNote } from "./notes.js";
import { page } from "./page.js";
import { releaseLock, siteName, stopGame, waitingForLock } from "./tabs.js";

export var updating = false;
/** @type {ReturnType<typeof setTimeout> | undefined} */
var updateTimer;
/** @type {ServiceWorkerRegistration | null} */
var updateRegistration = null;
var controllerChanged = false;
export var reloadWhenMoved = false;
var UPDATE_SECONDS = 10;
var WAITING_CHECK_SECONDS = 2;
var offered = false;

// The page after the next reload takes the game back, waiting until this one has let it go.
function keepGameHere() {
  try {
    sessionStorage.setItem(siteName, "take over");
  } catch {
    // Without sessionStorage the reloaded page takes the game if no other tab has it.
  }
}

function offerUpdate(registration) {
  updateRegistration = registration;
  if (page.state !== "running" || updating)
    return;  // offered again when the game runs here (keepForOffline)
  offered = true;
  showUpdateNote(startUpdate);
}

// The game stops only once the new build is in charge: then its files are stored and the page
// reloads into the new build with the game.
function restartInNewBuild() {
  clearTimeout(updateTimer);
  if (page.state !== "running") {
    location.reload();
    return;
  }
  stopGame().then(function () {
    keepGameHere();
    location.reload();
  });
}

function updateFailed() {
  updating = false;
  showUpdateFailed();
}

// "Start it now": the waiting build is asked to take over. One that already did (from another
// tab) is in charge: the page reloads into it at once.
function startUpdate() {
  if (updating)
    return;
  updating = true;
  var waiting = /** @type {ServiceWorkerRegistration} */ (updateRegistration).waiting;
  if (!waiting) {
    restartInNewBuild();
    return;
  }
  waiting.postMessage("take over");
  updateTimer = setTimeout(updateFailed, UPDATE_SECONDS * 1000);
}

export function keepForOffline() {
  if (!("serviceWorker" in navigator))
    return;
  navigator.serviceWorker.register("sw.js").then(function (registration) {
    updateRegistration = registration;
    registration.update().catch(function () {});  // offline: the next start asks again
    // A new build installed, or already in charge: a browser may let it take over by itself
    // while this page still runs the old one.
    function watch(worker) {
      worker.addEventListener("statechange", function () {
        var ready = worker.state === "installed" || worker.state === "activated";
        if (!ready || !navigator.serviceWorker.controller)
          return;
        // A newer build than the one the player asked for: it takes over instead.
        if (updating)
          worker.postMessage("take over");
        offerUpdate(registration);
      });
    }
    // NOTE: WebKit can move a new build to "installed" before the listeners below are attached,
    // and then no event ever tells this page: it looks now, and every few seconds until it has
    // offered one (later offers come from the events) or no longer plays.
    var looking = setInterval(offerWaiting, WAITING_CHECK_SECONDS * 1000);
    function offerWaiting() {
      var newBuild = registration.waiting || controllerChanged;
      if (!offered && newBuild && navigator.serviceWorker.controller)
        offerUpdate(registration);
      if (offered || page.state !== "running")
        clearInterval(looking);
    }
    offerWaiting();
    if (registration.installing)
      watch(registration.installing);
    registration.addEventListener("updatefound", function () {
      watch(registration.installing);
    });
  }, function (error) {
    console.log("Dustreach will not be kept for offline use:", error);
  });
}

// A page without the game shows a new build once it is shown: a hidden one that reloaded at
// once could take the game (it is free for a moment) from the tab that asked for the update.
export function reloadWhenShown() {
  if (document.visibilityState === "visible") {
    location.reload();
    return;
  }
  document.addEventListener("visibilitychange", function () {
    if (document.visibilityState === "visible")
      location.reload();
  });
}

// Follows the builds that take over, and passes on what the worker says.
export function setUpUpdates() {
  if (!("serviceWorker" in navigator))
    return;
  // A new build took over. A page that plays keeps its game, and offers the new build, unless
  // it asked for it; a page loading or waiting for the game reloads into it keeping its place;
  // any other page shows it (a page storing the game for another tab once it is stored).
  navigator.serviceWorker.addEventListener("controllerchange", function () {
    controllerChanged = true;
    if (updating) {
      restartInNewBuild();
    } else if (page.state === "running") {
      if (updateRegistration)
        offerUpdate(updateRegistration);
    } else if (page.state === "moved" && releaseLock) {
      reloadWhenMoved = true;
    } else if (page.state === "loading" || waitingForLock) {
      keepGameHere();
      location.reload();
    } else {
      reloadWhenShown();
    }
  });
  // Why the worker did not keep a build (a host's answer it could not trust), for the console.
  navigator.serviceWorker.addEventListener("message", function (event) {
    if (event.data && typeof event.data.log === "string")
      console.log(event.data.log);
  });
}
