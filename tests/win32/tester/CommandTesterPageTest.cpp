// The Command Tester page in the main frame: sending, received bytes, enabling, captions, Clear, tooltips, resizing, help.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiEnvironment.h"
#include "ResourceIds.h"
#include "TesterFixture.h"

namespace {

constexpr long kGreen = 0x009900;
constexpr long kBlack = 0x000000;

using CommandTesterPageTest = TesterFixture;

TEST_F(CommandTesterPageTest, ASemicolonSendsTheBoxAtOnceAndShowsItInGreen)
{
    ModuleAnswers();
    Type(L"FA");
    EXPECT_TRUE(port_->written.empty());
    EXPECT_EQ(OutputText(), L"");

    Type(L";");
    EXPECT_EQ(port_->written, "FA;");
    ASSERT_EQ(port_->writes.size(), 1u);
    EXPECT_EQ(WindowText(Control(IDC_COMMAND_BOX)), L"");
    EXPECT_EQ(OutputText(), L"FA;\r");
    EXPECT_EQ(OutputColour(0, 4), kGreen);
}

TEST_F(CommandTesterPageTest, EnterSendsWhatTheBoxHoldsWithoutATerminator)
{
    ModuleAnswers();
    Type(L"FA\r");
    EXPECT_EQ(port_->written, "FA");
    // The Enter is not inserted into the box, which is emptied by the send.
    EXPECT_EQ(WindowText(Control(IDC_COMMAND_BOX)), L"");
    EXPECT_EQ(OutputText(), L"FA\r");
    EXPECT_EQ(OutputColour(0, 3), kGreen);
    EXPECT_EQ(GetFocus(), Control(IDC_COMMAND_BOX));

    // Enter in an empty box sends nothing and shows nothing.
    Type(L"\r");
    EXPECT_EQ(port_->writes.size(), 1u);
    EXPECT_EQ(OutputText(), L"FA\r");
    EXPECT_EQ(WindowText(Control(IDC_COMMAND_BOX)), L"");
}

TEST_F(CommandTesterPageTest, AMacroSendsTheBoxFollowedByItsTextAndKeepsTheFocusOnTheButton)
{
    ModuleAnswers();
    Model().CommandText.Set(4, L"12345678901;");
    SetFocus(Control(IDC_COMMAND_BOX));
    Type(L"FA");
    Click(IDC_MACRO_FIRST + 4);

    ASSERT_EQ(port_->writes.size(), 1u);
    EXPECT_EQ(port_->written, "FA12345678901;");
    EXPECT_EQ(WindowText(Control(IDC_COMMAND_BOX)), L"");
    EXPECT_EQ(OutputText(), L"FA12345678901;\r");
    EXPECT_EQ(GetFocus(), Control(IDC_MACRO_FIRST + 4));
}

TEST_F(CommandTesterPageTest, AnEmptyMacroWithAnEmptyBoxSendsNothing)
{
    ModuleAnswers();
    Model().CommandText.Set(0, L"");
    Click(IDC_MACRO_FIRST);
    EXPECT_TRUE(port_->writes.empty());
    EXPECT_EQ(OutputText(), L"");
}

TEST_F(CommandTesterPageTest, ReceivedBytesShowInBlackWithoutCarriageReturnsOneCharacterPerByte)
{
    ModuleAnswers();
    Type(L"V;");
    port_->Deliver("V1.23;\r\n12\r34\xB0");
    PumpMessages(); // the frame hands the posted WM_COMM_EVENT to the page shown

    EXPECT_EQ(OutputText(), L"V;\rV1.23;\r1234\u00B0");
    EXPECT_EQ(OutputColour(0, 3), kGreen);
    EXPECT_EQ(OutputColour(3, 15), kBlack);
    EXPECT_TRUE(port_->Pending().empty());
}

TEST_F(CommandTesterPageTest, OneEventShowsEverythingThatWaitsNotJustTheFirst64Bytes)
{
    ModuleAnswers();
    std::string reply;
    for (int i = 0; i < 200; ++i)
        reply.push_back(static_cast<char>('0' + i % 10));
    port_->postOnDeliver = false;
    port_->Deliver(reply);
    SendMessageW(frame_->Handle(), WM_COMM_EVENT, 1, 0);
    EXPECT_EQ(OutputText(), std::wstring(reply.begin(), reply.end()));
    EXPECT_TRUE(port_->Pending().empty());
}

std::vector<HWND> Children(HWND page)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

TEST_F(CommandTesterPageTest, ControlsAreEnabledOnlyWhileTheModuleAnswers)
{
    std::vector<HWND> children = Children(page_);
    ASSERT_EQ(children.size(), 21u); // label, box, 16 macros, Edit Macros, Clear, output
    for (HWND child : children)
        EXPECT_FALSE(IsWindowEnabled(child)) << GetDlgCtrlID(child);

    ModuleAnswers();
    for (HWND child : children)
        EXPECT_TRUE(IsWindowEnabled(child)) << GetDlgCtrlID(child);

    // The port closes: nothing answers any more.
    Model().ClosePort();
    Model().ResetDeviceValues();
    EXPECT_EQ(Model().FirmwareStatus.Get(), FirmwareStatusNone);
    for (HWND child : children)
        EXPECT_FALSE(IsWindowEnabled(child)) << GetDlgCtrlID(child);

    // Nothing is sent while nothing answers, even with the port open.
    ASSERT_TRUE(Model().OpenPort(L"COM9"));
    SendMessageW(Control(IDC_COMMAND_BOX), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"V"));
    Click(IDC_MACRO_FIRST);
    Type(L"\r");
    EXPECT_TRUE(port_->writes.empty());
    EXPECT_EQ(OutputText(), L"");
}

TEST_F(CommandTesterPageTest, ShowingThePageEnablesItWhenTheModuleAnsweredMeanwhile)
{
    CCapturedQuestions answers; // the Port page tells what answered
    ASSERT_TRUE(frame_->TabView().SetActivePage(0));
    ModuleAnswers();
    Model().CommandCaption.Set(7, L"Mode");
    // Hidden, the page does not follow the model.
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_CLEAR_OUTPUT)));
    EXPECT_NE(WindowText(Control(IDC_MACRO_FIRST + 7)), L"Mode");

    ASSERT_TRUE(frame_->TabView().SetActivePage(2));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_CLEAR_OUTPUT)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_COMMAND_BOX)));
    EXPECT_EQ(WindowText(Control(IDC_MACRO_FIRST + 7)), L"Mode");
}

TEST_F(CommandTesterPageTest, MacroButtonsShowTheirCaptions)
{
    // Loading the settings gave every empty caption its default name.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(WindowText(Control(IDC_MACRO_FIRST + i)), L"Macro " + std::to_wstring(i + 1));
    Model().CommandCaption.Set(15, L"Freq");
    EXPECT_EQ(WindowText(Control(IDC_MACRO_LAST)), L"Freq");
    Model().CommandCaption.Set(0, L"");
    EXPECT_EQ(WindowText(Control(IDC_MACRO_FIRST)), L"");
}

TEST_F(CommandTesterPageTest, ClearEmptiesTheOutputWindow)
{
    ModuleAnswers();
    Type(L"V;");
    port_->Deliver("V1.23;\r\n");
    PumpMessages();
    ASSERT_NE(OutputText(), L"");
    Click(IDC_CLEAR_OUTPUT);
    EXPECT_EQ(OutputText(), L"");
    EXPECT_EQ(port_->writes.size(), 1u);
    // New text goes in as before.
    port_->Deliver("OK");
    PumpMessages();
    EXPECT_EQ(OutputText(), L"OK");
    EXPECT_EQ(OutputColour(0, 2), kBlack);
}

TEST_F(CommandTesterPageTest, TheViewFollowsNewTextOnlyWhileItShowsTheEnd)
{
    ModuleAnswers();
    HWND output = Control(IDC_OUTPUT);
    std::string lines;
    for (int i = 0; i < 60; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    port_->Deliver(lines);
    PumpMessages();
    // At the end: the view followed the new text as far as it goes.
    LRESULT followed = SendMessageW(output, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GT(followed, 0);
    SendMessageW(output, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(SendMessageW(output, EM_GETFIRSTVISIBLELINE, 0, 0), followed);

    // Scrolled back, the reader keeps the place.
    SendMessageW(output, WM_VSCROLL, SB_TOP, 0);
    ASSERT_EQ(SendMessageW(output, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    port_->Deliver("more\r\nand more\r\n");
    PumpMessages();
    EXPECT_EQ(SendMessageW(output, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

    // Back at the end, it follows again.
    SendMessageW(output, WM_VSCROLL, SB_BOTTOM, 0);
    LRESULT atEnd = SendMessageW(output, EM_GETFIRSTVISIBLELINE, 0, 0);
    port_->Deliver("a\r\nb\r\nc\r\nd\r\n");
    PumpMessages();
    EXPECT_GT(SendMessageW(output, EM_GETFIRSTVISIBLELINE, 0, 0), atEnd);
}

// The text of the tooltip tool that stands for `control`, from any tooltip window of the thread.
std::wstring ToolTipText(HWND control)
{
    struct Search {
        HWND control;
        std::wstring text;
        bool found;
    } search{control, {}, false};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (lstrcmpiW(className, TOOLTIPS_CLASSW) != 0)
                return TRUE;
            if (!(GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON))
                return TRUE;
            wchar_t text[256] = {};
            TOOLINFOW info{};
            info.cbSize = sizeof info;
            info.hwnd = GetParent(s->control);
            info.uId = reinterpret_cast<UINT_PTR>(s->control);
            info.lpszText = text;
            if (SendMessageW(window, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info))) {
                SendMessageW(window, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
                s->text = text;
                s->found = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found ? search.text : L"<no tool>";
}

TEST_F(CommandTesterPageTest, BalloonTooltipsNameWhatTheButtonsDo)
{
    EXPECT_EQ(ToolTipText(Control(IDC_EDIT_MACROS)), L"Open a dialog to edit macros");
    EXPECT_EQ(ToolTipText(Control(IDC_CLEAR_OUTPUT)), L"Erase output window");
    for (int id = IDC_MACRO_FIRST; id <= IDC_MACRO_LAST; ++id)
        EXPECT_EQ(ToolTipText(Control(id)), L"Send macro text to MT6402") << id;
    EXPECT_EQ(ToolTipText(Control(IDC_COMMAND_BOX)), L"<no tool>");
}

RECT RectIn(HWND page, HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(CommandTesterPageTest, GrowingTheWindowWidensTheRowsAndGrowsTheOutput)
{
    std::vector<int> ids{IDC_COMMAND_BOX, IDC_EDIT_MACROS, IDC_CLEAR_OUTPUT, IDC_OUTPUT};
    for (int id = IDC_MACRO_FIRST; id <= IDC_MACRO_LAST; ++id)
        ids.push_back(id);
    std::vector<RECT> before;
    for (int id : ids)
        before.push_back(RectIn(page_, Control(id)));
    RECT pageBefore{};
    GetClientRect(page_, &pageBefore);

    RECT frame{};
    GetWindowRect(frame_->Handle(), &frame);
    SetWindowPos(frame_->Handle(), nullptr, 0, 0, frame.right - frame.left + 200, frame.bottom - frame.top + 120,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    RECT pageAfter{};
    GetClientRect(page_, &pageAfter);
    const int dx = pageAfter.right - pageBefore.right;
    const int dy = pageAfter.bottom - pageBefore.bottom;
    ASSERT_GT(dx, 100);
    ASSERT_GT(dy, 50);

    std::vector<RECT> after;
    for (int id : ids)
        after.push_back(RectIn(page_, Control(id)));
    EXPECT_EQ(after[0].right - before[0].right, dx); // command box
    EXPECT_EQ(after[1].left - before[1].left, dx);   // Edit Macros
    EXPECT_EQ(after[2].left - before[2].left, dx);   // Clear
    EXPECT_EQ(after[3].right - before[3].right, dx); // output
    EXPECT_EQ(after[3].bottom - before[3].bottom, dy);
    for (int row = 0; row < 4; ++row) {
        const size_t first = 4 + static_cast<size_t>(row) * 4;
        EXPECT_EQ(after[first].left, before[first].left);
        EXPECT_EQ(after[first + 3].right - before[first + 3].right, dx);
        for (size_t k = first; k < first + 4; ++k) {
            const int grown = (after[k].right - after[k].left) - (before[k].right - before[k].left);
            EXPECT_NEAR(grown, dx / 4, 1) << k;
            EXPECT_EQ(after[k].top, before[k].top);
        }
    }
}

TEST_F(CommandTesterPageTest, F1OpensTheCommandTesterTopic)
{
    CCapturedQuestions answers;
    SendMessageW(page_, WM_HELP, 0, 0);
    ASSERT_EQ(answers.questions.size(), 1u); // no help file next to the test program
    EXPECT_EQ(answers.questions[0].caption, L"Help Error");
    EXPECT_NE(answers.questions[0].text.find(L"::/CommandTester.htm>"), std::wstring::npos)
        << answers.questions[0].text;
}

} // namespace
