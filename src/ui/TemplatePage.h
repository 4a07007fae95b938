// A property page that shows its dialog template with its resize rules, its help topic and, when the
// template has one, an activity log that takes the lines the main frame forwards to the page shown.
#pragma once
#include <string>
#include <vector>

#include "ui/DialogLayout.h"
#include "ui/PropertyPage.h"
#include "ui/RichEditCtrlContext.h"
#include "ui/RichEditLogView.h"

// Used for the pages whose own behaviour is not built yet: the user sees the page as it will be,
// its log and its help work, and its buttons do nothing.
class CTemplatePage : public CPropertyPageImpl {
public:
    CTemplatePage(UINT templateId, std::vector<LayoutRule> rules, std::wstring helpTopic, int logId = 0);

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    std::vector<LayoutRule> rules_;
    std::wstring helpTopic_;
    int logId_;
    CDialogLayout layout_;
    CRichEditCtrlContext logControl_;
    CRichEditLogView log_;
};
