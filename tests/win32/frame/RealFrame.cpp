// The program's real frame for window tests on COM ports of simulated modules.
#include "RealFrame.h"

#include "GuiEnvironment.h"
#include "machines/StateMachine.h"
#include "model/Model.h"

namespace {

constexpr wchar_t kDeviceMap[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

std::wstring DeviceMapName(const std::wstring& port) { return L"\\Device\\MtTest" + port; }

} // namespace

CListedPorts::CListedPorts(std::vector<std::wstring> ports) : ports_(std::move(ports))
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDeviceMap, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    listed_ = true;
    for (const std::wstring& port : ports_)
        listed_ = listed_ && RegSetValueExW(key, DeviceMapName(port).c_str(), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(port.c_str()),
                                            static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
}

CListedPorts::~CListedPorts()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceMap, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const std::wstring& port : ports_)
        RegDeleteValueW(key, DeviceMapName(port).c_str());
    RegCloseKey(key);
}

void SaveString(const wchar_t* name, const std::wstring& text)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kAppKey, name, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SaveNumber(const wchar_t* name, DWORD number)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kAppKey, name, REG_DWORD, &number, sizeof number);
}

bool CRealFrame::Start(bool show)
{
    frame_ = std::make_unique<CMainFrame>(std::make_unique<CModel>(timers_), &loop_, false);
    window_ = frame_->Create();
    if (!window_)
        return false;
    if (show)
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    return true;
}

void CRealFrame::Destroy()
{
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
    window_ = nullptr;
    frame_.reset();
    PumpMessages();
}

bool CRealFrame::RunUntil(const std::function<bool()>& done, const std::function<void()>& each,
                          std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!loop_.PreTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (each)
                each();
        }
        if (done())
            return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
    }
}

bool CRealFrame::ContactDone()
{
    IContactStateMachine* contact = Model().ContactMachine();
    return contact && contact->IsComplete();
}

bool CRealFrame::WaitForModule()
{
    return RunUntil([this] { return ContactDone() && Model().FirmwareStatus.Get() == FirmwareStatusRunning; });
}
