// The Port page inside the main frame: the missing-port box, the device-status box, Close Port, the port choice.
#include "app/MainFrame.h"

#include <gtest/gtest.h>

#include <memory>

#include "GuiEnvironment.h"
#include "ResourceIds.h"
#include "model/Model.h"
#include "platform/EventLoop.h"

namespace {

constexpr wchar_t kAppKey[] = L"Software\\Norvanta\\MT6402 Utility";

class PortPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        frame_ = std::make_unique<CMainFrame>(std::make_unique<CModel>(timers_), nullptr, false);
        ASSERT_NE(frame_->Create(), nullptr);
        ASSERT_EQ(frame_->TabView().ActiveIndex(), 0);
        page_ = frame_->TabView().ActivePage();
        ASSERT_NE(page_, nullptr);
    }
    void TearDown() override
    {
        if (frame_) {
            frame_->Model().PortOpen.Set(0);
            frame_.reset();
        }
        PumpMessages();
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }
    void Click(int id) { SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    CModelBase& Model() { return frame_->Model(); }

    CEventLoop timers_;
    std::unique_ptr<CMainFrame> frame_;
    HWND page_ = nullptr;
};

TEST_F(PortPageTest, TestCommunicationsWithoutPortAsksForOneAndStartsNothing)
{
    CCapturedQuestions answers;
    Click(IDC_TEST_COMMUNICATIONS);
    ASSERT_EQ(answers.questions.size(), 1u);
    EXPECT_EQ(answers.questions[0].caption, L"Select a Serial Port");
    EXPECT_EQ(answers.questions[0].text, L"Please choose a serial port on the Port page");
    EXPECT_EQ(answers.questions[0].flags, MB_FLAG_ICONERROR);
    EXPECT_TRUE(Model().AreMachinesIdle());
    EXPECT_EQ(Model().PortOpen.Get(), 0);
    // The drop-down list was opened for the choice.
    EXPECT_TRUE(SendMessageW(GetDlgItem(page_, IDC_PORT_LIST), CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(PortPageTest, ClosePortFollowsPortOpen)
{
    HWND closePort = GetDlgItem(page_, IDC_CLOSE_PORT);
    EXPECT_FALSE(IsWindowEnabled(closePort));
    Model().PortOpen.Set(1);
    EXPECT_TRUE(IsWindowEnabled(closePort));
    Model().PortOpen.Set(0);
    EXPECT_FALSE(IsWindowEnabled(closePort));
}

TEST_F(PortPageTest, FirmwareStatusChangeWhileShownTellsWhatAnswered)
{
    CCapturedQuestions answers;
    Model().PortOpen.Set(1);
    uint32_t speed = Model().PortSpeed.Get();
    Model().InstalledRevision.Set(123);
    struct Case {
        FIRMWARESTATUS status;
        std::wstring text;
        uint32_t icon;
    } cases[] = {
        {FirmwareStatusRunning, L"MT6402 revision 01.23. RS-232 speed " + std::to_wstring(speed) + L" bit/s.",
         MB_FLAG_ICONINFORMATION},
        {FirmwareStatusLoaderWaiting,
         L"MT6402 waiting for firmware load. RS-232 speed " + std::to_wstring(speed) + L" bit/s.", MB_FLAG_ICONWARNING},
        {FirmwareStatusNone, L"MT6402 is not responding", MB_FLAG_ICONERROR},
    };
    for (const Case& c : cases) {
        answers.questions.clear();
        Model().FirmwareStatus.Set(c.status);
        ASSERT_EQ(answers.questions.size(), 1u) << c.status;
        EXPECT_EQ(answers.questions[0].caption, L"MT6402 Status");
        EXPECT_EQ(answers.questions[0].text, c.text);
        EXPECT_EQ(answers.questions[0].flags, c.icon);
    }
}

TEST_F(PortPageTest, ShowingThePageWithThePortOpenShowsNoBox)
{
    CCapturedQuestions answers;
    ASSERT_TRUE(frame_->TabView().SetActivePage(2));
    Model().PortOpen.Set(1);
    Model().FirmwareStatus.Set(FirmwareStatusRunning);
    ASSERT_TRUE(frame_->TabView().SetActivePage(0));
    EXPECT_TRUE(answers.questions.empty());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page_, IDC_CLOSE_PORT)));
    // While hidden the page does not observe the model.
    ASSERT_TRUE(frame_->TabView().SetActivePage(2));
    Model().FirmwareStatus.Set(FirmwareStatusNone);
    EXPECT_TRUE(answers.questions.empty());
}

TEST_F(PortPageTest, ChoosingAPortFromTheListSetsPort)
{
    HWND list = GetDlgItem(page_, IDC_PORT_LIST);
    // The list comes from the serial device map; put a name in when the test machine has none.
    if (SendMessageW(list, CB_GETCOUNT, 0, 0) == 0)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"COM250"));
    wchar_t first[64] = {};
    SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    CCapturedQuestions answers;
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(Model().Port.Get(), first);
}

} // namespace
