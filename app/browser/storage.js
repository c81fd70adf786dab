// storage.js: the game's working folder in the browser, part of dustreach.js (given to the
// linker with --pre-js). Before main runs, /dustreach is mounted as an IndexedDB-backed folder
// (IDBFS) and the files kept there are loaded into it. BrowserMain.cpp then links the site's
// pictures and font into the same folder, so the game opens everything by plain names in one
// folder as on the desktop. Only what the game writes itself is ever kept in IndexedDB: the links
// to the site's files never are, so a newer site's pictures are never shadowed by stored copies.
// Where IndexedDB is missing or refuses, the folder stays in memory and the game plays on.

Module["preRun"] = Module["preRun"] || [];
Module["preRun"].push(function mountGameFolder() {
  // IDBFS keeps every file it finds in the folder; leave out the links to the site's files.
  // NOTE: relies on IDBFS.getLocalSet(mount, callback), as in Emscripten 3.1.
  var localSet = IDBFS.getLocalSet;
  IDBFS.getLocalSet = function (mount, callback) {
    localSet(mount, function (error, set) {
      if (!error) {
        Object.keys(set.entries).forEach(function (path) {
          if (FS.isLink(FS.lstat(path).mode))
            delete set.entries[path];
        });
      }
      callback(error, set);
    });
  };

  FS.mkdir("/dustreach");
  FS.mount(IDBFS, {}, "/dustreach");
  addRunDependency("dustreach-storage");
  FS.syncfs(true, function (error) {
    if (error) {
      console.error("IndexedDB is not available; saves will last as long as the page:", error);
      if (Module["onStorageLost"])
        Module["onStorageLost"]();
    }
    removeRunDependency("dustreach-storage");
  });
});
