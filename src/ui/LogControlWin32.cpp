// The read-only log of a page or dialog.
#include "ui/LogControl.h"

#include <richedit.h>

bool CLogControl::Attach(HWND control)
{
    if (!control)
        return false;
    context_.Subclass(control);
    view_.Attach(control);
    font_ = CGdiFont::CreateFixedFont(L"Courier New", kFontPoints);
    if (font_.Get())
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    SendMessageW(control, EM_AUTOURLDETECT, FALSE, 0);
    return true;
}
