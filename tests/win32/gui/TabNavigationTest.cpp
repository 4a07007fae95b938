// Keyboard navigation in the main frame: page keys on the tab control, F6 between panes, focus on return, menu prompts.
#include "app/MainFrame.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "GuiEnvironment.h"
#include "ResourceIds.h"
#include "model/Model.h"
#include "platform/EventLoop.h"

namespace {

constexpr wchar_t kAppKey[] = L"Software\\Norvanta\\MT6402 Utility";

// One shown frame for the suite (under Wine without a window manager, each destruction of a shown
// window waits 2 s); each test sets up the page and focus it starts from.
class TabNavigation : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        timers_ = new CEventLoop;
        loop_ = new CMessageLoop;
        frame_ = new CMainFrame(std::make_unique<CModel>(*timers_), loop_, false);
        if (frame_->Create()) {
            ShowWindow(frame_->Handle(), SW_SHOW);
            SetForegroundWindow(frame_->Handle());
        }
        PumpMessages();
    }
    static void TearDownTestSuite()
    {
        delete frame_;
        delete loop_;
        delete timers_;
        frame_ = nullptr;
        PumpMessages();
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }
    void SetUp() override
    {
        ASSERT_NE(frame_->Handle(), nullptr);
        frame_->Model().FirmwareStatus.Set(FirmwareStatusNone);
        ASSERT_TRUE(frame_->TabView().SetActivePage(0));
        tab_ = frame_->TabView().TabControl();
        ASSERT_NE(tab_, nullptr);
    }
    void TearDown() override { SetKeys(false, false); }

    static void SetKeys(bool control, bool shift)
    {
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_CONTROL] = state[VK_LCONTROL] = control ? 0x80 : 0;
        state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(state);
    }
    // A key pressed and released on the focused window, through the program's message loop: the
    // frame's filter (accelerators, the sheet's dialog keys) first, then the window itself.
    void Press(UINT key, bool control = false, bool shift = false)
    {
        SetKeys(control, shift);
        for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
            MSG msg{};
            msg.hwnd = GetFocus();
            msg.message = message;
            msg.wParam = key;
            msg.lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16) |
                         (message == WM_KEYUP ? (3LL << 30) : 0);
            if (!loop_->PreTranslate(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            PumpMessages();
        }
        SetKeys(false, false);
    }
    HWND Page() const { return frame_->TabView().ActivePage(); }
    // The page shown covers the tab control's display area, however it was chosen.
    void ExpectPageFillsTheTabs() const
    {
        RECT display{};
        GetWindowRect(tab_, &display);
        TabCtrl_AdjustRect(tab_, FALSE, &display);
        RECT page{};
        GetWindowRect(Page(), &page);
        EXPECT_EQ(page.left, display.left);
        EXPECT_EQ(page.top, display.top);
        EXPECT_EQ(page.right, display.right);
        EXPECT_EQ(page.bottom, display.bottom);
    }
    int PageIndex() const { return frame_->TabView().ActiveIndex(); }

    static CEventLoop* timers_;
    static CMessageLoop* loop_;
    static CMainFrame* frame_;
    HWND tab_ = nullptr;
};

CEventLoop* TabNavigation::timers_ = nullptr;
CMessageLoop* TabNavigation::loop_ = nullptr;
CMainFrame* TabNavigation::frame_ = nullptr;

TEST_F(TabNavigation, PageKeysOnTheTabsSwitchPagesWrapAndKeepTheFocusThere)
{
    struct Case {
        int from;
        UINT key;
        bool control;
        bool shift;
        int to;
    } cases[] = {
        {0, VK_TAB, true, false, 1},   {2, VK_TAB, true, false, 0},  {0, VK_TAB, true, true, 2},
        {1, VK_TAB, true, true, 0},    {1, VK_NEXT, true, false, 2}, {2, VK_NEXT, true, false, 0},
        {0, VK_PRIOR, true, false, 2}, {2, VK_HOME, false, false, 0}, {0, VK_END, false, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from << " key " << c.key << " ctrl " << c.control
                                        << " shift " << c.shift);
        ASSERT_TRUE(frame_->TabView().SetActivePage(c.from));
        SetFocus(tab_);
        ASSERT_EQ(GetFocus(), tab_);
        Press(c.key, c.control, c.shift);
        EXPECT_EQ(PageIndex(), c.to);
        EXPECT_EQ(TabCtrl_GetCurSel(tab_), c.to);
        EXPECT_TRUE(IsWindowVisible(Page()));
        EXPECT_EQ(GetFocus(), tab_);
        ExpectPageFillsTheTabs();
    }
}

TEST_F(TabNavigation, CtrlTabInsideAPageLeavesTheFocusOnAVisibleWindow)
{
    HWND combo = GetDlgItem(Page(), IDC_PORT_LIST);
    SetFocus(combo);
    ASSERT_TRUE(GetFocus() == combo || IsChild(combo, GetFocus()));
    Press(VK_TAB, true, false);
    EXPECT_EQ(PageIndex(), 1);
    ExpectPageFillsTheTabs();
    HWND focus = GetFocus();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(IsWindowVisible(focus));
    EXPECT_TRUE(focus == tab_ || IsChild(Page(), focus)) << "focus left on a window outside the shown page";
    // With nothing to take the focus on the new page (the Command Tester while the module is
    // silent), the tabs take it.
    HWND folder = GetDlgItem(Page(), IDC_BROWSE_FOLDER);
    SetFocus(folder);
    ASSERT_EQ(GetFocus(), folder);
    Press(VK_TAB, true, false);
    EXPECT_EQ(PageIndex(), 2);
    EXPECT_EQ(GetFocus(), tab_);
}

TEST_F(TabNavigation, F6MovesBetweenTheTabsAndThePageAndBack)
{
    HWND combo = GetDlgItem(Page(), IDC_PORT_LIST);
    auto inCombo = [combo] { return GetFocus() == combo || IsChild(combo, GetFocus()); };
    SetFocus(combo);
    ASSERT_TRUE(inCombo());
    Press(VK_F6);
    EXPECT_EQ(GetFocus(), tab_);
    // Back to the control the user left, not to the page's first control.
    SetFocus(tab_);
    Press(VK_F6);
    EXPECT_TRUE(inCombo());
    Press(VK_F6, false, true);
    EXPECT_EQ(GetFocus(), tab_);
    Press(VK_F6, false, true);
    EXPECT_TRUE(inCombo());
    EXPECT_EQ(PageIndex(), 0); // F6 never changes the page
}

TEST_F(TabNavigation, F6SkipsAPageWithNothingToFocusAndStartsAtTheTabsFromOutside)
{
    // The Command Tester's controls are all disabled while the module does not answer.
    ASSERT_TRUE(frame_->TabView().SetActivePage(2));
    SetFocus(tab_);
    Press(VK_F6);
    EXPECT_EQ(GetFocus(), tab_);
    Press(VK_F6, false, true);
    EXPECT_EQ(GetFocus(), tab_);
    // Once the module answers the page takes the focus, on its first control.
    frame_->Model().FirmwareStatus.Set(FirmwareStatusRunning); // stored as 0 while the port is closed
    frame_->Model().PortOpen.Set(1);
    frame_->Model().FirmwareStatus.Set(FirmwareStatusRunning);
    Press(VK_F6);
    EXPECT_EQ(GetFocus(), GetDlgItem(Page(), IDC_COMMAND_BOX));
    frame_->Model().PortOpen.Set(0);
    frame_->Model().FirmwareStatus.Set(FirmwareStatusNone);

    // With the focus on the frame itself (no pane), F6 goes to the first pane and Shift+F6 to the last.
    ASSERT_TRUE(frame_->TabView().SetActivePage(0));
    SendMessageW(frame_->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr);
    MSG msg{};
    msg.hwnd = frame_->Handle();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_F6;
    EXPECT_TRUE(loop_->PreTranslate(msg));
    EXPECT_EQ(GetFocus(), tab_);
}

TEST_F(TabNavigation, FocusReturnsToTheControlThatHadItWhenTheFrameIsActivatedAgain)
{
    HWND test = GetDlgItem(Page(), IDC_TEST_COMMUNICATIONS);
    SetFocus(test);
    ASSERT_EQ(GetFocus(), test);
    SendMessageW(frame_->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    // The system gives the reactivated frame the focus; the frame passes it on.
    SetFocus(frame_->Handle());
    EXPECT_EQ(GetFocus(), test);
}

TEST_F(TabNavigation, MenuPromptsShowWhileHighlightedAndTheLineComesBack)
{
    HWND statusBar = frame_->StatusBar();
    HMENU menu = GetMenu(frame_->Handle());
    SendMessageW(frame_->Handle(), WM_REPORT_TEXT, 0, reinterpret_cast<LPARAM>(L"Serial Port is closed"));
    struct Case {
        UINT id;
        UINT flags;
        const wchar_t* shown;
    } cases[] = {
        {ID_NEXT_PANE, MF_HILITE, L"Switch to the next window pane"},
        {ID_PREV_PANE, MF_HILITE, L"Switch back to the previous window pane"},
        {ID_APP_EXIT, MF_HILITE, L"Serial Port is closed"}, // no prompt: the line stays
        {0, MF_POPUP | MF_HILITE, L"Serial Port is closed"},
    };
    for (const Case& c : cases) {
        SendMessageW(frame_->Handle(), WM_MENUSELECT, MAKEWPARAM(c.id, c.flags), reinterpret_cast<LPARAM>(menu));
        EXPECT_EQ(StatusBarText(statusBar), c.shown) << c.id;
    }
    // A line reported while the menu is open is the one shown when it closes.
    SendMessageW(frame_->Handle(), WM_MENUSELECT, MAKEWPARAM(ID_NEXT_PANE, MF_HILITE), reinterpret_cast<LPARAM>(menu));
    SendMessageW(frame_->Handle(), WM_REPORT_TEXT, 0, reinterpret_cast<LPARAM>(L"Opening Serial Port COM9"));
    EXPECT_EQ(StatusBarText(statusBar), L"Switch to the next window pane");
    SendMessageW(frame_->Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(StatusBarText(statusBar), L"Opening Serial Port COM9");
}

} // namespace
