// The Edit Macros dialog: the labels and texts of the sixteen macro buttons of the Command Tester page.
#pragma once
#include <windows.h>

#include "ui/DialogImpl.h"
#include "ui/DialogLayout.h"
#include "ui/WindowTarget.h"

class CModelBase;

// Modal. Its edits are filled from CommandCaption and CommandText when it is first shown; "Save"
// stores all sixteen rows (each entry notified, changed or not) and ends with 1; "Cancel" stores
// nothing and ends with 2. The model must outlive the dialog.
class CEditCommandMacrosDlg : public CDialogImpl {
public:
    explicit CEditCommandMacrosDlg(CModelBase& model);
    ~CEditCommandMacrosDlg() override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroy() override;

private:
    void StartObserving();
    void StopObserving();
    void Save();

    CModelBase& model_;
    CWindowTarget target_;
    CDialogLayout layout_;
    bool shown_ = false;
};
