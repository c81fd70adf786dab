// bench.mjs: the browser's cost of a play frame against the desktop's, and its updates per second,
// in each browser engine, through the browser tests' adapters (tests/browser/engines/).
//
// Usage: node tools/web/bench.mjs SITE_FOLDER DESKTOP_BENCH [ENGINE...]   (tools/web/bench.sh)
// The desktop's figure is Google Benchmark's median of frame/play_presented (compose and present
// one play frame, SDL's dummy video driver), measured again just before each engine, so the
// machine's load of the moment weighs on both sides of a ratio alike. The browser's is the same
// work in the built site: a play frame composed and presented once per animation frame, timed by
// the page, over 5 runs of 120 animation frames (the median of their means), with WebGL and
// without it (SDL then draws through the canvas's 2-D context). It is the page's own time: WebGL
// work an engine does in another process (Chromium's GPU process) is not in it. The site is served
// cross-origin isolated, which gives the page's clock microseconds in every engine (Firefox and
// WebKit round it to a millisecond otherwise). Updates per second are counted by the game's own
// loop over 5 seconds of play. Where an engine can emulate a phone and slow its CPU down
// (Chromium), the same is measured once more on a phone (390 x 844, the touch controls shown) with
// the CPU 4 times slower.
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { Context } from "../../tests/browser/harness/context.mjs";
import { NO_WEBGL } from "../../tests/browser/harness/game.mjs";
import { sleep } from "../../tests/browser/harness/page.mjs";

const ISOLATED = { "Cross-Origin-Opener-Policy": "same-origin", "Cross-Origin-Embedder-Policy": "require-corp" };

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

function desktopFrameMicroseconds(program) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "dustreach-bench-"));
  try {
    const out = path.join(folder, "out.json");
    execFileSync(program, ["--benchmark_filter=^frame/play_presented$", "--benchmark_repetitions=5",
      `--benchmark_out=${out}`, "--benchmark_out_format=json"], { stdio: "ignore" });
    const runs = JSON.parse(fs.readFileSync(out, "utf8")).benchmarks;
    return median(runs.filter((run) => run.run_type === "iteration").map((run) => run.cpu_time));
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

// The mean cost of a play frame over count animation frames, in microseconds.
const frameCosts = (count) => new Promise((resolve) => {
  const costs = [];
  const next = () => {
    costs.push(Module._dustreach_frame_cost(Module.dustreachGame, 1));
    if (costs.length < count)
      requestAnimationFrame(next);
    else
      resolve(costs.reduce((a, b) => a + b) / count);
  };
  requestAnimationFrame(next);
});
const updates = () => [Module._dustreach_updates(Module.dustreachGame), performance.now()];
// Animation frames shown in one second.
const frameRate = () => new Promise((resolve) => {
  const start = performance.now();
  let frames = 0;
  const next = () => {
    frames += 1;
    if (performance.now() - start < 1000)
      requestAnimationFrame(next);
    else
      resolve(frames);
  };
  requestAnimationFrame(next);
});

// A page of the site in play (options: ctx.open's); the median of 5 runs' mean frame cost.
async function playing(ctx, server, beforeLoad, options = {}) {
  // Players' pages keep no drawing buffer: neither do these.
  const page = await ctx.open(server.address, { readableCanvas: false, beforeLoad, ...options });
  if (!(await page.evaluate("crossOriginIsolated")))
    throw new Error(`${ctx.engine} did not isolate the page: its clock is too coarse`);
  await page.press(" ");
  const runs = [];
  for (let run = 0; run < 5; ++run)
    runs.push(await page.evaluate(frameCosts, 120));
  return { page, frame: median(runs) };
}

// The game's updates a second over 5 seconds of play.
async function updatesPerSecond(page) {
  const start = await page.evaluate(updates);
  await sleep(5000);
  const end = await page.evaluate(updates);
  return ((end[0] - start[0]) * 1000) / (end[1] - start[1]);
}

async function browserFigures(name, site) {
  const { createEngine } = await import(`../../tests/browser/engines/${name}.mjs`);
  const versions = new Set();
  const engine = createEngine();
  const ctx = new Context(engine, { site, frames: "" }, versions);
  try {
    const server = await ctx.serve({ "/": site }, ISOLATED);
    const canvas2d = await playing(ctx, server, NO_WEBGL);
    await canvas2d.page.close();
    const { page, frame } = await playing(ctx, server, "");
    const figures = {
      frame,
      frame2d: canvas2d.frame,
      updates: await updatesPerSecond(page),
      rate: await page.evaluate(frameRate),
      version: [...versions].join(", "),
    };
    await page.close();
    if (engine.can.mobile && engine.can.cpuThrottle) {
      const phone = await playing(ctx, server, "", { mobile: true, cpuThrottle: 4 });
      figures.phone = {
        frame: phone.frame,
        updates: await updatesPerSecond(phone.page),
        rate: await phone.page.evaluate(frameRate),
      };
    }
    return figures;
  } finally {
    await ctx.close();
    await engine.stop();
  }
}

const [site, program, ...chosen] = process.argv.slice(2);
const engines = chosen.length > 0 ? chosen : ["chromium", "firefox", "webkit"];
const rows = [];
const desktop = [];
for (const name of engines) {
  desktop.push(desktopFrameMicroseconds(program));
  const figures = await browserFigures(name, path.resolve(site));
  const ratio = (frame) => `${(frame / desktop.at(-1)).toFixed(2)} x`;
  rows.push([name, figures.version, `${figures.frame.toFixed(0)} us`, ratio(figures.frame),
    `${figures.frame2d.toFixed(0)} us`, ratio(figures.frame2d), figures.updates.toFixed(1), String(figures.rate)]);
  const { phone } = figures;
  if (phone) {
    rows.push([`${name}, phone, CPU / 4`, figures.version, `${phone.frame.toFixed(0)} us`, ratio(phone.frame), "", "",
      phone.updates.toFixed(1), String(phone.rate)]);
  }
}
rows.unshift(["desktop", "SDL's dummy video driver", `${median(desktop).toFixed(0)} us`, "1.00 x", "", "", "", ""]);
const header = ["engine", "version", "play frame", "x desktop", "without WebGL", "x desktop", "updates a second",
  "animation frames a second"];
const widths = header.map((title, column) => Math.max(title.length, ...rows.map((row) => row[column].length)));
const pad = (cell, column) => (column > 1 ? cell.padStart(widths[column]) : cell.padEnd(widths[column]));
const line = (cells) => `| ${cells.map(pad).join(" | ")} |`;
console.log(line(header));
console.log(`|${widths.map((width, column) => "-".repeat(width + 1) + (column > 1 ? ":" : "-")).join("|")}|`);
rows.forEach((row) => console.log(line(row)));
console.log("Goals: a browser's play frame at most 2.00 x the desktop's (on a full-speed CPU); 100 updates a");
console.log("second, +- 2 %, the emulated phone's too.");
