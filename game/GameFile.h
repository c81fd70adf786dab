// GameFile: one of the two files the game writes ("currentSave.txt" and "highScore.txt"), where it
// lives, and the line that reports a write that failed. Knows nothing about what the file holds;
// whoever writes it says whether the write worked.
#pragma once

#include <string>

class GameFile {
public:
    // The saved game, replaced by every save, in folder ("" is the working folder, as on the
    // desktop; the browser keeps the two files in a folder of their own).
    static GameFile save(const std::string& folder = {});
    // The high scores, one line appended for every lost game, in folder as above.
    static GameFile highScores(const std::string& folder = {});

    // The plain file name, as every message names the file wherever it lives.
    const char* name() const { return fileName; }
    // Where the file is opened: the name, in its folder.
    const std::string& path() const { return filePath; }
    // Makes the file's folder when it is missing, so the first write makes it (and nothing does
    // before). False, after the line "Could not make the folder <folder>" unless the file's last
    // write failed too, when the folder cannot be made or something else stands in its place.
    bool makeFolder();
    // Prints "<what> <name>" on standard output when a write failed after one that worked (or as
    // the first write), and nothing while the failures go on: K held down in a folder that cannot
    // be written repeats many times a second, and one line says all there is to say until a
    // write works again.
    void reportWrite(bool written);

private:
    GameFile(const char* fileName, const char* what, const std::string& folder);

    const char* fileName;
    const char* what;
    std::string folder;
    std::string filePath;
    bool failureReported = false;
};
