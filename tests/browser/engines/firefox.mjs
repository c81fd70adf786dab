// firefox.mjs: the Firefox adapter. Debian's firefox-esr, headless, driven over WebDriver BiDi by
// puppeteer-core (engines/puppeteer.mjs); no geckodriver. A Firefox takes seconds to start, so one
// runs for all the scenarios, and each profile is a fresh user context in it (storage, caches and
// service workers of its own). A phone needs the browser's preferences (touch events, a coarse
// pointer), so phone profiles share a second Firefox started with them, and profiles with cookies
// and site data blocked a third (its preference "Block all cookies", which blocks storage too).
// Headless Firefox finds an OpenGL, and so WebGL, only with an X display: it gets an Xvfb of its
// own. There is no CPU throttling and no DevTools protocol, and no keys of other layouts: WebDriver
// BiDi's key actions take a character alone and put it where a US keyboard has it ("л" nowhere:
// code "").
import { startDisplay } from "./display.mjs";
import { closeBrowser, launchBrowser, profileIn } from "./puppeteer.mjs";

const PHONE_PREFERENCES = {
  "dom.w3c_touch_events.enabled": 1,
  "dom.w3c_touch_events.legacy_apis.enabled": true, // ontouchstart and the like, as on a phone
  "dom.maxtouchpoints.testing.value": 5,
  "ui.primaryPointerCapabilities": 1, // coarse, no hover
  "ui.allPointerCapabilities": 1,
};

export function createEngine() {
  let display = null;
  const browsers = new Map(); // "phone", "desktop" or "blocked" -> a promise of that Firefox
  const browserFor = async (profile) => {
    display = display || (await startDisplay());
    const kind = profile.mobile ? "phone" : profile.blockSiteData ? "blocked" : "desktop";
    const preferences = { phone: PHONE_PREFERENCES, blocked: { "network.cookie.cookieBehavior": 2 } };
    if (!browsers.has(kind))
      browsers.set(kind, launchBrowser({
        browser: "firefox",
        executablePath: "/usr/bin/firefox-esr",
        headless: true,
        env: { ...process.env, DISPLAY: display.name },
        extraPrefsFirefox: preferences[kind] || {},
      }));
    return browsers.get(kind);
  };
  return {
    name: "firefox",
    can: {
      touch: true, mobile: true, pixelRatio: true, cpuThrottle: false, cdp: false,
      blockSiteData: true, layouts: false,
    },
    prelude: () => "",
    async launch(profile) {
      const context = await (await browserFor(profile)).createBrowserContext();
      return profileIn(context, profile, () => context.close());
    },
    async stop() {
      await Promise.all([...browsers.values()].map((browser) => browser.then(closeBrowser).catch(() => {})));
      display?.stop();
    },
  };
}
