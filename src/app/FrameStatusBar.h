// The main frame's status bar: the last activity line, and a menu command's prompt while it is highlighted.
#pragma once
#include <string>

#include <windows.h>

// The bar is a child of the frame, destroyed with it. While a menu shows its prompts, activity
// lines are kept and come back when the menu closes.
class CFrameStatusBar {
public:
    // Creates the bar (visible, with a size grip) saying `text`; false when it could not be created.
    bool Create(HWND frame, int controlId, const std::wstring& text);

    HWND Handle() const { return bar_; }
    // The bar's own visible style (IsWindowVisible also asks the frame, which may be hidden).
    bool IsShown() const;
    void Toggle();
    // Its height when shown, else 0.
    int Height() const;
    // Lays the bar out along the frame's bottom; Height() afterwards.
    int Layout();

    // An activity line for the bar.
    void ShowLine(const std::wstring& text);
    // WM_MENUSELECT and WM_EXITMENULOOP of the frame.
    void OnMenuSelect(UINT id, UINT flags, HMENU menu);
    void EndMenuHelp();

private:
    HWND bar_ = nullptr;
    bool menuHelpShown_ = false;
    std::wstring textBeforeMenu_; // the line to put back when the menu closes
};
