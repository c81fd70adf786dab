// AutomaticObject4: one of the falling enemies; behaves exactly like AutomaticObject and differs
// only in its type.
#pragma once

#include "AutomaticObject.h"

class AutomaticObject4 : public AutomaticObject {
public:
    AutomaticObject4(int x, int y, VorlanEngine* engine, int width, int height);
    ~AutomaticObject4() override;
};
