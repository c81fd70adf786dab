// site.mjs: the site played as a player would, in every engine: keys and clicks on the canvas,
// the canvas's pixels against the desktop's, the game's files through the page, reloads.
import assert from "node:assert/strict";
import { compareWithFrame, referencePixels } from "../harness/frames.mjs";
import { KNOWN_GAME_FOR_RIGHT, NO_WEBGL, gameFile, playKnownGame, shown } from "../harness/game.mjs";

// Where the start screen shows its two JPEG pictures ([left, top, width, height]): there the
// browser's decoder (stb_image) rounds some pixels differently from the desktop's (libjpeg), by
// at most this much in any of red, green and blue. Everywhere else the frames are equal.
const JPEG_AREAS = [[150, 500, 300, 110], [225, 625, 150, 150]];
const JPEG_TOLERANCE = 2;
const NO_WEBASSEMBLY = "delete window.WebAssembly;";
const NO_VIDEO = "window.Module = {preRun: [() => { Module.ENV.SDL_VIDEODRIVER = 'none'; }]};";

async function saveFields(page) {
  return (await gameFile(page, "currentSave.txt")).split(/\s+/).filter(Boolean).map(Number);
}

export const scenarios = [
  {
    name: "start screen equals the desktop frame",
    async run(ctx) {
      const expected = referencePixels(ctx.folders.frames, "game-start-pictures");
      for (const [setting, beforeLoad] of [["with WebGL", ""], ["without WebGL", NO_WEBGL]]) {
        const page = await ctx.open("", { beforeLoad });
        // An engine without WebGL would draw through the 2-D context both times.
        const drawing = await page.evaluate(() => ["webgl2", "webgl", "2d"].find((type) =>
          /** @type {HTMLCanvasElement} */ (document.getElementById("canvas")).getContext(type)));
        assert.equal(drawing === "2d", beforeLoad === NO_WEBGL, `${setting}: the game draws through ${drawing}`);
        const { worst, outside } = compareWithFrame(await page.canvasPixels(), expected, JPEG_AREAS);
        assert.equal(outside, null, `${setting}: a pixel outside the JPEG pictures differs`);
        assert.ok(worst <= JPEG_TOLERANCE, `${setting}: the JPEG pictures differ by ${worst}`);
        ctx.log(`start screen ${setting} (${drawing}): equal outside the JPEG pictures, inside them at most`,
          `${worst} apart`);
      }
    },
  },
  {
    name: "play, save, reload and load",
    async run(ctx) {
      const page = await ctx.open();
      const start = await playKnownGame(page, KNOWN_GAME_FOR_RIGHT);
      await page.click(); // a shot
      await page.press("d", { hold: 400 });
      await page.press("k");
      const saved = await gameFile(page, "currentSave.txt");
      const fields = await saveFields(page);
      assert.equal(fields[0], start.score - 1, "the shot costs a point");
      assert.ok(fields[2] > start.x, "D moves the ship right");
      await page.reload();
      assert.equal(await gameFile(page, "currentSave.txt"), saved);
      await page.press(" ");
      await page.press(" ");
      await page.press("l");
      await page.press("k");
      // The enemies' trips to the bottom may cost lives meanwhile: the score and the ship tell.
      const [score, , x, y] = await saveFields(page);
      assert.deepEqual([score, x, y], [fields[0], fields[2], fields[3]], "score and ship as saved");
    },
  },
  {
    name: "a hidden tab pauses the game",
    async run(ctx) {
      const page = await ctx.open();
      await playKnownGame(page);
      await page.evaluate('Module.FS.unlink("/dustreach/currentSave.txt")');
      const other = await page.openTab("about:blank", { ready: null });
      await other.close();
      await page.bringToFront();
      await page.frames(3);
      await page.press("l"); // loads only while paused; nothing was saved, so it says it could not
      assert.match(await page.consoleText(), /Could not load the saved game from currentSave\.txt/);
    },
  },
  {
    name: "game keys never scroll the page, the others stay the browser's",
    async run(ctx) {
      const page = await ctx.open("", { viewport: { width: 700, height: 600 } });
      await page.evaluate(() => {
        const counting = /** @type {typeof window & { menus: number }} */ (window);
        counting.menus = 0;
        addEventListener("contextmenu", (event) => {
          if (!event.defaultPrevented)
            ++counting.menus;
        });
      });
      for (const key of [" ", "ArrowDown", "ArrowUp", " ", "w"])
        await page.press(key);
      await page.click({ button: "right" });
      assert.equal(await page.evaluate("scrollY"), 0);
      assert.equal(await page.evaluate("menus"), 0);
      await page.wheel({ deltaY: 300 });
      await page.waitFor("scrollY > 0", { what: "the wheel to scroll the page" });
      await page.press("Tab"); // SDL would cancel it; the page hands it to the browser
      assert.equal(await page.evaluate('document.activeElement === document.getElementById("canvas")'), false);
    },
  },
  {
    name: "start failures show a message instead of the game",
    async run(ctx) {
      const cases = [[NO_WEBASSEMBLY, "needs WebAssembly"], [NO_VIDEO, "Unable to init SDL: none not available"]];
      for (const [beforeLoad, text] of cases) {
        const page = await ctx.open("", { beforeLoad });
        assert.ok((await page.evaluate('document.getElementById("message").textContent')).includes(text));
        assert.equal(await shown(page, "canvas"), false);
      }
    },
  },
];
