// GameState: everything the game shares between its engine and its objects: the play state, the
// counters, the player's direction and power-up values and the UFO's animation counter. One
// instance, owned by the game's engine and reached by every game object through it; it outlives
// rebuilt objects (a retry or a load keeps it). Plain data, and the one step that changes a counter.
#pragma once

#include <climits>

enum PlayState { StartScreen = 0, Running = 1, Paused = 2 };

struct GameState {
    PlayState playState = StartScreen;
    int lives = 5;
    int score = 0;
    int level = 1;

    // The player's last move: after any move exactly one flag is 1.
    int facingUp = 1;
    int facingDown = 0;
    int facingLeft = 0;
    int facingRight = 0;
    // The speed power-up (6 pixels a step instead of 3) and the player updates counted while on.
    int speedBoostActive = 0;
    int speedBoostTicks = 0;

    // Advanced by every UFO draw; a cycle of 16 draws shared by all UFOs.
    int ufoAnimationCounter = 0;
};

// Adds change to a counter, stopping at the ends of int rather than overflowing: a loaded save may
// put the score or the lives anywhere in int's range.
inline void addToCounter(int& counter, int change)
{
    const long long sum = static_cast<long long>(counter) + change;
    counter = sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : static_cast<int>(sum);
}
