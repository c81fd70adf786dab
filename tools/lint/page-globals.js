// page-globals.js: the names the game's page makes global, declared for the type checker
// (tsconfig.json lists this file; nothing loads it). Module is the object page.js sets up and
// dustreach.js fills; the others are what dustreach.js gives the scripts inside it (storage.js).
// The tests and the benchmark reach Module inside the page through the engines' evaluate calls.
/* exported Module, FS, IDBFS, addRunDependency, removeRunDependency, dustreachPageReady */
"use strict";

/** @type {any} */
var Module;
/** @type {any} */
var FS;
/** @type {any} */
var IDBFS;

/**
 * Holds back main until removeRunDependency(id).
 * @param {string} id
 */
function addRunDependency(id) {
  throw new Error(`declared for the type checker only: ${id}`);
}

/**
 * @param {string} id
 */
function removeRunDependency(id) {
  throw new Error(`declared for the type checker only: ${id}`);
}

/**
 * Set once page.js has set the page up: index.html's loader says the failures before that.
 * @type {boolean | undefined}
 */
var dustreachPageReady;
