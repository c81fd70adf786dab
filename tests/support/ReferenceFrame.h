// ReferenceFrame: whole composed pictures compared pixel for pixel with small PNGs kept under
// tests/frames/. Run a test with DUSTREACH_REWRITE_FRAMES=1 in the environment to write the PNGs
// anew from what the code draws now; look at every rewritten picture before committing it.
#pragma once

#include <gtest/gtest.h>

#include <string>

class PixelCanvas;

namespace dustreach::test {

// Success when the canvas's surface equals tests/frames/<name>.png in every pixel's red, green
// and blue. On a difference, writes what was drawn to <name>.actual.png in the working folder and
// says where the first difference lies and how many pixels differ.
::testing::AssertionResult matchesReferenceFrame(const PixelCanvas& canvas,
                                                 const std::string& name);

}  // namespace dustreach::test
