// chromium.mjs: the Chromium adapter. Debian's chromium, headless, driven over the DevTools
// protocol by puppeteer-core (engines/puppeteer.mjs). Each profile is a browser of its own with a
// fresh profile folder (puppeteer makes it and removes it), not an incognito context: Chromium
// treats those differently (no installing, for one). Chromium can emulate a phone (touch screen,
// coarse pointer, mobile viewport), slow the CPU down, hand out a raw DevTools session, send the keys of
// any keyboard layout, and block cookies and site data as its settings do (a profile folder whose
// preferences say so).
import fs from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { closeBrowser, launchBrowser, profileIn } from "./puppeteer.mjs";

// A profile folder whose preferences block every site's cookies and data (Settings, Privacy,
// "Block all cookies"): storage APIs throw or refuse there, as for a player who chose that.
async function blockedProfile() {
  const folder = await fs.mkdtemp(path.join(os.tmpdir(), "dustreach-chromium-"));
  await fs.mkdir(path.join(folder, "Default"));
  await fs.writeFile(path.join(folder, "Default", "Preferences"),
    JSON.stringify({ profile: { default_content_setting_values: { cookies: 2 } } }));
  return folder;
}

export function createEngine() {
  return {
    name: "chromium",
    can: {
      touch: true, mobile: true, pixelRatio: true, cpuThrottle: true, cdp: true,
      blockSiteData: true, layouts: true,
    },
    prelude: () => "",
    async launch(profile) {
      const folder = profile.blockSiteData ? await blockedProfile() : undefined;
      const browser = await launchBrowser({
        executablePath: "/usr/bin/chromium",
        userDataDir: folder,
        headless: true,
        args: [
          "--no-sandbox", // tests run as root on CI
          "--disable-quic",
          // WebGL in software (SwiftShader): there is no GPU, and Chromium only falls back to it
          // by itself with a warning that the fallback is going away.
          "--enable-unsafe-swiftshader",
        ],
      });
      return profileIn(browser, profile, async () => {
        await closeBrowser(browser);
        if (folder)
          await fs.rm(folder, { recursive: true, force: true });
      });
    },
    async stop() {},
  };
}
