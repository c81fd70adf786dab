// Tests of displayable objects and the engine's object array: placement and clamping, the default
// draw, the update and draw passes while objects add and remove themselves, and which objects the
// array deletes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "DisplayableObject.h"
#include "TestSupport.h"

using dustreach::test::AskedPoint;
using dustreach::test::countPixels;
using dustreach::test::RecordingFilter;

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 80;
using Log = std::vector<std::string>;

// An object that logs its updates and draws by name, runs an optional action inside them, and
// counts its destruction.
class LoggingObject : public DisplayableObject {
public:
    LoggingObject(BaseEngine* engine, Log& log, std::string name, int* destroyed = nullptr)
        : DisplayableObject(10, 10, engine, 4, 4, true), log(log), name(std::move(name)),
          destroyed(destroyed)
    {
    }
    ~LoggingObject() override
    {
        if (destroyed)
            ++*destroyed;
    }
    void update(int time) override
    {
        log.push_back(name + "@" + std::to_string(time));
        if (onUpdate)
            onUpdate();
    }
    void draw() override
    {
        log.push_back(name);
        if (onDraw)
            onDraw();
    }
    bool deleteOnRemoval() override { return deletable; }

    Log& log;
    std::string name;
    int* destroyed;
    std::function<void()> onUpdate;
    std::function<void()> onDraw;
    bool deletable = true;
};

class ObjectsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false, kWidth, kHeight), 0);
    }

    // A new object appended to the engine's array (the array owns it).
    LoggingObject* append(const std::string& name, int* destroyed = nullptr)
    {
        auto* object = new LoggingObject(&engine, log, name, destroyed);
        engine.appendObjectToArray(object);
        return object;
    }

    // Takes the object out of the array and into the test's hands.
    void take(LoggingObject* object)
    {
        engine.removeDisplayableObject(object);
        taken.emplace_back(object);
    }

    BaseEngine engine;
    Log log;
    std::vector<std::unique_ptr<LoggingObject>> taken;
};

}  // namespace

TEST_F(ObjectsTest, ConstructionSetsDefaultsAndCentredOffsetsRoundTowardsZero)
{
    DisplayableObject object(50, 40, &engine, 11, 7, false);
    EXPECT_EQ(object.drawOffsetX, -5);
    EXPECT_EQ(object.drawOffsetY, -3);
    EXPECT_EQ(object.currentX, 50);
    EXPECT_EQ(object.currentY, 40);
    EXPECT_EQ(object.colour, 0xFF00FFu);
    EXPECT_TRUE(object.visible);

    DisplayableObject topLeft(50, 40, &engine, 11, 7, true);
    EXPECT_EQ(topLeft.drawOffsetX, 0);
    EXPECT_EQ(topLeft.drawOffsetY, 0);

    engine.redrawRequested = false;
    object.requestRedraw();
    EXPECT_TRUE(engine.redrawRequested);
}

TEST_F(ObjectsTest, ClampToWindowMovesTheRectangleInsideOneCorrectionPerAxis)
{
    struct Case {
        int x, y, width, height;
        bool topLeft;
        int expectedX, expectedY;
    };
    const Case cases[] = {
        {0, 0, 20, 20, false, 10, 10},
        {kWidth - 5, kHeight - 5, 20, 20, false, kWidth - 10, kHeight - 10},
        {-3, -4, 6, 6, true, 0, 0},
        {kWidth - 21, kHeight - 21, 20, 20, true, kWidth - 21, kHeight - 21},
        // A right edge exactly on the window's edge counts as outside and is set to the same place.
        {kWidth - 19, kHeight - 19, 20, 20, true, kWidth - 20, kHeight - 20},
        // Wider than the window: left edge to 0 when it started left of 0, else right edge to W.
        {-5, 0, kWidth + 10, 4, true, 0, 0},
        {5, 0, kWidth + 10, 4, true, -10, 0},
    };
    for (const Case& c : cases) {
        DisplayableObject object(c.x, c.y, &engine, c.width, c.height, c.topLeft);
        EXPECT_EQ(object.currentX, c.expectedX) << c.x << "," << c.y;
        EXPECT_EQ(object.currentY, c.expectedY) << c.x << "," << c.y;
    }
}

TEST_F(ObjectsTest, ContainsPointIncludesTheTopLeftEdgesOnly)
{
    DisplayableObject object(30, 20, &engine, 10, 6, false);  // columns 25..34, rows 17..22
    for (auto [x, y, inside] : {std::tuple{25, 17, true}, {34, 22, true}, {24, 17, false},
                                {35, 20, false}, {30, 16, false}, {30, 23, false}})
        EXPECT_EQ(object.containsPoint(x, y), inside) << x << "," << y;
}

TEST_F(ObjectsTest, DefaultDrawFillsTheRectangleColumnByColumnThroughTheFiltersUnlessInvisible)
{
    DisplayableObject object(10, 20, &engine, 3, 2, true);
    object.colour = 0x123456;
    RecordingFilter recorder(true);
    PixelCanvas& canvas = *engine.getForegroundCanvas();
    canvas.setFilter(&recorder);
    canvas.fillSurface(0);

    object.visible = false;
    object.draw();
    EXPECT_TRUE(recorder.asked.empty());
    EXPECT_EQ(countPixels(canvas, 0, 0, 0, kWidth, kHeight), kWidth * kHeight);

    object.visible = true;
    object.draw();
    const std::vector<AskedPoint> expected{{10, 20, 0x123456}, {10, 21, 0x123456},
                                           {11, 20, 0x123456}, {11, 21, 0x123456},
                                           {12, 20, 0x123456}, {12, 21, 0x123456}};
    EXPECT_EQ(recorder.asked, expected);
    EXPECT_EQ(countPixels(canvas, 0x123456, 0, 0, kWidth, kHeight), 6);
}

TEST_F(ObjectsTest, ObjectsRemovedMidPassLeaveEveryOtherActingExactlyOnce)
{
    LoggingObject* a = append("a");
    LoggingObject* b = append("b");
    LoggingObject* c = append("c");
    append("d");
    b->onUpdate = [&] { take(b); };
    engine.updateAllObjects(70);
    EXPECT_EQ(log, (Log{"a@70", "b@70", "c@70", "d@70"}));
    EXPECT_EQ(engine.getContentCount(), 3);

    // Removing an earlier one: the running object and those after it move down by one.
    log.clear();
    c->onUpdate = [&] { take(a); };
    engine.updateAllObjects(80);
    EXPECT_EQ(log, (Log{"a@80", "c@80", "d@80"}));
}

TEST_F(ObjectsTest, ObjectsAddedDuringAPassActInThatPass)
{
    bool added = false;
    engine.createObjectArray(3);
    auto* first = new LoggingObject(&engine, log, "first");
    engine.storeObjectInArray(1, first);
    first->onUpdate = [&] {
        if (std::exchange(added, true))
            return;
        engine.appendObjectToArray(new LoggingObject(&engine, log, "appended"));
        // Stored in front of the running object: only a restart from the first entry finds it.
        engine.storeObjectInArray(0, new LoggingObject(&engine, log, "stored"));
    };
    engine.updateAllObjects(3);
    EXPECT_EQ(log, (Log{"first@3", "stored@3", "appended@3"}));
    EXPECT_EQ(engine.getContentCount(), 4);

    // The draw pass survives the same changes.
    log.clear();
    added = false;
    engine.createObjectArray(0);
    LoggingObject* a = append("a");
    append("b");
    a->onDraw = [&] {
        if (std::exchange(added, true))
            return;
        take(a);
        append("c");
    };
    engine.drawAllObjects();
    EXPECT_EQ(log, (Log{"a", "b", "c"}));
}

TEST_F(ObjectsTest, PassesSkipEmptyEntries)
{
    engine.createObjectArray(5);
    engine.storeObjectInArray(1, new LoggingObject(&engine, log, "one"));
    engine.storeObjectInArray(3, new LoggingObject(&engine, log, "three"));
    engine.setAllObjectsVisible(false);
    EXPECT_FALSE(engine.getDisplayableObject(1)->visible);
    EXPECT_FALSE(engine.getDisplayableObject(3)->visible);

    engine.updateAllObjects(9);
    engine.drawAllObjects();
    EXPECT_EQ(log, (Log{"one@9", "three@9", "one", "three"}));
}

TEST_F(ObjectsTest, DestroyOldObjectsDeletesOnlyWhenAskedAndOnlyObjectsThatAskForIt)
{
    int destroyed = 0;
    std::vector<std::unique_ptr<LoggingObject>> kept;
    for (const char* name : {"a", "b", "c"})
        kept.emplace_back(append(name, &destroyed));
    engine.objectsChanged = false;
    engine.destroyOldObjects(false);
    EXPECT_TRUE(engine.objectsChanged);
    EXPECT_EQ(destroyed, 0);
    ASSERT_EQ(engine.getContentCount(), 3);  // the length stays
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(engine.getDisplayableObject(i), nullptr);
    kept.clear();
    EXPECT_EQ(destroyed, 3);

    destroyed = 0;
    engine.createObjectArray(0);
    append("owned", &destroyed);
    std::unique_ptr<LoggingObject> notOwned(append("kept", &destroyed));
    notOwned->deletable = false;
    engine.destroyOldObjects(true);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(notOwned->name, "kept");  // still alive

    // createObjectArray empties the old array the same way, then resizes.
    engine.storeObjectInArray(0, new LoggingObject(&engine, log, "again", &destroyed));
    engine.createObjectArray(7);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(engine.getContentCount(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(engine.getDisplayableObject(i), nullptr);
}

TEST(ObjectsLifetimeTest, EngineDestructionDeletesTheObjectsItStillOwns)
{
    int destroyed = 0;
    Log log;
    std::unique_ptr<LoggingObject> taken;
    std::unique_ptr<LoggingObject> notDeletable;
    {
        BaseEngine engine;
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false, kWidth, kHeight), 0);
        for (const char* name : {"a", "b", "c"})
            engine.appendObjectToArray(new LoggingObject(&engine, log, name, &destroyed));
        taken.reset(static_cast<LoggingObject*>(engine.getDisplayableObject(1)));
        engine.removeDisplayableObject(taken.get());
        EXPECT_EQ(engine.getContentCount(), 2);
        notDeletable.reset(new LoggingObject(&engine, log, "d", &destroyed));
        notDeletable->deletable = false;
        engine.appendObjectToArray(notDeletable.get());
        // Removing an object that is not there changes nothing.
        LoggingObject stranger(&engine, log, "stranger");
        engine.removeDisplayableObject(&stranger);
        EXPECT_EQ(engine.getContentCount(), 3);
        engine.deinitialise();
    }
    EXPECT_EQ(destroyed, 2);
}
