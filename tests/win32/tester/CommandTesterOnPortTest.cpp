// The Command Tester page in the real frame on the real serial port, talking to the module simulator on COM9.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "FakeTimerHost.h"
#include "GuiEnvironment.h"
#include "MemorySettingsStore.h"
#include "ResourceIds.h"
#include "app/MainFrame.h"
#include "model/Model.h"
#include "serial/SerialPort.h"

namespace {

constexpr const wchar_t* kModule = L"COM9"; // the simulator, firmware revision 1.12

class CommandTesterOnPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame_ = std::make_unique<CMainFrame>(std::make_unique<CModel>(timers_, std::make_unique<CSerialPort>(),
                                                                       std::make_unique<MemorySettingsStore>()),
                                              nullptr, false);
        ASSERT_NE(frame_->Create(), nullptr);
        ASSERT_TRUE(frame_->TabView().SetActivePage(2));
        page_ = frame_->TabView().ActivePage();
        ASSERT_TRUE(frame_->Model().OpenPort(kModule)) << "the simulator is not linked in as COM9";
        frame_->Model().FirmwareStatus.Set(FirmwareStatusRunning);
    }
    void TearDown() override
    {
        if (frame_) {
            frame_->Model().ClosePort();
            DestroyWindow(frame_->Handle());
            frame_.reset();
        }
        PumpMessages();
    }

    std::wstring OutputText() const
    {
        return RichEditText(GetDlgItem(page_, IDC_OUTPUT));
    }
    void Type(const std::wstring& keys)
    {
        for (wchar_t key : keys)
            SendMessageW(GetDlgItem(page_, IDC_COMMAND_BOX), WM_CHAR, key, 1);
    }
    // Runs the message loop until the output shows `expected` or the time is up; the serial port's
    // waiter thread posts WM_COMM_EVENT to the frame when the reply arrives.
    bool WaitForOutput(const std::wstring& expected, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            PumpMessages();
            if (OutputText() == expected)
                return true;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        }
    }

    FakeTimerHost timers_;
    std::unique_ptr<CMainFrame> frame_;
    HWND page_ = nullptr;
};

TEST_F(CommandTesterOnPort, TypedCommandsGoToTheModuleAndItsRepliesAppear)
{
    Type(L"V\r");
    EXPECT_TRUE(WaitForOutput(L"V\rV1.12;")) << OutputText();
    // A poll sent by its own semicolon; the module answers with one.
    Type(L";");
    EXPECT_TRUE(WaitForOutput(L"V\rV1.12;;\r;")) << OutputText();
}

} // namespace
