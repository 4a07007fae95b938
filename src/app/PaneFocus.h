// F6 and Shift+F6 in the main frame: the keyboard focus between the tab control and the page shown.
#pragma once
#include <windows.h>

class CTabView;

// Remembers where the focus was in the page when F6 left it, and which control had it when the
// frame was deactivated, so that both come back. The tab view must outlive the object.
class CPaneFocus {
public:
    explicit CPaneFocus(CTabView& tabView) : tabView_(tabView) {}

    // The focus goes to the next or previous pane (the status bar takes none).
    void MoveToPane(bool forward);
    // WM_ACTIVATE of `frame`.
    void OnActivate(HWND frame, WPARAM wParam);
    // WM_SETFOCUS of `frame`: the frame takes no keys itself; the focus goes back where it was,
    // else into the page, else to the tab control.
    void OnSetFocus(HWND frame);

private:
    // Where the focus goes in the page shown: the control last left by F6, else the first tab stop.
    HWND PageFocusTarget() const;

    CTabView& tabView_;
    HWND lastPageFocus_ = nullptr;     // the page's control that had the focus when F6 left the page
    HWND focusOnDeactivate_ = nullptr; // the control that had the focus when the frame was deactivated
};
