// GameFile: one of the two files the game writes in its working folder ("currentSave.txt" and
// "highScore.txt"), with the line that reports a write that failed. Knows nothing about what the
// file holds; whoever writes it says whether the write worked.
#pragma once

class GameFile {
public:
    // The saved game, replaced by every save.
    static GameFile save();
    // The high scores, one line appended for every lost game.
    static GameFile highScores();

    // The plain file name, opened relative to the working folder.
    const char* name() const { return fileName; }
    // Prints "<what> <name>" on standard output when a write failed after one that worked (or as
    // the first write), and nothing while the failures go on: K held down in a folder that cannot
    // be written repeats many times a second, and one line says all there is to say until a
    // write works again.
    void reportWrite(bool written);

private:
    GameFile(const char* fileName, const char* what);

    const char* fileName;
    const char* what;
    bool failureReported = false;
};
