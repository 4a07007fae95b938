// Drives a whole firmware load through the Windows program's real frame, Firmware page and loader dialog.
//
//   bench_window_load PORT FIRMWARE_FOLDER
//
// Starts the program's frame as the program does (real model, serial port, registry, window timers),
// with PORT and FIRMWARE_FOLDER as its saved settings and the Firmware page shown, waits for the
// module to answer, presses "Send Firmware to MT6402" with a window message and waits for the
// module to report the new revision. Exit status 0 when it reports the revision of the folder's
// firmware file; the settings key is removed again at the end.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "ResourceIds.h"
#include "app/MainFrame.h"
#include "firmware/FirmwareFiles.h"
#include "machines/StateMachine.h"
#include "model/Model.h"
#include "platform/EventLoop.h"
#include "ui/MessageLoop.h"

namespace {

constexpr wchar_t kAppKey[] = L"Software\\Norvanta\\MT6402 Utility";

void SaveValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kAppKey, name, type, data, size);
}

// Runs the thread's messages through the program's filters until `done` holds or `seconds` pass.
bool RunUntil(CMessageLoop& loop, const std::function<bool()>& done, int seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!loop.PreTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (done())
            return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

int Drive(const std::wstring& port, const std::wstring& folder)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    SaveValue(L"Port", REG_SZ, port.c_str(), static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
    SaveValue(L"FirmwareFolder", REG_SZ, folder.c_str(), static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    const DWORD firmwarePage = 1;
    SaveValue(L"ActivePage", REG_DWORD, &firmwarePage, sizeof firmwarePage);

    CMessageLoop loop;
    CEventLoop timers;
    CMainFrame frame(std::make_unique<CModel>(timers), &loop, false);
    if (!frame.Create()) {
        std::fprintf(stderr, "bench_window_load: the frame was not created\n");
        return 1;
    }
    ShowWindow(frame.Handle(), SW_SHOWNOACTIVATE);
    CModelBase& model = frame.Model();
    const auto answering = [&model] {
        IContactStateMachine* contact = model.ContactMachine();
        return contact && contact->IsComplete() && model.FirmwareStatus.Get() == FirmwareStatusRunning;
    };
    if (!RunUntil(loop, answering, 30)) {
        std::fprintf(stderr, "bench_window_load: the module did not answer on %ls\n", port.c_str());
        return 1;
    }
    HWND page = frame.TabView().ActivePage();
    HWND send = page ? GetDlgItem(page, IDC_SEND_FIRMWARE) : nullptr;
    if (!send || !IsWindowEnabled(send)) {
        std::fprintf(stderr, "bench_window_load: Send Firmware is not offered\n");
        return 1;
    }
    // The whole command: the loader dialog runs modally inside it.
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_SEND_FIRMWARE, BN_CLICKED), reinterpret_cast<LPARAM>(send));
    CFirmwareFiles files(&model);
    files.Scan(folder);
    const uint16_t expected = files.GetFirmwareFile().GetRevision();
    const bool loaded = RunUntil(loop, answering, 30) && model.InstalledRevision.Get() == expected;
    std::printf("bench_window_load: module reports %u, file %u\n", model.InstalledRevision.Get(), expected);
    DestroyWindow(frame.Handle());
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    return loaded ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_window_load PORT FIRMWARE_FOLDER\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HMODULE richEdit = LoadLibraryW(L"RICHED20.DLL");
    const int result = Drive(argv[1], argv[2]);
    if (richEdit)
        FreeLibrary(richEdit);
    CoUninitialize();
    return result;
}
