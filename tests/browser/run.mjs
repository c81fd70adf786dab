// run.mjs: the browser tests. Runs every scenario of tests/browser/scenarios/*.mjs in one engine
// and prints a line for each, then "N passed, N failed, N skipped". Exits 1 when one failed, 77
// (CTest's skip) when there is no site or the npm packages are not installed.
//
// Usage: node tests/browser/run.mjs chromium|firefox|webkit [SITE_FOLDER [FRAMES_FOLDER]]
//            [--only TEXT] [--screenshots FOLDER]
//   SITE_FOLDER defaults to build-web/site (./web build makes it), FRAMES_FOLDER to tests/frames;
//   --only runs the scenarios whose name contains TEXT; after a failure, each open tab's
//   screenshot goes to the --screenshots folder.
//
// A scenario module exports `scenarios`, a list of { name, run(ctx), cannot }, where cannot maps
// an engine's name to the reason it cannot run the scenario ({ webkit: "no phone emulation" }).
// run(ctx) fails by throwing (node:assert). ctx (harness/context.mjs):
//   ctx.engine           "chromium", "firefox" or "webkit"
//   ctx.can              what the engine can: { touch, mobile, pixelRatio, cpuThrottle, cdp,
//                        blockSiteData, layouts (keys of other keyboard layouts) }
//   ctx.site             the site's address, served by ctx.server, the scenario's own TestServer
//   ctx.folders          { site, frames }: the built site and the desktop's reference frames
//   ctx.serve(mounts)    another started TestServer: { "/": folder, "/b/": folder2, "/x": handler }
//   server.stop(), server.start() (the same port again), server.address, server.requests
//   ctx.open(address, options)  a page in a fresh profile, showing the address (relative to
//                        ctx.site); options: viewport { width, height, deviceScaleFactor },
//                        mobile, beforeLoad (script run before the page's own), cpuThrottle,
//                        readableCanvas, blockSiteData (the browser's setting blocking cookies
//                        and site data), ready (expression or function; null: no waiting)
//   ctx.temporaryFolder(), ctx.log(...)
// A page (harness/page.mjs):
//   goto(address), reload(), address(), evaluate(fn, ...args) or evaluate("expression"),
//   waitFor(condition, { args, timeout, what }), frames(count),
//   keyDown(key), keyUp(key), press(key, { hold }), with KeyboardEvent.key names (" ", "ArrowUp"),
//   pressOn({ layout, key, code, keyCode }, { hold }) (a key of another keyboard layout),
//   click({ button, x, y }), clickElement(selector) (no waiting: the click may reload the page),
//   wheel({ deltaX, deltaY, x, y }), middleOf(selector),
//   touchStart(x, y) -> finger { move(x, y), end() }, several fingers at once,
//   canvasPixels(selector), consoleLines(), consoleText(), screenshot(file),
//   openTab(address) (a second tab in the same profile), bringToFront(), close(),
//   cdp() (Chromium's raw DevTools-protocol session), raw (the driver's own page or session).
// Each engine's adapter (engines/*.mjs) is all that differs between engines.
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "..", "..");
const SCENARIO_SECONDS = 240;
const CLOSE_SECONDS = 60;

function parse(argv) {
  /** @type {{ positional: string[], only: string, screenshots: string }} */
  const options = { positional: [], only: "", screenshots: "" };
  for (let at = 0; at < argv.length; ++at) {
    if (argv[at] === "--only")
      options.only = argv[++at];
    else if (argv[at] === "--screenshots")
      options.screenshots = argv[++at];
    else
      options.positional.push(argv[at]);
  }
  return options;
}

async function loadScenarios() {
  const folder = path.join(here, "scenarios");
  const files = fs.readdirSync(folder).filter((name) => name.endsWith(".mjs")).sort();
  const lists = await Promise.all(files.map((name) => import(path.join(folder, name))));
  return lists.flatMap((module) => module.scenarios);
}

async function main() {
  const options = parse(process.argv.slice(2));
  const [name, site = path.join(root, "build-web", "site"), frames = path.join(root, "tests", "frames")] =
    options.positional;
  if (!["chromium", "firefox", "webkit"].includes(name)) {
    console.error("usage: node tests/browser/run.mjs chromium|firefox|webkit [SITE [FRAMES]] [--only TEXT]");
    return 2;
  }
  if (!fs.existsSync(path.join(site, "index.html"))) {
    // ./test always builds it first; a bare ctest run (a copy of the tree, say) may not have.
    console.log(`SKIP: no site in ${site} (./web build makes it)`);
    return 77;
  }
  if (!fs.existsSync(path.join(here, "node_modules", ".package-lock.json"))) {
    console.log(`SKIP: no npm packages in ${here}/node_modules (./test installs them)`);
    return 77;
  }
  const { Context } = await import("./harness/context.mjs");
  const { withTimeout } = await import("./harness/page.mjs");
  const engine = (await import(`./engines/${name}.mjs`)).createEngine();
  const versions = new Set();
  const counts = { passed: 0, failed: 0, skipped: 0 };
  try {
    for (const scenario of await loadScenarios()) {
      if (!scenario.name.includes(options.only))
        continue;
      const reason = scenario.cannot?.[name];
      if (reason) {
        console.log(`skip ${scenario.name}: ${reason}`);
        ++counts.skipped;
        continue;
      }
      const started = Date.now();
      const ctx = new Context(engine, { site: path.resolve(site), frames: path.resolve(frames) }, versions);
      try {
        await withTimeout(ctx.start().then(() => scenario.run(ctx)), SCENARIO_SECONDS, scenario.name);
        console.log(`ok   ${scenario.name} (${((Date.now() - started) / 1000).toFixed(1)} s)`);
        ++counts.passed;
      } catch (error) {
        const report = String((error instanceof Error && error.stack) || error);
        console.log(`FAIL ${scenario.name}\n${report.replace(/^/gm, "     ")}`);
        ++counts.failed;
        if (options.screenshots)
          await ctx.keepScreenshots(options.screenshots, scenario.name.replace(/\W+/g, "-"));
      } finally {
        // A browser or server that will not close is said, not waited for until CTest's limit.
        await withTimeout(ctx.close(), CLOSE_SECONDS, `closing after ${scenario.name}`).catch((error) => {
          console.log(`FAIL ${error.message}`);
          ++counts.failed;
        });
      }
    }
  } finally {
    await engine.stop();
  }
  console.log(`${name}: ${[...versions].join(", ")}`);
  console.log(`${name}: ${counts.passed} passed, ${counts.failed} failed, ${counts.skipped} skipped`);
  return counts.failed > 0 ? 1 : 0;
}

// Ends here even when a driver left a handle open.
process.exit(await main());
