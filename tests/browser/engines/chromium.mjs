// chromium.mjs: the Chromium adapter. Debian's chromium, headless, driven over the DevTools
// protocol by puppeteer-core (engines/puppeteer.mjs). Each profile is a browser of its own with a
// fresh profile folder (puppeteer makes it and removes it), not an incognito context: Chromium
// treats those differently (no installing, for one). Chromium can emulate a phone (touch screen,
// coarse pointer, mobile viewport), slow the CPU down, send the keys of any keyboard layout, and
// hand out a raw DevTools session.
import { closeBrowser, launchBrowser, profileIn } from "./puppeteer.mjs";

export function createEngine() {
  return {
    name: "chromium",
    can: { touch: true, mobile: true, pixelRatio: true, cpuThrottle: true, cdp: true, layouts: true },
    prelude: () => "",
    async launch(profile) {
      const browser = await launchBrowser({
        executablePath: "/usr/bin/chromium",
        headless: true,
        args: [
          "--no-sandbox", // tests run as root on CI
          "--disable-quic",
          // WebGL in software (SwiftShader): there is no GPU, and Chromium only falls back to it
          // by itself with a warning that the fallback is going away.
          "--enable-unsafe-swiftshader",
        ],
      });
      return profileIn(browser, profile, () => closeBrowser(browser));
    },
    async stop() {},
  };
}
