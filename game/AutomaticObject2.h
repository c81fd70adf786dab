// AutomaticObject2: one of the falling enemies; behaves exactly like AutomaticObject and differs
// only in its type.
#pragma once

#include "AutomaticObject.h"

class AutomaticObject2 : public AutomaticObject {
public:
    AutomaticObject2(int x, int y, VorlanEngine* engine, int width, int height);
    ~AutomaticObject2() override;
};
