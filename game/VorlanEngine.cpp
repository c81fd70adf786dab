// VorlanEngine: construction, the object passes and the shared-state plumbing. The hooks that
// draw, paint and react to input are filled in below.
#include "VorlanEngine.h"

#include "DisplayableObject.h"

VorlanEngine::VorlanEngine()
    : scalingFilter(this), translationFilter(&scalingFilter)
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

// FIXME: placeholders until the game's hooks land.
void VorlanEngine::onKeyDown(int) {}
void VorlanEngine::onMouseDown(int, int, int) {}
int VorlanEngine::initialiseContent() { return BaseEngine::initialiseContent(); }
void VorlanEngine::setupBackground() { BaseEngine::setupBackground(); }
void VorlanEngine::drawStringsUnderneath() {}
void VorlanEngine::drawStringsOnTop() {}
int VorlanEngine::initialiseObjects() { return BaseEngine::initialiseObjects(); }
void VorlanEngine::saveGame() {}
void VorlanEngine::loadGame() {}
void VorlanEngine::recordHighScore() {}
void VorlanEngine::buildObjects(const int[6][2]) {}
void VorlanEngine::zoomAboutCentre(bool) {}
