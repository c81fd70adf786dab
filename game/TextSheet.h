// TextSheet: every text the game can write, one under another in white on black in the game's
// font: the start screen's lines, the pause, level and game-over lines, and the score and lives
// lines showing every digit and the minus sign. The browser's font, a subset of the desktop's, is
// checked against the desktop with it.
#pragma once

class PixelCanvas;

class TextSheet {
public:
    // Replaces everything on the canvas with the sheet, drawn through the canvas's filters.
    static void draw(PixelCanvas& canvas);
};
