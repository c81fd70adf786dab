// Tests of displayable objects and the engine's object array: placement and clamping, the default
// draw, the update and draw passes while objects add and remove themselves, and which objects the
// array deletes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BaseEngine.h"
#include "DisplayableObject.h"
#include "TestSupport.h"

using dustreach::test::AskedPoint;
using dustreach::test::RecordingFilter;

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 80;

// An object that logs its updates and draws by name, runs an optional action inside them, and
// counts its destruction.
class LoggingObject : public DisplayableObject {
public:
    LoggingObject(BaseEngine* engine, std::vector<std::string>& log, std::string name)
        : DisplayableObject(10, 10, engine, 4, 4, true), log(log), name(std::move(name))
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

    std::vector<std::string>& log;
    std::string name;
    std::function<void()> onUpdate;
    std::function<void()> onDraw;
    bool deletable = true;
    int* destroyed = nullptr;
};

class ObjectsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false, kWidth, kHeight), 0);
    }

    // A new object appended to the engine's array (the array owns it).
    LoggingObject* append(const std::string& name)
    {
        auto* object = new LoggingObject(&engine, log, name);
        engine.appendObjectToArray(object);
        return object;
    }

    BaseEngine engine;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

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
}

TEST_F(ObjectsTest, ClampToWindowMovesTheRectangleInsideOneCorrectionPerAxis)
{
    DisplayableObject leftEdge(0, 0, &engine, 20, 20, false);
    EXPECT_EQ(leftEdge.currentX, 10);
    EXPECT_EQ(leftEdge.currentY, 10);

    DisplayableObject farEdge(kWidth - 5, kHeight - 5, &engine, 20, 20, false);
    EXPECT_EQ(farEdge.currentX, kWidth - 10);
    EXPECT_EQ(farEdge.currentY, kHeight - 10);

    DisplayableObject negative(-3, -4, &engine, 6, 6, true);
    EXPECT_EQ(negative.currentX, 0);
    EXPECT_EQ(negative.currentY, 0);

    DisplayableObject inside(kWidth - 21, kHeight - 21, &engine, 20, 20, true);
    EXPECT_EQ(inside.currentX, kWidth - 21);
    EXPECT_EQ(inside.currentY, kHeight - 21);
    // A right edge exactly on the window's edge counts as outside and is set again to the same place.
    DisplayableObject touching(kWidth - 19, kHeight - 19, &engine, 20, 20, true);
    EXPECT_EQ(touching.currentX, kWidth - 20);
    EXPECT_EQ(touching.currentY, kHeight - 20);

    // Wider than the window: left edge to 0 when it started left of 0, else right edge to W.
    DisplayableObject wideFromLeft(-5, 0, &engine, kWidth + 10, 4, true);
    EXPECT_EQ(wideFromLeft.currentX, 0);
    DisplayableObject wideFromInside(5, 0, &engine, kWidth + 10, 4, true);
    EXPECT_EQ(wideFromInside.currentX, -10);
}

TEST_F(ObjectsTest, ContainsPointIncludesTheTopLeftEdgesOnly)
{
    DisplayableObject object(30, 20, &engine, 10, 6, false);  // columns 25..34, rows 17..22
    EXPECT_TRUE(object.containsPoint(25, 17));
    EXPECT_TRUE(object.containsPoint(34, 22));
    EXPECT_FALSE(object.containsPoint(24, 17));
    EXPECT_FALSE(object.containsPoint(35, 20));
    EXPECT_FALSE(object.containsPoint(30, 16));
    EXPECT_FALSE(object.containsPoint(30, 23));
}

TEST_F(ObjectsTest, DefaultDrawFillsTheRectangleColumnByColumnThroughTheFilters)
{
    DisplayableObject object(10, 20, &engine, 3, 2, true);
    object.colour = 0x123456;
    RecordingFilter recorder(true);
    engine.getForegroundCanvas()->setFilter(&recorder);
    engine.getForegroundCanvas()->fillSurface(0);

    object.draw();
    const std::vector<AskedPoint> expected{{10, 20, 0x123456}, {10, 21, 0x123456},
                                           {11, 20, 0x123456}, {11, 21, 0x123456},
                                           {12, 20, 0x123456}, {12, 21, 0x123456}};
    EXPECT_EQ(recorder.asked, expected);
    EXPECT_EQ(dustreach::test::countPixels(*engine.getForegroundCanvas(), 0x123456, 0, 0, kWidth,
                                           kHeight),
              6);
}

TEST_F(ObjectsTest, InvisibleObjectDrawsNothing)
{
    DisplayableObject object(10, 20, &engine, 3, 2, true);
    object.visible = false;
    RecordingFilter recorder(true);
    engine.getForegroundCanvas()->setFilter(&recorder);
    engine.getForegroundCanvas()->fillSurface(0);

    object.draw();
    EXPECT_TRUE(recorder.asked.empty());
    EXPECT_EQ(dustreach::test::countPixels(*engine.getForegroundCanvas(), 0, 0, 0, kWidth, kHeight),
              kWidth * kHeight);
}

TEST_F(ObjectsTest, ObjectRemovingItselfMidPassLeavesEveryOtherActingExactlyOnce)
{
    append("a");
    LoggingObject* b = append("b");
    append("c");
    append("d");
    std::unique_ptr<LoggingObject> removed;
    b->onUpdate = [&] {
        engine.removeDisplayableObject(b);
        removed.reset(b);  // no longer the array's
    };

    engine.updateAllObjects(70);
    EXPECT_EQ(log, (Log{"a@70", "b@70", "c@70", "d@70"}));
    EXPECT_EQ(engine.getContentCount(), 3);

    log.clear();
    engine.updateAllObjects(80);
    EXPECT_EQ(log, (Log{"a@80", "c@80", "d@80"}));
}

TEST_F(ObjectsTest, ObjectRemovingAnEarlierOneMidPassSkipsNobody)
{
    LoggingObject* a = append("a");
    LoggingObject* b = append("b");
    append("c");
    append("d");
    std::unique_ptr<LoggingObject> removed;
    b->onUpdate = [&] {
        engine.removeDisplayableObject(a);  // c and d move down by one
        removed.reset(a);
    };

    engine.updateAllObjects(5);
    EXPECT_EQ(log, (Log{"a@5", "b@5", "c@5", "d@5"}));
}

TEST_F(ObjectsTest, ObjectsAddedDuringAPassActInThatPass)
{
    engine.createObjectArray(3);
    auto* first = new LoggingObject(&engine, log, "first");
    engine.storeObjectInArray(1, first);
    bool added = false;
    first->onUpdate = [&] {
        if (added)
            return;
        added = true;
        engine.appendObjectToArray(new LoggingObject(&engine, log, "appended"));
        // Stored in front of the running object: only a restart from the first entry finds it.
        engine.storeObjectInArray(0, new LoggingObject(&engine, log, "stored"));
    };

    engine.updateAllObjects(3);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "first@3");
    EXPECT_EQ(log[1], "stored@3");
    EXPECT_EQ(log[2], "appended@3");
    EXPECT_EQ(engine.getContentCount(), 4);
}

TEST_F(ObjectsTest, DrawPassSurvivesTheSameChanges)
{
    LoggingObject* a = append("a");
    append("b");
    bool added = false;
    std::unique_ptr<LoggingObject> removed;
    a->onDraw = [&] {
        if (added)
            return;
        added = true;
        engine.removeDisplayableObject(a);
        removed.reset(a);
        engine.appendObjectToArray(new LoggingObject(&engine, log, "c"));
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

TEST_F(ObjectsTest, DestroyOldObjectsWithoutDeletingKeepsObjectsAliveAndTheLength)
{
    int destroyed = 0;
    std::vector<std::unique_ptr<LoggingObject>> kept;
    for (const char* name : {"a", "b", "c"}) {
        LoggingObject* object = append(name);
        object->destroyed = &destroyed;
        kept.emplace_back(object);
    }
    engine.objectsChanged = false;

    engine.destroyOldObjects(false);
    EXPECT_TRUE(engine.objectsChanged);
    EXPECT_EQ(destroyed, 0);
    ASSERT_EQ(engine.getContentCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(engine.getDisplayableObject(i), nullptr);

    kept.clear();
    EXPECT_EQ(destroyed, 3);
}

TEST_F(ObjectsTest, DestroyOldObjectsDeletesOnlyObjectsThatAskForIt)
{
    int destroyed = 0;
    LoggingObject* owned = append("owned");
    owned->destroyed = &destroyed;
    std::unique_ptr<LoggingObject> notOwned(append("kept"));
    notOwned->deletable = false;
    notOwned->destroyed = &destroyed;

    engine.destroyOldObjects(true);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(notOwned->name, "kept");  // still alive

    // createObjectArray empties the old array the same way, then resizes.
    LoggingObject* again = new LoggingObject(&engine, log, "again");
    again->destroyed = &destroyed;
    engine.storeObjectInArray(0, again);
    engine.createObjectArray(7);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(engine.getContentCount(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(engine.getDisplayableObject(i), nullptr);
}

TEST(ObjectsLifetimeTest, EngineDestructionDeletesTheObjectsItStillOwns)
{
    int destroyed = 0;
    std::vector<std::string> log;
    std::unique_ptr<LoggingObject> taken;
    std::unique_ptr<LoggingObject> notDeletable;
    {
        BaseEngine engine;
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false, kWidth, kHeight), 0);
        for (const char* name : {"a", "b", "c"}) {
            auto* object = new LoggingObject(&engine, log, name);
            object->destroyed = &destroyed;
            engine.appendObjectToArray(object);
        }
        taken.reset(static_cast<LoggingObject*>(engine.getDisplayableObject(1)));
        engine.removeDisplayableObject(taken.get());
        EXPECT_EQ(engine.getContentCount(), 2);
        notDeletable.reset(new LoggingObject(&engine, log, "d"));
        notDeletable->deletable = false;
        notDeletable->destroyed = &destroyed;
        engine.appendObjectToArray(notDeletable.get());
        // Removing an object that is not there changes nothing but the flag.
        LoggingObject stranger(&engine, log, "stranger");
        engine.removeDisplayableObject(&stranger);
        EXPECT_EQ(engine.getContentCount(), 3);
        engine.deinitialise();
    }
    EXPECT_EQ(destroyed, 2);
}

TEST_F(ObjectsTest, RequestRedrawReachesTheEngine)
{
    DisplayableObject object(10, 10, &engine, 2, 2, true);
    engine.redrawRequested = false;
    object.requestRedraw();
    EXPECT_TRUE(engine.redrawRequested);
}
