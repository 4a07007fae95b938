// The Command Tester page: type commands or press macro buttons, send them to the module, see its replies.
#pragma once
#include <string>
#include <string_view>

#include <windows.h>
#include <richedit.h>

#include "ui/CommandTesterRules.h"
#include "ui/DialogLayout.h"
#include "ui/GdiFont.h"
#include "ui/PropertyPage.h"
#include "ui/RichEditCtrlContext.h"
#include "ui/WindowTarget.h"

class CModelBase;

// Observes CommandCaption and FirmwareStatus while shown; its controls are enabled exactly while
// something answers on the port (FirmwareStatus non-zero). The main frame hands it WM_COMM_EVENT
// only while no machine runs; the page then reads and shows what arrived. The model must outlive
// the page.
class CCommandTesterPage : public CPropertyPageImpl, private ICommandOutput {
public:
    explicit CCommandTesterPage(CModelBase& model);
    ~CCommandTesterPage() override;

    // Sends the text unchanged and shows it in the output; afterwards the keyboard focus goes to
    // `focusTarget` (the control that started the send) when that is a window. Nothing happens
    // for an empty text or while nothing answers on the port.
    void Send(const std::wstring& text, HWND focusTarget);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroy() override;

private:
    void Append(std::wstring_view text, OutputKind kind) override;

    void StartObserving();
    void StopObserving();
    void EnableControls(bool enable);
    void CreateToolTips();
    void ClearOutput();
    void RunMacroEditor();
    std::wstring CommandBoxText() const;

    // Enter in the command box sends its text and is not inserted into the box.
    static LRESULT CALLBACK CommandBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR data);

    CModelBase& model_;
    CGdiFont font_;
    CHARFORMAT2W sentFormat_{};
    CHARFORMAT2W receivedFormat_{};
    HWND commandBox_ = nullptr;
    CRichEditCtrlContext output_;
    HWND toolTip_ = nullptr;
    HWND focusTarget_ = nullptr;
    bool observing_ = false;
    CWindowTarget target_;
    CDialogLayout layout_;
};
