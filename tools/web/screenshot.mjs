// screenshot.mjs: takes the README's picture of the browser version: the built site in headless
// Chromium (the browser tests' harness, tests/browser/), a game in play (started with SPACE, the
// ship moved, a few shots fired), saved as docs/browser.png.
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
} finally {
  await ctx.close();
}
