// gamepad.mjs: the page's gamepads (app/browser/site/input.js), played through a scripted
// navigator.getGamepads() installed before the page's own scripts: each button and direction, the
// dead zone, several controls and pads at once, a pad pulled out, the right stick's repeats, the
// page losing the focus, and the help switching to the gamepad's controls. The game's state is
// read from its save file, which X (K) writes while the game runs, and from the canvas's pixels.
import assert from "node:assert/strict";
import { gameFile } from "../harness/game.mjs";
import { sleep } from "../harness/page.mjs";

// Pads in the standard layout, whose state the scenario sets: scriptedGamepad(index, state) plugs
// a pad in or changes it (state: { buttons: { number: value }, axes: [x, y, rx, ry] }), and
// scriptedGamepad(index, null) pulls it out.
const SCRIPTED_GAMEPADS = `{
const pads = [];
window.scriptedGamepad = (index, state) => {
  const known = !!pads[index];
  if (!state) {
    pads[index] = null;
    if (known)
      dispatchEvent(new Event("gamepaddisconnected"));
    return;
  }
  const buttons = [];
  for (let number = 0; number < 17; ++number) {
    const value = (state.buttons || {})[number] || 0;
    buttons.push({ pressed: value > 0, touched: value > 0, value });
  }
  pads[index] = { id: "Scripted pad", index, connected: true, mapping: "standard",
                  timestamp: performance.now(), buttons, axes: state.axes || [0, 0, 0, 0] };
  if (!known)
    dispatchEvent(new Event("gamepadconnected"));
};
Object.defineProperty(Navigator.prototype, "getGamepads", { configurable: true, value: () => pads.slice() });
}`;

/**
 * A pad's state: the values of the buttons held, by number, and the sticks' axes.
 * @typedef {{ buttons?: Record<number, number>, axes?: number[] }} PadState
 */
/**
 * The page's window, once SCRIPTED_GAMEPADS ran in it.
 * @typedef {typeof window & { scriptedGamepad: (index: number, state: PadState | null) => void }} ScriptedWindow
 */

// The standard layout's buttons.
const A = 0;
const X = 2;
const Y = 3;
const LEFT_SHOULDER = 4;
const RIGHT_SHOULDER = 5;
const RIGHT_TRIGGER = 7;
const BACK = 8;
const START = 9;
const UP = 12;
const DOWN = 13;
const LEFT = 14;
const RIGHT = 15;
// The pad that saves, loads, starts and pauses for the scenarios, beside the pads they play with.
const HELPER = 3;
// A game to start from: no points, lives to spare, the ship at its start, the enemies falling in
// the window's right edge, clear of each other, of the ship's shots and of the UFO, which wanders
// far from the ship in the top left. So nothing but a shot changes the score, however slowly the
// page plays.
const KNOWN_GAME = [0, 1000, 230, 610, 440, 30, 490, 30, 540, 30, 590, 30, 60, 30, 0, 1];
// Where the known game puts the ship across.
const START_X = KNOWN_GAME[2];

function open(ctx, options = {}) {
  return ctx.open("", { ...options, beforeLoad: SCRIPTED_GAMEPADS });
}

// Sets pad index's state (null pulls it out), then lets three frames pass.
/** @param {PadState | null} state */
async function setPad(page, state, index = 0) {
  await page.evaluate((index, state) => /** @type {ScriptedWindow} */ (window).scriptedGamepad(index, state),
    index, state);
  await page.frames(3);
}

async function press(page, button, index = HELPER) {
  await setPad(page, { buttons: { [button]: 1 } }, index);
  await setPad(page, {}, index);
}

// The game as its save file has it: { score, lives, x, y } (the ship's place). The game must be
// running.
async function state(page) {
  await press(page, X);
  const [score, lives, x, y] = (await gameFile(page, "currentSave.txt")).split(/\s+/).map(Number);
  return { score, lives, x, y };
}

// Plays on from KNOWN_GAME, loaded with Y (L) from a pause, whatever state the game was in. X saves
// only while the game runs: so it tells whether it does.
async function knownGame(page) {
  await page.evaluate('try { Module.FS.unlink("/dustreach/currentSave.txt"); } catch (error) {}');
  await press(page, X);
  if ((await gameFile(page, "currentSave.txt")) === null)
    await press(page, START); // from the start screen or a pause, to play
  await press(page, START); // and pause
  await page.evaluate((text) => Module.FS.writeFile("/dustreach/currentSave.txt", text),
    KNOWN_GAME.map((field) => `${field}\n`).join(""));
  await press(page, Y);
}

// Where the ship went while pad 0 was held in state: -1, 0 or 1 on each axis.
async function wayMoved(page, held) {
  await knownGame(page);
  const before = await state(page);
  await setPad(page, held);
  await sleep(300);
  await setPad(page, {});
  const after = await state(page);
  return [Math.sign(after.x - before.x), Math.sign(after.y - before.y)];
}

// Nothing the pads hold moves the ship: it stays put over a few frames.
async function assertStill(page, what) {
  const before = await state(page);
  await sleep(250);
  const after = await state(page);
  assert.deepEqual([after.x, after.y], [before.x, before.y], `${what}: the ship moved on`);
}

// Which help the page shows.
function helpShown(page) {
  return page.evaluate(`["keys", "touch-help", "gamepad-help"].filter(
    (id) => !document.getElementById(id).hidden)`);
}

// The smallest box around the canvas's pixels of colour ("rrggbb") inside the area from (0, 0) to
// (right, bottom): { left, top, right, bottom, width } (width 0: none there).
async function boxOf(page, colour, area) {
  const { width, rgba } = await page.canvasPixels();
  const box = { left: Infinity, top: Infinity, right: -1, bottom: -1 };
  for (let y = 0; y < area.bottom; ++y) {
    for (let x = 0; x < area.right; ++x) {
      const at = (y * width + x) * 4;
      const here = [0, 1, 2].map((c) => rgba[at + c].toString(16).padStart(2, "0")).join("");
      if (here !== colour)
        continue;
      box.left = Math.min(box.left, x);
      box.top = Math.min(box.top, y);
      box.right = Math.max(box.right, x);
      box.bottom = Math.max(box.bottom, y);
    }
  }
  return { ...box, width: box.right < 0 ? 0 : box.right - box.left };
}

// The score panel, drawn from (20, 20) to (220, 70) before any zoom and scroll, above the pause's
// lines. Objects drawn over it never hide a whole edge.
function panel(page) {
  return boxOf(page, "654321", { right: 600, bottom: 290 });
}

export const scenarios = [
  {
    name: "gamepad: the game's buttons, and the help switching to the gamepad's",
    async run(ctx) {
      const page = await open(ctx);
      assert.deepEqual(await helpShown(page), ["keys"], "the key table before any gamepad");
      await setPad(page, {}, HELPER);
      assert.deepEqual(await helpShown(page), ["keys"], "a gamepad plugged in but not used yet");
      await press(page, START);
      assert.deepEqual(await helpShown(page), ["gamepad-help"], "the gamepad's help once used");
      await press(page, X);
      assert.notEqual(await gameFile(page, "currentSave.txt"), null, "Start started, X saved");

      await knownGame(page);
      const before = await state(page);
      await press(page, A, 0);
      assert.equal((await state(page)).score, before.score - 1, "A shoots");
      await setPad(page, { buttons: { [RIGHT_TRIGGER]: 0.4 } });
      await setPad(page, {});
      assert.equal((await state(page)).score, before.score - 1, "the trigger pulled less than half");
      await setPad(page, { buttons: { [RIGHT_TRIGGER]: 1 } });
      await setPad(page, {});
      assert.equal((await state(page)).score, before.score - 2, "the right trigger shoots");

      // Y loads where X saved; Back starts over.
      const saved = await state(page);
      await setPad(page, { buttons: { [RIGHT]: 1 } });
      await sleep(300);
      await setPad(page, {});
      await press(page, START, 0);
      await press(page, Y, 0);
      const loaded = await state(page);
      assert.deepEqual([loaded.x, loaded.y], [saved.x, saved.y], "Y loaded the ship where X saved it");
      await press(page, START, 0);
      await press(page, BACK, 0);
      const again = await state(page);
      assert.deepEqual([again.x, again.y], [230, 610], "Back started over with the ship at its start");
    },
  },
  {
    name: "gamepad: the d-pad and the left stick move the ship, diagonally too, past the dead zone",
    async run(ctx) {
      const page = await open(ctx);
      /** @type {[string, PadState, number[]][]} */
      const ways = [
        ["d-pad up", { buttons: { [UP]: 1 } }, [0, -1]],
        ["d-pad down", { buttons: { [DOWN]: 1 } }, [0, 1]],
        ["d-pad left", { buttons: { [LEFT]: 1 } }, [-1, 0]],
        ["d-pad right", { buttons: { [RIGHT]: 1 } }, [1, 0]],
        ["stick up", { axes: [0, -1, 0, 0] }, [0, -1]],
        ["stick down", { axes: [0, 1, 0, 0] }, [0, 1]],
        ["stick left", { axes: [-1, 0, 0, 0] }, [-1, 0]],
        ["stick right", { axes: [0.3, 0, 0, 0] }, [1, 0]],
        ["stick down and left", { axes: [-0.7, 0.7, 0, 0] }, [-1, 1]],
        ["stick inside the dead zone", { axes: [0.2, -0.2, 0.2, 0.2] }, [0, 0]],
      ];
      for (const [name, held, expected] of ways)
        assert.deepEqual(await wayMoved(page, held), expected, name);

      // Down and left while shooting: a ship moving up would overtake its own shot.
      await knownGame(page);
      const before = await state(page);
      await setPad(page, { buttons: { [A]: 1, [DOWN]: 1 }, axes: [-1, 0, 0, 0] });
      await sleep(300);
      await setPad(page, {});
      const now = await state(page);
      assert.equal(now.score, before.score - 1, "shot while moving");
      assert.deepEqual([Math.sign(now.x - before.x), Math.sign(now.y - before.y)], [-1, 1],
        "a button and the stick at once");
    },
  },
  {
    name: "gamepad: the shoulders zoom, the right stick scrolls and repeats while held",
    async run(ctx) {
      const page = await open(ctx);
      await knownGame(page);
      // Zoomed in about the window's centre, the panel leaves the window.
      const zooms = [[LEFT_SHOULDER, 100], [RIGHT_SHOULDER, 200], [RIGHT_SHOULDER, 0], [LEFT_SHOULDER, 200]];
      assert.equal((await panel(page)).width, 200, "the panel unzoomed");
      for (const [shoulder, width] of zooms) {
        await press(page, shoulder, 0);
        assert.equal((await panel(page)).width, width, `the panel after shoulder ${shoulder}`);
      }

      await press(page, START); // paused: the frame stands still but for what the pad does
      const start = await panel(page);
      assert.equal(start.width, 200, "the panel, 1:1 again");
      /** @type {[string, number, number][]} */
      const scrolls = [["right", 1, 0], ["left", -1, 0], ["down", 0, 1], ["up", 0, -1]];
      for (const [name, x, y] of scrolls) {
        const before = await panel(page);
        await setPad(page, { axes: [0, 0, x, y] });
        await setPad(page, {});
        const after = await panel(page);
        const moved = [after.right - before.right, after.bottom - before.bottom];
        // One step a push, or more where the page was slow enough for a repeat.
        const steps = Math.abs(moved[0] + moved[1]) / 15;
        assert.ok(Number.isInteger(steps) && steps >= 1, `scroll ${name}: by ${moved}`);
        assert.deepEqual(moved, [x * 15 * steps, y * 15 * steps], `scroll ${name}`);
      }
      const before = await panel(page);
      await setPad(page, { axes: [0, 0, 1, 0] });
      await sleep(1200);
      await setPad(page, {});
      const held = await panel(page);
      assert.ok(held.right - before.right >= 30, `held, the stick scrolled on: ${held.right - before.right}`);
      await sleep(300);
      assert.deepEqual(await panel(page), held, "let go, the scrolling stopped");
    },
  },
  {
    name: "gamepad: several pads, one pulled out mid-hold, and the page losing the focus",
    async run(ctx) {
      const page = await open(ctx);
      await knownGame(page);
      await setPad(page, { buttons: { [LEFT]: 1 } }, 0);
      await setPad(page, { axes: [-1, 0, 0, 0] }, 1);
      await setPad(page, null, 0);
      // The known game again, so the ship starts from its place however long that took: had the
      // pull let go of left, it would stay there. (Wall time alone cannot tell: a slow page may
      // have let the ship reach the window's edge before the first reading.)
      await knownGame(page);
      assert.ok((await state(page)).x < START_X, "the second pad holds left still");
      await setPad(page, null, 1);
      await assertStill(page, "both pads pulled out");

      await knownGame(page);
      await setPad(page, { buttons: { [RIGHT]: 1 } });
      await page.evaluate('dispatchEvent(new FocusEvent("blur"))');
      await assertStill(page, "the page lost the focus");
      await page.evaluate('dispatchEvent(new FocusEvent("focus"))');
      await knownGame(page);
      assert.ok((await state(page)).x > START_X, "the focus back, the pad held right moves the ship again");
      await setPad(page, {});
    },
  },
  {
    name: "gamepad on a phone: the gamepad's help in place of the touch controls', and Play or pause stills",
    cannot: { webkit: "WebKitWebDriver emulates no phone" },
    async run(ctx) {
      const page = await open(ctx, { mobile: true });
      const beckons = 'document.querySelector("#touch-controls .start").classList.contains("beckon")';
      assert.deepEqual(await helpShown(page), ["touch-help"], "the touch controls' help");
      assert.equal(await page.evaluate(beckons), true, "Play or pause beckons");
      await press(page, START);
      assert.deepEqual(await helpShown(page), ["gamepad-help"], "the gamepad's help once used");
      assert.equal(await page.evaluate(beckons), false, "Play or pause stills once Start started the game");
      const controls = await page.evaluate('!document.getElementById("touch-controls").hidden');
      assert.equal(controls, true, "the touch controls stay");
    },
  },
];
