// layouts.mjs: the game's keys on keyboards of other layouts. They go by their place: K saves
// where a US keyboard has K, whatever letter the layout types there, and on an AZERTY keyboard
// W A S D are the keys in those places, not the keys labelled so.
import assert from "node:assert/strict";
import { gameFile, gameState, playKnownGame } from "../harness/game.mjs";

const NO_LAYOUTS = "WebDriver BiDi's key actions take a character alone, at a US keyboard's place or none";

// The keys in K's place on a Russian and a Greek keyboard, and two AZERTY keys: the one labelled
// Q lies in A's place, the one labelled A in Q's.
const RUSSIAN_K = { layout: "ru", key: "л", code: "KeyK", keyCode: 75 };
const GREEK_K = { layout: "gr", key: "κ", code: "KeyK", keyCode: 75 };
const AZERTY_Q = { layout: "fr", key: "q", code: "KeyA", keyCode: 81 };
const AZERTY_A = { layout: "fr", key: "a", code: "KeyQ", keyCode: 65 };

// Where the ship goes while typed is held: its moves on both axes.
async function moveWith(page, typed) {
  const before = await playKnownGame(page);
  await page.pressOn(typed, { hold: 300 });
  const after = await gameState(page);
  assert.ok(after, "the game runs");
  return [after.x - before.x, after.y - before.y];
}

export const scenarios = [
  {
    name: "keyboard layouts: K saves on a Russian and a Greek keyboard",
    cannot: { firefox: NO_LAYOUTS },
    async run(ctx) {
      const page = await ctx.open();
      for (const typed of [RUSSIAN_K, GREEK_K]) {
        await playKnownGame(page);
        await page.evaluate('Module.FS.unlink("/dustreach/currentSave.txt")');
        await page.pressOn(typed);
        assert.notEqual(await gameFile(page, "currentSave.txt"), null, `${typed.key} saved`);
      }
    },
  },
  {
    name: "keyboard layouts: on AZERTY the key in A's place moves left, the key labelled A does not",
    cannot: { firefox: NO_LAYOUTS },
    async run(ctx) {
      const page = await ctx.open();
      const [x, y] = await moveWith(page, AZERTY_Q);
      assert.ok(x < 0 && y === 0, `Q in A's place moved the ship by ${x}, ${y}`);
      assert.deepEqual(await moveWith(page, AZERTY_A), [0, 0], "A in Q's place moved the ship");
    },
  },
];
