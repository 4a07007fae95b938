// The real main frame on a scripted port with in-memory settings, for the information windows' tests.
#include "FrameFixture.h"

#include <richedit.h>

#include "FakeSerialPort.h"
#include "MemorySettingsStore.h"
#include "ResourceIds.h"
#include "model/Model.h"
#include "ui/RichEditCtrlContext.h"

void FrameFixture::SetUp()
{
    previousHandler_ = SetUserQuestionHandler([this](const UserQuestion& question) {
        HWND owner = question.owner ? static_cast<HWND>(question.owner->NativeHandle()) : nullptr;
        questions_.push_back(
            {owner, owner ? WindowText(owner) : std::wstring(), question.text, question.caption, question.flags});
        return ANSWER_OK;
    });
    frame_ = std::make_unique<CMainFrame>(
        std::make_unique<CModel>(timers_, std::make_unique<FakeSerialPort>(), std::make_unique<MemorySettingsStore>()),
        &loop_, false);
    ASSERT_NE(frame_->Create(), nullptr);
    Pump();
}

void FrameFixture::TearDown()
{
    if (frame_) {
        if (IsWindow(Frame()))
            DestroyWindow(Frame());
        frame_.reset();
    }
    Pump();
    SetUserQuestionHandler(previousHandler_);
}

void FrameFixture::Command(UINT id) { SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void FrameFixture::Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (loop_.PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

RECT ControlRect(HWND dialog, int id)
{
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

POINT WindowCentre(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool OffersEditMenu(HWND control)
{
    bool shown = false;
    CRichEditCtrlContext::MenuTracker previous =
        CRichEditCtrlContext::SetMenuTracker([&shown](HMENU menu, POINT, HWND) -> UINT {
            shown = GetMenuItemID(menu, GetMenuItemCount(menu) - 1) == ID_EDIT_SELECT_ALL;
            return 0;
        });
    RECT r{};
    GetWindowRect(control, &r);
    SendMessageW(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), MAKELPARAM(r.left + 10, r.top + 10));
    CRichEditCtrlContext::SetMenuTracker(previous);
    return shown;
}

bool IsBold(HWND richEdit, long first, long last)
{
    CHARRANGE saved{};
    SendMessageW(richEdit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE range{first, last};
    SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(richEdit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
}
