// VorlanEngine: the game's hooks: set-up of the filter chain and the six objects, the two
// backgrounds, the start, pause and head-up screens with the level rule and the game over, the
// controls, and the save, load and high-score files. The objects' own behaviour lives in their
// classes; the record's text form and safe file handling live in SaveRecord.
#include "VorlanEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "AutomaticObject.h"
#include "AutomaticObject1.h"
#include "AutomaticObject2.h"
#include "AutomaticObject3.h"
#include "AutomaticObject4.h"
#include "DisplayableObject.h"
#include "HighScoreFile.h"
#include "SaveRecord.h"
#include "ScreenTexts.h"
#include "SmartObject.h"
#include "UserControledObject.h"

namespace {

constexpr int kObjectCount = 6;
// Width and height of the six fixed objects, by index: player, four enemies, UFO.
constexpr int kObjectSizes[kObjectCount][2] = {{10, 20}, {10, 20}, {10, 20},
                                               {10, 20}, {10, 20}, {30, 16}};
// Top-left start positions, same order.
constexpr int kStartPositions[kObjectCount][2] = {{225, 600}, {90, 20},  {290, 20},
                                                  {390, 20},  {490, 20}, {190, 20}};

constexpr unsigned int kPanelColour = 0x654321;
constexpr int kScrollStep = 15;

// A stored centre may hold any int; keeping it this close to the window before the object's own
// clamp avoids int overflow there and changes no clamped result.
int withinReach(long long value)
{
    constexpr long long reach = 1 << 20;
    return static_cast<int>(std::clamp(value, -reach, reach));
}

}  // namespace

VorlanEngine::VorlanEngine(const std::string& filesFolder)
    : scalingFilter(this),
      translationFilter(&scalingFilter),
      saveFile(GameFile::save(filesFolder)),
      highScoreFile(GameFile::highScores(filesFolder))
{
}

VorlanEngine::~VorlanEngine() = default;

void VorlanEngine::updateAllObjects(int time)
{
    BaseEngine::updateAllObjects(time);
    // Shots that left the array during the pass are no longer running: free them now.
    retiredObjects.clear();
}

void VorlanEngine::retireObject(DisplayableObject* object)
{
    retiredObjects.emplace_back(object);
}

// ---- Set-up -------------------------------------------------------------------------------------

int VorlanEngine::initialiseContent()
{
    // Everything drawn on either canvas is scrolled, then zoomed, then kept inside the window.
    foreground.setFilter(&translationFilter);
    background.setFilter(&translationFilter);
    initialiseObjects();
    setupBackground();
    return 0;
}

int VorlanEngine::initialiseObjects()
{
    notifyObjectsOfMouse = true;
    drawableObjectsChanged();
    destroyOldObjects(true);
    buildObjects(kStartPositions);
    return 0;
}

void VorlanEngine::buildObjects(const int positions[6][2])
{
    createObjectArray(kObjectCount);
    const auto size = [](int index, int axis) { return kObjectSizes[index][axis]; };
    storeObjectInArray(0, new UserControledObject(positions[0][0], positions[0][1], this,
                                                  size(0, 0), size(0, 1), &tileManager));
    storeObjectInArray(1, new AutomaticObject(positions[1][0], positions[1][1], this, size(1, 0),
                                              size(1, 1)));
    storeObjectInArray(2, new AutomaticObject2(positions[2][0], positions[2][1], this, size(2, 0),
                                               size(2, 1)));
    storeObjectInArray(3, new AutomaticObject3(positions[3][0], positions[3][1], this, size(3, 0),
                                               size(3, 1)));
    storeObjectInArray(4, new AutomaticObject4(positions[4][0], positions[4][1], this, size(4, 0),
                                               size(4, 1)));
    storeObjectInArray(5, new SmartObject(positions[5][0], positions[5][1], this, size(5, 0),
                                          size(5, 1)));
    setAllObjectsVisible(true);
}

// ---- Backgrounds --------------------------------------------------------------------------------

void VorlanEngine::setupBackground()
{
    // A picture that cannot be read is left out: whatever was painted beneath it shows.
    const auto paint = [this](const char* fileName, int x, int y, bool masked) {
        const ImageHandle picture = loadImage(fileName, true);
        if (picture.isEmpty())
            return;
        if (masked)
            picture.renderImageWithMask(&background, 0, 0, x, y, picture.getWidth(),
                                        picture.getHeight());
        else
            picture.renderImage(&background, 0, 0, x, y, picture.getWidth(), picture.getHeight());
    };

    switch (state.playState) {
    case StartScreen:
        fillBackground(0x000055);
        background.drawRectangle(0, 800, 600, 500, 0x000000);
        paint("earth.jpg", 225, 625, false);
        paint("SHOOT.jpg", 150, 500, false);
        break;
    case Running: {
        fillBackground(0x000000);
        // One random number per pixel, columns outer: about one pixel in a hundred is a star.
        static const unsigned int starColours[4] = {0xFFFFFF, 0xEEFFFF, 0xFFFFEE, 0xEEEEEE};
        for (int x = 0; x < windowWidth; ++x) {
            for (int y = 0; y < windowHeight; ++y) {
                const int r = std::rand() % 400;
                if (r < 4)
                    setBackgroundPixel(x, y, starColours[r]);
            }
        }
        paint("mars.jpg", 460, 60, true);
        paint("earth.jpg", 225, 625, true);
        paint("moon.jpg", 185, 625, true);
        background.drawOval(480, 20, 490, 30, 0xFF0000);
        background.drawOval(250, 140, 270, 160, 0x00FF00);
        background.drawOval(550, 300, 580, 330, 0x8B008B);
        for (int tile = 0; tile < tileManager.getMapWidth(); ++tile)
            tileManager.setMapValue(tile, 0, 0);
        break;
    }
    case Paused:
        // Pausing keeps the play background as it is, stars included.
        break;
    }
}

// ---- Screens ------------------------------------------------------------------------------------

void VorlanEngine::drawStringsUnderneath()
{
    switch (state.playState) {
    case StartScreen:
        for (const ScreenLine& line : kStartLines)
            foreground.drawString(line.x, line.y, line.text, line.colour);
        break;
    case Running:
        foreground.drawRectangle(20, 20, 220, 70, kPanelColour);
        tileManager.setBaseTilesPositionOnScreen(100, 250);
        tileManager.drawAllTiles(this, &foreground);
        break;
    case Paused:
        foreground.drawString(50, 300, kPausedText, 0xFFFFFF);
        foreground.drawString(50, 400, kLoadHintText, 0xFFFFFF);
        foreground.drawRectangle(20, 20, 220, 70, kPanelColour);
        break;
    }
}

void VorlanEngine::drawStringsOnTop()
{
    if (state.playState == StartScreen)
        return;

    foreground.drawString(240, 28, kLevelTexts[state.level == 1 ? 0 : 1], 0xFF00FF);
    // Applied after the line above, so the first frame past 1000 still shows the old level.
    if (state.score >= 1000)
        state.level = 2;

    char buffer[64];
    std::snprintf(buffer, sizeof buffer, kScoreFormat, state.score);
    foreground.drawString(30, 20, buffer, scoreColour);
    std::snprintf(buffer, sizeof buffer, kLivesFormat, state.lives);
    foreground.drawString(30, 40, buffer, 0x00FF00);

    if (state.lives <= 0) {
        state.playState = Paused;
        foreground.drawString(100, 400, kGameOverText, 0x0000FF);
        foreground.drawString(100, 450, kRetryText, 0x00FF00);
        recordHighScore();
        state.lives = 5;
        state.score = 0;
        state.level = 1;
    }
}

// ---- Controls -----------------------------------------------------------------------------------

void VorlanEngine::onKeyDown(int keyCode)
{
    switch (keyCode) {
    case SDLK_SPACE:
        if (state.playState == StartScreen) {
            state.playState = Running;
            setupBackground();
            setAllObjectsVisible(true);
            requestRedraw();
        } else if (state.playState == Running) {
            pause();
            requestRedraw();
            state.playState = Paused;
            setupBackground();
        } else {
            state.playState = Running;
            unpause();
            requestRedraw();
        }
        break;
    case SDLK_r:
        if (state.playState == Paused) {
            initialiseObjects();
            state.playState = Running;
        }
        break;
    case SDLK_k:
        if (state.playState == Running)
            saveGame();
        break;
    case SDLK_l:
        if (state.playState == Paused)
            loadGame();
        break;
    case SDLK_c:
        translationFilter.changeOffset(kScrollStep, 0);
        requestRedraw();
        break;
    case SDLK_b:
        translationFilter.changeOffset(-kScrollStep, 0);
        requestRedraw();
        break;
    case SDLK_f:
        translationFilter.changeOffset(0, kScrollStep);
        requestRedraw();
        break;
    case SDLK_v:
        translationFilter.changeOffset(0, -kScrollStep);
        requestRedraw();
        break;
    default: break;
    }
}

void VorlanEngine::onMouseDown(int button, int x, int y)
{
    if (state.playState != Running)
        return;

    switch (button) {
    case SDL_BUTTON_LEFT:
        scoreColour = getColour(std::rand() % 40);
        if (DisplayableObject* player = getDisplayableObject(0))
            appendObjectToArray(new AutomaticObject1(player->getXCentre() - 10,
                                                     player->getYCentre() - 60, this, 0, 0));
        addToCounter(state.score, -1);
        break;
    case SDL_BUTTON_RIGHT: zoomAboutCentre(false); break;
    case SDL_BUTTON_MIDDLE:
        zoomAboutCentre(true);
        // Goes through the filters as they stand after the zoom step.
        if (tileManager.isValidTilePosition(x, y))
            setBackgroundPixel(x, y, 0xFFFFFF);
        break;
    default: break;
    }
    requestRedraw();
}

void VorlanEngine::zoomAboutCentre(bool zoomIn)
{
    // The foreground's chain starts at the translation filter, which is what is asked here.
    const int centreX = windowWidth / 2;
    const int centreY = windowHeight / 2;
    const int beforeX = translationFilter.realToVirtualX(centreX);
    const int beforeY = translationFilter.realToVirtualY(centreY);
    if (zoomIn)
        scalingFilter.stretch();
    else
        scalingFilter.compress();
    const int afterX = translationFilter.realToVirtualX(centreX);
    const int afterY = translationFilter.realToVirtualY(centreY);
    translationFilter.changeOffset(afterX - beforeX, afterY - beforeY);
}

// ---- Files --------------------------------------------------------------------------------------

void VorlanEngine::saveGame()
{
    SaveRecord record;
    record.fields[0] = state.score;
    record.fields[1] = state.lives;
    bool complete = true;
    for (int index = 0; index < kObjectCount; ++index) {
        const DisplayableObject* object = getDisplayableObject(index);
        if (!object) {
            complete = false;
            break;
        }
        record.fields[2 + 2 * index] = object->getXCentre();
        record.fields[3 + 2 * index] = object->getYCentre();
    }
    record.fields[14] = state.speedBoostActive;
    record.fields[15] = state.level;
    // The previous save stays as it was when this one cannot be written whole.
    saveFile.reportWrite(complete && saveFile.makeFolder() && record.writeFile(saveFile.path()));
}

void VorlanEngine::loadGame()
{
    SaveRecord record;
    if (!SaveRecord::readFile(saveFile.path(), record)) {
        // Nothing changes: the game stays paused with what it had.
        std::printf("Could not load the saved game from %s\n", saveFile.name());
        std::fflush(stdout);
        return;
    }
    const auto& fields = record.fields;
    state.score = fields[0];
    state.lives = fields[1];

    drawableObjectsChanged();
    destroyOldObjects(true);
    // The record holds centres; each object goes back with its top-left where it was saved.
    int positions[kObjectCount][2];
    for (int index = 0; index < kObjectCount; ++index) {
        positions[index][0] =
            withinReach(static_cast<long long>(fields[2 + 2 * index]) - kObjectSizes[index][0] / 2);
        positions[index][1] =
            withinReach(static_cast<long long>(fields[3 + 2 * index]) - kObjectSizes[index][1] / 2);
    }
    buildObjects(positions);

    state.speedBoostActive = fields[14];
    state.level = fields[15];
    state.playState = Running;
}

void VorlanEngine::recordHighScore()
{
    highScoreFile.reportWrite(highScoreFile.makeFolder() &&
                              HighScoreFile::append(highScoreFile.path(), state.score));
}
