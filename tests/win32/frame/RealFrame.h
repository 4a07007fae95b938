// The program's real frame for window tests on COM ports of simulated modules: listed ports, saved settings, the message loop.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "app/MainFrame.h"
#include "platform/EventLoop.h"
#include "ui/MessageLoop.h"

// The application key the program keeps its settings under.
inline constexpr wchar_t kAppKey[] = L"Software\\Norvanta\\MT6402 Utility";

// Lists COM ports in the serial device map, as the system lists the ports it has, for the life of
// the object. The key is volatile: Wine keeps it for the running server only.
class CListedPorts {
public:
    explicit CListedPorts(std::vector<std::wstring> ports);
    ~CListedPorts();
    CListedPorts(const CListedPorts&) = delete;
    CListedPorts& operator=(const CListedPorts&) = delete;
    bool Listed() const { return listed_; }

private:
    std::vector<std::wstring> ports_;
    bool listed_ = false;
};

// Settings of an earlier run, as the program would find them in the application key.
void SaveString(const wchar_t* name, const std::wstring& text);
void SaveNumber(const wchar_t* name, DWORD number);

// The program's start: the real model (serial port, application key, contact machine) with window
// timers on the frame, and the program's message loop with its filters.
class CRealFrame {
public:
    ~CRealFrame() { Destroy(); }

    // Creates the frame and, with `show`, shows it. False when it could not be created. (Under Wine
    // without a window manager, destroying a shown window waits 2 s for the manager's answer; cases
    // that need no placement keep the frame hidden.)
    bool Start(bool show = true);
    void Destroy();

    CMainFrame& Frame() { return *frame_; }
    CModelBase& Model() { return frame_->Model(); }
    HWND Window() const { return window_; }

    // Runs the message loop (filters first, as the program's own loop does) until `done` holds or the
    // time is up; `each` is called after every message.
    bool RunUntil(const std::function<bool()>& done, const std::function<void()>& each = {},
                  std::chrono::milliseconds limit = std::chrono::seconds(10));
    // The contact machine has ended its conversation.
    bool ContactDone();
    // Runs until the contact has ended with the module's firmware answering.
    bool WaitForModule();

private:
    CEventLoop timers_;
    CMessageLoop loop_;
    std::unique_ptr<CMainFrame> frame_;
    HWND window_ = nullptr;
};
