// The main frame under Wine: creation with an empty registry, title, status texts, menus, report lines, exit.
#include "app/MainFrame.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "GuiEnvironment.h"
#include "ResourceIds.h"
#include "model/Model.h"
#include "model/StringTable.h"
#include "platform/EventLoop.h"

namespace {

constexpr wchar_t kAppKey[] = L"Software\\Norvanta\\MT6402 Utility";

bool KeyHasValue(const wchar_t* subKey, const wchar_t* name, DWORD* type = nullptr)
{
    return RegGetValueW(HKEY_CURRENT_USER, subKey, name, RRF_RT_ANY, type, nullptr, nullptr) == ERROR_SUCCESS;
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        frame_ = std::make_unique<CMainFrame>(std::make_unique<CModel>(timers_), &loop_, false);
        window_ = frame_->Create();
        ASSERT_NE(window_, nullptr);
        statusBar_ = frame_->StatusBar();
    }
    void TearDown() override
    {
        if (window_ && IsWindow(window_))
            DestroyWindow(window_);
        frame_.reset();
        PumpMessages();
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }
    void Command(UINT id) { SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool Checked(UINT id) { return (GetMenuState(GetMenu(window_), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    void Report(UINT message, const wchar_t* text)
    {
        SendMessageW(window_, message, 0, reinterpret_cast<LPARAM>(text));
    }

    CEventLoop timers_;
    CMessageLoop loop_;
    std::unique_ptr<CMainFrame> frame_;
    HWND window_ = nullptr;
    HWND statusBar_ = nullptr;
};

TEST_F(MainFrameTest, FirstRunShowsThePortPageAndTheVersionTitle)
{
    EXPECT_EQ(WindowText(window_), L"MT6402 Utility Revision 1.0.0.1");
    EXPECT_EQ(frame_->TabView().ActiveIndex(), 0);
    EXPECT_EQ(frame_->Model().FrameReady.Get(), 1);
    EXPECT_TRUE(frame_->Model().Port.Get().empty());
    // Defaults filled in by loading: the captions and the firmware folder.
    EXPECT_EQ(frame_->Model().CommandCaption.Get(0), L"Macro 1");
    EXPECT_FALSE(frame_->Model().FirmwareFolder.Get().empty());
    // The frame observes the model's values it shows.
    EXPECT_TRUE(frame_->Model().FirmwareStatus.IsAdvised(frame_->Model().NotifyWindow()));
    EXPECT_TRUE(frame_->Model().Port.IsAdvised(frame_->Model().NotifyWindow()));
}

TEST_F(MainFrameTest, MenusHaveTheirItemsAndCommands)
{
    HMENU menu = GetMenu(window_);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    struct Item {
        int menu;
        int position;
        UINT id;
        const wchar_t* text;
    } items[] = {
        {0, 0, ID_APP_EXIT, L"E&xit\tAlt F4"},
        {1, 0, ID_VIEW_STATUS_BAR, L"&Status Bar"},
        {1, 1, ID_VIEW_TRACE, L"&Trace"},
        {1, 2, ID_VIEW_VERBOSE, L"&Verbose Logging"},
        {2, 0, ID_HELP_CONTENTS, L"MT6402 Utility &Help\tF1"},
        {2, 1, ID_HELP_RELEASE_NOTES, L"MT6402 Firmware &Release Notes"},
        {2, 3, ID_APP_ABOUT, L"&About MT6402 Utility"},
    };
    for (const Item& item : items) {
        HMENU popup = GetSubMenu(menu, item.menu);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(GetMenuItemID(popup, item.position), item.id) << item.id;
        wchar_t text[128] = {};
        GetMenuStringW(popup, item.id, text, 128, MF_BYCOMMAND);
        EXPECT_STREQ(text, item.text);
    }
    EXPECT_EQ(GetMenuState(GetSubMenu(menu, 2), 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    wchar_t title[32] = {};
    GetMenuStringW(menu, 0, title, 32, MF_BYPOSITION);
    EXPECT_STREQ(title, L"&File");
    GetMenuStringW(menu, 1, title, 32, MF_BYPOSITION);
    EXPECT_STREQ(title, L"&View");
    GetMenuStringW(menu, 2, title, 32, MF_BYPOSITION);
    EXPECT_STREQ(title, L"&Help");
}

TEST_F(MainFrameTest, ViewTogglesFlipSettingsAndCheckMarks)
{
    EXPECT_TRUE(Checked(ID_VIEW_STATUS_BAR));
    EXPECT_FALSE(Checked(ID_VIEW_TRACE));
    EXPECT_FALSE(Checked(ID_VIEW_VERBOSE));

    Command(ID_VIEW_TRACE);
    EXPECT_EQ(frame_->Model().Trace.Get(), 1);
    EXPECT_TRUE(Checked(ID_VIEW_TRACE));
    Command(ID_VIEW_TRACE);
    EXPECT_EQ(frame_->Model().Trace.Get(), 0);
    EXPECT_FALSE(Checked(ID_VIEW_TRACE));

    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(GetWindowLongPtrW(statusBar_, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(Checked(ID_VIEW_STATUS_BAR));
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(GetWindowLongPtrW(statusBar_, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(Checked(ID_VIEW_STATUS_BAR));
}

TEST_F(MainFrameTest, ReportLinesReachTheStatusBarAndVerboseOnlyWhenSwitchedOn)
{
    Report(WM_REPORT_TEXT, L"Opening Serial Port COM9");
    EXPECT_EQ(StatusBarText(statusBar_), L"Opening Serial Port COM9");

    Report(WM_VERBOSE_TEXT, L"a verbose line");
    EXPECT_EQ(StatusBarText(statusBar_), L"Opening Serial Port COM9");

    Command(ID_VIEW_VERBOSE);
    EXPECT_TRUE(Checked(ID_VIEW_VERBOSE));
    Report(WM_VERBOSE_TEXT, L"a verbose line");
    EXPECT_EQ(StatusBarText(statusBar_), L"a verbose line");

    // A string-table id in place of a text.
    SendMessageW(window_, WM_REPORT_TEXT, 0, static_cast<LPARAM>(IDS_CHOOSE_PORT));
    EXPECT_EQ(StatusBarText(statusBar_), L"Please choose a serial port on the Port page");

    // The loader's end says "Ready"; a firmware-status change with the port closed says so.
    frame_->Model().StatusReset.Notify(0);
    EXPECT_EQ(StatusBarText(statusBar_), L"Ready");
    SendMessageW(window_, WM_MODEL_FIRMWARE_STATUS, 0, 0);
    EXPECT_EQ(StatusBarText(statusBar_), L"Serial Port is closed");
}

TEST_F(MainFrameTest, ReportLinesGoToTheFirmwareLogOnlyWhileItIsShown)
{
    Report(WM_REPORT_TEXT, L"before the log page is shown");
    ASSERT_TRUE(frame_->TabView().SetActivePage(CTabView::LogPageIndex));
    HWND page = frame_->TabView().ActivePage();
    ASSERT_NE(page, nullptr);
    HWND log = GetDlgItem(page, IDC_LOG);
    ASSERT_NE(log, nullptr);
    // The page's own first lines (program and system) are there; the earlier report is not.
    std::wstring header = WindowText(log);
    EXPECT_EQ(header.find(L"before the log page is shown"), std::wstring::npos);

    Report(WM_REPORT_TEXT, L"Attempting to contact MT6402");
    std::wstring text = WindowText(log).substr(header.size() + 2);
    ASSERT_EQ(text.size(), 9u + 28u);
    EXPECT_EQ(text.substr(9), L"Attempting to contact MT6402");
    EXPECT_EQ(text[2], L':');

    ASSERT_TRUE(frame_->TabView().SetActivePage(2));
    Report(WM_REPORT_TEXT, L"not for the log");
    EXPECT_EQ(WindowText(log).find(L"not for the log"), std::wstring::npos);
}

TEST_F(MainFrameTest, TitleFollowsPortAndSerialNumber)
{
    frame_->Model().SerialNumber.Set(123);
    EXPECT_EQ(WindowText(window_), L"MT6402 Utility Revision 1.0.0.1 - S/N 00123");
    // A port that does not exist: the contact attempt fails and the port stays closed.
    CCapturedQuestions answers;
    frame_->Model().Port.Set(L"COM250");
    EXPECT_EQ(WindowText(window_), L"MT6402 Utility Revision 1.0.0.1 - S/N 00123 on COM250 closed");
}

TEST_F(MainFrameTest, FirstShowGivesTheDefaultSizeAsMinimum)
{
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    SIZE size = frame_->DefaultSize();
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    RECT window{};
    GetWindowRect(window_, &window);
    EXPECT_EQ(window.right - window.left, size.cx);
    EXPECT_EQ(window.bottom - window.top, size.cy);
    MINMAXINFO info{};
    SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, size.cx);
    EXPECT_EQ(info.ptMinTrackSize.y, size.cy);
}

TEST_F(MainFrameTest, DestructionSavesPageSettingsAndPlacement)
{
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(frame_->TabView().SetActivePage(2));
    DestroyWindow(window_);
    EXPECT_EQ(frame_->Model().ActivePage.Get(), 2);
    DWORD type = 0;
    EXPECT_TRUE(KeyHasValue(kAppKey, L"ActivePage", &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_TRUE(KeyHasValue(kAppKey, L"CommandCaption1"));
    EXPECT_TRUE(KeyHasValue(kAppKey, L"FirmwareFolder"));
    // Values the user never changed are not written.
    EXPECT_FALSE(KeyHasValue(kAppKey, L"Trace"));
    EXPECT_FALSE(KeyHasValue(kAppKey, L"Port"));
    std::wstring windowKey = std::wstring(kAppKey) + L"\\Window";
    for (const wchar_t* name : {L"flags", L"showCmd", L"minPosX", L"minPosY", L"maxPosX", L"maxPosY", L"bottom",
                                L"left", L"right", L"top"})
        EXPECT_TRUE(KeyHasValue(windowKey.c_str(), name)) << name;
}

TEST_F(MainFrameTest, SavedPlacementIsRestoredAtTheNextStart)
{
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    SetWindowPos(window_, nullptr, 40, 30, frame_->DefaultSize().cx + 50, frame_->DefaultSize().cy + 20,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT saved{};
    GetWindowRect(window_, &saved);
    DestroyWindow(window_);
    frame_.reset();

    frame_ = std::make_unique<CMainFrame>(std::make_unique<CModel>(timers_), &loop_, false);
    window_ = frame_->Create();
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    RECT restored{};
    GetWindowRect(window_, &restored);
    EXPECT_EQ(restored.left, saved.left);
    EXPECT_EQ(restored.top, saved.top);
    EXPECT_EQ(restored.right, saved.right);
    EXPECT_EQ(restored.bottom, saved.bottom);
}

TEST_F(MainFrameTest, ExitClosesTheWindow)
{
    Command(ID_APP_EXIT);
    PumpMessages();
    EXPECT_FALSE(IsWindow(window_));
}

} // namespace
