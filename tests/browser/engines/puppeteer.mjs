// puppeteer.mjs: what the Chromium and Firefox adapters share. puppeteer-core drives both, Chromium
// over the DevTools protocol and Firefox over WebDriver BiDi. A profile is a browser of its own or
// a browser context (see the adapters); its tabs are puppeteer pages, each turned into the tab
// primitives that harness/page.mjs builds on.
import puppeteer from "puppeteer-core";

// Launches a browser with puppeteer's launch options; it is closed by closeBrowser.
export function launchBrowser(options) {
  return puppeteer.launch({ ...options, defaultViewport: null });
}

// A browser that hangs on its way out is ended, not waited for.
export async function closeBrowser(browser) {
  const late = new Promise((resolve) => setTimeout(resolve, 10000, "late"));
  if ((await Promise.race([browser.close(), late])) === "late")
    browser.process()?.kill("SIGKILL");
}

// A profile in target, a browser (its default context) or a browser context: its tabs show
// what profile asks for (harness/context.mjs). close() ends the profile.
export async function profileIn(target, profile, close) {
  const browser = target.browser ? target.browser() : target;
  // A browser's first tab, which it opens by itself, becomes the profile's first tab.
  let [spare] = await target.pages();
  return {
    // "Chrome/156.0..." or "firefox/153.8.0" as the browsers say it; Debian's Chrome is Chromium.
    version: (await browser.version()).replace(/^Chrome\//, "Chromium ").replace(/^firefox\//, "Firefox "),
    async newTab() {
      const page = spare || (await target.newPage());
      spare = null;
      return tabOf(page, profile);
    },
    close,
  };
}

async function tabOf(page, profile) {
  const lines = [];
  page.on("console", (message) => lines.push(message.text()));
  page.on("pageerror", (error) => lines.push(`Uncaught ${error.message}`));
  await page.setViewport({
    width: profile.viewport.width,
    height: profile.viewport.height,
    deviceScaleFactor: profile.viewport.deviceScaleFactor || 1,
    isMobile: profile.mobile,
    hasTouch: profile.mobile,
  });
  if (profile.beforeLoad)
    await page.evaluateOnNewDocument(profile.beforeLoad);
  if (profile.cpuThrottle)
    await page.emulateCPUThrottling(profile.cpuThrottle);
  let session = null; // for keys of other layouts, which only the DevTools protocol can send
  return {
    raw: page,
    goto: (address) => page.goto(address),
    reload: () => page.reload(),
    address: () => page.url(),
    evaluate: (expression) => page.evaluate(expression),
    keyDown: (key) => page.keyboard.down(key),
    keyUp: (key) => page.keyboard.up(key),
    async keyOn({ key, code, keyCode }, down) {
      session = session || (await page.createCDPSession());
      const typed = down ? { text: key, unmodifiedText: key } : {};
      await session.send("Input.dispatchKeyEvent", { type: down ? "keyDown" : "keyUp", key, code,
        windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode, ...typed });
    },
    click: (x, y, button) => page.mouse.click(x, y, { button }),
    async wheel(x, y, deltaX, deltaY) {
      await page.mouse.move(x, y);
      await page.mouse.wheel({ deltaX, deltaY });
    },
    async touchStart(x, y) {
      const finger = await page.touchscreen.touchStart(x, y);
      return { move: (toX, toY) => finger.move(toX, toY), end: () => finger.end() };
    },
    screenshot: async () => Buffer.from(await page.screenshot()),
    consoleLines: () => lines.slice(),
    bringToFront: () => page.bringToFront(),
    close: () => page.close(),
    cdp: () => page.createCDPSession(),
  };
}
