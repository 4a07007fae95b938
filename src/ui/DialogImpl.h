// A dialog from a template whose messages reach member handlers through one static dialog procedure.
#pragma once
#include <windows.h>

// The object must outlive its window. Handlers return true when they handled the message; the
// result then goes back to the dialog manager (in DWLP_MSGRESULT where the manager expects it).
class CDialogImpl {
public:
    explicit CDialogImpl(UINT templateId) : templateId_(templateId) {}
    virtual ~CDialogImpl();
    CDialogImpl(const CDialogImpl&) = delete;
    CDialogImpl& operator=(const CDialogImpl&) = delete;

    // Runs the dialog modally over the owner (its top-level window is disabled meanwhile); the
    // result given to EndDialog (IDCANCEL when the window went without it), or -1 when the dialog
    // could not be created (the reason is in the last error).
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modeless; null when it failed (the reason is in the last error).
    HWND Create(HWND parent);
    // Ends a modal dialog with the result (it hides at once), or destroys a modeless one.
    void EndDialog(INT_PTR result);

    HWND Handle() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    UINT TemplateId() const { return templateId_; }

    // The dialog procedure shared by all dialogs; `lParam` of WM_INITDIALOG is the object.
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Every message, first; the default routes to the handlers below.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Returns true to let the dialog manager set the default focus.
    virtual bool OnInitDialog() { return true; }
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    virtual void OnSize(int /*width*/, int /*height*/) {}
    virtual void OnDestroy() {}
    // After the last message of the window; the object may delete itself here.
    virtual void OnFinalMessage() {}

    // Centres the dialog on its owner, or on the work area when it has none, keeping it inside the
    // work area of the owner's monitor.
    void CentreWindow();

    // Attaches the object to its window; called from the first message that carries the object.
    static INT_PTR Route(CDialogImpl* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    UINT templateId_;
    HWND window_ = nullptr;
    bool modal_ = false;
    void EnableOwner();

    HWND disabledOwner_ = nullptr; // the window a modal dialog disabled, until it is enabled again
    bool ended_ = false;       // a modal dialog's EndDialog was called
    INT_PTR result_ = IDCANCEL; // and its result
};
