// A property page that shows its dialog template, with resizing, help and an optional activity log.
#include "ui/TemplatePage.h"

#include <richedit.h>

#include "app/Help.h"
#include "platform/MessageTarget.h"

CTemplatePage::CTemplatePage(UINT templateId, std::vector<LayoutRule> rules, std::wstring helpTopic, int logId)
    : CPropertyPageImpl(templateId), rules_(std::move(rules)), helpTopic_(std::move(helpTopic)), logId_(logId)
{
}

bool CTemplatePage::OnInitDialog()
{
    if (logId_ != 0) {
        if (HWND log = Item(logId_)) {
            logControl_.Subclass(log);
            SendMessageW(log, EM_AUTOURLDETECT, FALSE, 0);
            SendMessageW(log, EM_EXLIMITTEXT, 0, 0x200000);
            log_.Attach(log);
        }
    }
    layout_.Setup(Handle(), std::vector<LayoutRule>(rules_));
    return true;
}

bool CTemplatePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SIZE:
        layout_.Arrange(LOWORD(lParam), HIWORD(lParam));
        return false;
    case WM_HELP:
        ShowHelpTopic(Handle(), helpTopic_.c_str());
        result = TRUE;
        return true;
    case WM_REPORT_TO_PAGE:
        if (logControl_.Handle() && lParam)
            AppendLogLine(log_, reinterpret_cast<const wchar_t*>(lParam));
        result = 0;
        return true;
    default:
        return CPropertyPageImpl::OnMessage(message, wParam, lParam, result);
    }
}
