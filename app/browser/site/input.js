// input.js: the input the page hands to the game beyond what SDL hears on the canvas itself.
// - Touch controls: on a touch screen, buttons that send the game the keys and mouse buttons of
//   a keyboard and mouse player, through the game's dustreach_key and dustreach_mouse_button
//   (SDL events, so the game cannot tell them from the real ones). A tap on the picture needs
//   nothing here: SDL turns it into a left click where the finger touched.
// - The keyboard: the game's keys by their place on the keyboard, whatever its layout; every other
//   key stays the browser's.
// - Gamepads: read once per animation frame, in the standard layout, and sent the same way as the
//   touch controls' keys and buttons.
// - No key left held: a key the keyboard held when the focus left the game (Tab, a click
//   elsewhere, another window, a hidden tab) is released, as are the touch controls' keys and the
//   gamepads' when the page loses the focus or is hidden.
// - The picture's scaling: sharp pixel squares where the screen shows it enlarged a whole number
//   of times, smooth otherwise (nearest-neighbour at other sizes makes rows and columns uneven).
(function () {
  "use strict";

  var root = document.documentElement;
  var canvas = /** @type {HTMLCanvasElement} */ (document.getElementById("canvas"));
  var controls = /** @type {HTMLElement} */ (document.getElementById("touch-controls"));
  var keysHelp = /** @type {HTMLElement} */ (document.getElementById("keys"));
  var touchHelp = /** @type {HTMLElement} */ (document.getElementById("touch-help"));
  var gamepadHelp = /** @type {HTMLElement} */ (document.getElementById("gamepad-help"));
  var startControl = /** @type {HTMLElement} */ (controls.querySelector(".start"));

  function game() {
    return window.Module && Module.dustreachGame;
  }

  function sendKey(code, down) {
    if (game())
      Module._dustreach_key(game(), code, down ? 1 : 0);
  }

  // Mouse buttons go down at the window's centre, where the zoom is centred and which lies off the
  // power-up strip.
  function sendButton(button, down) {
    if (game())
      Module._dustreach_mouse_button(game(), button, down ? 1 : 0, canvas.width / 2, canvas.height / 2);
  }

  // ---- The keyboard ----------------------------------------------------------------------------
  // The game's keys go by their place on the keyboard (KeyboardEvent.code), whatever the layout
  // types there: W A S D lie where a US keyboard has them on an AZERTY or a Russian keyboard too,
  // and K saves on every layout, as players of such games expect. Each is handed to the game with the SDL key
  // code a US keyboard gives: a letter's lower-case character, SDL's codes for SPACE and the
  // arrows. SDL itself hears no key: it would take the key code from the layout (keyCode), which
  // makes a Russian K no key at all and the AZERTY key in Q's place an A.
  var gameKeys = new Map([
    ["KeyW", 119], ["KeyA", 97], ["KeyS", 115], ["KeyD", 100], ["KeyR", 114], ["KeyK", 107],
    ["KeyL", 108], ["KeyC", 99], ["KeyB", 98], ["KeyF", 102], ["KeyV", 118], ["Space", 32],
    ["ArrowUp", 0x40000052], ["ArrowDown", 0x40000051], ["ArrowLeft", 0x40000050],
    ["ArrowRight", 0x4000004F]]);
  var keyboardHeld = new Map();  // event.code -> the SDL key code the game holds down

  // Runs before every other handler. On the game, a game key goes to the game and loses its
  // default action (no scrolling); with Ctrl, Alt or Meta it is the browser's (Ctrl+R reloads).
  // Every other key is the browser's (F5, F11, Tab, Ctrl+...). A held key's release goes to the
  // game wherever the focus is by then (a window that is not the active one moves it without a
  // blur), so a ship never keeps moving after its key was let go.
  function routeKey(event) {
    if (event.type === "keyup" && keyboardHeld.has(event.code)) {
      sendKey(keyboardHeld.get(event.code), false);
      keyboardHeld.delete(event.code);
    }
    if (event.target !== canvas)
      return;
    event.stopImmediatePropagation();
    var code = gameKeys.get(event.code);
    var modified = event.ctrlKey || event.altKey || event.metaKey;
    if (code === undefined || (event.type !== "keyup" && modified))
      return;
    event.preventDefault();
    if (event.type === "keydown") {
      keyboardHeld.set(event.code, code);
      sendKey(code, true);  // a key held down repeats, as SDL's own repeats do on the desktop
    }
  }
  ["keydown", "keypress", "keyup"].forEach(function (type) {
    window.addEventListener(type, routeKey, true);
  });

  // Once the canvas has lost the focus (to another window, say), their releases may never come:
  // let go of them now.
  function releaseKeyboard() {
    keyboardHeld.forEach(function (code) {
      sendKey(code, false);
    });
    keyboardHeld.clear();
  }

  // ---- Touch controls --------------------------------------------------------------------------
  // Every control holds its key or button for as long as a pointer (a finger, or a mouse) that
  // went down on it stays on it. A finger that went down on a direction may slide to another,
  // which then takes over; one that leaves the controls lets go.
  var pointers = new Map();  // pointer id -> {start: control, on: control or null}
  var held = new Set();  // the controls whose key or button is down

  function isDirection(control) {
    return !!control && control.parentNode.classList.contains("pad");
  }

  function controlAt(x, y) {
    var element = document.elementFromPoint(x, y);
    var control = element && element.closest("button");
    return control && controls.contains(control) ? control : null;
  }

  // Presses or releases what control sends.
  function press(control, down) {
    control.classList.toggle("held", down);
    if (control.dataset.key)
      sendKey(Number(control.dataset.key), down);
    else
      sendButton(Number(control.dataset.button), down);
    if (down)
      control.classList.remove("beckon");
  }

  // Brings what the game holds in line with where the pointers are: releases first, so a finger
  // sliding from one direction to another never holds both.
  function sync() {
    var wanted = new Set();
    pointers.forEach(function (pointer) {
      if (pointer.on)
        wanted.add(pointer.on);
    });
    held.forEach(function (control) {
      if (!wanted.has(control))
        press(control, false);
    });
    wanted.forEach(function (control) {
      if (!held.has(control))
        press(control, true);
    });
    held = wanted;
  }

  function releaseControls() {
    pointers.clear();
    sync();
  }

  function releaseAll() {
    releaseKeyboard();
    releaseControls();
    releasePads();
  }

  controls.addEventListener("pointerdown", function (event) {
    var control = /** @type {Element} */ (event.target).closest("button");
    if (!control)
      return;
    // No focus taken from the game, no emulated mouse events (SDL would see their release).
    event.preventDefault();
    // The control hears this pointer to its end, wherever it goes (touches do so anyway).
    control.setPointerCapture(event.pointerId);
    pointers.set(event.pointerId, { start: control, on: control });
    sync();
  });
  controls.addEventListener("pointermove", function (event) {
    var pointer = pointers.get(event.pointerId);
    if (!pointer)
      return;
    var under = controlAt(event.clientX, event.clientY);
    var on;
    if (isDirection(pointer.start))
      on = isDirection(under) ? under : null;
    else
      on = pointer.on === under ? under : null;  // left once, let go for good
    if (on !== pointer.on) {
      pointer.on = on;
      sync();
    }
  });
  ["pointerup", "pointercancel", "lostpointercapture"].forEach(function (type) {
    controls.addEventListener(type, function (event) {
      if (pointers.delete(/** @type {PointerEvent} */ (event).pointerId))
        sync();
    });
  });
  // A press from the keyboard or an assistive technology comes as a click alone (detail 0; a
  // pointer's own click has been handled above). A direction is held for a few ticks, a step.
  controls.addEventListener("click", function (event) {
    var control = /** @type {Element} */ (event.target).closest("button");
    if (!control || event.detail !== 0 || held.has(control))
      return;
    press(control, true);
    setTimeout(function () {
      if (!held.has(control))
        press(control, false);
    }, isDirection(control) ? 150 : 0);
  });
  controls.addEventListener("contextmenu", function (event) {
    event.preventDefault();
  });

  // ---- Gamepads --------------------------------------------------------------------------------
  // Pads in the standard layout, read at every animation frame once one has been connected. What
  // each button and stick sends: a key (an SDL key code) or a mouse button. A key or button held by
  // several (the d-pad and the stick, two pads) goes down with the first and up with the last.
  var PAD_BUTTONS = {
    0: "button 1", 7: "button 1", 9: "key 32", 2: "key 107", 3: "key 108", 8: "key 114",
    5: "button 2", 4: "button 3", 12: "key 119", 13: "key 115", 14: "key 97", 15: "key 100" };
  var RIGHT_TRIGGER = 7;  // pressed beyond half its travel
  // [axis, way, what it sends]: the left stick moves, the right stick scrolls (C right, B left, F
  // down, V up), each counted beyond a quarter of its travel, so a worn stick does not drift.
  /** @type {Array<[number, number, string]>} */
  var PAD_AXES = [[0, -1, "key 97"], [0, 1, "key 100"], [1, -1, "key 119"], [1, 1, "key 115"],
    [2, 1, "key 99"], [2, -1, "key 98"], [3, 1, "key 102"], [3, -1, "key 118"]];
  var DEAD_ZONE = 0.25;
  // The scroll keys scroll once when pushed, again after REPEAT_DELAY ms, then every
  // REPEAT_INTERVAL ms while held.
  var SCROLLS = ["key 99", "key 98", "key 102", "key 118"];
  var REPEAT_DELAY = 400;
  var REPEAT_INTERVAL = 100;
  var padHeld = new Map();  // what the pads hold -> the time of its next repeat (or Infinity)
  var padsHeard = true;  // false while the page is hidden or has lost the focus
  var readingPads = false;

  function sendPad(output, down) {
    var parts = output.split(" ");
    if (parts[0] === "key")
      sendKey(Number(parts[1]), down);
    else
      sendButton(Number(parts[1]), down);
    // Start does what the touch control "Play or pause" does: the way to start is found.
    if (down && output === "key 32")
      startControl.classList.remove("beckon");
  }

  // Everything the pads push now; shows their help once one has been used.
  function padsPushed() {
    var pushed = new Set();
    var pads = padsHeard ? navigator.getGamepads() : [];
    for (var i = 0; i < pads.length; ++i) {
      const pad = pads[i];  // a constant: the checker then knows it present in the calls below
      if (!pad || !pad.connected || pad.mapping !== "standard")
        continue;
      var used = false;
      pad.buttons.forEach(function (button, index) {
        var down = index === RIGHT_TRIGGER ? button.value > 0.5 : button.pressed;
        used = used || down;
        if (down && PAD_BUTTONS[index])
          pushed.add(PAD_BUTTONS[index]);
      });
      PAD_AXES.forEach(function (axis) {
        if (pad.axes[axis[0]] * axis[1] >= DEAD_ZONE) {
          used = true;
          pushed.add(axis[2]);
        }
      });
      if (used)
        useGamepad();
    }
    return pushed;
  }

  // Brings what the game holds in line with the pads: releases first, then presses and repeats.
  function readPads(time) {
    var pushed = padsPushed();
    padHeld.forEach(function (due, output) {
      if (!pushed.has(output)) {
        padHeld.delete(output);
        sendPad(output, false);
      }
    });
    pushed.forEach(function (output) {
      var repeats = SCROLLS.indexOf(output) >= 0;
      if (!padHeld.has(output))
        padHeld.set(output, repeats ? time + REPEAT_DELAY : Infinity);
      else if (time >= padHeld.get(output))
        padHeld.set(output, time + REPEAT_INTERVAL);
      else
        return;
      sendPad(output, true);
    });
    requestAnimationFrame(readPads);
  }

  function startReadingPads() {
    if (readingPads)
      return;
    readingPads = true;
    requestAnimationFrame(readPads);
  }

  function releasePads() {
    padHeld.forEach(function (due, output) {
      sendPad(output, false);
    });
    padHeld.clear();
  }

  // A pad appears to the page once a button of it has been pressed while the page had the focus.
  if (navigator.getGamepads) {
    window.addEventListener("gamepadconnected", startReadingPads);
    if ([].some.call(navigator.getGamepads(), Boolean))
      startReadingPads();
  }

  // ---- Focus -----------------------------------------------------------------------------------
  // The keyboard's keys go with the canvas's focus; the controls' keys stay held while their
  // fingers stay down, unless the whole page loses the focus or is hidden.
  canvas.addEventListener("blur", releaseKeyboard);
  window.addEventListener("blur", releaseAll);
  window.addEventListener("pagehide", releaseAll);
  document.addEventListener("visibilitychange", function () {
    if (document.hidden)
      releaseAll();
  });
  // Nor are the pads heard until the page is back: then what they still hold is pressed anew.
  window.addEventListener("blur", function () {
    padsHeard = false;
  });
  window.addEventListener("focus", function () {
    padsHeard = true;
  });
  document.addEventListener("visibilitychange", function () {
    padsHeard = !document.hidden;
  });

  // ---- When the controls show ------------------------------------------------------------------
  // Where the primary pointer is coarse, or from the first touch on; then for good. The gamepad's
  // help, once a pad has been used, in place of the key table's and the touch controls'.
  function useTouch() {
    if (root.classList.contains("touch"))
      return;
    root.classList.add("touch");
    controls.hidden = false;
    keysHelp.hidden = true;
    touchHelp.hidden = root.classList.contains("gamepad");
    startControl.classList.add("beckon");
  }

  function useGamepad() {
    if (root.classList.contains("gamepad"))
      return;
    root.classList.add("gamepad");
    keysHelp.hidden = true;
    touchHelp.hidden = true;
    gamepadHelp.hidden = false;
  }

  var coarse = window.matchMedia("(pointer: coarse)");
  if (coarse.matches)
    useTouch();
  window.addEventListener("pointerdown", function (event) {
    if (event.pointerType === "touch")
      useTouch();
  }, true);
  // A touch on the picture gives the game the keyboard too, for a tablet with one.
  canvas.addEventListener("pointerdown", function (event) {
    if (event.pointerType !== "mouse")
      canvas.focus({ preventScroll: true });
  });

  // ---- The picture's scaling -------------------------------------------------------------------
  function chooseScaling() {
    var scale = canvas.getBoundingClientRect().width * window.devicePixelRatio / canvas.width;
    var whole = Math.round(scale) >= 1 && Math.abs(scale - Math.round(scale)) < 0.01;
    canvas.classList.toggle("smooth", !whole);
  }
  if (window.ResizeObserver)
    new ResizeObserver(chooseScaling).observe(canvas);
  // A change of zoom changes the device pixels per CSS pixel, and fires a resize.
  window.addEventListener("resize", chooseScaling);
  chooseScaling();
})();
