// The tab control's page keys and F6 between the main window's panes.
#include "ui/KeyboardNavigation.h"

#include <gtest/gtest.h>

namespace {

TEST(PageForTabKey, CtrlKeysStepAndWrapHomeAndEndJump)
{
    struct Case {
        uint32_t key;
        bool control;
        bool shift;
        int current;
        int count;
        int page;
    } cases[] = {
        {NAV_KEY_TAB, true, false, 0, 3, 1},        {NAV_KEY_TAB, true, false, 2, 3, 0},  // wraps forward
        {NAV_KEY_TAB, true, true, 0, 3, 2},         {NAV_KEY_TAB, true, true, 2, 3, 1},   // and backward
        {NAV_KEY_PAGE_DOWN, true, false, 1, 3, 2},  {NAV_KEY_PAGE_UP, true, false, 0, 3, 2},
        {NAV_KEY_TAB, true, false, -1, 3, 0},       {NAV_KEY_TAB, true, true, -1, 3, 2},  // no page shown
        {NAV_KEY_TAB, true, false, 0, 1, 0},                                             // one page
        {NAV_KEY_HOME, false, false, 2, 3, 0},      {NAV_KEY_END, false, false, 0, 3, 2},
        {NAV_KEY_TAB, false, false, 0, 3, -1},      {NAV_KEY_TAB, false, true, 0, 3, -1}, // dialog navigation
        {NAV_KEY_HOME, true, false, 2, 3, -1},      {NAV_KEY_END, false, true, 0, 3, -1},
        {NAV_KEY_PAGE_DOWN, true, true, 0, 3, -1},  {0x41, true, false, 0, 3, -1},       // Ctrl+A
        {NAV_KEY_TAB, true, false, 0, 0, -1},       {NAV_KEY_HOME, false, false, -1, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageForTabKey(c.key, c.control, c.shift, c.current, c.count), c.page)
            << "key " << c.key << " ctrl " << c.control << " shift " << c.shift << " current " << c.current;
}

TEST(NextPane, CyclesThroughFocusablePanesBothWays)
{
    struct Case {
        int current;
        std::vector<bool> focusable;
        bool forward;
        int pane;
    } cases[] = {
        {0, {true, true}, true, 1},         {1, {true, true}, true, 0},
        {0, {true, true}, false, 1},        {1, {true, true}, false, 0},
        {-1, {true, true}, true, 0},        {-1, {true, true}, false, 1},   // from outside the panes
        {0, {true, false, true}, true, 2},  {2, {true, false, true}, false, 0}, // a pane without focus is skipped
        {0, {true, false}, true, 0},        {-1, {false, true}, true, 1},    // only one pane can take it
        {1, {true, false}, true, 0},        {-1, {false, false}, true, -1},  // the current one lost it; none can
        {0, {}, true, -1},                  {5, {true, true}, true, 0},      // no panes; a stale index
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextPane(c.current, c.focusable, c.forward), c.pane)
            << "current " << c.current << " forward " << c.forward << " panes " << c.focusable.size();
}

} // namespace
