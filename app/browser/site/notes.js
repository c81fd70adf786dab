// notes.js: the notes under the game. The storage note (saves that will not last, files a stopped
// game could not store) and the update note ("A new version of Dustreach is ready.", and what it
// says when the new version could not start).
var storageNote = /** @type {HTMLElement} */ (document.getElementById("storage-note"));
var updateNote = /** @type {HTMLElement} */ (document.getElementById("update-note"));
var updateNow = /** @type {HTMLButtonElement} */ (document.getElementById("update-now"));
// The note's text before its button; always the same node.
var updateLine = /** @type {ChildNode} */ (updateNote.firstChild);
var updateText = updateLine.textContent;

// The browser keeps none of the game's files: saves will not outlast the page.
export function showStorageLost() {
  storageNote.hidden = false;
}

// The browser stores the files after all (it could not when the page started, or refused them).
export function hideStorageLost() {
  storageNote.hidden = true;
}

// A game an update left unstored (names, joined with "and") is said on the page that follows.
export function showUnstoredBefore(names) {
  storageNote.textContent = "The browser did not store " + names + " in time before" +
    " the update: the game started without its latest version.";
  storageNote.hidden = false;
}

// " The browser did not store X in time..." for the files a stopped game could not store.
export function notStoredText(names) {
  if (names.length === 0)
    return "";
  return " The browser did not store " + names.join(" and ") + " in time: the game goes on" +
    " without its latest " + (names.length > 1 ? "versions." : "version.");
}

// Offers the new build; start is what its button does.
export function showUpdateNote(start) {
  updateLine.textContent = updateText;
  updateNote.hidden = false;
  updateNow.hidden = false;
  updateNow.onclick = start;
}

export function showUpdateFailed() {
  updateNow.hidden = true;
  updateLine.textContent = "The new version of Dustreach could not be started; this" +
    " one plays on. Reload the page to try again. ";
}
