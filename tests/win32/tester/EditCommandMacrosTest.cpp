// The Edit Macros dialog run modally from the Command Tester page: filling, Save, Cancel, Help, resizing.
#include "ui/EditCommandMacrosDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "GuiEnvironment.h"
#include "RecordingTarget.h"
#include "ResourceIds.h"
#include "TesterFixture.h"

namespace {

// Runs an action on the Edit Macros dialog from inside its modal loop: a thread timer looks for
// the dialog and hands it to the action once it is shown.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(HWND)> action)
    {
        Action() = std::move(action);
        timer_ = SetTimer(nullptr, 0, 10, OnTimer);
    }
    ~ModalDriver()
    {
        KillTimer(nullptr, timer_);
        Action() = {};
    }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    static bool ran;

private:
    static std::function<void(HWND)>& Action()
    {
        static std::function<void(HWND)> action;
        return action;
    }
    static HWND FindEditor()
    {
        HWND found = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM data) -> BOOL {
                wchar_t className[16] = {};
                GetClassNameW(window, className, 16);
                if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window) &&
                    WindowText(window) == L"Edit Macros") {
                    *reinterpret_cast<HWND*>(data) = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
    {
        HWND editor = FindEditor();
        if (!editor || !Action())
            return;
        KillTimer(nullptr, id);
        auto action = std::move(Action());
        Action() = {};
        ran = true;
        action(editor);
    }

    UINT_PTR timer_ = 0;
};

bool ModalDriver::ran = false;

void ClickIn(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

class EditCommandMacrosTest : public TesterFixture {
protected:
    void SetUp() override
    {
        TesterFixture::SetUp();
        ModalDriver::ran = false;
        for (size_t i = 0; i < 16; ++i)
            Model().CommandText.Set(i, L"T" + std::to_wstring(i + 1) + L";");
        Model().CommandCaption.Set(2, L"Freq");
    }
};

TEST_F(EditCommandMacrosTest, OpensFilledFromTheModelAndSaveStoresAndNotifiesEveryEntry)
{
    RecordingTarget observer;
    Model().CommandCaption.Advise(&observer);
    Model().CommandText.Advise(&observer);
    observer.messages.clear();
    std::wstring firstLabel, thirdLabel, lastText;
    ModalDriver driver([&](HWND editor) {
        firstLabel = ItemText(editor, 3001);
        thirdLabel = ItemText(editor, 3003);
        lastText = ItemText(editor, 3116);
        SetDlgItemTextW(editor, 3003, L"Band");
        SetDlgItemTextW(editor, 3103, L"BN1;");
        SetDlgItemTextW(editor, 3016, L"");
        ClickIn(editor, IDOK);
    });
    ModuleAnswers();
    Click(IDC_EDIT_MACROS);
    ASSERT_TRUE(ModalDriver::ran);
    EXPECT_EQ(firstLabel, L"Macro 1");
    EXPECT_EQ(thirdLabel, L"Freq");
    EXPECT_EQ(lastText, L"T16;");

    EXPECT_EQ(Model().CommandCaption.Get(2), L"Band");
    EXPECT_EQ(Model().CommandText.Get(2), L"BN1;");
    EXPECT_EQ(Model().CommandCaption.Get(15), L"");
    EXPECT_EQ(Model().CommandCaption.Get(0), L"Macro 1");
    EXPECT_EQ(Model().CommandText.Get(0), L"T1;");
    // All 32 entries were notified, changed or not, row by row.
    ASSERT_EQ(observer.messages.size(), 32u);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(observer.messages[2 * i].message, WM_MODEL_COMMAND_CAPTION);
        EXPECT_EQ(observer.messages[2 * i].wParam, i);
        EXPECT_EQ(observer.messages[2 * i + 1].message, WM_MODEL_COMMAND_TEXT);
        EXPECT_EQ(observer.messages[2 * i + 1].wParam, i);
    }
    // The page's buttons took the new labels, and the new macro text is what the button sends.
    EXPECT_EQ(WindowText(Control(IDC_MACRO_FIRST + 2)), L"Band");
    EXPECT_EQ(WindowText(Control(IDC_MACRO_LAST)), L"");
    Click(IDC_MACRO_FIRST + 2);
    EXPECT_EQ(port_->written, "BN1;");
    EXPECT_EQ(OutputText(), L"BN1;\r");
    port_->Deliver("OK;");
    PumpMessages();
    EXPECT_EQ(OutputText(), L"BN1;\rOK;");
    Model().CommandCaption.Unadvise(&observer);
    Model().CommandText.Unadvise(&observer);
}

TEST_F(EditCommandMacrosTest, CancelStoresNothingEvenAfterEdits)
{
    RecordingTarget observer;
    Model().CommandCaption.Advise(&observer);
    Model().CommandText.Advise(&observer);
    observer.messages.clear();
    CEditCommandMacrosDlg editor(Model());
    POINT editorCentre{}, frameCentre{};
    ModalDriver driver([&](HWND dialog) {
        RECT r{};
        GetWindowRect(dialog, &r);
        editorCentre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        GetWindowRect(frame_->Handle(), &r);
        frameCentre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        SetDlgItemTextW(dialog, 3001, L"Changed");
        SetDlgItemTextW(dialog, 3101, L"X;");
        ClickIn(dialog, IDCANCEL);
    });
    EXPECT_EQ(editor.DoModal(frame_->Handle()), 2);
    ASSERT_TRUE(ModalDriver::ran);
    // Centred on its owner, the main frame.
    EXPECT_NEAR(editorCentre.x, frameCentre.x, 1);
    EXPECT_NEAR(editorCentre.y, frameCentre.y, 1);
    EXPECT_EQ(Model().CommandCaption.Get(0), L"Macro 1");
    EXPECT_EQ(Model().CommandText.Get(0), L"T1;");
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(WindowText(Control(IDC_MACRO_FIRST)), L"Macro 1");
    Model().CommandCaption.Unadvise(&observer);
    Model().CommandText.Unadvise(&observer);
}

TEST_F(EditCommandMacrosTest, SaveEndsWithOneAndTheEditorNoLongerObserves)
{
    CEditCommandMacrosDlg editor(Model());
    ModalDriver driver([&](HWND dialog) { ClickIn(dialog, IDOK); });
    EXPECT_EQ(editor.DoModal(frame_->Handle()), 1);
    ASSERT_TRUE(ModalDriver::ran);
    // Unchanged edits stored unchanged values.
    EXPECT_EQ(Model().CommandCaption.Get(2), L"Freq");
    EXPECT_EQ(Model().CommandText.Get(5), L"T6;");
    // The page is the only window still observing the captions.
    EXPECT_EQ(Model().CommandCaption.ObserverCount(), 1u);
    EXPECT_EQ(Model().CommandText.ObserverCount(), 0u);
}

TEST_F(EditCommandMacrosTest, HelpOpensTheMacroEditorTopic)
{
    CCapturedQuestions answers;
    CEditCommandMacrosDlg editor(Model());
    ModalDriver driver([&](HWND dialog) {
        ClickIn(dialog, IDC_MACRO_HELP);
        SendMessageW(dialog, WM_HELP, 0, 0);
        ClickIn(dialog, IDCANCEL);
    });
    EXPECT_EQ(editor.DoModal(frame_->Handle()), 2);
    ASSERT_EQ(answers.questions.size(), 2u); // no help file next to the test program
    for (const UserQuestion& question : answers.questions) {
        EXPECT_EQ(question.caption, L"Help Error");
        EXPECT_NE(question.text.find(L"::/CommandTester.htm#MacroEditor>"), std::wstring::npos) << question.text;
    }
}

RECT RectIn(HWND dialog, int id)
{
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(EditCommandMacrosTest, GrowingTheEditorWidensBothColumnsAndKeepsTheButtonsInTheCorner)
{
    CEditCommandMacrosDlg editor(Model());
    ModalDriver driver([&](HWND dialog) {
        const int ids[] = {IDC_LABEL_HEADING, IDC_TEXT_HEADING, 3001, 3101, 3016, 3116, IDOK, IDCANCEL, IDC_MACRO_HELP};
        RECT before[9], after[9];
        for (int k = 0; k < 9; ++k)
            before[k] = RectIn(dialog, ids[k]);
        RECT window{};
        GetWindowRect(dialog, &window);
        // Smaller than the template is refused.
        SetWindowPos(dialog, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
        RECT small{};
        GetWindowRect(dialog, &small);
        EXPECT_EQ(small.right - small.left, window.right - window.left);
        EXPECT_EQ(small.bottom - small.top, window.bottom - window.top);

        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 100, window.bottom - window.top + 40,
                     SWP_NOMOVE | SWP_NOZORDER);
        for (int k = 0; k < 9; ++k)
            after[k] = RectIn(dialog, ids[k]);
        for (int k : {0, 2, 4}) { // label column: same left, half the extra width
            EXPECT_EQ(after[k].left, before[k].left) << ids[k];
            EXPECT_EQ(after[k].right - before[k].right, 50) << ids[k];
        }
        for (int k : {1, 3, 5}) { // text column: moved by the label column's share, widened by its own
            EXPECT_EQ(after[k].left - before[k].left, 50) << ids[k];
            EXPECT_EQ(after[k].right - before[k].right, 100) << ids[k];
            EXPECT_EQ(after[k].top, before[k].top) << ids[k];
        }
        for (int k : {6, 7, 8}) {
            EXPECT_EQ(after[k].left - before[k].left, 100) << ids[k];
            EXPECT_EQ(after[k].top - before[k].top, 40) << ids[k];
        }
        ClickIn(dialog, IDCANCEL);
    });
    EXPECT_EQ(editor.DoModal(frame_->Handle()), 2);
    ASSERT_TRUE(ModalDriver::ran);
}

} // namespace
