// webkit.mjs: the WebKit adapter. WebKitGTK's MiniBrowser in automation mode, in a real window on
// an Xvfb of our own, driven through classic WebDriver: Debian's WebKitWebDriver, with
// selenium-webdriver as the client. A profile is one WebKitWebDriver with one session (one
// MiniBrowser), whose data folders are a fresh temporary folder. Its tabs are windows of the
// session (WebDriver cannot bring one of MiniBrowser's own tabs to the front), and each command
// first switches to the tab it is for. A window covered by another still counts as shown, so the
// tab in front is the one window not minimized, as in a browser with tabs.
//
// Classic WebDriver cannot run a script before the page's own, and this MiniBrowser cannot write
// its console anywhere we can read in automation mode. So every page the test servers send to a
// profile starts with a script of ours (the servers' prelude): one that keeps the console lines in
// the page for us to collect, then the profile's before-load script. The servers tell the
// profiles apart by a word in the user agent. A page served from a service worker's cache keeps
// the prelude it was cached with.
//
// Keys of another keyboard layout are typed as on a real one: the display takes that layout
// (setxkbmap) for the key's press or release alone, and X puts the character at its place.
//
// There is no touch (WebKitWebDriver turns touch actions into mouse events), no phone emulation
// (WebKitGTK takes its pointer from the real input devices), no other pixel ratio than 1, no CPU
// throttling and no DevTools protocol.
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Builder, Button, Capabilities, Key, Origin } from "selenium-webdriver";
import { waitForServer } from "selenium-webdriver/http/util.js";
import input from "selenium-webdriver/lib/input.js";
import portprober from "selenium-webdriver/net/portprober.js";
import { withTimeout } from "../harness/page.mjs";
import { startDisplay } from "./display.mjs";

const MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";
// WebKitGTK's own user agent (frozen by WebKit), with the profile's word added to it.
const USER_AGENT =
  "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/60.5 Safari/605.1.15";
// How long a new session may take before its driver is given up (MiniBrowser starts in seconds).
const SESSION_SECONDS = 60;
const PROFILE_WORD = /\bDustreachTestProfile\/(\d+)/;
const KEEP_CONSOLE = `(function () {
  var lines = window.__testConsoleLines = [];
  ["log", "info", "warn", "error", "debug"].forEach(function (level) {
    var original = console[level];
    console[level] = function () {
      lines.push(Array.prototype.map.call(arguments, String).join(" "));
      return original.apply(console, arguments);
    };
  });
  addEventListener("error", function (event) { lines.push("Uncaught " + event.message); });
  addEventListener("unhandledrejection", function (event) {
    lines.push("Uncaught (in promise) " + event.reason);
  });
})();`;
const TAKE_CONSOLE = "(window.__testConsoleLines || []).splice(0)";
// Runs an expression in the page and reports its value (a promise's, once settled) or its error.
const EVALUATE = `const done = arguments[arguments.length - 1];
const expression = arguments[0];
Promise.resolve().then(() => (0, eval)(expression)).then(
  (value) => done({ value: value === undefined ? null : value }),
  (error) => done({ error: String(error && error.stack || error) }));`;
const KEYS = {
  " ": Key.SPACE,
  ArrowUp: Key.ARROW_UP,
  ArrowDown: Key.ARROW_DOWN,
  ArrowLeft: Key.ARROW_LEFT,
  ArrowRight: Key.ARROW_RIGHT,
  Tab: Key.TAB,
  Enter: Key.ENTER,
  Escape: Key.ESCAPE,
  Backspace: Key.BACK_SPACE,
  Shift: Key.SHIFT,
  Control: Key.CONTROL,
  Alt: Key.ALT,
  Meta: Key.META,
  F5: Key.F5,
  F11: Key.F11,
};
const BUTTONS = { left: Button.LEFT, middle: Button.MIDDLE, right: Button.RIGHT };

export function createEngine() {
  let display = null;
  const preludes = new Map(); // profile number -> its before-load script
  const open = new Set(); // profiles not closed yet
  return {
    name: "webkit",
    can: {
      touch: false, mobile: false, pixelRatio: false, cpuThrottle: false, cdp: false,
      blockSiteData: false, layouts: true,
    },
    prelude(request) {
      const word = PROFILE_WORD.exec(request.headers["user-agent"] || "");
      if (!word)
        return "";
      const script = KEEP_CONSOLE + "\n" + (preludes.get(word[1]) || "");
      return `<script>${script.replace(/<\/script/gi, "<\\/script")}</script>`;
    },
    async launch(profile) {
      display = display || (await startDisplay());
      const number = String(preludes.size + 1);
      preludes.set(number, profile.beforeLoad);
      const launched = await launchProfile(profile, display, number)
        .catch((error) => {
          // On a loaded machine MiniBrowser now and then never comes up, and WebKitWebDriver then
          // waits for it for ever: a new driver, asked once more, has always brought it.
          console.log(`webkit: ${error.message}; trying once more`);
          return launchProfile(profile, display, number);
        });
      open.add(launched);
      return {
        ...launched,
        async close() {
          open.delete(launched);
          await launched.close();
        },
      };
    },
    async stop() {
      await Promise.all([...open].map((launched) => launched.close()));
      display?.stop();
    },
  };
}

async function launchProfile(profile, display, number) {
  const folder = await fs.mkdtemp(path.join(os.tmpdir(), "dustreach-webkit-"));
  const port = await portprober.findFreePort("127.0.0.1");
  // A process group of its own: the driver, MiniBrowser and WebKit's processes end together.
  const service = spawn("/usr/bin/WebKitWebDriver", [`--port=${port}`], {
    detached: true,
    stdio: "ignore",
    env: {
      ...process.env,
      DISPLAY: display.name,
      XDG_DATA_HOME: path.join(folder, "data"),
      XDG_CACHE_HOME: path.join(folder, "cache"),
      XDG_CONFIG_HOME: path.join(folder, "config"),
    },
  });
  const end = async () => {
    try {
      if (service.pid !== undefined)
        process.kill(-service.pid, "SIGKILL");
    } catch {
      // ended already
    }
    await fs.rm(folder, { recursive: true, force: true });
  };
  const server = `http://127.0.0.1:${port}/`;
  const failed = new Promise((resolve, reject) => service.once("error", reject));
  await Promise.race([waitForServer(server, 30000), failed]).catch(async (error) => {
    await end();
    throw error;
  });
  const capabilities = new Capabilities({
    browserName: "MiniBrowser",
    "webkitgtk:browserOptions": {
      binary: MINIBROWSER,
      args: ["--automation", `--user-agent=${USER_AGENT} DustreachTestProfile/${number}`],
    },
  });
  const session = new Builder().usingServer(server).withCapabilities(capabilities).build();
  session.catch(() => {}); // once given up on, its driver killed, it fails unheard
  const driver = await withTimeout(Promise.resolve(session), SESSION_SECONDS, "MiniBrowser's start")
    .catch(async (error) => {
      await end();
      throw error;
    });
  // An answer within the harness's own wait, or the session stays busy after it gave up.
  await driver.manage().setTimeouts({ script: 30000 });
  const version = `WebKitGTK ${(await driver.getCapabilities()).get("browserVersion")}`;
  let current = await driver.getWindowHandle();
  let spare = current;
  const tabs = []; // open tabs' window handles, the front one last
  // Every command is for one tab: switch to it first when another had the last one.
  const on = async (handle) => {
    if (handle !== current)
      await driver.switchTo().window(handle);
    current = handle;
  };
  const toFront = async (handle) => {
    for (const other of tabs.filter((tab) => tab !== handle)) {
      await on(other);
      await driver.manage().window().minimize();
    }
    await on(handle);
    await fitWindow(driver, profile.viewport); // shows it again when it was minimized
    tabs.splice(tabs.indexOf(handle), 1);
    tabs.push(handle);
  };
  const perform = (...steps) => driver.actions({ async: true }).insert(...steps).perform();

  async function newTab() {
    let handle = spare;
    spare = null;
    if (!handle) {
      await driver.switchTo().newWindow("window");
      handle = await driver.getWindowHandle();
      current = handle;
    }
    tabs.push(handle);
    await toFront(handle);
    const lines = [];
    const evaluate = async (expression) => {
      await on(handle);
      const result = await driver.executeAsyncScript(EVALUATE, expression);
      if (result.error)
        throw new Error(`in the page: ${result.error}`);
      return result.value;
    };
    // Console lines go with the page: collect them before it is replaced.
    const collect = async () => lines.push(...(await evaluate(TAKE_CONSOLE).catch(() => [])));
    return {
      raw: driver,
      async goto(address) {
        await collect();
        await on(handle);
        await driver.get(address);
      },
      async reload() {
        await collect();
        await on(handle);
        await driver.navigate().refresh();
      },
      async address() {
        await on(handle);
        return driver.getCurrentUrl();
      },
      evaluate,
      async keyDown(key) {
        await on(handle);
        await driver.actions({ async: true }).keyDown(KEYS[key] || key).perform();
      },
      async keyUp(key) {
        await on(handle);
        await driver.actions({ async: true }).keyUp(KEYS[key] || key).perform();
      },
      async keyOn({ layout, key }, down) {
        await on(handle);
        execFileSync("setxkbmap", ["-display", display.name, layout]);
        try {
          const keys = driver.actions({ async: true });
          await (down ? keys.keyDown(key) : keys.keyUp(key)).perform();
        } finally {
          execFileSync("setxkbmap", ["-display", display.name, "us"]);
        }
      },
      async click(x, y, button) {
        await on(handle);
        const mouse = new input.Pointer("mouse", input.Pointer.Type.MOUSE);
        await perform(mouse, mouse.move({ x, y, origin: Origin.VIEWPORT, duration: 0 }),
          mouse.press(BUTTONS[button]), mouse.release(BUTTONS[button]));
      },
      async wheel(x, y, deltaX, deltaY) {
        await on(handle);
        await driver.actions({ async: true }).scroll(x, y, deltaX, deltaY, Origin.VIEWPORT).perform();
      },
      touchStart() {
        throw new Error("WebKitWebDriver turns touch actions into mouse events");
      },
      async screenshot() {
        await on(handle);
        return Buffer.from(await driver.takeScreenshot(), "base64");
      },
      async consoleLines() {
        await collect();
        return lines.slice();
      },
      bringToFront: () => toFront(handle),
      // As in a browser, closing the front tab shows the one before it.
      async close() {
        await on(handle);
        await driver.close();
        current = null;
        tabs.splice(tabs.indexOf(handle), 1);
        if (tabs.length > 0)
          await toFront(tabs[tabs.length - 1]);
      },
      cdp() {
        throw new Error("WebKit has no DevTools protocol");
      },
    };
  }

  return {
    version,
    newTab,
    async close() {
      const late = new Promise((resolve) => setTimeout(resolve, 10000));
      await Promise.race([driver.quit().catch(() => {}), late]);
      await end();
    },
  };
}

// Sizes the window so that the page's viewport is the size asked for (the window has a tool bar).
async function fitWindow(driver, viewport) {
  const window = driver.manage().window();
  await window.setRect({ width: viewport.width, height: viewport.height });
  const [innerWidth, innerHeight] = await driver.executeScript("return [innerWidth, innerHeight]");
  if (innerWidth !== viewport.width || innerHeight !== viewport.height) {
    const { width, height } = await window.getRect();
    await window.setRect({
      width: width + viewport.width - innerWidth,
      height: height + viewport.height - innerHeight,
    });
  }
}
