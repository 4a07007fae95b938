// The program's real frame (real model, serial port, registry and window timers) against the module simulator on COM9.
#include "app/MainFrame.h"

#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "GuiEnvironment.h"
#include "RealFrame.h"
#include "ResourceIds.h"
#include "machines/StateMachine.h"
#include "model/Model.h"

namespace {

constexpr wchar_t kModule[] = L"COM9"; // the simulator, firmware revision 1.12
constexpr wchar_t kTitle[] = L"MT6402 Utility Revision 1.0.0.1";
constexpr wchar_t kRunningStatus[] = L"MT6402 revision 01.12. RS-232 speed 9600 bit/s.";

// A value of the application key as the registry holds it.
struct StoredValue {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::vector<StoredValue> ReadAppKey(std::vector<std::wstring>* subKeys = nullptr)
{
    std::vector<StoredValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kAppKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[2048];
        DWORD dataSize = sizeof data;
        StoredValue value;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &value.type, data, &dataSize) != ERROR_SUCCESS)
            break;
        value.name.assign(name, nameLength);
        value.data.assign(data, data + dataSize);
        values.push_back(std::move(value));
    }
    for (DWORD index = 0; subKeys; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys->emplace_back(name, nameLength);
    }
    RegCloseKey(key);
    return values;
}


bool EndsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

size_t Occurrences(const std::wstring& text, const std::wstring& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

size_t CountStatusBoxes(const std::vector<UserQuestion>& questions)
{
    return static_cast<size_t>(std::count_if(questions.begin(), questions.end(),
                                             [](const UserQuestion& q) { return q.caption == L"MT6402 Status"; }));
}

class FrameOnPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(listed_.Listed()) << "the serial device map cannot be written";
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }
    void TearDown() override
    {
        DestroyFrame();
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }

    void StartFrame(bool show = true)
    {
        ASSERT_TRUE(program_.Start(show));
        frame_ = &program_.Frame();
        window_ = program_.Window();
    }
    void DestroyFrame()
    {
        program_.Destroy();
        frame_ = nullptr;
        window_ = nullptr;
    }
    bool RunUntil(const std::function<bool()>& done, const std::function<void()>& each = {})
    {
        return program_.RunUntil(done, each);
    }
    bool ContactDone() { return program_.ContactDone(); }
    bool WaitForModule() { return program_.WaitForModule(); }

    CListedPorts listed_{{kModule}};
    CRealFrame program_;
    CMainFrame* frame_ = nullptr;
    HWND window_ = nullptr;
};

// A first run with an empty key writes, at exit, only what loading filled in and the page shown.
TEST_F(FrameOnPort, FirstRunWritesOnlyFilledInDefaultsAndTheShownPage)
{
    struct Case {
        int pageAtExit;
        bool activePageWritten;
    } cases[] = {{0, false}, {2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pageAtExit);
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        CCapturedQuestions answers;
        StartFrame();
        EXPECT_EQ(frame_->TabView().ActiveIndex(), 0);
        EXPECT_EQ(WindowText(window_), kTitle);
        HWND list = GetDlgItem(frame_->TabView().ActivePage(), IDC_PORT_LIST);
        EXPECT_NE(SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kModule)),
                  CB_ERR)
            << "the listed port is not offered";
        // No port is chosen, and none looks chosen.
        EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(frame_->Model().PortOpen.Get(), 0);
        ASSERT_TRUE(frame_->TabView().SetActivePage(c.pageAtExit));
        std::wstring folder = frame_->Model().FirmwareFolder.Get();
        DestroyFrame();
        EXPECT_TRUE(answers.questions.empty()) << answers.questions.front().text;

        std::vector<std::wstring> subKeys;
        std::vector<StoredValue> values = ReadAppKey(&subKeys);
        std::vector<std::wstring> expected;
        for (int i = 1; i <= 16; ++i)
            expected.push_back(L"CommandCaption" + std::to_wstring(i));
        expected.push_back(L"FirmwareFolder");
        if (c.activePageWritten)
            expected.push_back(L"ActivePage");
        std::vector<std::wstring> names;
        for (const StoredValue& value : values)
            names.push_back(value.name);
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        for (const StoredValue& value : values) {
            SCOPED_TRACE(value.name);
            if (value.name == L"ActivePage") {
                ASSERT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
                ASSERT_EQ(value.data.size(), 4u);
                EXPECT_EQ(*reinterpret_cast<const DWORD*>(value.data.data()), static_cast<DWORD>(c.pageAtExit));
                continue;
            }
            ASSERT_EQ(value.type, static_cast<DWORD>(REG_SZ));
            std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()), value.data.size() / 2);
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.back(), L'\0'); // the terminating zero is stored
            text.pop_back();
            if (value.name == L"FirmwareFolder")
                EXPECT_EQ(text, folder);
            else
                EXPECT_EQ(text, L"Macro " + value.name.substr(14));
        }
        // The window's placement is the key's one subkey.
        EXPECT_EQ(subKeys, std::vector<std::wstring>{L"Window"});
    }
}

TEST_F(FrameOnPort, ChoosingTheListedPortTestsTheModuleAndTellsOnce)
{
    CCapturedQuestions answers;
    StartFrame();
    HWND page = frame_->TabView().ActivePage();
    HWND list = GetDlgItem(page, IDC_PORT_LIST);
    LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kModule));
    ASSERT_NE(index, CB_ERR);
    // What the combo box does when the user picks an item: select it, then tell its parent.
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(frame_->Model().Port.Get(), kModule);

    ASSERT_TRUE(WaitForModule()) << StatusBarText(frame_->StatusBar());
    PumpMessages();
    EXPECT_TRUE(EndsWith(WindowText(window_), L" on COM9 at 9600 bit/s")) << WindowText(window_);
    EXPECT_EQ(WindowText(window_), std::wstring(kTitle) + L" on COM9 at 9600 bit/s");
    EXPECT_EQ(StatusBarText(frame_->StatusBar()), kRunningStatus);
    EXPECT_EQ(frame_->Model().InstalledRevision.Get(), 112);
    ASSERT_EQ(answers.questions.size(), 1u);
    EXPECT_EQ(answers.questions[0].caption, L"MT6402 Status");
    EXPECT_EQ(answers.questions[0].text, kRunningStatus);
    EXPECT_EQ(answers.questions[0].flags, MB_FLAG_ICONINFORMATION);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_CLOSE_PORT)));

    // The choice is remembered for the next start.
    DestroyFrame();
    for (const StoredValue& value : ReadAppKey()) {
        if (value.name == L"Port") {
            EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(value.data.data())), kModule);
            return;
        }
    }
    ADD_FAILURE() << "Port was not saved";
}

TEST_F(FrameOnPort, StartPageFollowsTheSavedPageAndPort)
{
    struct Case {
        const wchar_t* port;
        int activePage;
        int startPage;
    } cases[] = {
        {kModule, 2, 2}, {kModule, 1, 1}, {kModule, 5, 0}, {kModule, -1, 0}, {L"", 2, 0}, {L"", 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Port \"" << std::string(c.port, c.port + wcslen(c.port))
                                        << "\" ActivePage " << c.activePage);
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        SaveString(L"Port", c.port);
        SaveNumber(L"ActivePage", static_cast<DWORD>(c.activePage));
        CCapturedQuestions answers;
        StartFrame(false);
        EXPECT_EQ(frame_->TabView().ActiveIndex(), c.startPage);
        if (*c.port) {
            // The saved port is tested at start, whatever page is shown; a listed port stays chosen.
            EXPECT_TRUE(WaitForModule()) << StatusBarText(frame_->StatusBar());
            EXPECT_EQ(frame_->Model().Port.Get(), c.port);
            EXPECT_EQ(WindowText(window_), std::wstring(kTitle) + L" on COM9 at 9600 bit/s");
        } else {
            EXPECT_EQ(frame_->Model().PortOpen.Get(), 0);
            EXPECT_EQ(WindowText(window_), kTitle);
        }
        // The Port page, when it is the one shown, says once what answered on the saved port.
        EXPECT_EQ(CountStatusBoxes(answers.questions), *c.port && c.startPage == 0 ? 1u : 0u);
        DestroyFrame();
    }
}

TEST_F(FrameOnPort, VerboseLinesOfTheContactReachStatusAndLogOnlyWhenSwitchedOn)
{
    for (DWORD verbose : {0u, 1u}) {
        SCOPED_TRACE(verbose);
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        SaveString(L"Port", kModule);
        SaveNumber(L"ActivePage", 1); // the Firmware page with its log
        SaveNumber(L"VerboseLogging", verbose);
        CCapturedQuestions answers;
        StartFrame(false);
        ASSERT_EQ(frame_->TabView().ActiveIndex(), CTabView::LogPageIndex);
        HWND log = GetDlgItem(frame_->TabView().ActivePage(), IDC_LOG);
        ASSERT_NE(log, nullptr);
        std::vector<std::wstring> statusTexts;
        std::wstring last;
        ASSERT_TRUE(RunUntil(
            [this] { return ContactDone() && frame_->Model().FirmwareStatus.Get() == FirmwareStatusRunning; },
            [&] {
                std::wstring now = StatusBarText(frame_->StatusBar());
                if (now != last)
                    statusTexts.push_back(last = now);
            }));
        std::wstring text = RichEditText(log);
        // Always shown: the contact line; shown only with verbose logging: the port's opening lines.
        EXPECT_NE(text.find(L"Attempting to contact MT6402 on port COM9 at 9600 bit/s"), std::wstring::npos) << text;
        EXPECT_NE(text.find(kRunningStatus), std::wstring::npos) << text;
        // Start-up asks three times (the Port notification, the frame, the page shown): one attempt.
        for (const wchar_t* line : {L"Opening Serial Port COM9", L"Serial Port COM9 is open"})
            EXPECT_EQ(Occurrences(text, line), verbose != 0 ? 1u : 0u) << line << "\n" << text;
        EXPECT_EQ(Occurrences(text, L"Attempting to contact MT6402"), 1u) << text;
        EXPECT_EQ(StatusBarText(frame_->StatusBar()), kRunningStatus);
        // The status bar never showed a verbose line when they are dropped.
        if (!verbose) {
            for (const std::wstring& shown : statusTexts)
                EXPECT_EQ(shown.find(L"Serial Port COM9 is open"), std::wstring::npos) << shown;
        }
        DestroyFrame();
    }
}

TEST_F(FrameOnPort, CommandTesterSeesNoByteOfTheContactAndAllOfItsOwnConversation)
{
    SaveString(L"Port", kModule);
    SaveNumber(L"ActivePage", 2);
    CCapturedQuestions answers;
    StartFrame(false);
    ASSERT_EQ(frame_->TabView().ActiveIndex(), 2);
    HWND page = frame_->TabView().ActivePage();
    HWND output = GetDlgItem(page, IDC_OUTPUT);
    HWND commandBox = GetDlgItem(page, IDC_COMMAND_BOX);
    ASSERT_NE(output, nullptr);
    // While the contact machine polls and asks for the revision, its replies go to it alone.
    bool leaked = false;
    ASSERT_TRUE(RunUntil(
        [this] { return ContactDone() && frame_->Model().FirmwareStatus.Get() == FirmwareStatusRunning; },
        [&] { leaked = leaked || !RichEditText(output).empty(); }));
    EXPECT_FALSE(leaked) << RichEditText(output);
    EXPECT_EQ(RichEditText(output), L"");
    EXPECT_EQ(frame_->Model().InstalledRevision.Get(), 112);
    // The module answers: the page works, typed commands and replies reach it.
    EXPECT_TRUE(IsWindowEnabled(commandBox));
    for (wchar_t key : std::wstring(L"V\r"))
        SendMessageW(commandBox, WM_CHAR, key, 1);
    EXPECT_TRUE(RunUntil([&] { return RichEditText(output) == L"V\rV1.12;"; })) << RichEditText(output);
    // A new test takes the port again: the page is left out until it is done.
    SendMessageW(GetDlgItem(page, IDC_CLEAR_OUTPUT), BM_CLICK, 0, 0);
    ASSERT_EQ(RichEditText(output), L"");
    frame_->Model().ContactMachine()->TestCommunications();
    leaked = false;
    ASSERT_TRUE(RunUntil(
        [this] { return ContactDone() && frame_->Model().FirmwareStatus.Get() == FirmwareStatusRunning; },
        [&] { leaked = leaked || !RichEditText(output).empty(); }));
    EXPECT_FALSE(leaked) << RichEditText(output);
    EXPECT_EQ(CountStatusBoxes(answers.questions), 0u);
}

} // namespace
