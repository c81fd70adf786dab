// storage.js: the game's two files in the browser's storage; part of dustreach.js (given to the
// linker with --pre-js). The game writes "currentSave.txt" and "highScore.txt" in /dustreach, a
// folder in memory. This script keeps them in an IndexedDB database of its own: one object store,
// "files", holding exactly those two files under their names, each as
// {contents: Uint8Array, written: milliseconds since 1970}; a save also carries order, the store's
// count of the saves it has taken (absent in stores written before it was kept: 0). The database's
// name carries the site's path, so two copies of the site on one origin keep separate files.
//
// Loading: the files are read as soon as this script runs and written into /dustreach before main
// (a run dependency). Where IndexedDB is missing, refuses or does not answer within
// kAnswerWithinMs, the game starts all the same with no files, plays and saves for the page's life,
// and the page says that saves will not last (Module.onStorageLost), until a flush stores the
// files after all (Module.onStorageBack). A flush refused later brings the note back, and the flush
// that leaves the store lacking nothing takes it away again.
//
// Storing (BrowserStorage.cpp asks after the frame that wrote a file): one readwrite transaction,
// which never deletes a file and never rolls back what another copy of the game stored:
// - highScore.txt only grows: the lines this copy added since its last flush are appended to
//   whatever the store holds, so scores from another tab are kept;
// - currentSave.txt: the last save made wins, as on the desktop where each save replaces the file.
//   The computer's clock has no say: IndexedDB runs the readwrite transactions on one store one
//   after another, in the order they were begun, and a copy begins its flush in the frame after
//   the one that wrote the save. So the store's order is the order of the saves, whichever tab made
//   them, and each save stored takes the next number of the store's count.
// A refused transaction (a full store) reports failure: the game prints its usual line, and the
// lines not stored are stored with the next flush that works. A flush that has not ended within
// kAnswerWithinMs is reported as failed, so the game never waits on the storage. A connection the
// browser closed (Safari does so to pages left in the background) is opened again and the flush
// tried once more.
(function () {
  "use strict";

  var kFolder = "/dustreach";
  var kSave = "currentSave.txt";
  var kScores = "highScore.txt";
  var kStore = "files";
  var kAnswerWithinMs = 4000;
  var kNewLine = 10;

  var database = null;  // the open connection; null where there is none (yet, or any more)
  var givenUp = false;  // a newer version of the site took the database: saves stop lasting here
  var storedScores = new Uint8Array(0);  // highScore.txt as this copy last stored or loaded it
  var inFlight = [];  // the names of the files in the flushes under way, once per flush
  var unstored = {};  // name -> true for a file whose last flush failed: the store lacks its last
  var idleWaiters = [];
  var lost = false;  // the note that saves will not last is shown: nothing loaded, or a flush refused

  function databaseName() {
    return "Dustreach " + location.pathname.replace(/[^/]*$/, "");
  }

  function promiseOf(request) {
    return new Promise(function (resolve, reject) {
      request.onsuccess = function () {
        resolve(request.result);
      };
      request.onerror = function () {
        reject(request.error);
      };
    });
  }

  // Earlier builds kept the two files through emscripten's IDBFS, in a database named
  // "/dustreach" shared by every path of the origin. Each start takes over any of them the store
  // lacks, in one transaction that looks and stores: a tab closed half-way leaves the store as it
  // was, and the next start does it again; once the store holds a file, that file is the game's
  // and the old one is never copied over it. That database is left as it was, and none is made
  // where there was none: it is opened only when listed, and an open that would create it is
  // cancelled (WebKit keeps an empty one all the same, hence the list first).
  function takeOverOldFiles(opened) {
    var listed = typeof indexedDB.databases === "function" ?
      indexedDB.databases().then(function (bases) {
        return bases.some(function (base) {
          return base.name === kFolder;
        });
      }, function () {
        return true;
      }) : Promise.resolve(true);
    return listed.then(function (exists) {
      return exists ? oldFiles().then(function (found) {
        return keepOldFiles(opened, found);
      })
        : null;
    });
  }

  // The old database's two files ([save, scores], each absent as undefined); none where it has none.
  function oldFiles() {
    return new Promise(function (resolve) {
      var request = indexedDB.open(kFolder);
      request.onupgradeneeded = function () {
        /** @type {IDBTransaction} */ (request.transaction).abort();
      };
      request.onerror = function () {
        resolve([]);
      };
      request.onsuccess = function () {
        var old = request.result;
        if (!old.objectStoreNames.contains("FILE_DATA")) {
          old.close();
          resolve([]);
          return;
        }
        var files = old.transaction("FILE_DATA").objectStore("FILE_DATA");
        Promise.all([kSave, kScores].map(function (name) {
          return promiseOf(files.get(kFolder + "/" + name));
        })).then(function (found) {
          old.close();
          resolve(found);
        }, function () {
          old.close();
          resolve([]);
        });
      };
    });
  }

  function keepOldFiles(opened, found) {
    return /** @type {Promise<void>} */ (new Promise(function (resolve) {
      var transaction = opened.transaction(kStore, "readwrite");
      var files = transaction.objectStore(kStore);
      [kSave, kScores].forEach(function (name, index) {
        var file = found[index];
        if (!file || !(file.contents instanceof Uint8Array))
          return;
        files.get(name).onsuccess = function (event) {
          if (event.target.result)
            return;  // taken over already, or written by this build since
          var written = file.timestamp ? new Date(file.timestamp).getTime() : Date.now();
          files.put({ contents: file.contents, written: written }, name);
        };
      });
      transaction.oncomplete = transaction.onabort = function () {
        resolve();
      };
    }));
  }

  // Opens (creating on first use) the database.
  function openDatabase() {
    return new Promise(function (resolve, reject) {
      var request = indexedDB.open(databaseName(), 1);
      request.onupgradeneeded = function () {
        request.result.createObjectStore(kStore);
      };
      request.onsuccess = function () {
        resolve(request.result);
      };
      request.onerror = function (event) {
        event.preventDefault();  // said by whoever waits for it
        reject(request.error);
      };
      // onblocked: another tab holds an older version open; the wait for an answer covers it.
    });
  }

  // This copy's connection from now on.
  function adopt(opened) {
    database = opened;
    // A newer site in another tab needs the database: let go (saves stop lasting here).
    opened.onversionchange = function () {
      opened.close();
      database = null;
      givenUp = true;
    };
    // The browser closed it (storage cleared, or a page long in the background): open it again
    // when next needed.
    opened.onclose = function () {
      if (database === opened)
        database = null;
    };
  }

  // The connection to store through, opened again where the browser closed it.
  function connection() {
    if (database)
      return Promise.resolve(database);
    if (givenUp)
      return Promise.reject(new Error("a newer version of the site has the files now"));
    return new Promise(function (resolve) {
      resolve(openDatabase());
    }).then(function (opened) {
      if (database) {
        opened.close();  // another flush opened one meanwhile
        return database;
      }
      adopt(opened);
      return opened;
    });
  }

  // Opens the database and resolves to it with the two files as stored.
  function openStore() {
    return openDatabase().then(function (opened) {
      return takeOverOldFiles(opened).then(function () {
        return opened;
      });
    }).then(function (opened) {
      var files = opened.transaction(kStore).objectStore(kStore);
      return Promise.all([promiseOf(files.get(kSave)), promiseOf(files.get(kScores))])
        .then(function (stored) {
          return { database: opened, save: stored[0], scores: stored[1] };
        });
    });
  }

  // Started at once, while the rest of the game downloads; a browser without IndexedDB (or whose
  // indexedDB throws when touched, as where site data is blocked) refuses here.
  var loading = new Promise(function (resolve) {
    resolve(openStore());
  });
  loading.catch(function () {});  // said once the game asks for the files (loadFiles)

  function writeLocal(name, file) {
    if (file && file.contents instanceof Uint8Array)
      FS.writeFile(kFolder + "/" + name, file.contents);
  }

  function readLocal(name) {
    try {
      var path = kFolder + "/" + name;
      return { contents: FS.readFile(path), written: FS.stat(path).mtime.getTime() };
    } catch {
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
        adopt(loaded.database);
        writeLocal(kSave, loaded.save);
        writeLocal(kScores, loaded.scores);
        var scores = readLocal(kScores);
        if (scores)
          storedScores = scores.contents;
      } else {
        console.error("IndexedDB is not available; saves will last as long as the page:",
                      problem);
        lost = true;
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
        loaded.database.close();  // too late: this page plays without what it held
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

  // Stores the files written (save and highScores say which); done(ok) once, when the transaction
  // ended or kAnswerWithinMs passed.
  function flush(save, highScores, done) {
    // Constants, so that the checker knows them present in the callbacks below too.
    const saveFile = save ? readLocal(kSave) : null;
    const scoresFile = highScores ? readLocal(kScores) : null;
    var ended = false;
    var timer = setTimeout(function () {
      console.error("IndexedDB did not store the files within " + kAnswerWithinMs / 1000 + " s");
      end(false);
    }, kAnswerWithinMs);
    function end(ok) {
      if (ended)
        return;
      ended = true;
      clearTimeout(timer);
      done(ok);
    }

    function attempt(again) {
      connection().then(function (opened) {
        store(opened, again);
      }, function (error) {
        console.error("IndexedDB is not available:", error);
        end(false);
      });
    }

    function store(opened, again) {
      var transaction;
      try {
        transaction = opened.transaction(kStore, "readwrite");
      } catch {
        // Closed by the browser without a word (or closing): open it again, once.
        if (database === opened)
          database = null;
        if (again)
          attempt(false);
        else
          end(false);
        return;
      }
      var files = transaction.objectStore(kStore);
      var kept = false;
      var scoresBefore = storedScores;
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
          var order = stored && stored.order > 0 ? stored.order : 0;
          files.put({ contents: saveFile.contents, written: saveFile.written, order: order + 1 },
                    kSave);
          kept = true;
        });
      }
      if (scoresFile) {
        // Counted here, where this transaction runs: an earlier one of this copy's, reported
        // late, has ended by now and its lines are not appended twice.
        storeWith(kScores, function (stored) {
          var lines = linesAdded(scoresFile.contents);
          if (lines.length === 0)
            return;
          var before = stored && stored.contents instanceof Uint8Array ? stored.contents
            : new Uint8Array(0);
          files.put({ contents: appended(before, lines), written: Date.now() }, kScores);
          storedScores = scoresFile.contents;
          kept = true;
        });
      }
      transaction.oncomplete = function () {
        if (kept && Module["onFilesKept"])
          Module["onFilesKept"]();
        end(true);
      };
      transaction.onabort = function () {
        storedScores = scoresBefore;
        if (again && database !== opened) {
          attempt(false);  // the connection was closed under it
          return;
        }
        if (transaction.error)
          console.error("IndexedDB refused the files:", transaction.error);
        end(false);
      };
    }

    attempt(true);
  }

  function wakeWaiters() {
    idleWaiters.splice(0).forEach(function (wake) {
      wake();
    });
  }

  Module["dustreachStorage"] = {
    // BrowserStorage's flush (see above); one at a time.
    flush: function (save, highScores, done) {
      var names = (save ? [kSave] : []).concat(highScores ? [kScores] : []);
      inFlight = inFlight.concat(names);
      flush(save, highScores, function (ok) {
        names.forEach(function (name) {
          inFlight.splice(inFlight.indexOf(name), 1);
          unstored[name] = !ok;
        });
        // A refusal is said on the page by the game (BrowserStorage); its end is said here.
        if (!ok)
          lost = true;
        else if (lost && !unstored[kSave] && !unstored[kScores]) {
          lost = false;
          if (Module["onStorageBack"])
            Module["onStorageBack"]();
        }
        done(ok);  // may start the next flush at once
        if (inFlight.length === 0)
          wakeWaiters();
      });
    },
    // Resolves once no flush is under way (after the game stopped, its files are all stored), or
    // after withinMs at most, to the names of the files whose last version the store lacks (still
    // being stored, or refused); [] when it has them all.
    whenIdle: function (withinMs) {
      function missing() {
        return [kSave, kScores].filter(function (name) {
          return unstored[name] || inFlight.indexOf(name) >= 0;
        });
      }
      return new Promise(function (resolve) {
        if (inFlight.length === 0) {
          resolve(missing());
          return;
        }
        var timer = setTimeout(function () {
          idleWaiters.splice(idleWaiters.indexOf(idle), 1);
          resolve(missing());
        }, withinMs);
        function idle() {
          clearTimeout(timer);
          resolve(missing());
        }
        idleWaiters.push(idle);
      });
    },
  };
})();
