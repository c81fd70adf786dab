// page.js: connects the game (dustreach.js) to the page. It checks that the browser can run it,
// lets one tab at a time play (Web Locks) and moves the game to another tab on request, downloads
// the game's files with a progress line and a plain message for any that fails, sends the game's
// standard output to the console, shows a plain message instead of the game when it cannot start,
// keeps the site for offline use (sw.js), and keeps the game's mouse buttons from scrolling the
// page or opening menus (input.js does the same for its keys). Every storage API it touches may
// throw or refuse (site data blocked): the game then plays all the same.
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
  var tryAgain = document.getElementById("try-again");
  // The site's assembly (tools/web/assemble_site.py) names the game's files after their content
  // and lists them here, so this page never pairs one build's code with another's data.
  var site = JSON.parse(document.getElementById("site-files").textContent);
  // "loading", "running", "elsewhere" (another tab has the game), "moved" or "failed".
  var state = "loading";
  var running = false;
  var startFailure = "";
  // The longest the hand-over and an update wait for the game's files to be stored.
  var kStoreWithinMs = 4000;
  // A download that brings no byte for this long has stalled.
  var kStallMs = 15000;

  // index.html's loader said this script was late: it is here now.
  if (message.dataset.late) {
    message.hidden = true;
    tryAgain.hidden = true;
  }

  function hideGame() {
    stage.hidden = true;
    canvas.hidden = true;
    focusHint.hidden = true;
    updateNote.hidden = true;  // a tab without the game takes a new build by reloading
  }

  function showFailure(text, canRetry) {
    state = "failed";
    running = false;
    hideGame();
    elsewhere.hidden = true;
    message.textContent = text;
    message.hidden = false;
    tryAgain.hidden = !canRetry;
    letGo();
  }

  tryAgain.addEventListener("click", function () {
    location.reload();
  });

  // sessionStorage, or nothing where the browser refuses it (site data blocked).
  function remembered(key) {
    try {
      var value = sessionStorage.getItem(key);
      sessionStorage.removeItem(key);
      return value;
    } catch (error) {
      return null;
    }
  }

  function remember(key, value) {
    try {
      sessionStorage.setItem(key, value);
    } catch (error) {
      // Site data blocked: the next page does without it.
    }
  }

  if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
    window.dustreachPageReady = true;
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
  var channel = null;
  try {
    channel = new BroadcastChannel(siteName);
  } catch (error) {
    // Missing or refused: a tab asked to play here waits for the lock alone.
  }
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

  // " The browser did not store X in time..." for the files a stopped game could not store.
  function notStoredText(names) {
    if (names.length === 0)
      return "";
    return " The browser did not store " + names.join(" and ") + " in time: the game goes on" +
      " without its latest " + (names.length > 1 ? "versions." : "version.");
  }

  // Stops a running game for good; resolves once its files are stored, or after kStoreWithinMs at
  // most, to the names of those the store lacks ([] when none).
  function stopGame() {
    if (state !== "running")
      return Promise.resolve([]);
    // The game may still be starting (its loop not yet begun): the flag keeps it from beginning.
    Module.dustreachStopped = true;
    Module._dustreach_stop(Module.dustreachGame);
    running = false;
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
    state = "moved";
    stopped.then(function (names) {
      showElsewhere("Dustreach moved to another tab." + notStoredText(names));
      state = "moved";
      letGo();
      if (reloadWhenMoved)
        reloadWhenShown();
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
      remember(siteName, "take over");
      location.reload();
    }
  });

  // ---- Loading ---------------------------------------------------------------------------------
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
      if (state === "loading")
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
      var options = tries > 1 ? { cache: "no-store" } : {};
      if (aborter)
        options.signal = aborter.signal;
      return fetch(name, options).then(function (response) {
        clearTimeout(timer);
        if (!response.ok)
          throw new Problem((response.status + " " + response.statusText).trim(), false);
        return { response: response, reader: response.body.getReader(), skip: handedOn,
          watch: watch, why: why };
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
      if (state === "loading")
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
          if (state === "loading")  // else said already (a download that failed, say)
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
      },
    });

    Promise.all([data, game]).then(function (files) {
      Module.dustreachData = files[0];
      run(URL.createObjectURL(files[1]));
    }, function () {
      if (state === "loading")
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
      else if (state === "loading")
        fileFailure(site.game, "it is missing or was refused");
    };
    document.body.appendChild(script);
  }

  // ---- Offline and updates ---------------------------------------------------------------------
  // sw.js keeps every file of the site for offline use. A new build arrives as a new sw.js: it
  // installs in the background and takes over once no page of the old build is open, or at once
  // when the player asks (the note under the game, shown only where the game runs). Registered
  // once the game runs, so its downloads never compete with the game's.
  var updating = false;
  var updateTimer = 0;
  var updateRegistration = null;
  var controllerChanged = false;
  var reloadWhenMoved = false;
  var UPDATE_SECONDS = 10;
  var updateText = updateNote.firstChild.textContent;

  // The page after the next reload takes the game back, waiting until this one has let it go.
  function keepGameHere() {
    try {
      sessionStorage.setItem(siteName, "take over");
    } catch (error) {
      // Without sessionStorage the reloaded page takes the game if no other tab has it.
    }
  }

  function offerUpdate(registration) {
    updateRegistration = registration;
    if (state !== "running" || updating)
      return;  // offered again when the game runs here (keepForOffline)
    updateNote.firstChild.textContent = updateText;
    updateNote.hidden = false;
    updateNow.hidden = false;
    updateNow.onclick = startUpdate;
  }

  // The game stops only once the new build is in charge: then its files are stored and the page
  // reloads into the new build with the game.
  function restartInNewBuild() {
    clearTimeout(updateTimer);
    if (state !== "running") {
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
    updateNow.hidden = true;
    updateNote.firstChild.textContent = "The new version of Dustreach could not be started; this" +
      " one plays on. Reload the page to try again. ";
  }

  // "Start it now": the waiting build is asked to take over. One that already did (from another
  // tab) is in charge: the page reloads into it at once.
  function startUpdate() {
    if (updating)
      return;
    updating = true;
    var waiting = updateRegistration.waiting;
    if (!waiting) {
      restartInNewBuild();
      return;
    }
    waiting.postMessage("take over");
    updateTimer = setTimeout(updateFailed, UPDATE_SECONDS * 1000);
  }

  function keepForOffline() {
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
      if ((registration.waiting || controllerChanged) && navigator.serviceWorker.controller)
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

  // A page without the game shows a new build once it is shown: a hidden one that reloaded at
  // once could take the game (it is free for a moment) from the tab that asked for the update.
  function reloadWhenShown() {
    if (document.visibilityState === "visible") {
      location.reload();
      return;
    }
    document.addEventListener("visibilitychange", function () {
      if (document.visibilityState === "visible")
        location.reload();
    });
  }

  if ("serviceWorker" in navigator) {
    // A new build took over. A page that plays keeps its game, and offers the new build, unless
    // it asked for it; a page loading or waiting for the game reloads into it keeping its place;
    // any other page shows it (a page storing the game for another tab once it is stored).
    navigator.serviceWorker.addEventListener("controllerchange", function () {
      controllerChanged = true;
      if (updating) {
        restartInNewBuild();
      } else if (state === "running") {
        if (updateRegistration)
          offerUpdate(updateRegistration);
      } else if (state === "moved" && releaseLock) {
        reloadWhenMoved = true;
      } else if (state === "loading" || waitingForLock) {
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

  // Plays here when no other tab holds the game. The page this tab showed before (a navigation
  // between the site's addresses) may hold the lock a moment longer while it unloads, so a lock
  // that is taken is asked for again, retries times, a second apart, before the tab gives way.
  function claimGame(retries) {
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

  // ---- Start -----------------------------------------------------------------------------------
  // A game an update left unstored (stopGame) is said on the page that follows.
  var unstoredBefore = remembered(siteName + " not stored");
  if (unstoredBefore) {
    storageNote.textContent = "The browser did not store " + unstoredBefore + " in time before" +
      " the update: the game started without its latest version.";
    storageNote.hidden = false;
  }

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
})();
