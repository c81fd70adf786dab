// page.js: connects the game (dustreach.js) to the page. It checks that the browser can run it,
// lets one tab at a time play (Web Locks) and moves the game to another tab on request, downloads
// the game's files with a progress line and a plain message for any that fails, sends the game's
// standard output to the console, shows a plain message instead of the game when it cannot start,
// keeps the site for offline use (sw.js), and keeps the game's mouse buttons from scrolling the
// page or opening menus (input.js does the same for its keys).
(function () {
  "use strict";

  var canvas = document.getElementById("canvas");
  var stage = document.getElementById("stage");
  var status = document.getElementById("status");
  var message = document.getElementById("message");
  var focusHint = document.getElementById("focus-hint");
  var storageNote = document.getElementById("storage-note");
  var elsewhere = document.getElementById("elsewhere");
  var elsewhereText = document.getElementById("elsewhere-text");
  var playHere = document.getElementById("play-here");
  var updateNote = document.getElementById("update-note");
  var updateNow = document.getElementById("update-now");
  // The site's assembly (tools/web/assemble_site.py) names the game's files after their content
  // and lists them here, so this page never pairs one build's code with another's data.
  var site = JSON.parse(document.getElementById("site-files").textContent);
  // "loading", "running", "elsewhere" (another tab has the game), "moved" or "failed".
  var state = "loading";
  var running = false;
  var startFailure = "";

  function hideGame() {
    stage.hidden = true;
    canvas.hidden = true;
    focusHint.hidden = true;
  }

  function showFailure(text) {
    state = "failed";
    running = false;
    hideGame();
    elsewhere.hidden = true;
    message.textContent = text;
    message.hidden = false;
    letGo();
  }

  if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
    showFailure("Dustreach needs WebAssembly, which this browser lacks or has turned off.");
    return;
  }

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
    focusHint.hidden = !running;
  });

  // ---- One tab at a time ---------------------------------------------------------------------
  // The tab that plays holds a Web Lock named after the site's path (two copies of the site on one
  // origin are two games). Another tab says so and offers to play there: it asks the playing tab,
  // over a BroadcastChannel of the same name, to store its files, stop and let go, and starts from
  // the stored files once it has the lock. Without Web Locks every tab plays; storage.js merges
  // what they store, so no score is lost either way.
  var siteName = "Dustreach " + location.pathname.replace(/[^/]*$/, "");
  var channel = typeof BroadcastChannel === "function" ? new BroadcastChannel(siteName) : null;
  var releaseLock = null;
  var waitingForLock = false;

  function letGo() {
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

  function showElsewhere(text) {
    state = "elsewhere";
    hideGame();
    elsewhereText.textContent = text;
    elsewhere.hidden = false;
  }

  function takeOver() {
    elsewhereText.textContent = "Moving the game here…";
    if (channel)
      channel.postMessage("take over");
    if (waitingForLock)
      return;  // asked again: the other tab may have missed the first request
    waitingForLock = true;
    navigator.locks.request(siteName, playWhileHolding);
  }

  // Stops a running game for good; resolves once its files are stored.
  function stopGame() {
    if (state !== "running")
      return Promise.resolve();
    // The game may still be starting (its loop not yet begun): the flag keeps it from beginning.
    Module.dustreachStopped = true;
    Module._dustreach_stop(Module.dustreachGame);
    running = false;
    return Module.dustreachStorage.whenIdle();
  }

  // This tab gives the game to another: the files stored, then the lock released.
  function moveAway() {
    var stopped = stopGame();
    state = "moved";
    stopped.then(function () {
      showElsewhere("Dustreach moved to another tab.");
      state = "moved";
      letGo();
    });
  }

  if (channel) {
    channel.onmessage = function (event) {
      if (event.data === "take over" && (state === "loading" || state === "running"))
        moveAway();
    };
  }

  playHere.addEventListener("click", function () {
    if (state === "elsewhere") {
      takeOver();
    } else {
      // This page's game has stopped for good: a fresh page takes the game back.
      sessionStorage.setItem(siteName, "take over");
      location.reload();
    }
  });

  // ---- Loading ---------------------------------------------------------------------------------
  function fileFailure(name, problem) {
    showFailure("Could not load " + name + " from this site (" + problem + "). Reload the page to" +
                " try again.");
  }

  // Fetches one of the game's files; resolves to its response (a body that counts its bytes
  // into the progress line), or shows why it could not and never resolves.
  var received = {};
  function download(name) {
    var total = site.sizes.wasm + site.sizes.data;
    return fetch(name).then(function (response) {
      if (!response.ok)
        throw (response.status + " " + response.statusText).trim();
      var reader = response.body.getReader();
      received[name] = 0;
      var counted = new ReadableStream({
        pull: function (controller) {
          return reader.read().then(function (chunk) {
            if (chunk.done) {
              controller.close();
              return;
            }
            received[name] += chunk.value.length;
            var loaded = Object.keys(received).reduce(function (sum, key) {
              return sum + received[key];
            }, 0);
            if (state === "loading")
              status.textContent = "Loading Dustreach… " +
                Math.min(100, Math.floor(100 * loaded / total)) + " %";
            controller.enqueue(chunk.value);
          });
        }
      });
      return new Response(counted, { headers: response.headers });
    }, function () {
      throw "the connection failed";
    }).catch(function (problem) {
      if (state === "loading")
        fileFailure(name, problem);
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

  function load() {
    state = "loading";
    stage.hidden = false;
    canvas.hidden = false;
    var wasm = download(site.wasm);
    var data = download(site.data).then(function (response) {
      return response.arrayBuffer();
    }).catch(function () {
      if (state === "loading")
        fileFailure(site.data, "the download broke off");
      return new Promise(function () {});
    });
    // dustreach.js is small: fetched now, run once the data is in (it takes it synchronously).
    var preload = document.createElement("link");
    preload.rel = "preload";
    preload.as = "script";
    preload.href = site.game;
    document.head.appendChild(preload);

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
        if (state !== "loading")
          return;  // moved to another tab while loading: this one never starts
        state = "running";
        running = true;
        status.hidden = true;
        Module.dustreachData = null;  // unpacked into the game's files by now
        Module.callMain([]);
        if (state !== "running")
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
        storageNote.hidden = false;
      },
      // The first file stored: ask the browser to keep the site's storage. Firefox asks the
      // player, which makes sense only once there is something to keep; play never waits for it.
      onFilesKept: function () {
        if (navigator.storage && navigator.storage.persist)
          navigator.storage.persist().catch(function () {});
        Module.onFilesKept = null;
      }
    });

    data.then(function (bytes) {
      Module.dustreachData = bytes;
      var script = document.createElement("script");
      script.src = site.game;
      script.onerror = function () {
        if (state === "loading")
          fileFailure(site.game, "it is missing or was refused");
      };
      document.body.appendChild(script);
    });
  }

  // ---- Offline and updates ---------------------------------------------------------------------
  // sw.js keeps every file of the site for offline use. A new build arrives as a new sw.js: it
  // installs in the background and takes over once no page of the old build is open, or at once
  // when the player asks (the note under the game). Registered once the game runs, so its
  // downloads never compete with the game's.
  var updating = false;

  function offerUpdate(registration) {
    updateNote.hidden = false;
    updateNow.onclick = function () {
      updating = true;
      stopGame().then(function () {
        // The worker waiting now: a newer one may have replaced the one first offered.
        if (registration.waiting)
          registration.waiting.postMessage("take over");
      });
    };
  }

  function keepForOffline() {
    if (!("serviceWorker" in navigator))
      return;
    navigator.serviceWorker.register("sw.js").then(function (registration) {
      registration.update().catch(function () {});  // offline: the next start asks again
      function watch(worker) {
        worker.addEventListener("statechange", function () {
          if (worker.state === "installed" && navigator.serviceWorker.controller)
            offerUpdate(registration);
        });
      }
      if (registration.waiting && navigator.serviceWorker.controller)
        offerUpdate(registration);
      if (registration.installing)
        watch(registration.installing);
      registration.addEventListener("updatefound", function () {
        watch(registration.installing);
      });
    }, function (error) {
      console.log("Dustreach will not be kept for offline use:", error);
    });
  }

  // A new build took over. A page that plays keeps its game unless it asked for the update; a
  // page waiting for the game keeps its place; any other page shows the new build at once.
  if ("serviceWorker" in navigator) {
    navigator.serviceWorker.addEventListener("controllerchange", function () {
      if (updating || (!running && !waitingForLock))
        location.reload();
    });
  }

  // ---- Start -----------------------------------------------------------------------------------
  if (!navigator.locks) {
    load();
  } else if (sessionStorage.getItem(siteName) === "take over") {
    sessionStorage.removeItem(siteName);
    showElsewhere("Moving the game here…");
    takeOver();
  } else {
    navigator.locks.request(siteName, { ifAvailable: true }, function (lock) {
      if (!lock) {
        showElsewhere("Dustreach is open in another tab.");
        return null;
      }
      return playWhileHolding();
    });
  }
})();
