// An activity log held in a rich-edit control, for AppendLogLine.
#pragma once
#include <windows.h>

#include "model/ActivityLog.h"

// Does not own the control. Lines go in at the end (EM_SETSEL + EM_REPLACESEL); the view follows
// the end only when it showed the end before, by a posted scroll to the bottom.
class CRichEditLogView : public ILogView {
public:
    explicit CRichEditLogView(HWND control = nullptr) : control_(control) {}
    void Attach(HWND control) { control_ = control; }

    bool IsEmpty() override;
    void InsertAtEnd(std::wstring_view text) override;
    bool IsShowingEnd() override;
    void RequestScrollToEnd() override;

private:
    HWND control_;
};
