// storage.js: the game's two files in the browser's storage; part of dustreach.js (given to the
// linker with --pre-js). The game writes "currentSave.txt" and "highScore.txt" in /dustreach, a
// folder in memory. This script keeps them in an IndexedDB database of its own: one object store,
// "files", holding exactly those two files under their names, each as
// {contents: Uint8Array, written: milliseconds since 1970}. The database's name carries the site's
// path, so two copies of the site on one origin keep separate files.
//
// Loading: the files are read as soon as this script runs and written into /dustreach before main
// (a run dependency). Where IndexedDB is missing, refuses or does not answer within
// kAnswerWithinMs, the game starts all the same with no files, plays and saves for the page's life,
// and the page says that saves will not last (Module.onStorageLost).
//
// Storing (BrowserStorage.cpp asks after the frame that wrote a file): one readwrite transaction,
// which never deletes a file and never rolls back what another copy of the game stored:
// - highScore.txt only grows: the lines this copy added since its last flush are appended to
//   whatever the store holds, so scores from another tab are kept;
// - currentSave.txt: the newest save wins, as on the desktop where each save replaces the file.
//   A copy stores only a save it made itself, stamped with the time it was written, and never over
//   a save stamped later (another tab's save made after this one).
// A refused transaction (a full store) reports failure: the game prints its usual line, and the
// lines not stored are stored with the next flush that works.

(function () {
  "use strict";

  var kFolder = "/dustreach";
  var kSave = "currentSave.txt";
  var kScores = "highScore.txt";
  var kStore = "files";
  var kAnswerWithinMs = 4000;
  var kNewLine = 10;

  var database = null;  // the open database; null where there is none
  var storedScores = new Uint8Array(0);  // highScore.txt as this copy last stored or loaded it
  var flushesUnderWay = 0;
  var idleWaiters = [];

  function databaseName() {
    return "Dustreach " + location.pathname.replace(/[^/]*$/, "");
  }

  function promiseOf(request) {
    return new Promise(function (resolve, reject) {
      request.onsuccess = function () { resolve(request.result); };
      request.onerror = function () { reject(request.error); };
    });
  }

  // Earlier builds kept the two files through emscripten's IDBFS, in a database named
  // "/dustreach" shared by every path of the origin. A store made afresh takes them over once;
  // that database is left as it was, and none is made where there was none: it is opened only
  // when listed, and an open that would create it is cancelled (WebKit keeps an empty one all
  // the same, hence the list first).
  function takeOverOldFiles(opened) {
    var listed = typeof indexedDB.databases === "function" ?
      indexedDB.databases().then(function (bases) {
        return bases.some(function (base) { return base.name === kFolder; });
      }, function () { return true; }) : Promise.resolve(true);
    return listed.then(function (exists) {
      return exists ? oldFiles(opened) : null;
    });
  }

  function oldFiles(opened) {
    return new Promise(function (resolve) {
      var request = indexedDB.open(kFolder);
      request.onupgradeneeded = function () {
        request.transaction.abort();
      };
      request.onerror = function () { resolve(); };
      request.onsuccess = function () {
        var old = request.result;
        if (!old.objectStoreNames.contains("FILE_DATA")) {
          old.close();
          resolve();
          return;
        }
        var files = old.transaction("FILE_DATA").objectStore("FILE_DATA");
        Promise.all([kSave, kScores].map(function (name) {
          return promiseOf(files.get(kFolder + "/" + name));
        })).then(function (found) {
          old.close();
          var transaction = opened.transaction(kStore, "readwrite");
          [kSave, kScores].forEach(function (name, index) {
            var file = found[index];
            if (file && file.contents instanceof Uint8Array) {
              var written = file.timestamp ? new Date(file.timestamp).getTime() : Date.now();
              transaction.objectStore(kStore).put({ contents: file.contents, written: written },
                                                  name);
            }
          });
          transaction.oncomplete = transaction.onabort = function () { resolve(); };
        }, function () {
          old.close();
          resolve();
        });
      };
    });
  }

  // Opens (creating on first use) the database; resolves to it with the two files as stored.
  function openStore() {
    var created = false;
    return new Promise(function (resolve, reject) {
      var request = indexedDB.open(databaseName(), 1);
      request.onupgradeneeded = function () {
        request.result.createObjectStore(kStore);
        created = true;
      };
      request.onsuccess = function () { resolve(request.result); };
      request.onerror = function () { reject(request.error); };
      // onblocked: another tab holds an older version open; the wait for an answer covers it.
    }).then(function (opened) {
      return created ? takeOverOldFiles(opened).then(function () { return opened; }) : opened;
    }).then(function (opened) {
      // A newer site in another tab needs the database: let go (saves stop lasting here).
      opened.onversionchange = function () {
        opened.close();
        database = null;
      };
      var files = opened.transaction(kStore).objectStore(kStore);
      return Promise.all([promiseOf(files.get(kSave)), promiseOf(files.get(kScores))])
        .then(function (stored) {
          return { database: opened, save: stored[0], scores: stored[1] };
        });
    });
  }

  // Started at once, while the rest of the game downloads; a browser without IndexedDB (or whose
  // indexedDB throws when touched) refuses here.
  var loading = new Promise(function (resolve) { resolve(openStore()); });

  function writeLocal(name, file) {
    if (file && file.contents instanceof Uint8Array)
      FS.writeFile(kFolder + "/" + name, file.contents);
  }

  function readLocal(name) {
    try {
      var path = kFolder + "/" + name;
      return { contents: FS.readFile(path), written: FS.stat(path).mtime.getTime() };
    } catch (error) {
      return null;  // not there: nothing to store, and nothing is ever deleted
    }
  }

  Module["preRun"] = Module["preRun"] || [];
  Module["preRun"].push(function loadFiles() {
    FS.mkdir(kFolder);
    addRunDependency("dustreach-files");
    var answered = false;
    function answer(loaded, problem) {
      if (answered)
        return;
      answered = true;
      if (loaded) {
        database = loaded.database;
        writeLocal(kSave, loaded.save);
        writeLocal(kScores, loaded.scores);
        var scores = readLocal(kScores);
        if (scores)
          storedScores = scores.contents;
      } else {
        console.error("IndexedDB is not available; saves will last as long as the page:",
                      problem);
        if (Module["onStorageLost"])
          Module["onStorageLost"]();
      }
      removeRunDependency("dustreach-files");
    }
    setTimeout(function () {
      answer(null, "no answer within " + kAnswerWithinMs / 1000 + " s");
    }, kAnswerWithinMs);
    loading.then(function (loaded) {
      if (answered)
        loaded.database.close();  // too late: this page plays without it
      answer(loaded);
    }, function (error) {
      answer(null, error);
    });
  });

  // What a copy appends to the stored high scores: the bytes after those it stored last, without
  // leading line ends (the store's own last line is closed below). A file that no longer starts
  // with what was stored was replaced by someone other than the game: nothing of it is appended.
  function linesAdded(now) {
    var before = storedScores;
    if (now.length < before.length)
      return new Uint8Array(0);
    for (var i = 0; i < before.length; ++i) {
      if (now[i] !== before[i])
        return new Uint8Array(0);
    }
    var start = before.length;
    while (start < now.length && now[start] === kNewLine)
      ++start;
    return now.subarray(start);
  }

  function appended(stored, lines) {
    var open = stored.length > 0 && stored[stored.length - 1] !== kNewLine;
    var joined = new Uint8Array(stored.length + (open ? 1 : 0) + lines.length);
    joined.set(stored, 0);
    if (open)
      joined[stored.length] = kNewLine;
    joined.set(lines, joined.length - lines.length);
    return joined;
  }

  // Stores the files written (save and highScores say which); done(ok) when the transaction ended.
  function flush(save, highScores, done) {
    var saveFile = save ? readLocal(kSave) : null;
    var scoresFile = highScores ? readLocal(kScores) : null;
    var lines = scoresFile ? linesAdded(scoresFile.contents) : new Uint8Array(0);
    var transaction;
    try {
      transaction = database.transaction(kStore, "readwrite");
    } catch (error) {
      done(false);  // no database, or the browser closed it
      return;
    }
    var files = transaction.objectStore(kStore);
    var kept = false;
    // A put that throws (a full or broken store) ends the transaction, storing nothing.
    function storeWith(name, change) {
      files.get(name).onsuccess = function (event) {
        try {
          change(event.target.result);
        } catch (error) {
          console.error("IndexedDB refused " + name + ":", error);
          transaction.abort();
        }
      };
    }
    if (saveFile) {
      storeWith(kSave, function (stored) {
        if (!stored || !(stored.written > saveFile.written)) {
          files.put(saveFile, kSave);
          kept = true;
        }
      });
    }
    if (lines.length > 0) {
      storeWith(kScores, function (stored) {
        var before = stored && stored.contents instanceof Uint8Array ? stored.contents
                                                                      : new Uint8Array(0);
        files.put({ contents: appended(before, lines), written: Date.now() }, kScores);
        kept = true;
      });
    }
    transaction.oncomplete = function () {
      if (scoresFile)
        storedScores = scoresFile.contents;
      if (kept && Module["onFilesKept"])
        Module["onFilesKept"]();
      done(true);
    };
    transaction.onabort = function () {
      if (transaction.error)
        console.error("IndexedDB refused the files:", transaction.error);
      done(false);
    };
  }

  Module["dustreachStorage"] = {
    // BrowserStorage's flush (see above); one at a time.
    flush: function (save, highScores, done) {
      ++flushesUnderWay;
      flush(save, highScores, function (ok) {
        done(ok);  // may start the next flush at once
        if (--flushesUnderWay === 0)
          idleWaiters.splice(0).forEach(function (resolve) { resolve(); });
      });
    },
    // Resolves once no flush is under way: after the game stopped, its files are all stored.
    whenIdle: function () {
      return new Promise(function (resolve) {
        if (flushesUnderWay === 0)
          resolve();
        else
          idleWaiters.push(resolve);
      });
    }
  };
})();
