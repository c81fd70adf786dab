// loading.js: loads the game and says when it cannot. It downloads the game's three files (a
// stalled or broken download tried once more) with a progress line, compiles and starts the game,
// and replaces it with a plain message, and a button to try again, when a file fails or the game
// cannot start.
import { keepForOffline } from "./updates.js";
import { hideStorageLost, showStorageLost } from "./notes.js";
import { page, site } from "./page.js";
import { letGo } from "./tabs.js";

var canvas = /** @type {HTMLCanvasElement} */ (document.getElementById("canvas"));
var stage = /** @type {HTMLElement} */ (document.getElementById("stage"));
var status = /** @type {HTMLElement} */ (document.getElementById("status"));
var message = /** @type {HTMLElement} */ (document.getElementById("message"));
var focusHint = /** @type {HTMLElement} */ (document.getElementById("focus-hint"));
var elsewhere = /** @type {HTMLElement} */ (document.getElementById("elsewhere"));
var updateNote = /** @type {HTMLElement} */ (document.getElementById("update-note"));
var tryAgain = /** @type {HTMLButtonElement} */ (document.getElementById("try-again"));
var startFailure = "";
// A download that brings no byte for this long has stalled.
var kStallMs = 15000;

export function hideGame() {
  stage.hidden = true;
  canvas.hidden = true;
  focusHint.hidden = true;
  updateNote.hidden = true;  // a tab without the game takes a new build by reloading
}

export function showFailure(text, canRetry) {
  page.state = "failed";
  page.running = false;
  hideGame();
  elsewhere.hidden = true;
  message.textContent = text;
  message.hidden = false;
  tryAgain.hidden = !canRetry;
  letGo();
}

function fileFailure(name, problem) {
  showFailure("Could not load " + name + " from this site (" + problem + "). Reload the page to" +
    " try again.", true);
}

// Why a download failed, for the message; a stall or a broken connection may be tried again.
function Problem(text, transient) {
  this.text = text;
  this.transient = transient;
}

// Fetches one of the game's files; resolves to its response (a body that counts its bytes
// into the progress line), or shows why it could not and never resolves. A download that
// stalls (no byte for kStallMs) or whose connection fails is tried once more; the second try
// skips the bytes the first already handed on, so the body reads as one.
var received = {};
function download(name) {
  var total = site.sizes.wasm + site.sizes.data;
  var counted = name === site.wasm || name === site.data;  // the script's bytes are few
  var tries = 0;
  var handedOn = 0;
  var timer = null;
  var current = null;  // the try under way, as fetchOnce resolves to it

  function showProgress() {
    var loaded = Object.keys(received).reduce(function (sum, key) {
      return sum + received[key];
    }, 0);
    if (page.state === "loading")
      status.textContent = "Loading Dustreach… " +
        Math.min(100, Math.floor(100 * loaded / total)) + " %";
  }

  // One try: resolves to its response and reader, once the headers are in (watch() arms the
  // stall's timer for a wait on this try).
  function fetchOnce() {
    ++tries;
    var aborter = typeof AbortController === "function" ? new AbortController() : null;
    var stalled = false;
    function watch() {
      clearTimeout(timer);
      timer = setTimeout(function () {
        stalled = true;
        if (aborter)
          aborter.abort();
      }, kStallMs);
    }
    function why() {
      return stalled ? new Problem("no data came for " + kStallMs / 1000 + " s", true)
        : new Problem("the connection failed", true);
    }
    watch();
    // A second try bypasses the HTTP cache, which would queue it behind the stalled first.
    /** @type {RequestInit} */
    var options = tries > 1 ? { cache: "no-store" } : {};
    if (aborter)
      options.signal = aborter.signal;
    return fetch(name, options).then(function (response) {
      clearTimeout(timer);
      if (!response.ok)
        throw new Problem((response.status + " " + response.statusText).trim(), false);
      var body = /** @type {ReadableStream<Uint8Array>} */ (response.body);  // an answer with a status
      return { response: response, reader: body.getReader(), skip: handedOn, watch: watch, why: why };
    }, function () {
      throw why();
    });
  }

  function again(problem) {
    if (!(problem instanceof Problem) || !problem.transient || tries > 1)
      throw problem;
    console.log("Dustreach tries " + name + " once more: " + problem.text);
    return fetchOnce();
  }

  // The bytes of the try under way, with the next try taking over where one fails. Only the
  // wait for the network counts towards a stall, never a reader that is busy elsewhere.
  function nextBytes() {
    current.watch();
    return current.reader.read().then(function (chunk) {
      clearTimeout(timer);
      if (chunk.done)
        return null;
      var bytes = chunk.value;
      var skipped = Math.min(current.skip, bytes.length);
      current.skip -= skipped;
      return skipped === bytes.length ? nextBytes() : bytes.subarray(skipped);
    }, function () {
      return again(current.why()).then(function (next) {
        current = next;
        return nextBytes();
      });
    });
  }

  function failed(problem) {
    clearTimeout(timer);
    var text = problem instanceof Problem ? problem.text : String(problem);
    if (page.state === "loading")
      fileFailure(name, text);
  }

  return fetchOnce().catch(again).then(function (first) {
    current = first;
    var body = new ReadableStream({
      pull: function (controller) {
        return nextBytes().then(function (bytes) {
          if (!bytes) {
            controller.close();
            return;
          }
          handedOn += bytes.length;
          if (counted) {
            received[name] = handedOn;
            showProgress();
          }
          controller.enqueue(bytes);
        }, function (problem) {
          failed(problem);
          controller.error(problem);
        });
      },
    });
    return new Response(body, { headers: first.response.headers });
  }).catch(function (problem) {
    failed(problem);
    return new Promise(function () {});
  });
}

// Compiles the game while it downloads where the server names it application/wasm.
function instantiate(response, imports) {
  var type = response.headers.get("Content-Type") || "";
  if (typeof WebAssembly.instantiateStreaming === "function" && /application\/wasm/.test(type))
    return WebAssembly.instantiateStreaming(response, imports);
  return response.arrayBuffer().then(function (bytes) {
    return WebAssembly.instantiate(bytes, imports);
  });
}

export function load() {
  page.state = "loading";
  stage.hidden = false;
  canvas.hidden = false;
  var wasm = download(site.wasm);
  var data = download(site.data).then(function (response) {
    return response.arrayBuffer();
  }).catch(function () {
    if (page.state === "loading")
      fileFailure(site.data, "the download broke off");
    return new Promise(function () {});
  });
  // dustreach.js is small: fetched now, run once the data is in (it takes it synchronously).
  var game = download(site.game).then(function (response) {
    return response.blob();
  });

  // A page that embeds the game may have set Module fields of its own already (preRun, say).
  window.Module = Object.assign(window.Module || {}, {
    canvas: canvas,
    // page.js starts main itself, once it knows this tab still has the game.
    noInitialRun: true,
    getPreloadedPackage: function () {
      return Module.dustreachData;
    },
    instantiateWasm: function (imports, receive) {
      wasm.then(function (response) {
        return instantiate(response, imports);
      }).then(function (result) {
        receive(result.instance, result.module);
      }, function (error) {
        if (page.state === "loading")  // else said already (a download that failed, say)
          showFailure("Dustreach could not start " + site.wasm + ": " + error.message);
      });
      return {};  // the exports come later, through receive
    },
    print: function (text) {
      console.log(text);
    },
    printErr: function (text) {
      console.error(text);
      if (text.indexOf("Unable to init SDL: ") === 0)
        startFailure = text;
    },
    onRuntimeInitialized: function () {
      if (page.state !== "loading")
        return;  // moved to another tab while loading: this one never starts
      page.state = "running";
      page.running = true;
      status.hidden = true;
      Module.dustreachData = null;  // unpacked into the game's files by now
      Module.callMain([]);
      if (page.state !== "running")
        return;  // main could not start the game
      canvas.focus({ preventScroll: true });
      keepForOffline();
    },
    // Only a game that could not start ends: main returns 1 after the "Unable to init SDL: "
    // line.
    onExit: function (code) {
      if (code !== 0)
        showFailure(startFailure || "Dustreach could not start (exit code " + code + ").");
    },
    onAbort: function (what) {
      showFailure("Dustreach stopped: " + what);
    },
    onStorageLost: function () {
      showStorageLost();
    },
    onStorageBack: function () {
      hideStorageLost();
    },
    // The first file stored: ask the browser to keep the site's storage. Firefox asks the
    // player, which makes sense only once there is something to keep; play never waits for it.
    onFilesKept: function () {
      if (navigator.storage && navigator.storage.persist)
        navigator.storage.persist().catch(function () {});
      Module.onFilesKept = null;
    },
  });

  Promise.all([data, game]).then(function (files) {
    Module.dustreachData = files[0];
    run(URL.createObjectURL(files[1]));
  }, function () {
    if (page.state === "loading")
      fileFailure(site.game, "the download broke off");
  });
}

// Runs the game's script, from the bytes downloaded; where the site's content policy refuses
// a blob: script, from its address (the browser's cache has it by now).
function run(address) {
  var script = document.createElement("script");
  script.src = address;
  script.onload = function () {
    if (address !== site.game)
      URL.revokeObjectURL(address);
  };
  script.onerror = function () {
    if (address !== site.game)
      run(site.game);
    else if (page.state === "loading")
      fileFailure(site.game, "it is missing or was refused");
  };
  document.body.appendChild(script);
}
