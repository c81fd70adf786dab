// sw.js: keeps the site for offline use. At install it stores every file of the site in a cache
// named after the build's content; it then answers the site's requests from that cache first, so
// the game opens and plays with the server gone. A new build is a new sw.js (its file list and
// cache name change): it installs beside the old one and takes over once no page of the old
// build is open, or when a page asks it to ("take over"); then the old build's cache is deleted.
// Every page thus runs one build whole. The site's assembly (tools/web/assemble_site.py) writes
// the two lines below.
"use strict";

var CACHE_NAME = "unassembled";
var SITE_FILES = [];

// The caches of this copy of the site start with its path: another copy on the same origin keeps
// its own.
var scope = new URL(self.registration.scope);
var prefix = "Dustreach " + scope.pathname + " ";
var cacheName = prefix + CACHE_NAME;

self.addEventListener("install", function (event) {
  // "no-cache": fresh from the server, where the browser's HTTP cache may hold an older copy of
  // an unversioned file (a 304 answer keeps the download small).
  event.waitUntil(caches.open(cacheName).then(function (cache) {
    return cache.addAll(SITE_FILES.map(function (file) {
      return new Request(file, { cache: "no-cache" });
    }));
  }));
});

self.addEventListener("activate", function (event) {
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf(prefix) === 0 && name !== cacheName;
    }).map(function (name) {
      return caches.delete(name);
    }));
  }));
});

self.addEventListener("message", function (event) {
  if (event.data === "take over")
    self.skipWaiting();
});

self.addEventListener("fetch", function (event) {
  var request = event.request;
  if (request.method !== "GET")
    return;
  var url = new URL(request.url);
  // The site's address itself, with or without a query, is its page.
  var isPage = request.mode === "navigate" && url.origin === scope.origin &&
      (url.pathname === scope.pathname || url.pathname === scope.pathname + "index.html");
  event.respondWith(caches.open(cacheName).then(function (cache) {
    return cache.match(isPage ? "index.html" : request);
  }).then(function (cached) {
    return cached || fetch(request);
  }));
});
