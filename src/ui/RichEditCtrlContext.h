// A rich-edit control of a dialog with the standard edit commands on its context menu.
#pragma once
#include <functional>

#include <windows.h>

#include "ui/EditMenuRules.h"

// Subclasses an existing "RichEdit20W" control; the owner keeps the object for the life of the
// dialog (the subclass is removed when the control is destroyed or the object goes away).
// A mouse request for the context menu shows menu 307 with its items enabled by the control's
// state and carries out the chosen command on the control; a keyboard request (no position) is
// left to the control.
class CRichEditCtrlContext {
public:
    CRichEditCtrlContext() = default;
    ~CRichEditCtrlContext();
    CRichEditCtrlContext(const CRichEditCtrlContext&) = delete;
    CRichEditCtrlContext& operator=(const CRichEditCtrlContext&) = delete;

    bool Subclass(HWND control);
    void Unsubclass();
    HWND Handle() const { return control_; }

    // The control's state as the menu sees it.
    EditState QueryState() const;
    // Carries out one of the menu's commands on the control; false for another id.
    bool Execute(UINT command);

    // Shows the menu and returns the chosen command (0 for none). Tests replace it to look at the
    // menu and choose; an empty function restores TrackPopupMenu. Returns the previous one.
    using MenuTracker = std::function<UINT(HMENU menu, POINT screenPoint, HWND owner)>;
    static MenuTracker SetMenuTracker(MenuTracker tracker);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void ShowContextMenu(POINT screenPoint);

    HWND control_ = nullptr;
};
