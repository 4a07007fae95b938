// Moves and sizes a dialog's controls by their layout rules when the dialog is resized.
#pragma once
#include <initializer_list>
#include <vector>

#include <windows.h>

#include "ui/Layout.h"

// Set up once the controls exist (dialog initialisation): the current client size and control
// rectangles are the originals. Controls missing from the dialog are skipped.
class CDialogLayout {
public:
    void Setup(HWND dialog, std::initializer_list<LayoutRule> rules);
    void Setup(HWND dialog, const std::vector<LayoutRule>& rules);
    // Lays the controls out for a client area of this size (from WM_SIZE).
    void Arrange(int width, int height);
    // The window size the dialog had at Setup, for the minimum tracking size of a resizable dialog.
    SIZE OriginalWindowSize() const { return originalWindow_; }
    bool IsSetUp() const { return dialog_ != nullptr; }
    // WM_GETMINMAXINFO (lParam) of a resizable dialog: no smaller than it was at Setup. False, and
    // nothing set, before Setup.
    bool LimitMinimumSize(LPARAM minMaxInfo) const;

private:
    HWND dialog_ = nullptr;
    CLayout layout_;
    SIZE originalWindow_{};
};
