// page.mjs: a page (one browser tab) as scenarios see it, the same in every engine. It is built on
// the few primitives an engine's adapter gives a tab (engines/*.mjs) and adds the waiting, the
// pressing and the reading that scenarios share. See run.mjs for the whole interface.
import fs from "node:fs/promises";
import { GAME_READY } from "./game.mjs";

const EVALUATE_SECONDS = 30;

/**
 * What a page waits for once loaded: an expression or a function that holds in it when it is
 * ready; null: no waiting.
 * @typedef {string | (() => unknown) | null} Ready
 */

export class Page {
  // tab: the adapter's tab; newTab(): another tab of the same profile; engine: the engine's name.
  constructor(tab, newTab, engine) {
    this.tab = tab;
    this.newTab = newTab;
    this.engine = engine;
    this.raw = tab.raw;
  }

  // Loads address and waits until ready holds in it (an expression or a function; null: no
  // waiting), then for the first frames to be shown.
  /**
   * @param {string | URL} address
   * @param {{ ready?: Ready }} [options]
   */
  async goto(address, { ready = GAME_READY } = {}) {
    await this.tab.goto(String(address));
    await this.settle(ready);
  }

  /** @param {{ ready?: Ready }} [options] */
  async reload({ ready = GAME_READY } = {}) {
    await this.tab.reload();
    await this.settle(ready);
  }

  async settle(ready) {
    if (ready === null)
      return;
    await this.waitFor(ready, { what: "the page to be ready" });
    await this.frames(2);
  }

  address() {
    return this.tab.address();
  }

  // The value of fn(...args) in the page (a promise's value once it settles), or of an expression
  // given as text. Arguments and the value travel as JSON.
  async evaluate(fn, ...args) {
    const expression = typeof fn === "function" ? `(${fn})(...${JSON.stringify(args)})` : fn;
    let timer;
    const late = new Promise((resolve, reject) => {
      timer = setTimeout(() => reject(new Error(`no answer in ${EVALUATE_SECONDS} s from ${expression}`)),
        EVALUATE_SECONDS * 1000);
    });
    try {
      return await Promise.race([this.tab.evaluate(expression), late]);
    } finally {
      clearTimeout(timer);
    }
  }

  // Waits until condition (an expression or a function of args) holds in the page; an exception
  // there counts as "not yet". Fails after timeout seconds, naming what never happened.
  async waitFor(condition, { args = [], timeout = 20, what = String(condition) } = {}) {
    const test = typeof condition === "function" ? `(${condition})(...${JSON.stringify(args)})` : condition;
    const probe = `(async () => { try { return !!(await (${test})); } catch (error) { return false; } })()`;
    const deadline = Date.now() + timeout * 1000;
    while (!(await this.evaluate(probe))) {
      if (Date.now() > deadline)
        throw new Error(`never happened in ${this.engine}: ${what}`);
      await sleep(50);
    }
  }

  // Waits until the page has shown count more animation frames (never in a hidden tab).
  frames(count) {
    return this.evaluate((left) => /** @type {Promise<void>} */ (new Promise((resolve) => {
      const next = () => {
        left -= 1;
        if (left > 0)
          requestAnimationFrame(next);
        else
          resolve();
      };
      requestAnimationFrame(next);
    })), count);
  }

  // Keys by the names of KeyboardEvent.key: "w", " ", "ArrowUp", "Tab", "Shift"...
  keyDown(key) {
    return this.tab.keyDown(key);
  }

  keyUp(key) {
    return this.tab.keyUp(key);
  }

  // A key of a keyboard of another layout than the US one: key, what it types there
  // (KeyboardEvent.key), at code, where it lies (KeyboardEvent.code), with keyCode, the number
  // browsers give it; layout, that layout's name for setxkbmap. Held for hold milliseconds; then
  // three frames. Needs an engine that can (ctx.can.layouts).
  async pressOn(typed, { hold = 0 } = {}) {
    await this.tab.keyOn(typed, true);
    await sleep(hold);
    await this.tab.keyOn(typed, false);
    await this.frames(3);
  }

  // A press of key held for hold milliseconds; then three frames, for the game to see it.
  async press(key, { hold = 0 } = {}) {
    await this.keyDown(key);
    await sleep(hold);
    await this.keyUp(key);
    await this.frames(3);
  }

  // A click of button ("left", "middle" or "right") at a point of the viewport, in CSS pixels
  // (by default the middle of the game's canvas); then three frames.
  /** @param {{ button?: string, x?: number, y?: number }} [options] */
  async click({ button = "left", x, y } = {}) {
    const point = x === undefined ? await this.middleOf("#canvas") : { x, y };
    await this.tab.click(point.x, point.y, button);
    await this.frames(3);
  }

  // A left click in the middle of the element selector names, with no waiting after it: the click
  // may take the page away (a reload, a page of its own).
  async clickElement(selector) {
    const { x, y } = await this.middleOf(selector);
    await this.tab.click(x, y, "left");
  }

  // The mouse wheel turned over a point (by default the middle of the canvas).
  /** @param {{ deltaX?: number, deltaY?: number, x?: number, y?: number }} [options] */
  async wheel({ deltaX = 0, deltaY = 0, x, y } = {}) {
    const point = x === undefined ? await this.middleOf("#canvas") : { x, y };
    await this.tab.wheel(point.x, point.y, deltaX, deltaY);
  }

  // A finger put on the screen at (x, y); several at once are several fingers. It has
  // move(x, y) and end(). Needs an engine that can touch (ctx.can.touch).
  touchStart(x, y) {
    return this.tab.touchStart(x, y);
  }

  // The middle of the element that selector names, in viewport CSS pixels.
  middleOf(selector) {
    return this.evaluate((selector) => {
      const box = document.querySelector(selector).getBoundingClientRect();
      return { x: Math.round(box.left + box.width / 2), y: Math.round(box.top + box.height / 2) };
    }, selector);
  }

  // The pixels of a canvas as { width, height, rgba } (4 bytes a pixel, row by row). The page
  // keeps the drawing buffer unless it was opened with readableCanvas: false.
  async canvasPixels(selector = "#canvas") {
    const { width, height, data } = await this.evaluate((selector) => {
      const canvas = document.querySelector(selector);
      const copy = document.createElement("canvas");
      copy.width = canvas.width;
      copy.height = canvas.height;
      const context = /** @type {CanvasRenderingContext2D} */ (copy.getContext("2d"));
      context.drawImage(canvas, 0, 0);
      const bytes = context.getImageData(0, 0, copy.width, copy.height).data;
      let text = "";
      for (let at = 0; at < bytes.length; at += 0x8000)
        text += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
      return { width: copy.width, height: copy.height, data: btoa(text) };
    }, selector);
    return { width, height, rgba: Buffer.from(data, "base64") };
  }

  // Every console line of this tab so far, reloads included.
  consoleLines() {
    return this.tab.consoleLines();
  }

  async consoleText() {
    return (await this.consoleLines()).join("\n");
  }

  // The tab as shown, as PNG bytes; written to file too when one is given.
  async screenshot(file) {
    const png = await this.tab.screenshot();
    if (file)
      await fs.writeFile(file, png);
    return png;
  }

  // A second tab in the same profile (same storage), brought to the front and loaded with address.
  /**
   * @param {string | URL} address
   * @param {{ ready?: Ready }} [options]
   */
  async openTab(address, { ready = GAME_READY } = {}) {
    const page = new Page(await this.newTab(), this.newTab, this.engine);
    await page.bringToFront();
    await page.goto(address, { ready });
    return page;
  }

  // Makes this tab the one shown: the others are hidden then.
  bringToFront() {
    return this.tab.bringToFront();
  }

  close() {
    return this.tab.close();
  }

  // A raw DevTools-protocol session for this tab (Chromium only: ctx.can.cdp).
  cdp() {
    return this.tab.cdp();
  }
}

// Waits until the Node-side predicate() (async) is true; fails after timeout seconds naming what.
export async function eventually(predicate, what, timeout = 10) {
  const deadline = Date.now() + timeout * 1000;
  while (!(await predicate())) {
    if (Date.now() > deadline)
      throw new Error(`never happened: ${what}`);
    await sleep(100);
  }
}

export function sleep(milliseconds) {
  return new Promise((resolve) => setTimeout(resolve, milliseconds));
}

/**
 * Settles as promise does, or fails once seconds have passed: "WHAT took longer than N s".
 * @template T
 * @param {Promise<T>} promise
 * @param {number} seconds
 * @param {string} what
 * @returns {Promise<T>}
 */
export function withTimeout(promise, seconds, what) {
  /** @type {NodeJS.Timeout | undefined} */
  let timer;
  /** @type {Promise<never>} */
  const late = new Promise((resolve, reject) => {
    timer = setTimeout(() => reject(new Error(`${what} took longer than ${seconds} s`)), seconds * 1000);
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}
