// The rich-edit context menu driven by messages, and activity-log lines appended to a rich edit.
#include "ui/RichEditCtrlContext.h"
#include "ui/RichEditLogView.h"

#include <richedit.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <map>

#include "GuiEnvironment.h"
#include "ResourceIds.h"

namespace {

// One rich-edit control in a hidden top-level window.
class RichEditFixture : public ::testing::Test {
protected:
    void Create(bool readOnly, const wchar_t* text)
    {
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | (readOnly ? ES_READONLY : 0);
        edit_ = CreateWindowExW(0, L"RichEdit20W", text, style, 0, 0, 300, 80, parent_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(edit_, nullptr);
        ASSERT_TRUE(context_.Subclass(edit_));
    }
    void TearDown() override
    {
        CRichEditCtrlContext::SetMenuTracker({});
        if (parent_)
            DestroyWindow(parent_);
    }

    // Sends a mouse request at the point; the tracker records the menu and answers `choice`.
    struct MenuSeen {
        int calls = 0;
        POINT at{};
        std::map<UINT, bool> enabled;
    };
    MenuSeen RightClick(int x, int y, UINT choice)
    {
        MenuSeen seen;
        CRichEditCtrlContext::SetMenuTracker([&seen, choice](HMENU menu, POINT at, HWND) -> UINT {
            ++seen.calls;
            seen.at = at;
            for (UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR, ID_EDIT_SELECT_ALL})
                seen.enabled[id] = (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
            return choice;
        });
        SendMessageW(edit_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit_), MAKELPARAM(x, y));
        return seen;
    }
    CHARRANGE Selection()
    {
        CHARRANGE range{};
        SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }

    HWND parent_ = nullptr;
    HWND edit_ = nullptr;
    CRichEditCtrlContext context_;
};

TEST_F(RichEditFixture, ReadOnlyLogOffersCopyOnlyForASelectionAndAlwaysSelectAll)
{
    Create(true, L"first line\r\nsecond line");
    SendMessageW(edit_, EM_SETSEL, 0, 0);

    MenuSeen seen = RightClick(40, 30, ID_EDIT_SELECT_ALL);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_FALSE(seen.enabled[ID_EDIT_UNDO]);
    EXPECT_FALSE(seen.enabled[ID_EDIT_CUT]);
    EXPECT_FALSE(seen.enabled[ID_EDIT_COPY]);
    EXPECT_FALSE(seen.enabled[ID_EDIT_PASTE]);
    EXPECT_FALSE(seen.enabled[ID_EDIT_CLEAR]);
    EXPECT_TRUE(seen.enabled[ID_EDIT_SELECT_ALL]);
    EXPECT_EQ(seen.at.x, 40);
    EXPECT_EQ(seen.at.y, 30);

    // Select All was carried out on the control: everything is selected now.
    CHARRANGE all = Selection();
    EXPECT_EQ(all.cpMin, 0);
    EXPECT_GE(all.cpMax, 22);

    seen = RightClick(40, 30, 0);
    EXPECT_TRUE(seen.enabled[ID_EDIT_COPY]);
    EXPECT_FALSE(seen.enabled[ID_EDIT_CUT]);
    EXPECT_FALSE(seen.enabled[ID_EDIT_CLEAR]);
    EXPECT_FALSE(seen.enabled[ID_EDIT_PASTE]);
    // Choosing nothing changes nothing.
    CHARRANGE after = Selection();
    EXPECT_EQ(after.cpMin, all.cpMin);
    EXPECT_EQ(after.cpMax, all.cpMax);
}

TEST_F(RichEditFixture, WritableControlCutsDeletesAndUndoes)
{
    Create(false, L"hello world");
    SendMessageW(edit_, EM_SETSEL, 0, 5);
    MenuSeen seen = RightClick(10, 10, ID_EDIT_CLEAR);
    EXPECT_TRUE(seen.enabled[ID_EDIT_CUT]);
    EXPECT_TRUE(seen.enabled[ID_EDIT_COPY]);
    EXPECT_TRUE(seen.enabled[ID_EDIT_CLEAR]);
    EXPECT_EQ(WindowText(edit_), L" world");

    seen = RightClick(10, 10, ID_EDIT_UNDO);
    EXPECT_TRUE(seen.enabled[ID_EDIT_UNDO]);
    EXPECT_EQ(WindowText(edit_), L"hello world");
}

TEST_F(RichEditFixture, KeyboardRequestIsLeftToTheControl)
{
    Create(true, L"text");
    int calls = 0;
    CRichEditCtrlContext::SetMenuTracker([&calls](HMENU, POINT, HWND) -> UINT {
        ++calls;
        return 0;
    });
    SendMessageW(edit_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit_), static_cast<LPARAM>(-1));
    SendMessageW(edit_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit_), static_cast<LPARAM>(0xFFFFFFFFu));
    EXPECT_EQ(calls, 0);
}

TEST_F(RichEditFixture, PointOffEveryMonitorIsPulledIntoTheNearestOne)
{
    Create(true, L"text");
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    // Left of the leftmost monitor (the test display has one): the x coordinate comes back onto it,
    // read as a signed coordinate.
    int left = info.rcMonitor.left - 300;
    MenuSeen seen = RightClick(left, 20, 0);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.at.x, info.rcMonitor.left);
    EXPECT_EQ(seen.at.y, 20);
    // A point on the monitor is used as it is.
    seen = RightClick(info.rcMonitor.left + 5, 20, 0);
    EXPECT_EQ(seen.at.x, info.rcMonitor.left + 5);
}

TEST_F(RichEditFixture, DestroyingTheControlEndsTheSubclass)
{
    Create(true, L"text");
    DestroyWindow(edit_);
    EXPECT_EQ(context_.Handle(), nullptr);
}

TEST_F(RichEditFixture, LogLinesAreTimeStampedAndSeparatedWithoutTrailingBreak)
{
    Create(true, L"");
    CRichEditLogView log(edit_);
    EXPECT_TRUE(log.IsEmpty());
    AppendLogLine(log, L"first");
    AppendLogLine(log, L"second");
    PumpMessages();
    std::wstring text = WindowText(edit_);
    // "hh:mm:ss first" CR (LF) "hh:mm:ss second"; the rich edit may give the break as CR or CR LF.
    ASSERT_GE(text.size(), 9u + 5u + 1u + 9u + 6u);
    EXPECT_EQ(text.substr(8, 7), L" first\r");
    EXPECT_EQ(text.substr(text.size() - 7), L" second");
    EXPECT_NE(text.back(), L'\n');
    EXPECT_FALSE(log.IsEmpty());
}

TEST_F(RichEditFixture, LogFollowsTheEndOnlyWhenItShowedTheEnd)
{
    Create(true, L"");
    CRichEditLogView log(edit_);
    for (int i = 0; i < 40; ++i)
        AppendLogLine(log, L"line");
    PumpMessages();
    EXPECT_TRUE(log.IsShowingEnd());
    // The user scrolls back to the top: new lines leave the view there.
    SendMessageW(edit_, WM_VSCROLL, SB_TOP, 0);
    PumpMessages();
    EXPECT_FALSE(log.IsShowingEnd());
    AppendLogLine(log, L"more");
    PumpMessages();
    EXPECT_FALSE(log.IsShowingEnd());
    EXPECT_EQ(GetScrollPos(edit_, SB_VERT), 0);
    // Back at the end, the view follows the new line.
    SendMessageW(edit_, WM_VSCROLL, SB_BOTTOM, 0);
    AppendLogLine(log, L"last");
    PumpMessages();
    EXPECT_TRUE(log.IsShowingEnd());
    EXPECT_GT(GetScrollPos(edit_, SB_VERT), 0);
}

} // namespace
