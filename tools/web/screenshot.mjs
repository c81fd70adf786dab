// screenshot.mjs: takes the README's pictures of the browser version: the built site in headless
// Chromium (the browser tests' harness, tests/browser/), a game in play (started with SPACE, the
// ship moved, a few shots fired), saved as docs/browser.png; and the same played with the touch
// controls on an upright phone of 390 x 844, saved as docs/phone.png.
//
// Usage: node tools/web/screenshot.mjs [SITE_FOLDER, default build-web/site]
//        (after ./web build and tests/browser/install.sh)
import path from "node:path";
import { fileURLToPath } from "node:url";
import { createEngine } from "../../tests/browser/engines/chromium.mjs";
import { Context } from "../../tests/browser/harness/context.mjs";
import { sleep } from "../../tests/browser/harness/page.mjs";

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..", "..");
const site = process.argv[2] || path.join(root, "build-web", "site");
const ctx = new Context(createEngine(), { site, frames: path.join(root, "tests", "frames") }, new Set());
try {
  await ctx.start();
  const page = await ctx.open("", { viewport: { width: 700, height: 1250 } });
  await page.press(" ");
  await page.press("a", { hold: 300 });
  for (let shot = 0; shot < 3; ++shot) {
    await page.click();
    await sleep(150);
  }
  await page.screenshot(path.join(root, "docs", "browser.png"));

  const phone = await ctx.open("", { mobile: true, viewport: { deviceScaleFactor: 1 } });
  const tap = async (selector, hold = 0) => {
    const { x, y } = await phone.middleOf(selector);
    const finger = await phone.touchStart(x, y);
    await sleep(hold);
    await finger.end();
    await sleep(150);
  };
  await tap("#touch-controls .start");
  await tap("#touch-controls .left", 300);
  for (let shot = 0; shot < 3; ++shot)
    await tap("#touch-controls .shoot");
  await phone.screenshot(path.join(root, "docs", "phone.png"));
} finally {
  await ctx.close();
}
