// The read-only log of a page or dialog: its rich edit with the edit context menu, in "Courier New" 10 points.
#pragma once
#include <windows.h>

#include "ui/GdiFont.h"
#include "ui/RichEditCtrlContext.h"
#include "ui/RichEditLogView.h"

// Owns the wrapper of an existing control of a dialog and its font (deleted with the object, after
// the control has gone); lines go in through View() (see model/ActivityLog.h).
class CLogControl {
public:
    // Subclasses the control, gives it the font and switches automatic link detection off (a log's
    // addresses are text); false for no control.
    bool Attach(HWND control);
    void Detach() { context_.Unsubclass(); }
    HWND Handle() const { return context_.Handle(); }
    CRichEditLogView& View() { return view_; }

private:
    static constexpr int kFontPoints = 10;
    CRichEditCtrlContext context_;
    CRichEditLogView view_;
    CGdiFont font_;
};
