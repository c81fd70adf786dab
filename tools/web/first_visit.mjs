// first_visit.mjs: a first visit's time to playable (the game's loop running) in Chromium, on a
// phone's network (Lighthouse's slow 4G: 150 ms round trips, 1.6 Mbit/s down) with the CPU 4
// times slower, for three forms of the built site's loader: the game's files preloaded only where
// no other tab plays (as built), preloaded always, and not preloaded (page.js fetches them). The
// site is served as ./web serves it (tools/web/serve.py, precompressed files). A benchmark: it
// asserts nothing.
//
// Usage: node tools/web/first_visit.mjs SITE_FOLDER [RUNS]   (default 5 runs of each, in turns)
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { Context } from "../../tests/browser/harness/context.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const GATED = / {2}if \(site\.game\) \{\n[\s\S]*?\n {2}\}\n/;
const FORMS = {
  "preloaded where no tab plays (as built)": (index) => index,
  "always preloaded": (index) => index.replace(GATED, "  if (site.game)\n    preload();\n"),
  "not preloaded": (index) => index.replace(GATED, ""),
};
const PLAYABLE = `{ const started = setInterval(() => {
  if (window.Module && Module.dustreachGame) { window.playableAt = performance.now(); clearInterval(started); }
}, 5); }`;

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// A copy of the site with its index.html changed by form, served by serve.py; { address, stop }.
async function serve(site, form) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "dustreach-visit-"));
  fs.cpSync(site, folder, { recursive: true });
  const index = path.join(folder, "index.html");
  const original = fs.readFileSync(index, "utf8");
  const changed = form(original);
  if (form !== FORMS["preloaded where no tab plays (as built)"] && changed === original)
    throw new Error("the loader's preloads are not where this tool looks for them");
  fs.writeFileSync(index, changed);
  for (const packed of [".gz", ".br"])
    fs.rmSync(index + packed, { force: true });
  const server = spawn("/usr/bin/python3", [path.join(here, "serve.py"), folder],
    { stdio: ["ignore", "pipe", "ignore"] });
  const address = await new Promise((resolve) => {
    server.stdout.on("data", (text) => {
      const found = /(http:\/\/\S+)/.exec(String(text));
      if (found)
        resolve(found[1]);
    });
  });
  return {
    address,
    stop() {
      server.kill();
      fs.rmSync(folder, { recursive: true, force: true });
    },
  };
}

async function firstVisit(engine, site, address) {
  const ctx = new Context(engine, { site, frames: "" }, new Set());
  try {
    await ctx.start();
    const page = await ctx.open(new URL("licences/font.txt", address),
      { ready: null, beforeLoad: PLAYABLE, readableCanvas: false });
    const session = await page.cdp();
    await session.send("Network.enable");
    await session.send("Network.emulateNetworkConditions",
      { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8 });
    await session.send("Emulation.setCPUThrottlingRate", { rate: 4 });
    await page.goto(address, { ready: null });
    await page.waitFor("window.playableAt", { timeout: 120, what: "the game to run" });
    return await page.evaluate("window.playableAt");
  } finally {
    await ctx.close();
  }
}

const [site, runs = "5"] = process.argv.slice(2);
const engine = (await import("../../tests/browser/engines/chromium.mjs")).createEngine();
const servers = {};
for (const [name, form] of Object.entries(FORMS))
  servers[name] = await serve(path.resolve(site), form);
/** @type {Record<string, number[]>} */
const times = Object.fromEntries(Object.keys(FORMS).map((name) => [name, []]));
try {
  for (let run = 0; run < Number(runs); ++run) {
    for (const name of Object.keys(FORMS))
      times[name].push(await firstVisit(engine, path.resolve(site), servers[name].address));
  }
} finally {
  Object.values(servers).forEach((server) => server.stop());
  await engine.stop();
}
for (const [name, values] of Object.entries(times)) {
  const each = values.map((value) => (value / 1000).toFixed(2)).join(", ");
  console.log(`${name}: median ${(median(values) / 1000).toFixed(2)} s (${each})`);
}
process.exit(0);
