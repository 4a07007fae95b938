// The program entry: COM, common controls and rich edit, then the main frame and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <utility>

#include "app/MainFrame.h"
#include "model/Model.h"
#include "platform/EventLoop.h"
#include "ui/MessageLoop.h"

namespace {

// COM for this thread, uninitialised once when it was initialised.
class CComInitialization {
public:
    CComInitialization() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComInitialization()
    {
        if (initialized_)
            CoUninitialize();
    }
    CComInitialization(const CComInitialization&) = delete;
    CComInitialization& operator=(const CComInitialization&) = delete;

private:
    bool initialized_;
};

// A loaded library, freed once.
class CLoadedLibrary {
public:
    explicit CLoadedLibrary(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    ~CLoadedLibrary()
    {
        if (module_)
            FreeLibrary(module_);
    }
    CLoadedLibrary(const CLoadedLibrary&) = delete;
    CLoadedLibrary& operator=(const CLoadedLibrary&) = delete;

private:
    HMODULE module_;
};

int Run(int showCommand)
{
    CMessageLoop loop;
    // Window timers on the frame: the machines' state timers arrive as WM_TIMER at the frame.
    CEventLoop timers;
    CMainFrame frame(std::make_unique<CModel>(timers), &loop);
    if (!frame.Create())
        return 0;
    ShowWindow(frame.Handle(), showCommand);
    UpdateWindow(frame.Handle());
    return loop.Run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    CComInitialization com;
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    int result;
    {
        CLoadedLibrary richEdit(L"RICHED20.DLL");
        result = Run(showCommand);
    }
    return result;
}
