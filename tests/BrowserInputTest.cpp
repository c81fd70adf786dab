// BrowserInput, the way the page's touch controls and key releases reach the game: its events are
// those of a keyboard and a mouse, field by field. (The game played through them, in browsers:
// tests/browser/scenarios/input.mjs.)
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>

#include "BrowserInput.h"
#include "TestSupport.h"

using namespace dustreach::test;

namespace {

class BrowserInputTest : public testing::Test {
protected:
    void SetUp() override
    {
        useDummyVideo();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
        window = SDL_CreateWindow("Dustreach", 10, 40, 600, 800, 0);
        ASSERT_NE(window, nullptr);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        input = std::make_unique<BrowserInput>(window);
        windowId = SDL_GetWindowID(window);
    }
    void TearDown() override
    {
        SDL_DestroyWindow(window);
        SDL_Quit();
    }
    // The next event in SDL's queue.
    SDL_Event next()
    {
        SDL_Event event{};
        EXPECT_EQ(SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 1);
        return event;
    }

    SDL_Window* window = nullptr;
    std::unique_ptr<BrowserInput> input;
    Uint32 windowId = 0;
};

TEST_F(BrowserInputTest, KeysAndButtonsAreTheEventsAKeyboardAndAMouseMake)
{
    struct Key {
        SDL_Keycode code;
        SDL_Scancode scancode;
    };
    for (const Key key : {Key{SDLK_d, SDL_SCANCODE_D}, Key{SDLK_SPACE, SDL_SCANCODE_SPACE},
                          Key{SDLK_UP, SDL_SCANCODE_UP}}) {
        for (const bool down : {true, false}) {
            ASSERT_TRUE(input->key(key.code, down));
            const SDL_KeyboardEvent event = next().key;
            EXPECT_EQ(event.type, down ? SDL_KEYDOWN : SDL_KEYUP) << key.code;
            EXPECT_EQ(event.state, down ? SDL_PRESSED : SDL_RELEASED) << key.code;
            EXPECT_EQ(event.windowID, windowId) << key.code;
            EXPECT_EQ(event.repeat, 0) << key.code;
            EXPECT_EQ(event.keysym.sym, key.code);
            EXPECT_EQ(event.keysym.scancode, key.scancode) << key.code;
        }
    }

    ASSERT_TRUE(input->mouseButton(SDL_BUTTON_MIDDLE, true, 123, 456));
    const SDL_MouseButtonEvent press = next().button;
    EXPECT_EQ(press.type, SDL_MOUSEBUTTONDOWN);
    EXPECT_EQ(press.state, SDL_PRESSED);
    EXPECT_EQ(press.windowID, windowId);
    EXPECT_EQ(press.button, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(press.clicks, 1);
    EXPECT_EQ(press.x, 123);
    EXPECT_EQ(press.y, 456);
    // A point the page rounded off the canvas's edge stays on the window, as a pointer does.
    ASSERT_TRUE(input->mouseButton(SDL_BUTTON_LEFT, false, 600, -2));
    const SDL_MouseButtonEvent release = next().button;
    EXPECT_EQ(release.type, SDL_MOUSEBUTTONUP);
    EXPECT_EQ(release.state, SDL_RELEASED);
    EXPECT_EQ(release.x, 599);
    EXPECT_EQ(release.y, 0);
    // Buttons SDL has no number for are refused and queue nothing.
    EXPECT_FALSE(input->mouseButton(0, true, 10, 10));
    EXPECT_FALSE(input->mouseButton(99, true, 10, 10));
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
}

}  // namespace
