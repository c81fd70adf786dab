// AutomaticObject3: one of the falling enemies; behaves exactly like AutomaticObject and differs
// only in its type.
#pragma once

#include "AutomaticObject.h"

class AutomaticObject3 : public AutomaticObject {
public:
    AutomaticObject3(int x, int y, VorlanEngine* engine, int width, int height);
    ~AutomaticObject3() override;
};
