// The program's start-up steps for the window tests: COM, common controls, the rich-edit library.
#include "GuiEnvironment.h"

#include <commctrl.h>
#include <richedit.h>
#include <objbase.h>

#include <gtest/gtest.h>

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX controls{sizeof controls,
                                      ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        richEdit_ = LoadLibraryW(L"RICHED20.DLL");
        ASSERT_NE(richEdit_, nullptr);
    }
    void TearDown() override
    {
        if (richEdit_)
            FreeLibrary(richEdit_);
        CoUninitialize();
    }

private:
    HMODULE richEdit_ = nullptr;
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

CCapturedQuestions::CCapturedQuestions(int answer)
{
    previous_ = SetUserQuestionHandler([this, answer](const UserQuestion& question) {
        questions.push_back(question);
        return answer;
    });
}

CCapturedQuestions::~CCapturedQuestions() { SetUserQuestionHandler(previous_); }

std::wstring WindowText(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::wstring StatusBarText(HWND statusBar)
{
    LRESULT length = SendMessageW(statusBar, SB_GETTEXTLENGTHW, 0, 0);
    std::wstring text(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
    SendMessageW(statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(length));
    return text;
}

std::wstring RichEditText(HWND control)
{
    GETTEXTLENGTHEX lengthQuery{GTL_DEFAULT | GTL_NUMCHARS, 1200};
    LRESULT length = SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX query{};
    query.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    query.flags = GT_DEFAULT;
    query.codepage = 1200;
    LRESULT copied = SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                                  reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}
