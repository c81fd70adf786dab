// ScreenTexts: every text the game writes on the screen, kept in one place for the screens that
// draw them (VorlanEngine) and for the sheet that shows them all at once (TextSheet).
#pragma once

struct ScreenLine {
    const char* text;
    int x;
    int y;
    unsigned int colour;
};

// The start screen. The trailing blanks are part of the texts.
inline constexpr ScreenLine kStartLines[] = {
    {"Dustreach! ", 125, 20, 0x799143},
    {"PRESS SPACE TO PLAY! ", 125, 60, 0xFF00FF},
    {"WASD OR ARROW KEYS TO MOVE! ", 25, 150, 0x008080},
    {"LEFT CLICK TO SHOOT! ", 25, 200, 0x808080},
    {"PRESS K IN GAME TO SAVE! ", 25, 250, 0x800080},
    {"PRESS L WHEN PAUSED TO LOAD! ", 25, 300, 0xFF0000},
    {"MIDDLE/RIGHT CLICK TO ZOOM IN/OUT! ", 25, 350, 0x808080},
    {"FCVB TO SCROLL! ", 25, 400, 0x864197},
    {"Created by: Quintar", 125, 450, 0x654321},
};

inline constexpr const char* kPausedText = "Paused! Press SPACE to continue";
inline constexpr const char* kLoadHintText = "Or press L to load last save! ";
inline constexpr const char* kLevelTexts[] = {"Running Level 1!", "Running Level 2!"};
// printf formats, given the score and the lives.
inline constexpr const char* kScoreFormat = "Score: %5d";
inline constexpr const char* kLivesFormat = "Lives: %6d";
inline constexpr const char* kGameOverText = "///*You Lost! Game Over!*///";
inline constexpr const char* kRetryText = "///*Press R to retry!*///";
