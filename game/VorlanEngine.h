// VorlanEngine: the game itself. Owns the game state, the power-up tile strip and the zoom and
// scroll filters (chain: translation -> scaling -> the engine's window filter, on both canvases),
// and through its object array the player, four enemies, the UFO and the shots. Decides the play
// states, draws the start, pause and head-up screens, paints the backgrounds, handles the
// controls, and saves, loads and records high scores. Does not own the picture cache.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "BaseEngine.h"
#include "FilterPointsScaling.h"
#include "FilterPointsTranslation.h"
#include "GameFile.h"
#include "GameState.h"
#include "VorlanTileManager.h"

class VorlanEngine : public BaseEngine {
public:
    // The game keeps its two files in filesFolder, which the first write makes when it is missing
    // (PlatformFiles::savesFolder gives the platform's); "" is the working folder, where it also
    // reads its pictures and font.
    explicit VorlanEngine(const std::string& filesFolder = {});
    ~VorlanEngine() override;

    // ---- Hooks ----------------------------------------------------------------------------------
    // SPACE, R, K, L and the scroll keys C, B, F, V, by play state.
    void onKeyDown(int keyCode) override;
    // Left: a shot (costs a point); middle: zoom in (and may mark the strip); right: zoom out.
    void onMouseDown(int button, int x, int y) override;
    // Points both canvases at the filter chain, builds the objects, paints the start background.
    int initialiseContent() override;
    // Paints the background canvas for the current play state (nothing while paused).
    void setupBackground() override;
    // Start screen lines, or the panel and tiles, or the pause lines and panel.
    void drawStringsUnderneath() override;
    // The head-up display; applies the level rule and detects a lost game.
    void drawStringsOnTop() override;
    // Builds the six objects (player, four enemies, UFO) in a fresh array of six.
    int initialiseObjects() override;
    // The base pass, then frees the shots that left the array during it.
    void updateAllObjects(int time) override;

    // ---- Files --------------------------------------------------------------------------------
    // Writes "currentSave.txt" (sixteen integers); the previous save survives any failure.
    void saveGame();
    // Reads "currentSave.txt" and rebuilds the six objects; a file without a complete record
    // leaves the game as it was and says so on standard output.
    void loadGame();
    // Appends the score to "highScore.txt"; silently skipped when it cannot be opened.
    void recordHighScore();

    // ---- Shared state ---------------------------------------------------------------------------
    GameState& getState() { return state; }
    const GameState& getState() const { return state; }
    VorlanTileManager& getTileManager() { return tileManager; }
    FilterPointsScaling& getScalingFilter() { return scalingFilter; }
    FilterPointsTranslation& getTranslationFilter() { return translationFilter; }
    unsigned int getScoreColour() const { return scoreColour; }
    // Hands an object that took itself out of the array to the engine, which deletes it after the
    // running update pass (it may still be inside its own update now).
    void retireObject(DisplayableObject* object);

private:
    // Rebuilds the six objects at the given top-left positions (player, enemies 1-4, UFO).
    void buildObjects(const int positions[6][2]);
    // One step of zoom about the window centre: stretch (in) or compress (out).
    void zoomAboutCentre(bool zoomIn);

    GameState state;
    VorlanTileManager tileManager;
    unsigned int scoreColour = 0xFF0000;
    FilterPointsScaling scalingFilter;
    FilterPointsTranslation translationFilter;
    std::vector<std::unique_ptr<DisplayableObject>> retiredObjects;
    GameFile saveFile;
    GameFile highScoreFile;
};
