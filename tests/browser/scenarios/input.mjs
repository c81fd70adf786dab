// input.mjs: the page's own input (app/browser/site/input.js): the touch controls, played with
// fingers as on a phone, the layouts of small screens, the desktop page without them, and the
// keys a keyboard held released when the focus leaves the game. The game's state is read from
// its save file: K writes it while the game runs.
import assert from "node:assert/strict";
import { KNOWN_GAME, KNOWN_GAME_FOR_RIGHT, gameFile, gameState, playKnownGame } from "../harness/game.mjs";
import { sleep } from "../harness/page.mjs";

// The controls' accessible names, as the player's keys and buttons are listed.
const NAMES = ["Move up", "Move down", "Move left", "Move right", "Shoot", "Play or pause", "Start over",
  "Save", "Load", "Zoom in", "Zoom out", "Scroll right", "Scroll left", "Scroll down", "Scroll up"];
const PORTRAIT = { width: 390, height: 844, deviceScaleFactor: 3 };
const LANDSCAPE = { width: 844, height: 390, deviceScaleFactor: 3 };
const TABLET = { width: 768, height: 1024, deviceScaleFactor: 2 };
// Small phones, upright: each is tried either way round.
const PHONES = [[320, 568], [360, 640], [375, 667], [390, 844]];
// The page's notes, each shown as the page shows it: the last two with their text, instead of the
// game.
const NOTES = {
  "storage-note": "",
  "update-note": "",
  elsewhere: "Dustreach is open in another tab.",
  message: "Could not load dustreach.0123456789ab.wasm from this site (the connection failed). " +
    "Reload the page to try again.",
};
const NO_NARROW_WINDOW = "MiniBrowser's window is never narrower than 447 pixels";
const NO_CANCEL = "no way to cancel a touch but Chromium's DevTools protocol";

// Finds the controls in the page by accessible name: their rectangles in CSS pixels.
const CONTROLS = `(() => {
  const name = (button) => {
    if (button.hasAttribute("aria-label"))
      return button.getAttribute("aria-label");
    const copy = button.cloneNode(true);
    copy.querySelectorAll("[aria-hidden=true]").forEach((part) => part.remove());
    return copy.textContent.replace(/\\s+/g, " ").trim();
  };
  return [...document.querySelectorAll("button")].filter((button) => button.offsetParent).map((button) => {
    const box = button.getBoundingClientRect();
    return { name: name(button), left: box.left, top: box.top, right: box.right, bottom: box.bottom };
  });
})()`;

// WebKit's driver has no touch and no phone: the page is told its pointer is coarse instead.
const COARSE_POINTER = `{
const matchMedia = window.matchMedia.bind(window);
window.matchMedia = (query) => matchMedia(query === "(pointer: coarse)" ? "all" : query);
}`;
const NO_TOUCH = "WebKitWebDriver turns touch actions into mouse events";

// Another tab holds the game: the page's lock is never granted.
const LOCK_HELD = `
navigator.locks.request = (name, options, callback) => Promise.resolve(callback(null));
`;

// The page as on a phone of the viewport's size: an emulated phone where the engine can emulate
// one, elsewhere a page told that its pointer is coarse (for the layouts only).
/**
 * @param {import("../harness/context.mjs").Context} ctx
 * @param {import("../harness/context.mjs").Viewport} [viewport]
 * @param {import("../harness/context.mjs").OpenOptions} [options]
 */
function openPhone(ctx, viewport = PORTRAIT, { beforeLoad = "", ready } = {}) {
  if (ctx.can.mobile)
    return ctx.open("", { mobile: true, viewport, beforeLoad, ready });
  const { width, height } = viewport;
  return ctx.open("", { viewport: { width, height }, beforeLoad: COARSE_POINTER + beforeLoad, ready });
}

async function control(page, name) {
  const found = (await page.evaluate(CONTROLS)).find((one) => one.name === name);
  assert.ok(found, `a control named ${name}`);
  return { x: Math.round((found.left + found.right) / 2), y: Math.round((found.top + found.bottom) / 2) };
}

// A finger put on the named control (or a point), to be moved and lifted.
async function touch(page, target) {
  const at = typeof target === "string" ? await control(page, target) : target;
  return page.touchStart(at.x, at.y);
}

async function tap(page, target) {
  await (await touch(page, target)).end();
  await page.frames(3);
}

async function hold(page, name, milliseconds) {
  const finger = await touch(page, name);
  await sleep(milliseconds);
  await finger.end();
  await page.frames(3);
}

// The game as its save file has it: { score, lives, x, y } (the ship's place). The game must be
// running.
async function state(page) {
  const now = await gameState(page);
  assert.ok(now, "the game runs");
  return now;
}

// A point on screen off the controls and the picture: under the picture, where the screen leaves
// room (on a 390 x 844 phone it does).
function offTheControls(page) {
  return page.evaluate(() => {
    const picture = /** @type {HTMLElement} */ (document.getElementById("canvas")).getBoundingClientRect();
    const stage = /** @type {HTMLElement} */ (document.getElementById("stage")).getBoundingClientRect();
    return { x: Math.round(stage.left + stage.width / 2), y: Math.round((picture.bottom + stage.bottom) / 2) };
  });
}

// Where the ship went while something was held: -1, 0 or 1 on each axis.
function way(from, to) {
  return [Math.sign(to.x - from.x), Math.sign(to.y - from.y)];
}

// The colour of canvas pixels, as "rrggbb".
async function colours(page, points) {
  const { width, rgba } = await page.canvasPixels();
  return points.map(([x, y]) => {
    const at = (y * width + x) * 4;
    return [0, 1, 2].map((c) => rgba[at + c].toString(16).padStart(2, "0")).join("");
  });
}

// Nothing the page holds moves the ship: it stays put over a few frames.
async function assertStill(page, what) {
  const before = await state(page);
  await sleep(250);
  const after = await state(page);
  assert.deepEqual([after.x, after.y], [before.x, before.y], `${what}: the ship moved on`);
}

function inside(box, width, height) {
  return box.left >= 0 && box.top >= 0 && box.right <= width && box.bottom <= height;
}

function overlap(a, b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The picture, the controls, the window and its scrolling, and the element noteId names (if any),
// in CSS pixels.
async function layoutOf(page, noteId = "canvas") {
  return page.evaluate(`(() => {
    const rectangle = (id) => {
      const box = document.getElementById(id).getBoundingClientRect();
      return { left: box.left, top: box.top, right: box.right, bottom: box.bottom };
    };
    return { width: innerWidth, height: innerHeight, scrollWidth: document.documentElement.scrollWidth,
             scrollX, scrollY, picture: rectangle("canvas"), note: rectangle(${JSON.stringify(noteId)}),
             controls: ${CONTROLS} };
  })()`);
}

// A scenario for one layout of the touch controls: what every layout keeps, then check(layout).
function layoutScenario(what, viewport, check, cannot = {}) {
  return {
    name: `touch layout: ${what}, ${viewport.width} x ${viewport.height}`,
    cannot,
    async run(ctx) {
      const page = await openPhone(ctx, viewport);
      const layout = await layoutOf(page);
      const size = [layout.width, layout.height];
      assert.deepEqual(size, [viewport.width, viewport.height], "the window's size");
      assertLayout(layout, what);
      check(layout);
      const { picture } = layout;
      ctx.log(`${what}: picture ${picture.right - picture.left} x ${picture.bottom - picture.top}`);
    },
  };
}

// Shows or hides a note as the page does: one with a text of its own instead of the game.
function showNote(id, text, shown) {
  const byId = (name) => /** @type {HTMLElement} */ (document.getElementById(name));
  byId(id).hidden = !shown;
  if (!text)
    return;
  byId("stage").hidden = shown;
  byId("canvas").hidden = shown;
  const where = id === "elsewhere" ? byId("elsewhere-text") : byId(id);
  where.textContent = text;
}

// What a small phone shows with a note: the note, every button and, with the game, the picture at
// least 240 pixels wide when upright, all on screen at once, none over another.
function assertNoteLayout(layout, what) {
  const { picture, controls, note, width, height } = layout;
  assert.deepEqual([layout.scrollX, layout.scrollY], [0, 0], `${what}: scrolled`);
  assert.ok(layout.scrollWidth <= width, `${what}: nothing sticks out sideways`);
  assert.ok(note.bottom > note.top && inside(note, width, height), `${what}: the note is on screen`);
  const boxes = [...controls, { ...note, name: "the note" }];
  if (picture.bottom > picture.top) {
    assert.ok(inside(picture, width, height), `${what}: the picture is on screen`);
    const wide = picture.right - picture.left;
    assert.ok(width > height || wide >= 240, `${what}: the picture is only ${wide} wide`);
    const names = controls.map((one) => one.name);
    assert.ok(NAMES.every((name) => names.includes(name)), `${what}: the controls`);
    boxes.push({ ...picture, name: "the picture" });
  }
  for (const one of controls) {
    assert.ok(inside(one, width, height), `${what}: ${one.name} is on screen`);
    const big = one.right - one.left >= 44 && one.bottom - one.top >= 44;
    assert.ok(big, `${what}: ${one.name} is too small`);
  }
  // A button inside the note is part of it.
  const within = (inner, outer) => outer.name === "the note" && inner.left >= outer.left &&
    inner.right <= outer.right && inner.top >= outer.top && inner.bottom <= outer.bottom;
  const apart = (a, b) => !overlap(a, b) || within(a, b) || within(b, a);
  for (const one of boxes) {
    for (const other of boxes)
      assert.ok(one === other || apart(one, other), `${what}: ${one.name} overlaps ${other.name}`);
  }
}

// What every layout of the touch controls keeps: the whole picture and every control on screen,
// no control over the picture or another, each large enough for a finger, the picture's shape.
function assertLayout(layout, what) {
  const { picture, controls, width, height } = layout;
  assert.ok(inside(picture, width, height), `${what}: the picture is on screen`);
  assert.ok(layout.scrollWidth <= width, `${what}: nothing sticks out sideways`);
  const shape = (picture.right - picture.left) / (picture.bottom - picture.top);
  assert.ok(Math.abs(shape - 0.75) < 0.01, `${what}: the picture is 3:4, not ${shape}`);
  assert.deepEqual(controls.map((one) => one.name).sort(), [...NAMES].sort(), `${what}: the controls`);
  for (const one of controls) {
    assert.ok(inside(one, width, height), `${what}: ${one.name} is on screen`);
    assert.ok(!overlap(one, picture), `${what}: ${one.name} covers the picture`);
    const big = one.right - one.left >= 44 && one.bottom - one.top >= 44;
    assert.ok(big, `${what}: ${one.name} is too small`);
    for (const other of controls)
      assert.ok(one === other || !overlap(one, other), `${what}: ${one.name} overlaps ${other.name}`);
  }
}

export const scenarios = [
  {
    name: "touch controls: each sends its key or mouse button",
    cannot: { webkit: NO_TOUCH },
    async run(ctx) {
      const page = await openPhone(ctx);
      const shown = await page.evaluate(`["keys", "touch-help", "touch-controls"].map(
        (id) => !document.getElementById(id).hidden)`);
      assert.deepEqual(shown, [false, true, true], "touch help in the key table's place");
      if (ctx.can.cdp) {
        // Chromium's own accessibility tree names them so too.
        for (const name of NAMES)
          assert.ok(await page.raw.$(`aria/${name}[role="button"]`), `the accessible name ${name}`);
      }
      await tap(page, "Play or pause");
      await tap(page, "Save");
      assert.notEqual(await gameFile(page, "currentSave.txt"), null, "SPACE started, K saved");

      await playKnownGame(page);
      let before = await state(page);
      await tap(page, "Shoot");
      assert.equal((await state(page)).score, before.score - 1, "a shot costs a point");
      const ways = { "Move up": [0, -1], "Move down": [0, 1], "Move left": [-1, 0], "Move right": [1, 0] };
      for (const [name, expected] of Object.entries(ways)) {
        await playKnownGame(page, name === "Move right" ? KNOWN_GAME_FOR_RIGHT : KNOWN_GAME);
        before = await state(page);
        await hold(page, name, 300);
        assert.deepEqual(way(before, await state(page)), expected, name);
      }

      // The power-up strip's blue rectangle: at (170, 260) unzoomed, twice as far from the centre
      // (300, 400) zoomed in, half as far zoomed out.
      const [plain, zoomedIn, zoomedOut] = [[170, 260], [40, 120], [235, 330]];
      const blue = async () =>
        (await colours(page, [plain, zoomedIn, zoomedOut])).map((colour) => colour === "0000ff");
      assert.deepEqual(await blue(), [true, false, false], "unzoomed");
      await tap(page, "Zoom in");
      assert.deepEqual(await blue(), [false, true, false], "zoomed in");
      await tap(page, "Zoom out");
      await tap(page, "Zoom out");
      assert.deepEqual(await blue(), [false, false, true], "zoomed out");
      await tap(page, "Zoom in");

      // Paused, the frame stands still; the score panel moves with each scroll by 15 pixels.
      await playKnownGame(page, KNOWN_GAME_FOR_RIGHT);
      const saved = await state(page);
      await hold(page, "Move right", 300);
      await tap(page, "Play or pause");
      const [panel] = await colours(page, [[210, 65]]);
      const scrolls = { "Scroll right": [228, 65], "Scroll left": [12, 65], "Scroll down": [210, 80],
        "Scroll up": [210, 8] };
      const backs = { "Scroll right": "Scroll left", "Scroll left": "Scroll right",
        "Scroll down": "Scroll up", "Scroll up": "Scroll down" };
      for (const [name, point] of Object.entries(scrolls)) {
        assert.notEqual((await colours(page, [point]))[0], panel, `before ${name}`);
        await tap(page, name);
        assert.equal((await colours(page, [point]))[0], panel, name);
        await tap(page, backs[name]);
      }
      await tap(page, "Load");
      const loaded = await state(page);
      assert.deepEqual([loaded.x, loaded.y], [saved.x, saved.y], "L loaded the ship where it was saved");
      await tap(page, "Play or pause");
      await tap(page, "Start over");
      const again = await state(page);
      assert.deepEqual([again.x, again.y], [230, 610], "R started over with the ship at its start");

      // A keyboard (or a screen reader) presses a control by its click alone.
      before = await playKnownGame(page);
      await page.evaluate('document.querySelector("#touch-controls .shoot").focus()');
      await page.press("Enter");
      assert.equal((await state(page)).score, before.score - 1, "Shoot pressed from the keyboard");
    },
  },
  {
    name: "touch controls: several fingers at once, and a finger sliding between directions",
    cannot: { webkit: NO_TOUCH },
    async run(ctx) {
      const page = await openPhone(ctx);
      await playKnownGame(page);
      let before = await state(page);
      // Down and left: a ship moving up would overtake its own shot, which costs a life.
      const left = await touch(page, "Move left");
      await tap(page, "Shoot");
      const down = await touch(page, "Move down");
      await sleep(300);
      const now = await state(page);
      assert.equal(now.score, before.score - 1, "shot while moving");
      assert.deepEqual(way(before, now), [-1, 1], "two directions at once: diagonally");
      await down.end();
      await left.end();
      await assertStill(page, "all fingers lifted");

      await playKnownGame(page);
      // Along the bottom row, clear of the enemies for a while.
      const finger = await touch(page, "Move right");
      await sleep(200);
      const { x, y } = await control(page, "Move left");
      await finger.move(x, y);
      before = await state(page);
      await sleep(300);
      assert.deepEqual(way(before, await state(page)), [-1, 0], "slid from right to left");
      const off = await offTheControls(page);
      await finger.move(off.x, off.y);
      await assertStill(page, "the finger left the controls");
      await finger.end();
    },
  },
  {
    name: "touch controls: no key left held when the page loses the focus or is hidden",
    cannot: { webkit: NO_TOUCH },
    async run(ctx) {
      const page = await openPhone(ctx);
      for (const leave of ["blur", "hide"]) {
        await playKnownGame(page, KNOWN_GAME_FOR_RIGHT);
        const held = await touch(page, "Move right");
        await sleep(100);
        if (leave === "blur") {
          await page.evaluate('dispatchEvent(new FocusEvent("blur"))');
        } else {
          await (await page.openTab("about:blank", { ready: null })).close();
          await page.bringToFront();
          await page.frames(3);
          await page.press(" "); // the hidden tab paused the game: play on
        }
        await assertStill(page, `the page was left (${leave})`);
        await held.end();
      }
    },
  },
  {
    name: "touch controls: no key left held after a cancelled touch",
    cannot: { firefox: NO_CANCEL, webkit: NO_TOUCH },
    async run(ctx) {
      const page = await openPhone(ctx);
      await playKnownGame(page);
      // A touch the browser cancels (for a gesture of the system's, say).
      const cdp = await page.cdp();
      const left = await control(page, "Move left");
      await cdp.send("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [{ ...left, id: 1 }] });
      await sleep(200);
      await cdp.send("Input.dispatchTouchEvent", { type: "touchCancel", touchPoints: [] });
      await assertStill(page, "a cancelled touch");
    },
  },
  {
    name: "touch: a tap on the picture shoots; the picture and controls never scroll or zoom the page",
    // Firefox's touches through WebDriver BiDi never scroll a page, not even one of plain text:
    // there, only that the picture shoots and nothing zooms tells.
    cannot: { webkit: NO_TOUCH },
    async run(ctx) {
      const page = await openPhone(ctx);
      await playKnownGame(page);
      const before = await state(page);
      const picture = await page.middleOf("#canvas");
      await tap(page, picture);
      assert.equal((await state(page)).score, before.score - 1, "a tap shoots once");
      await tap(page, picture);
      await tap(page, picture); // a double tap
      const swipe = async (from, by) => {
        const finger = await touch(page, from);
        for (let step = 1; step <= 5; ++step)
          await finger.move(from.x, from.y - (by * step) / 5);
        await finger.end();
        await page.frames(3);
      };
      await swipe(picture, 200);
      await swipe(await control(page, "Move down"), 200);
      const view = await page.evaluate("[scrollY, visualViewport.scale]");
      assert.deepEqual(view, [0, 1], "neither scrolled nor zoomed");
      if (ctx.engine === "chromium") {
        // The same swipe on the rest of the page scrolls it.
        await swipe(await offTheControls(page), 200);
        await page.waitFor("scrollY > 0", { what: "the rest of the page to scroll" });
      }
    },
  },
  layoutScenario("portrait phone", PORTRAIT, (layout) => {
    const { picture } = layout;
    assert.ok(picture.right - picture.left >= 300, "the picture is at least 300 wide");
  }, { webkit: "MiniBrowser's window is never narrower than 447 pixels" }),
  layoutScenario("landscape phone", LANDSCAPE, (layout) => {
    const { picture, controls } = layout;
    const full = Math.max(290, layout.height - 16);
    assert.ok(picture.bottom - picture.top >= full, "the picture is full height");
    for (const one of controls) {
      const beside = one.right <= picture.left || one.left >= picture.right;
      assert.ok(beside, `${one.name} is beside the picture`);
    }
  }),
  layoutScenario("tablet", TABLET, () => {}),
  ...PHONES.map(([width, height]) => ({
    name: `touch layout: a ${width} x ${height} phone either way round, each note on screen with the game`,
    async run(ctx) {
      for (const [across, down] of [[width, height], [height, width]]) {
        if (!ctx.can.mobile && across < 447) {
          ctx.log(`not ${across} x ${down}: ${NO_NARROW_WINDOW}`);
          continue;
        }
        const page = await openPhone(ctx, { width: across, height: down });
        for (const [id, text] of Object.entries(NOTES)) {
          const what = `${across} x ${down} with ${id}`;
          await page.evaluate(showNote, id, text, true);
          assertNoteLayout(await layoutOf(page, id), what);
          await page.evaluate(showNote, id, text, false);
        }
      }
    },
  })),
  {
    name: "touch page: no controls while the game plays in another tab",
    async run(ctx) {
      const viewport = ctx.can.mobile ? PORTRAIT : TABLET;
      const elsewhere = '!document.getElementById("elsewhere").hidden';
      const page = await openPhone(ctx, viewport, { beforeLoad: LOCK_HELD, ready: elsewhere });
      const buttons = await page.evaluate(CONTROLS);
      const names = buttons.map((one) => one.name);
      assert.deepEqual(names, ["Play here"], "the offer to play here, and no control of a game");
      const [playHere] = buttons;
      assert.ok(playHere.bottom - playHere.top >= 44, "Play here is large enough for a finger");
    },
  },
  {
    name: "desktop page: no touch controls, the 600 x 800 picture, sharp at whole pixel ratios",
    async run(ctx) {
      const ratios = ctx.can.pixelRatio ? [1, 2, 1.5] : [1];
      for (const deviceScaleFactor of ratios) {
        const page = await ctx.open("", { viewport: { width: 700, height: 900, deviceScaleFactor } });
        await page.click({ button: "middle" });
        const layout = await layoutOf(page);
        assert.deepEqual(layout.controls, [], "no touch controls");
        const { picture } = layout;
        assert.deepEqual([picture.right - picture.left, picture.bottom - picture.top], [600, 800]);
        const shown = await page.evaluate(
          '["keys", "touch-help"].map((id) => !document.getElementById(id).hidden)');
        assert.deepEqual(shown, [true, false], "the key table");
        const rendering = await page.evaluate(
          'getComputedStyle(document.getElementById("canvas")).imageRendering');
        const whole = Number.isInteger(deviceScaleFactor);
        assert.equal(rendering !== "auto", whole, `pixel squares at ${deviceScaleFactor} pixels a point`);
      }
    },
  },
  {
    name: "keys held on the keyboard are released when the focus leaves the game",
    async run(ctx) {
      const page = await ctx.open();
      for (const leave of ["Tab", "a click elsewhere"]) {
        await playKnownGame(page, KNOWN_GAME_FOR_RIGHT);
        await page.keyDown("d");
        await sleep(200);
        if (leave === "Tab")
          await page.press("Tab");
        else
          await page.click({ x: 20, y: 400 }); // beside the picture
        const focused = await page.evaluate('document.activeElement === document.getElementById("canvas")');
        assert.equal(focused, false, `${leave} took the focus from the game`);
        await page.keyUp("d");
        await page.click(); // back to the game (a shot)
        await assertStill(page, `D let go after ${leave}`);
      }
    },
  },
];
