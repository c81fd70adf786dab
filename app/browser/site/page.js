// page.js: connects the game (dustreach.js) to the page. It checks that the browser can run it,
// shows the loading progress, sends the game's standard output to the console, shows a plain
// message instead of the game when it cannot start, and decides which keys and buttons are the
// game's: those never scroll the page or open menus, and every other one stays the browser's.
(function () {
  "use strict";

  var canvas = document.getElementById("canvas");
  var status = document.getElementById("status");
  var message = document.getElementById("message");
  var focusHint = document.getElementById("focus-hint");
  var storageNote = document.getElementById("storage-note");
  var running = false;
  var startFailure = "";

  function showFailure(text) {
    running = false;
    canvas.hidden = true;
    status.hidden = true;
    focusHint.hidden = true;
    message.textContent = text;
    message.hidden = false;
  }

  if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
    showFailure("Dustreach needs WebAssembly, which this browser lacks or has turned off.");
    return;
  }

  // The game's keys, as SDL names them (letters by the character they type). A game key pressed
  // with Ctrl, Alt or Meta is the browser's (Ctrl+R reloads); its release still goes to the game,
  // so a ship never keeps moving after its key was let go.
  var gameKeys = ["w", "a", "s", "d", "r", "k", "l", "c", "b", "f", "v", " ",
                  "ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight"];

  function isGameKey(event) {
    var key = event.key || "";
    if (key.length === 1)
      key = key.toLowerCase();
    return gameKeys.indexOf(key) >= 0;
  }

  // Runs before SDL's own handlers. A game key loses its default action (no scrolling); any other
  // key never reaches SDL, which would otherwise cancel it (F5, F11, Tab, Ctrl+...).
  function routeKey(event) {
    if (event.target !== canvas)
      return;
    var modified = event.ctrlKey || event.altKey || event.metaKey;
    if (isGameKey(event) && (event.type === "keyup" || !modified))
      event.preventDefault();
    else
      event.stopImmediatePropagation();
  }
  ["keydown", "keypress", "keyup"].forEach(function (type) {
    window.addEventListener(type, routeKey, true);
  });

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

  // A page that embeds the game may have set Module fields of its own already (preRun, say).
  window.Module = Object.assign(window.Module || {}, {
    canvas: canvas,
    print: function (text) {
      console.log(text);
    },
    printErr: function (text) {
      console.error(text);
      if (text.indexOf("Unable to init SDL: ") === 0)
        startFailure = text;
    },
    // Emscripten reports the download of dustreach.data as "... (loaded/total)".
    setStatus: function (text) {
      var progress = /\((\d+)\/(\d+)\)/.exec(text);
      if (progress && Number(progress[2]) > 0)
        status.textContent = "Loading Dustreach… " +
          Math.floor(100 * Number(progress[1]) / Number(progress[2])) + " %";
    },
    onRuntimeInitialized: function () {
      running = true;
      status.hidden = true;
      canvas.focus({ preventScroll: true });
    },
    // Only a game that could not start ends: main returns 1 after the "Unable to init SDL: " line.
    onExit: function (code) {
      if (code !== 0)
        showFailure(startFailure || "Dustreach could not start (exit code " + code + ").");
    },
    onAbort: function (what) {
      showFailure("Dustreach stopped: " + what);
    },
    onStorageLost: function () {
      storageNote.hidden = false;
    }
  });

  var script = document.createElement("script");
  script.src = "dustreach.js";
  script.onerror = function () {
    showFailure("Could not load dustreach.js from this site.");
  };
  document.body.appendChild(script);
})();
