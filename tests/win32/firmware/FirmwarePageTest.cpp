// The Firmware page inside the main frame: folder choice, installed and available revisions, the activity log.
#include "app/MainFrame.h"

#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "FakeSerialPort.h"
#include "FakeStateMachines.h"
#include "GuiEnvironment.h"
#include "MemorySettingsStore.h"
#include "RecordingTarget.h"
#include "ResourceIds.h"
#include "TempFolder.h"
#include "model/Model.h"
#include "model/OsVersion.h"
#include "platform/EventLoop.h"
#include "ui/FolderBrowser.h"

namespace {

constexpr wchar_t kMissingLine[] = L"Firmware folder does not contain required MT6402 firmware file\r\n"
                                   L"Click \"Copy new files from Norvanta\"\r\n"
                                   L"or navigate to a folder containing MT6402 firmware files";

// The log's text with its line breaks as single CRs (the rich edit keeps a line break as a CR).
std::wstring Normalized(std::wstring text)
{
    for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at))
        text.erase(at + 1, 1);
    return text;
}

// "hh:mm:ss " at the start of the text.
bool HasTimeStamp(std::wstring_view line)
{
    if (line.size() < 9)
        return false;
    for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u})
        if (!std::iswdigit(line[i]))
            return false;
    return line[2] == L':' && line[5] == L':' && line[8] == L' ';
}

// The log's entries: the time-stamped lines, each with the lines that belong to its text.
std::vector<std::wstring> LogEntries(HWND log)
{
    std::wstring text = Normalized(WindowText(log));
    std::vector<std::wstring> entries;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L'\r', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (entries.empty() || HasTimeStamp(line))
            entries.push_back(line);
        else
            entries.back() += L"\r" + line;
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return entries;
}

class FirmwarePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto port = std::make_unique<FakeSerialPort>();
        port_ = port.get();
        auto model = std::make_unique<CModel>(timers_, std::move(port), std::make_unique<MemorySettingsStore>(),
                                              [this](CModelBase&) {
                                                  auto contact = std::make_unique<FakeContactMachine>();
                                                  contact_ = contact.get();
                                                  return contact;
                                              });
        defaultFolder_ = folder_.MakeFolder(L"Default Firmware");
        model->SetFirmwareFolderProvider([this] { return defaultFolder_; });
        frame_ = std::make_unique<CMainFrame>(std::move(model), nullptr, false);
        ASSERT_NE(frame_->Create(), nullptr);
        ASSERT_NE(contact_, nullptr);
        firmwareFolder_ = folder_.MakeFolder(L"Firmware");
        Model().FirmwareFolder.Set(firmwareFolder_);
        ShowFirmwarePage();
        page_ = frame_->TabView().ActivePage();
        ASSERT_NE(page_, nullptr);
        log_ = GetDlgItem(page_, IDC_LOG);
        edit_ = GetDlgItem(page_, IDC_FOLDER_EDIT);
        ASSERT_NE(log_, nullptr);
        ASSERT_NE(edit_, nullptr);
    }
    void TearDown() override
    {
        SetFolderBrowser({});
        if (frame_) {
            Model().FirmwareFolder.Unadvise(&folderChanges_);
            frame_.reset();
        }
        PumpMessages();
    }
    CModelBase& Model() { return frame_->Model(); }
    // Shows the page as a click on its tab does, and lets the program's message loop run.
    void ShowFirmwarePage()
    {
        ASSERT_TRUE(frame_->TabView().SetActivePage(CTabView::LogPageIndex));
        PumpMessages();
    }
    void Click(int id) { SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    std::wstring Text(int id) { return WindowText(GetDlgItem(page_, id)); }
    // The last entry of the log, time stamp and all.
    std::wstring LastLogEntry() { return LogEntries(log_).back(); }
    // How often the missing-file line is in the log.
    size_t MissingLines()
    {
        size_t count = 0;
        for (const std::wstring& entry : LogEntries(log_))
            count += entry.substr(9) == Normalized(kMissingLine);
        return count;
    }
    // Counts the FirmwareFolder notifications from now on.
    void WatchFolder()
    {
        Model().FirmwareFolder.Advise(&folderChanges_);
        folderChanges_.messages.clear();
    }
    // The user clicks into the folder edit and types `text` over its content.
    void TypeIntoFolderEdit(const std::wstring& text)
    {
        SetFocus(edit_);
        ASSERT_EQ(GetFocus(), edit_);
        SetWindowTextW(edit_, text.c_str());
    }

    CEventLoop timers_;
    TempFolder folder_;
    std::wstring defaultFolder_;
    std::wstring firmwareFolder_;
    FakeSerialPort* port_ = nullptr;
    FakeContactMachine* contact_ = nullptr;
    std::unique_ptr<CMainFrame> frame_;
    HWND page_ = nullptr;
    HWND log_ = nullptr;
    HWND edit_ = nullptr;
    RecordingTarget folderChanges_;
};

TEST_F(FirmwarePageTest, LogBeginsWithNameAndRevisionThenOperatingSystem)
{
    std::vector<std::wstring> lines = LogEntries(log_);
    ASSERT_GE(lines.size(), 2u);
    ASSERT_TRUE(HasTimeStamp(lines[0])) << lines[0];
    EXPECT_EQ(lines[0].substr(9), L"MT6402 Utility Revision 1.0.0.1");
    ASSERT_TRUE(HasTimeStamp(lines[1])) << lines[1];
    EXPECT_EQ(lines[1].substr(9), OsVersionText());
    EXPECT_EQ(lines[1].substr(9, 11), L"OS Version ");
    // The log is a read-only rich edit with a 2 MiB limit in Courier New.
    EXPECT_TRUE(SendMessageW(log_, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    EXPECT_EQ(SendMessageW(log_, EM_GETLIMITTEXT, 0, 0), 0x200000);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE;
    SendMessageW(log_, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_STREQ(format.szFaceName, L"Courier New");
    // 10 points as whole pixels of the screen, in twips.
    HDC screen = GetDC(nullptr);
    int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(format.yHeight, MulDiv(MulDiv(10, pixelsPerInch, 72), 1440, pixelsPerInch));
}

TEST_F(FirmwarePageTest, ReportLinesForwardedByTheFrameAreTimeStamped)
{
    SendMessageW(frame_->Handle(), WM_REPORT_TEXT, 0, reinterpret_cast<LPARAM>(L"Attempting to contact MT6402"));
    std::wstring line = LastLogEntry();
    ASSERT_TRUE(HasTimeStamp(line)) << line;
    EXPECT_EQ(line.substr(9), L"Attempting to contact MT6402");
    // Verbose lines reach the log only with verbose logging.
    SendMessageW(frame_->Handle(), WM_VERBOSE_TEXT, 0, reinterpret_cast<LPARAM>(L"quiet line"));
    EXPECT_EQ(LastLogEntry().substr(9), L"Attempting to contact MT6402");
    Model().VerboseLogging.Set(1);
    SendMessageW(frame_->Handle(), WM_VERBOSE_TEXT, 0, reinterpret_cast<LPARAM>(L"loud line"));
    EXPECT_EQ(LastLogEntry().substr(9), L"loud line");
}

TEST_F(FirmwarePageTest, InstalledRevisionTexts)
{
    struct Case {
        uint16_t revision;
        const wchar_t* text;
    } cases[] = {{999, L" N/A "}, {0xFFFE, L"Loading"}, {5, L"00.05"}, {112, L"01.12"}, {0, L"??.??"}};
    for (const Case& c : cases) {
        Model().InstalledRevision.Set(c.revision);
        EXPECT_EQ(Text(IDC_INSTALLED_REVISION), c.text) << c.revision;
    }
}

TEST_F(FirmwarePageTest, AvailableRevisionFollowsTheFolderAndCheckRevisionNowRescans)
{
    // The empty folder was reported when it was chosen.
    EXPECT_EQ(Text(IDC_AVAILABLE_REVISION), L"Missing");
    EXPECT_EQ(LastLogEntry().substr(9), Normalized(kMissingLine));

    std::wstring firmware = folder_.WriteFile(L"Firmware\\qmcu0112.hex", ":00000001FF\r\n");
    unsigned tests = contact_->tests;
    Click(IDC_CHECK_REVISION);
    EXPECT_EQ(Text(IDC_AVAILABLE_REVISION), L"01.12");
    EXPECT_EQ(contact_->tests, tests + 1);
    EXPECT_EQ(frame_->TabView().ActiveIndex(), CTabView::LogPageIndex);
    size_t missing = MissingLines();

    // A name ending in B is not a firmware file: the folder has none any more.
    ASSERT_TRUE(MoveFileW(firmware.c_str(), folder_.Join(L"Firmware\\qmcu0112B.hex").c_str()));
    Click(IDC_CHECK_REVISION);
    EXPECT_EQ(Text(IDC_AVAILABLE_REVISION), L"Missing");
    EXPECT_EQ(contact_->tests, tests + 2);
    std::wstring line = LastLogEntry();
    ASSERT_TRUE(HasTimeStamp(line));
    EXPECT_EQ(line.substr(9), Normalized(kMissingLine));
    EXPECT_EQ(MissingLines(), missing + 1);
    // Copying from the file server is not offered yet.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page_, IDC_COPY_NEW_FILES)));
}

// Send is offered while the folder holds a firmware file; when it goes the focus moves on first.
TEST_F(FirmwarePageTest, SendFirmwareIsOfferedWithAFirmwareFileAndGivesUpTheFocusWhenDisabled)
{
    HWND send = GetDlgItem(page_, IDC_SEND_FIRMWARE);
    EXPECT_FALSE(IsWindowEnabled(send));
    std::wstring firmware = folder_.WriteFile(L"Firmware\\qmcu0112.hex", ":00000001FF\r\n");
    Click(IDC_CHECK_REVISION);
    ASSERT_TRUE(IsWindowEnabled(send));
    SetFocus(send);
    ASSERT_EQ(GetFocus(), send);
    ASSERT_TRUE(DeleteFileW(firmware.c_str()));
    Click(IDC_CHECK_REVISION);
    EXPECT_FALSE(IsWindowEnabled(send));
    EXPECT_NE(GetFocus(), send);
    EXPECT_TRUE(IsChild(page_, GetFocus()));
}

// Without a firmware file, or with a module that has not answered, Send says why in an error box
// (and in the log), loads nothing and asks the module again.
TEST_F(FirmwarePageTest, SendFirmwareWithoutAFileOrAnAnsweringModuleSaysWhy)
{
    struct Case {
        bool file;
        FIRMWARESTATUS status;
        uint32_t contactResult;
        const wchar_t* text;
    } cases[] = {
        {false, FirmwareStatusRunning, 0, L"A required firmware file is missing"},
        {true, FirmwareStatusNone, 0, L"MT6402 is not responding"},
        {true, FirmwareStatusNone, 1223, L"MT6402 is not responding"},
    };
    port_->ForceOpen();
    Model().PortOpen.Set(1);
    const std::wstring firmware = folder_.Join(L"Firmware\\qmcu0112.hex");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        if (c.file)
            folder_.WriteFile(L"Firmware\\qmcu0112.hex", ":00000001FF\r\n");
        else
            DeleteFileW(firmware.c_str());
        Click(IDC_CHECK_REVISION);
        Model().FirmwareStatus.Set(c.status);
        contact_->result = c.contactResult;
        const unsigned tests = contact_->tests;
        CCapturedQuestions answers;
        Click(IDC_SEND_FIRMWARE);
        ASSERT_EQ(answers.questions.size(), 1u);
        EXPECT_EQ(answers.questions[0].caption, L"Error");
        EXPECT_EQ(answers.questions[0].text, c.text);
        EXPECT_EQ(answers.questions[0].flags, MB_FLAG_ICONERROR);
        std::vector<std::wstring> entries = LogEntries(log_);
        ASSERT_GE(entries.size(), 3u);
        EXPECT_EQ(entries[entries.size() - 3].substr(9), c.text);
        EXPECT_EQ(entries[entries.size() - 2].substr(9), L"Elapsed time: 0 seconds");
        EXPECT_EQ(entries.back().substr(9), L"Ready");
        EXPECT_EQ(StatusBarText(frame_->StatusBar()), L"Ready");
        EXPECT_EQ(contact_->tests, tests + 1);
        EXPECT_EQ(Model().LoaderMachine(), nullptr);
    }
    Model().PortOpen.Set(0);
}

TEST_F(FirmwarePageTest, ChoosingAFolderWithFirmwareShowsItsRevision)
{
    std::wstring other = folder_.MakeFolder(L"Other");
    folder_.WriteFile(L"Other\\qmcu0110.hex", "");
    folder_.WriteFile(L"Other\\qmcu0112.hex", "");
    folder_.WriteFile(L"Other\\qmcu0113B.hex", "");
    Model().FirmwareFolder.Set(other);
    EXPECT_EQ(WindowText(edit_), other);
    EXPECT_EQ(Text(IDC_AVAILABLE_REVISION), L"01.12");
}

TEST_F(FirmwarePageTest, TypingTheSameFolderWithBlanksOrOtherCaseChangesNothing)
{
    WatchFolder();
    std::wstring upper = firmwareFolder_;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    for (const std::wstring& typed : {L"  " + firmwareFolder_ + L"  ", upper, L"\t" + upper + L" "}) {
        TypeIntoFolderEdit(typed);
        SendMessageW(edit_, WM_KEYDOWN, VK_TAB, 0);
        EXPECT_NE(GetFocus(), edit_);
        EXPECT_TRUE(folderChanges_.messages.empty()) << typed;
        EXPECT_EQ(Model().FirmwareFolder.Get(), firmwareFolder_);
    }
}

TEST_F(FirmwarePageTest, TabOrEnterMovesTheFocusOnAndAppliesTheTypedFolder)
{
    std::wstring other = folder_.MakeFolder(L"Other");
    folder_.WriteFile(L"Other\\qmcu0205.hex", "");
    std::wstring another = folder_.MakeFolder(L"Another");
    folder_.WriteFile(L"Another\\qmcu0301.hex", "");
    std::wstring third = folder_.MakeFolder(L"Third");
    folder_.WriteFile(L"Third\\qmcu0402.hex", "");
    HWND check = GetDlgItem(page_, IDC_CHECK_REVISION);
    struct Case {
        WPARAM key;
        bool throughDialogManager; // as the program's message loop delivers it
        std::wstring folder;
        const wchar_t* available;
    } cases[] = {
        {VK_TAB, false, other, L"02.05"},
        {VK_RETURN, false, another, L"03.01"},
        {VK_RETURN, true, third, L"04.02"},
        {VK_TAB, true, firmwareFolder_, L"Missing"},
    };
    for (const Case& c : cases) {
        WatchFolder();
        TypeIntoFolderEdit(L" " + c.folder + L" ");
        if (c.throughDialogManager) {
            MSG message{edit_, WM_KEYDOWN, c.key, 0, 0, {}};
            EXPECT_TRUE(frame_->PreTranslateMessage(message));
        } else {
            EXPECT_EQ(SendMessageW(edit_, WM_KEYDOWN, c.key, 0), 0);
        }
        EXPECT_EQ(GetFocus(), check) << c.key;
        // The key did nothing else: the sheet did not take it as its OK and still shows the page.
        EXPECT_EQ(frame_->TabView().ActivePage(), page_);
        EXPECT_TRUE(GetWindowLongPtrW(page_, GWL_STYLE) & WS_VISIBLE);
        EXPECT_EQ(folderChanges_.messages.size(), 1u);
        EXPECT_EQ(Model().FirmwareFolder.Get(), c.folder);
        EXPECT_EQ(WindowText(edit_), c.folder);
        EXPECT_EQ(Text(IDC_AVAILABLE_REVISION), c.available);
        Model().FirmwareFolder.Unadvise(&folderChanges_);
    }
}

TEST_F(FirmwarePageTest, DefaultChoosesTheDefaultFolderOnce)
{
    WatchFolder();
    Click(IDC_DEFAULT_FOLDER);
    EXPECT_EQ(Model().FirmwareFolder.Get(), defaultFolder_);
    EXPECT_EQ(WindowText(edit_), defaultFolder_);
    EXPECT_EQ(folderChanges_.messages.size(), 1u);
    // Already the default folder, whatever the letter case: nothing changes.
    std::wstring lower = defaultFolder_;
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    Model().FirmwareFolder.Set(lower);
    folderChanges_.messages.clear();
    Click(IDC_DEFAULT_FOLDER);
    EXPECT_TRUE(folderChanges_.messages.empty());
    EXPECT_EQ(Model().FirmwareFolder.Get(), lower);
}

TEST_F(FirmwarePageTest, BrowseOpensOnTheCurrentFolderAndStoresAnotherChoice)
{
    std::wstring other = folder_.MakeFolder(L"Other");
    struct Case {
        bool picked;
        std::wstring chosen;
        std::wstring expected;
    } cases[] = {
        {false, other, firmwareFolder_}, // cancelled
        {true, firmwareFolder_, firmwareFolder_},
        {true, other, other},
    };
    for (const Case& c : cases) {
        std::wstring title;
        std::wstring initial;
        HWND owner = nullptr;
        SetFolderBrowser([&](HWND window, const std::wstring& browserTitle, const std::wstring& initialFolder,
                             std::wstring& chosen) {
            owner = window;
            title = browserTitle;
            initial = initialFolder;
            chosen = c.chosen;
            return c.picked;
        });
        std::wstring current = Model().FirmwareFolder.Get();
        WatchFolder();
        Click(IDC_BROWSE_FOLDER);
        EXPECT_EQ(owner, page_);
        EXPECT_EQ(title, L"Select folder containing MT6402 firmware file");
        EXPECT_EQ(initial, current);
        EXPECT_EQ(Model().FirmwareFolder.Get(), c.expected);
        EXPECT_EQ(folderChanges_.messages.size(), c.expected == current ? 0u : 1u);
        Model().FirmwareFolder.Unadvise(&folderChanges_);
    }
}

TEST_F(FirmwarePageTest, ObservesTheModelOnlyWhileShown)
{
    size_t shownObservers = Model().InstalledRevision.ObserverCount();
    ASSERT_TRUE(frame_->TabView().SetActivePage(0));
    EXPECT_EQ(Model().InstalledRevision.ObserverCount(), shownObservers - 1);
    EXPECT_EQ(Model().FirmwareFolder.ObserverCount(), 0u);
    Model().InstalledRevision.Set(123);
    EXPECT_EQ(Text(IDC_INSTALLED_REVISION), L"??.??");

    // Shown again: the values are filled in at once, and an open port is asked for its revision.
    port_->ForceOpen();
    Model().PortOpen.Set(1);
    unsigned tests = contact_->tests;
    ShowFirmwarePage();
    EXPECT_EQ(Model().InstalledRevision.ObserverCount(), shownObservers);
    EXPECT_EQ(Text(IDC_INSTALLED_REVISION), L"01.23");
    EXPECT_EQ(contact_->tests, tests + 1);
    Model().PortOpen.Set(0);
}

TEST_F(FirmwarePageTest, ShowingThePageRescansAndReportsAMissingFileOnce)
{
    ASSERT_TRUE(frame_->TabView().SetActivePage(0));
    folder_.WriteFile(L"Firmware\\qmcu0120.hex", "");
    ShowFirmwarePage();
    EXPECT_EQ(Text(IDC_AVAILABLE_REVISION), L"01.20");

    ASSERT_TRUE(frame_->TabView().SetActivePage(0));
    ASSERT_TRUE(DeleteFileW(folder_.Join(L"Firmware\\qmcu0120.hex").c_str()));
    size_t entries = LogEntries(log_).size();
    ShowFirmwarePage();
    EXPECT_EQ(Text(IDC_AVAILABLE_REVISION), L"Missing");
    std::vector<std::wstring> after = LogEntries(log_);
    ASSERT_EQ(after.size(), entries + 1);
    EXPECT_EQ(after.back().substr(9), Normalized(kMissingLine));
}

// The tooltip window the page created (a top-level window of this thread whose tools are the page's).
HWND ToolTipOf(HWND page)
{
    struct Search {
        HWND page;
        HWND found;
    } search{page, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (std::wstring(name) != TOOLTIPS_CLASSW)
                return TRUE;
            // A popup's owner is the top-level window: the page is known by its first tool.
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            if (SendMessageW(window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) && tool.hwnd == s->page) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT RectIn(HWND parent, HWND control)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(FirmwarePageTest, EachButtonHasItsBalloonTip)
{
    HWND tip = ToolTipOf(page_);
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(tip, GWL_STYLE) & TTS_BALLOON);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 5);
    struct Case {
        int id;
        const wchar_t* text;
    } cases[] = {
        {IDC_DEFAULT_FOLDER, L"Choose \"%APPDATA%\\Norvanta\\MT6402 Firmware\" folder"},
        {IDC_BROWSE_FOLDER, L"Browse for a different firmware folder"},
        {IDC_COPY_NEW_FILES, L"Get new firmware from Norvanta file server"},
        {IDC_CHECK_REVISION, L"Compare revision installed in MT6402 with available revision in firmware folder"},
        {IDC_SEND_FIRMWARE, L"Sends firmware"},
    };
    for (const Case& c : cases) {
        wchar_t text[256] = {};
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.hwnd = page_;
        info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(page_, c.id));
        info.lpszText = text;
        SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(text, c.text) << c.id;
    }
}

TEST_F(FirmwarePageTest, GrowingThePageWidensTheFramesMovesTheButtonsAndGrowsTheLog)
{
    constexpr int kWider = 120;
    constexpr int kTaller = 70;
    struct Case {
        int id;
        int left, top, right, bottom; // how far each edge moves
    } cases[] = {
        {IDC_FOLDER_GROUP, 0, 0, kWider, 0},       {IDC_FOLDER_EDIT, 0, 0, kWider, 0},
        {IDC_CHECK_GROUP, 0, 0, kWider, 0},        {IDC_REVISION_GROUP, 0, 0, kWider, 0},
        {IDC_DEFAULT_FOLDER, kWider, 0, kWider, 0}, {IDC_BROWSE_FOLDER, kWider, 0, kWider, 0},
        {IDC_COPY_NEW_FILES, kWider, 0, kWider, 0}, {IDC_SEND_FIRMWARE, kWider, 0, kWider, 0},
        {IDC_LOG_GROUP, 0, 0, kWider, kTaller},     {IDC_LOG, 0, 0, kWider, kTaller},
        {IDC_CHECK_REVISION, 0, 0, 0, 0},           {IDC_INSTALLED_REVISION, 0, 0, 0, 0},
        {IDC_AVAILABLE_REVISION, 0, 0, 0, 0},
    };
    std::vector<RECT> before;
    for (const Case& c : cases)
        before.push_back(RectIn(page_, GetDlgItem(page_, c.id)));
    RECT client{};
    GetClientRect(page_, &client);
    SetWindowPos(page_, nullptr, 0, 0, client.right + kWider, client.bottom + kTaller,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        RECT after = RectIn(page_, GetDlgItem(page_, c.id));
        EXPECT_EQ(after.left - before[i].left, c.left) << c.id;
        EXPECT_EQ(after.top - before[i].top, c.top) << c.id;
        EXPECT_EQ(after.right - before[i].right, c.right) << c.id;
        EXPECT_EQ(after.bottom - before[i].bottom, c.bottom) << c.id;
    }
}

TEST_F(FirmwarePageTest, HelpOpensTheFirmwareTopic)
{
    CCapturedQuestions answers;
    HELPINFO help{};
    help.cbSize = sizeof help;
    SendMessageW(page_, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    ASSERT_EQ(answers.questions.size(), 1u);
    EXPECT_EQ(answers.questions[0].caption, L"Help Error");
    EXPECT_NE(answers.questions[0].text.find(L"Firmware.htm"), std::wstring::npos) << answers.questions[0].text;
}

} // namespace
