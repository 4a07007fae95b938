// A rich-edit control of a dialog with the standard edit commands on its context menu.
#include "ui/RichEditCtrlContext.h"

#include <commctrl.h>
#include <richedit.h>
#include <windowsx.h>

#include <utility>

#include "ResourceIds.h"
#include "platform/LastError.h"

namespace {

constexpr UINT_PTR kSubclassId = 307;
constexpr UINT kMenuCommands[] = {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR,
                                  ID_EDIT_SELECT_ALL};

CRichEditCtrlContext::MenuTracker& Tracker()
{
    static CRichEditCtrlContext::MenuTracker tracker;
    return tracker;
}

// A point on no monitor is moved horizontally into the nearest monitor, so the menu stays visible.
POINT KeepOnMonitor(POINT point)
{
    if (MonitorFromPoint(point, MONITOR_DEFAULTTONULL))
        return point;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info))
        point.x = ClampIntoExtent(point.x, info.rcMonitor.left, info.rcMonitor.right);
    return point;
}

// Owns a loaded menu and destroys it (with its submenus) once.
class CMenuHandle {
public:
    explicit CMenuHandle(HMENU menu) : menu_(menu) {}
    ~CMenuHandle()
    {
        if (menu_)
            DestroyMenu(menu_);
    }
    CMenuHandle(const CMenuHandle&) = delete;
    CMenuHandle& operator=(const CMenuHandle&) = delete;
    HMENU Get() const { return menu_; }

private:
    HMENU menu_;
};

} // namespace

CRichEditCtrlContext::~CRichEditCtrlContext() { Unsubclass(); }

bool CRichEditCtrlContext::Subclass(HWND control)
{
    Unsubclass();
    if (!control || !SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        SetLastErrorCode(control ? GetLastError() : ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    control_ = control;
    return true;
}

void CRichEditCtrlContext::Unsubclass()
{
    if (control_ && IsWindow(control_))
        RemoveWindowSubclass(control_, SubclassProc, kSubclassId);
    control_ = nullptr;
}

CRichEditCtrlContext::MenuTracker CRichEditCtrlContext::SetMenuTracker(MenuTracker tracker)
{
    return std::exchange(Tracker(), std::move(tracker));
}

EditState CRichEditCtrlContext::QueryState() const
{
    EditState state;
    CHARRANGE selection{};
    SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    state.hasSelection = selection.cpMin != selection.cpMax;
    state.canUndo = SendMessageW(control_, EM_CANUNDO, 0, 0) != 0;
    state.canPaste = SendMessageW(control_, EM_CANPASTE, 0, 0) != 0;
    state.readOnly = (GetWindowLongPtrW(control_, GWL_STYLE) & ES_READONLY) != 0;
    return state;
}

bool CRichEditCtrlContext::Execute(UINT command)
{
    switch (command) {
    case ID_EDIT_UNDO:
        SendMessageW(control_, EM_UNDO, 0, 0);
        return true;
    case ID_EDIT_CUT:
        SendMessageW(control_, WM_CUT, 0, 0);
        return true;
    case ID_EDIT_COPY:
        SendMessageW(control_, WM_COPY, 0, 0);
        return true;
    case ID_EDIT_PASTE:
        SendMessageW(control_, WM_PASTE, 0, 0);
        return true;
    case ID_EDIT_CLEAR:
        SendMessageW(control_, WM_CLEAR, 0, 0);
        return true;
    case ID_EDIT_SELECT_ALL:
        SendMessageW(control_, EM_SETSEL, 0, -1);
        return true;
    default:
        return false;
    }
}

void CRichEditCtrlContext::ShowContextMenu(POINT screenPoint)
{
    CMenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_EDIT_CONTEXT)));
    HMENU popup = menu.Get() ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup)
        return;
    EditState state = QueryState();
    for (UINT command : kMenuCommands)
        EnableMenuItem(popup, command, MF_BYCOMMAND | (IsEditCommandEnabled(command, state) ? MF_ENABLED : MF_GRAYED));
    POINT at = KeepOnMonitor(screenPoint);
    UINT chosen = 0;
    if (Tracker())
        chosen = Tracker()(popup, at, control_);
    else
        chosen = static_cast<UINT>(
            TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                           control_, nullptr));
    // Only a command the menu offered enabled is carried out.
    if (chosen && IsEditCommandEnabled(chosen, state))
        Execute(chosen);
}

LRESULT CALLBACK CRichEditCtrlContext::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                    UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<CRichEditCtrlContext*>(data);
    switch (message) {
    case WM_CONTEXTMENU:
        // A keyboard request (Shift+F10, the menu key) has no position: the control's own handling.
        // Its coordinates are -1, -1 (lParam 0xFFFFFFFF, or -1 when sign-extended).
        if (static_cast<uint32_t>(lParam) == 0xFFFFFFFFu)
            break;
        self->ShowContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_SETCURSOR:
        // As other child controls do, the parent decides first (the loader dialog's wait cursor);
        // the rich edit sets its own cursor only when the parent leaves it.
        if (HWND parent = GetParent(window); parent && SendMessageW(parent, WM_SETCURSOR, wParam, lParam))
            return TRUE;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, SubclassProc, kSubclassId);
        self->control_ = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
