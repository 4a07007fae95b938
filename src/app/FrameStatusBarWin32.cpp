// The main frame's status bar: the last activity line, and a menu command's prompt while it is highlighted.
#include "app/FrameStatusBar.h"

#include <commctrl.h>

#include "model/StringTable.h"

namespace {

// A prompt string is "status line text\ntooltip text"; the status line shows the first part.
std::wstring StatusPrompt(UINT id)
{
    std::wstring text = LoadStringResource(id);
    return text.substr(0, text.find(L'\n'));
}

} // namespace

bool CFrameStatusBar::Create(HWND frame, int controlId, const std::wstring& text)
{
    bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, text.c_str(),
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SBARS_SIZEGRIP, 0, 0, 0, 0,
                           frame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), GetModuleHandleW(nullptr),
                           nullptr);
    return bar_ != nullptr;
}

bool CFrameStatusBar::IsShown() const { return bar_ && (GetWindowLongPtrW(bar_, GWL_STYLE) & WS_VISIBLE) != 0; }

void CFrameStatusBar::Toggle() { ShowWindow(bar_, IsShown() ? SW_HIDE : SW_SHOW); }

int CFrameStatusBar::Height() const
{
    if (!IsShown())
        return 0;
    RECT bar{};
    GetWindowRect(bar_, &bar);
    return bar.bottom - bar.top;
}

int CFrameStatusBar::Layout()
{
    if (IsShown())
        SendMessageW(bar_, WM_SIZE, 0, 0);
    return Height();
}

void CFrameStatusBar::ShowLine(const std::wstring& text)
{
    if (menuHelpShown_)
        textBeforeMenu_ = text;
    else
        SendMessageW(bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CFrameStatusBar::OnMenuSelect(UINT id, UINT flags, HMENU menu)
{
    if (flags == 0xFFFF && !menu) {
        EndMenuHelp();
        return;
    }
    if (!menuHelpShown_) {
        LRESULT length = SendMessageW(bar_, SB_GETTEXTLENGTHW, 0, 0);
        textBeforeMenu_.assign(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
        SendMessageW(bar_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(textBeforeMenu_.data()));
        textBeforeMenu_.resize(LOWORD(length));
        menuHelpShown_ = true;
    }
    std::wstring prompt = (flags & (MF_POPUP | MF_SEPARATOR)) ? std::wstring() : StatusPrompt(id);
    const std::wstring& shown = prompt.empty() ? textBeforeMenu_ : prompt;
    SendMessageW(bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(shown.c_str()));
}

void CFrameStatusBar::EndMenuHelp()
{
    if (!menuHelpShown_)
        return;
    menuHelpShown_ = false;
    SendMessageW(bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(textBeforeMenu_.c_str()));
}
