// sw.js: keeps the site for offline use. At install it fetches every file of the site, checks
// each, and stores them all in a cache named after the build, or none; it then answers the site's
// requests from that cache first, so the game opens and plays with the server gone. A new build
// is a new sw.js (its file list and cache name change): it installs beside the old one and takes
// over once no page of the old build is open, or when a page asks it to ("take over"); then the
// old build's cache is deleted. Every page thus runs one build whole. The site's assembly
// (tools/web/assemble_site.py) writes the two lines below: the build's name, and every file with
// the first 12 hex digits of its SHA-256 (none for index.html, checked by the build it names).
"use strict";

var CACHE_NAME = "unassembled";
/** @type {Object<string, string | null>} */
var SITE_FILES = {};
// This script runs as a service worker (the checker's lib knows only a worker's scope).
var worker = /** @type {ServiceWorkerGlobalScope} */ (/** @type {unknown} */ (self));

// The caches of this copy of the site start with its path: another copy on the same origin keeps
// its own.
var scope = new URL(worker.registration.scope);
var prefix = "Dustreach " + scope.pathname + " ";
var cacheName = prefix + CACHE_NAME;
var PAGE = "index.html";

function hexOf(buffer) {
  return Array.prototype.map.call(new Uint8Array(buffer), function (byte) {
    return (byte + 0x100).toString(16).slice(1);
  }).join("");
}

// Why a fetched file cannot be kept, or "" when it can. A redirected answer would break the
// navigation it answers; an opaque one cannot be read.
function refusal(response) {
  if (response.type !== "basic")
    return "the answer was " + response.type;
  if (response.redirected)
    return "the host redirected it to " + response.url;
  if (!response.ok)
    return (response.status + " " + response.statusText).trim();
  return "";
}

function problem(name, text) {
  return new Error(name + ": " + text);
}

// The page's bytes, checked to be this build's page. A host that redirects index.html to the
// site's address (or the other way round) is asked for the one it does not redirect.
function fetchPage() {
  var addresses = [PAGE, "./"];
  var reasons = [];
  function next() {
    var address = addresses.shift();
    if (!address)
      return Promise.reject(problem(PAGE, reasons.join("; ")));
    return fetch(new Request(address, { cache: "no-cache" })).then(function (response) {
      var refused = refusal(response);
      if (refused) {
        reasons.push(refused);
        return next();
      }
      return response.arrayBuffer().then(function (bytes) {
        var text = new TextDecoder().decode(bytes);
        var listing = /<script type="application\/json" id="site-files">(.*?)<\/script>/.exec(text);
        var named = /"build": "(\w+)"/.exec(listing ? listing[1] : "");
        if (!named)
          throw problem(PAGE, "it is not the game's page");
        if (named[1] !== CACHE_NAME)
          throw problem(PAGE, "it is the page of another build (" + named[1] + ")");
        return { bytes: bytes, type: response.headers.get("Content-Type") };
      });
    }, function () {
      throw problem(PAGE, "the connection failed");
    });
  }
  return next();
}

// Any other file's bytes, checked against its hash. "no-cache": fresh from the server, where the
// browser's HTTP cache may hold an older copy of an unversioned file (a 304 keeps it small).
function fetchFile(name) {
  return fetch(new Request(name, { cache: "no-cache" })).then(function (response) {
    var refused = refusal(response);
    if (refused)
      throw problem(name, refused);
    return response.arrayBuffer().then(function (bytes) {
      return crypto.subtle.digest("SHA-256", bytes).then(function (digest) {
        if (hexOf(digest).slice(0, 12) !== SITE_FILES[name])
          throw problem(name, "its content is not this build's");
        return { bytes: bytes, type: response.headers.get("Content-Type") };
      });
    });
  }, function () {
    throw problem(name, "the connection failed");
  });
}

// Tells the site's pages (their console) why this build was not kept: the build in use stays.
function report(error) {
  var text = "Dustreach " + CACHE_NAME + " was not kept for offline use (" + error.message +
    "); the version in use stays.";
  console.warn(text);
  /** @type {ClientQueryOptions} */
  var everyPage = { type: "window", includeUncontrolled: true };
  return worker.clients.matchAll(everyPage).then(function (pages) {
    pages.forEach(function (page) {
      page.postMessage({ log: text });
    });
  });
}

worker.addEventListener("install", function (event) {
  var names = Object.keys(SITE_FILES);
  // Every file fetched and checked before the first is stored: the cache holds the build whole.
  var stored = Promise.all(names.map(function (name) {
    return name === PAGE ? fetchPage() : fetchFile(name);
  })).then(function (files) {
    return caches.open(cacheName).then(function (cache) {
      return Promise.all(files.map(function (file, at) {
        // Stored as a plain answer of the bytes checked: no redirect, no encoding, no length.
        /** @type {Record<string, string>} */
        var headers = file.type ? { "Content-Type": file.type } : {};
        return cache.put(names[at], new Response(file.bytes, { headers: headers }));
      }));
    });
  });
  // A failed install leaves the worker in charge as it was; the browser tries again later.
  event.waitUntil(stored.catch(function (error) {
    return caches.delete(cacheName).then(function () {
      return report(error);
    }).then(function () {
      throw error;
    });
  }));
});

worker.addEventListener("activate", function (event) {
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf(prefix) === 0 && name !== cacheName;
    }).map(function (name) {
      return caches.delete(name);
    }));
  }));
});

worker.addEventListener("message", function (event) {
  if (event.data === "take over")
    worker.skipWaiting();
});

worker.addEventListener("fetch", function (event) {
  var request = event.request;
  if (request.method !== "GET")
    return;
  var url = new URL(request.url);
  // The site's address itself and index.html, with or without a query, are its page.
  var isPage = request.mode === "navigate" && url.origin === scope.origin &&
    (url.pathname === scope.pathname || url.pathname === scope.pathname + PAGE);
  event.respondWith(caches.match(isPage ? PAGE : request, { cacheName: cacheName })
    .then(function (cached) {
      return cached || fetch(request);
    }));
});
