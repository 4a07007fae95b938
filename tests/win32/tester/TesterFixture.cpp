// The real main frame on a scripted serial port, showing the Command Tester page, for the tester's window tests.
#include "TesterFixture.h"

#include <richedit.h>

#include "GuiEnvironment.h"
#include "MemorySettingsStore.h"
#include "ResourceIds.h"

void TesterFixture::SetUp()
{
    auto port = std::make_unique<FakeSerialPort>();
    port_ = port.get();
    port_->postOnDeliver = true;
    frame_ = std::make_unique<CMainFrame>(
        std::make_unique<CModel>(timers_, std::move(port), std::make_unique<MemorySettingsStore>()), nullptr, false);
    ASSERT_NE(frame_->Create(), nullptr);
    ASSERT_TRUE(frame_->TabView().SetActivePage(2));
    page_ = frame_->TabView().ActivePage();
    ASSERT_NE(page_, nullptr);
    PumpMessages();
}

void TesterFixture::TearDown()
{
    if (frame_) {
        if (IsWindow(frame_->Handle()))
            DestroyWindow(frame_->Handle());
        frame_.reset();
    }
    PumpMessages();
}

void TesterFixture::ModuleAnswers()
{
    ASSERT_TRUE(Model().OpenPort(L"COM9"));
    Model().FirmwareStatus.Set(FirmwareStatusRunning);
    ASSERT_EQ(Model().FirmwareStatus.Get(), FirmwareStatusRunning);
}

void TesterFixture::Click(int id)
{
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

void TesterFixture::Type(const std::wstring& keys)
{
    HWND box = Control(IDC_COMMAND_BOX);
    for (wchar_t key : keys)
        SendMessageW(box, WM_CHAR, key, 1);
}

std::wstring TesterFixture::OutputText() const
{
    return RichEditText(Control(IDC_OUTPUT));
}

long TesterFixture::OutputColour(long first, long last) const
{
    HWND output = Control(IDC_OUTPUT);
    CHARRANGE saved{};
    SendMessageW(output, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE range{first, last};
    SendMessageW(output, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(output, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(output, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    if (!(format.dwMask & CFM_COLOR) || (format.dwEffects & CFE_AUTOCOLOR))
        return -1;
    return static_cast<long>(format.crTextColor);
}
