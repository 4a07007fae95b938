// When the context menu's edit commands are available, and where the menu may appear.
#include "ui/EditMenuRules.h"

#include <gtest/gtest.h>

#include "ResourceIds.h"

namespace {

TEST(EditMenuRules, EnableStatesByControlState)
{
    struct Case {
        const char* name;
        EditState state;
        bool undo, cut, copy, paste, clear, selectAll;
    } cases[] = {
        {"read-only, nothing selected", {false, false, true, true}, false, false, false, false, false, true},
        {"read-only, text selected", {false, true, true, true}, false, false, true, false, false, true},
        {"writable, nothing selected", {false, false, false, false}, false, false, false, false, false, true},
        {"writable, selection, clipboard", {false, true, false, true}, false, true, true, true, true, true},
        {"writable, can undo", {true, false, false, false}, true, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsEditCommandEnabled(ID_EDIT_UNDO, c.state), c.undo);
        EXPECT_EQ(IsEditCommandEnabled(ID_EDIT_CUT, c.state), c.cut);
        EXPECT_EQ(IsEditCommandEnabled(ID_EDIT_COPY, c.state), c.copy);
        EXPECT_EQ(IsEditCommandEnabled(ID_EDIT_PASTE, c.state), c.paste);
        EXPECT_EQ(IsEditCommandEnabled(ID_EDIT_CLEAR, c.state), c.clear);
        EXPECT_EQ(IsEditCommandEnabled(ID_EDIT_SELECT_ALL, c.state), c.selectAll);
    }
    EXPECT_FALSE(IsEditCommandEnabled(57600, EditState{true, true, false, true}));
}

TEST(EditMenuRules, ClampIntoExtentKeepsNegativeMonitorsAndPullsStrayPoints)
{
    // A monitor left of the primary one has negative coordinates: points on it stay as they are.
    EXPECT_EQ(ClampIntoExtent(-500, -1280, 0), -500);
    EXPECT_EQ(ClampIntoExtent(-1281, -1280, 0), -1280);
    EXPECT_EQ(ClampIntoExtent(0, -1280, 0), -1);
    EXPECT_EQ(ClampIntoExtent(2000, 0, 1280), 1279);
    EXPECT_EQ(ClampIntoExtent(640, 0, 1280), 640);
    EXPECT_EQ(ClampIntoExtent(5, 10, 10), 10);
}

} // namespace
