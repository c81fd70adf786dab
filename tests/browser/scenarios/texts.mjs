// texts.mjs: the page's font, a subset of the desktop's (printable ASCII), draws every text the
// game can write exactly as the desktop's whole font does.
import assert from "node:assert/strict";
import { compareWithFrame, referencePixels } from "../harness/frames.mjs";

export const scenarios = [
  {
    name: "every text the game writes equals the desktop's",
    async run(ctx) {
      const page = await ctx.open();
      // The game draws its text sheet and presents it at once; nothing redraws the start screen
      // until a key is pressed.
      await page.evaluate(() => Module._dustreach_show_text_sheet(Module.dustreachGame));
      const expected = referencePixels(ctx.folders.frames, "game-texts");
      const { outside } = compareWithFrame(await page.canvasPixels(), expected, []);
      assert.equal(outside, null, "a pixel of the text sheet differs");
    },
  },
];
