// context.mjs: ctx, what a scenario is handed: the engine, the site served by a server of its
// own, more servers on demand, and pages, each in a fresh browser profile. Everything it opened is
// closed when the scenario ends. See run.mjs for the whole interface.
import fs from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { KEEP_DRAWING_BUFFER } from "./game.mjs";
import { Page } from "./page.mjs";
import { TestServer } from "./server.mjs";

/**
 * A page's viewport, in CSS pixels, with the device pixels a CSS pixel takes (1 unless given).
 * @typedef {{ width: number, height: number, deviceScaleFactor?: number }} Viewport
 */
/**
 * How ctx.open opens a page (see open below).
 * @typedef {{ viewport?: Partial<Viewport>, mobile?: boolean, beforeLoad?: string, cpuThrottle?: number,
 *   readableCanvas?: boolean, blockSiteData?: boolean, ready?: import("./page.mjs").Ready }} OpenOptions
 */

const DESKTOP = { width: 700, height: 900 };
const PHONE = { width: 390, height: 844, deviceScaleFactor: 3 };

export class Context {
  // engine: the adapter (engines/*.mjs); folders: { site, frames }; versions: where the versions
  // of the browsers launched are noted.
  constructor(engine, folders, versions) {
    this.adapter = engine;
    this.engine = engine.name;
    this.can = engine.can;
    this.folders = folders;
    this.versions = versions;
    this.servers = [];
    this.profiles = [];
    this.pages = [];
    this.temporary = [];
  }

  // The site's own server, started before the scenario runs.
  async start() {
    this.server = await this.serve({ "/": this.folders.site });
    this.site = this.server.address;
  }

  // A started test server (harness/server.mjs) for mounts: path -> folder or handler, sending
  // headers with every file.
  async serve(mounts, headers = {}) {
    const server = new TestServer(mounts, { prelude: (request) => this.adapter.prelude(request), headers });
    this.servers.push(server);
    await server.start();
    return server;
  }

  // A page in a profile of its own, showing address (a path under the site by default).
  // options: viewport { width, height, deviceScaleFactor }; mobile (a phone: touch screen, coarse
  // pointer, 390 x 844 at 3 pixels a point unless viewport says otherwise); beforeLoad (a script
  // run in every page of the profile before the page's own); cpuThrottle (a slowdown factor);
  // readableCanvas (default true); blockSiteData (the browser's own setting that blocks cookies
  // and site data); ready (see Page.goto).
  /**
   * @param {string | URL} [address]
   * @param {OpenOptions} [options]
   */
  async open(address = "", options = {}) {
    const { mobile = false, beforeLoad = "", cpuThrottle = 0, readableCanvas = true, blockSiteData = false,
      ready } = options;
    const viewport = { ...(mobile ? PHONE : DESKTOP), ...options.viewport };
    this.require(!mobile || this.can.mobile, "emulate a phone");
    this.require(!viewport.deviceScaleFactor || viewport.deviceScaleFactor === 1 || this.can.pixelRatio,
      "show more than one pixel a point");
    this.require(!cpuThrottle || this.can.cpuThrottle, "slow the CPU down");
    this.require(!blockSiteData || this.can.blockSiteData, "block cookies and site data by its settings");
    const profile = await this.adapter.launch({
      viewport,
      mobile,
      beforeLoad: [readableCanvas ? KEEP_DRAWING_BUFFER : "", beforeLoad].join("\n"),
      cpuThrottle,
      blockSiteData,
    });
    this.profiles.push(profile);
    this.versions.add(profile.version);
    const newTab = async () => {
      const tab = await profile.newTab();
      this.pages.push(tab);
      return tab;
    };
    const page = new Page(await newTab(), newTab, this.engine);
    await page.goto(new URL(address, this.site), { ready });
    return page;
  }

  require(possible, what) {
    if (!possible)
      throw new Error(`${this.engine} cannot ${what}: list the scenario's exception for it`);
  }

  // A fresh temporary folder, removed when the scenario ends.
  async temporaryFolder() {
    const folder = await fs.mkdtemp(path.join(os.tmpdir(), "dustreach-browser-"));
    this.temporary.push(folder);
    return folder;
  }

  log(...parts) {
    console.log(`    ${this.engine}: ${parts.join(" ")}`);
  }

  // Screenshots of every tab still open, into folder (after a failure). A tab that does not
  // answer (a hidden one may never paint) is left out.
  async keepScreenshots(folder, stem) {
    await fs.mkdir(folder, { recursive: true });
    let number = 0;
    for (const tab of this.pages) {
      const file = path.join(folder, `${stem}-${++number}.png`);
      await bounded(tab.screenshot().then((png) => fs.writeFile(file, png)), 15);
    }
  }

  async close() {
    await Promise.all(this.profiles.map((profile) => bounded(profile.close(), 30)));
    await Promise.all(this.servers.map((server) => bounded(server.stop(), 10)));
    await Promise.all(this.temporary.map((folder) => fs.rm(folder, { recursive: true, force: true })));
  }
}

// Waits for promise, but no longer than seconds; its failure is of no interest.
function bounded(promise, seconds) {
  let timer;
  const late = new Promise((resolve) => {
    timer = setTimeout(resolve, seconds * 1000);
  });
  return Promise.race([promise.catch(() => {}), late]).finally(() => clearTimeout(timer));
}
