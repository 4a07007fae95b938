// Drives modal dialogs from inside their modal loops: each step waits for its dialog and acts on it.
#include "DialogScript.h"

#include "GuiEnvironment.h"

namespace {

DialogScript* running = nullptr;

bool IsDialogClass(HWND window)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return lstrcmpW(className, L"#32770") == 0;
}

std::vector<HWND> ThreadTopLevelDialogs()
{
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            if (IsDialogClass(window))
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

DialogScript::DialogScript(std::vector<Step> steps, DWORD timeoutMs)
    : steps_(std::move(steps)), timeoutMs_(timeoutMs), waitingSince_(GetTickCount())
{
    running = this;
    timer_ = SetTimer(nullptr, 0, 10, OnTimer);
}

DialogScript::~DialogScript()
{
    KillTimer(nullptr, timer_);
    running = nullptr;
}

void CALLBACK DialogScript::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (running)
        running->Tick();
}

void DialogScript::Tick()
{
    if (next_ >= steps_.size())
        return;
    HWND dialog = FindThreadDialog(steps_[next_].title);
    if (!dialog) {
        if (GetTickCount() - waitingSince_ > timeoutMs_)
            for (HWND window : ThreadTopLevelDialogs())
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    // The step counts as run before its action, which may open the next dialog and so come back here.
    Action action = std::move(steps_[next_].action);
    ++next_;
    action(dialog);
    waitingSince_ = GetTickCount();
}

HWND FindThreadDialog(const std::wstring& title)
{
    for (HWND window : ThreadDialogs(title))
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

std::vector<HWND> ThreadDialogs(const std::wstring& title)
{
    std::vector<HWND> matching;
    for (HWND window : ThreadTopLevelDialogs())
        if (WindowText(window) == title)
            matching.push_back(window);
    return matching;
}

void PressButton(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
