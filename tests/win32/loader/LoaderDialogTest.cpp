// Send Firmware and the loader dialog in the program's real frame, against module simulators on COM51 to COM54.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "GuiEnvironment.h"
#include "HexText.h"
#include "RealFrame.h"
#include "ResourceIds.h"
#include "ScriptedAnswers.h"
#include "TempFolder.h"
#include "machines/StateMachine.h"
#include "model/Model.h"
#include "ui/LoaderDlg.h"

namespace {

// The simulators the script starts (see loader-dialog-under-wine.sh); each loads revision 1.13.
constexpr wchar_t kCleanModule[] = L"COM51";
constexpr wchar_t kFaultyModule[] = L"COM52";   // rejects block 5 once, loses the answer to block 9 once
constexpr wchar_t kWaitingLoader[] = L"COM53";  // its bootstrap loader waits: ";" answered, "V" not
constexpr wchar_t kSlowModule[] = L"COM54";     // at the wire speed of 9600 bit/s
constexpr wchar_t kClickClose[] = L"Click \"Close\" to close this window";

// The script's state folder (a Windows path): the simulators' logs and the firmware folder.
std::wstring StateFolder()
{
    wchar_t path[1024] = {};
    DWORD length = GetEnvironmentVariableW(L"MT_LOADER_STATE", path, 1024);
    return std::wstring(path, length < 1024 ? length : 0);
}

std::wstring FirmwareFolder() { return StateFolder() + L"\\firmware"; }

// The lines of a rich edit's text (it ends each paragraph with a CR).
std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\r', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool StartsWith(const std::wstring& text, const std::wstring& start) { return text.rfind(start, 0) == 0; }

// `expected` appear in `lines` in this order (each may be a line's beginning); the first missing one.
std::wstring MissingInOrder(const std::vector<std::wstring>& lines, const std::vector<std::wstring>& expected)
{
    size_t at = 0;
    for (const std::wstring& line : expected) {
        while (at < lines.size() && !StartsWith(lines[at], line))
            ++at;
        if (at == lines.size())
            return line;
        ++at;
    }
    return {};
}

bool AnyLineContains(const std::vector<std::wstring>& lines, const std::wstring& part)
{
    for (const std::wstring& line : lines)
        if (line.find(part) != std::wstring::npos)
            return true;
    return false;
}

// What the simulator behind a port has received from now on, from its log ("mt6402sim: rx "..."").
class CSimulatorLog {
public:
    explicit CSimulatorLog(const wchar_t* port) : path_(StateFolder() + L"\\" + Lower(port) + L".log")
    {
        offset_ = Read().size();
    }
    // The bytes received since the object was made, as the simulator prints them.
    std::string Received() const
    {
        std::string text = Read().substr(offset_);
        std::string received;
        const std::string marker = "mt6402sim: rx \"";
        for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
            at += marker.size();
            const size_t end = text.find("\"\n", at);
            received += text.substr(at, end - at);
        }
        return received;
    }

private:
    static std::wstring Lower(std::wstring text)
    {
        for (wchar_t& c : text)
            c = static_cast<wchar_t>(towlower(c));
        return text;
    }
    std::string Read() const
    {
        std::string bytes;
        if (FILE* file = _wfopen(path_.c_str(), L"rb")) {
            char buffer[4096];
            for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;)
                bytes.append(buffer, n);
            fclose(file);
        }
        return bytes;
    }
    std::wstring path_;
    size_t offset_ = 0;
};

// What the loader dialog shows; the log only when asked for (reading a long log every tick would
// slow the load down).
struct DialogLook {
    std::wstring title;
    std::vector<std::wstring> log;
    std::wstring button;
    int position = -1;
    int maximum = -1;
};

std::vector<std::wstring> LogOf(HWND dialog) { return Lines(RichEditText(GetDlgItem(dialog, IDC_LOG))); }

DialogLook LookAt(HWND dialog, bool withLog = false)
{
    DialogLook look;
    look.title = WindowText(dialog);
    if (withLog)
        look.log = LogOf(dialog);
    look.button = WindowText(GetDlgItem(dialog, IDCANCEL));
    HWND progress = GetDlgItem(dialog, IDC_LOADER_PROGRESS);
    look.position = static_cast<int>(SendMessageW(progress, PBM_GETPOS, 0, 0));
    look.maximum = static_cast<int>(SendMessageW(progress, PBM_GETRANGE, FALSE, 0));
    return look;
}

HWND FindLoaderDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) != L"#32770" || !GetDlgItem(window, IDC_LOADER_PROGRESS) || !IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void Press(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Watches the loader dialog while it runs modally (inside a Send Firmware click or DoModal): a thread
// timer, which the modal loop dispatches, calls `onTick` every 20 ms while the dialog is shown, and
// a hook keeps the dialog's last look just before its window is destroyed.
class CDialogWatch {
public:
    using Tick = std::function<void(HWND dialog, const DialogLook& look)>;
    explicit CDialogWatch(Tick onTick = {}) : onTick_(std::move(onTick))
    {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 20, OnTimer);
        hook_ = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    }
    ~CDialogWatch()
    {
        KillTimer(nullptr, timer_);
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    CDialogWatch(const CDialogWatch&) = delete;
    CDialogWatch& operator=(const CDialogWatch&) = delete;

    bool seen = false;
    DialogLook first; // at the first tick: the load has started
    DialogLook last;  // as its window was destroyed
    std::vector<std::wstring> titles;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        CDialogWatch* self = current_;
        HWND dialog = self ? FindLoaderDialog() : nullptr;
        if (!dialog)
            return;
        self->dialog_ = dialog;
        DialogLook look = LookAt(dialog);
        if (!self->seen) {
            self->seen = true;
            self->first = look;
        }
        if (self->titles.empty() || self->titles.back() != look.title)
            self->titles.push_back(look.title);
        if (self->onTick_)
            self->onTick_(dialog, look);
    }
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
    {
        CDialogWatch* self = current_;
        if (self && code == HCBT_DESTROYWND) {
            HWND window = reinterpret_cast<HWND>(wParam);
            if (window == self->dialog_ || (!self->dialog_ && GetDlgItem(window, IDC_LOADER_PROGRESS))) {
                self->seen = true;
                self->last = LookAt(window, true);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline CDialogWatch* current_ = nullptr;
    Tick onTick_;
    UINT_PTR timer_ = 0;
    HHOOK hook_ = nullptr;
    HWND dialog_ = nullptr;
};

class LoaderDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(StateFolder().empty()) << "run by loader-dialog-under-wine.sh, which names its state folder";
        ASSERT_TRUE(listed_.Listed()) << "the serial device map cannot be written";
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }
    void TearDown() override
    {
        program_.Destroy();
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }

    CModelBase& Model() { return program_.Model(); }

    // The program started on `port` with the Firmware page shown and the firmware folder holding
    // qmcu0113.hex; returns once the first contact has ended.
    void StartOn(const wchar_t* port, DWORD trace = 0)
    {
        SaveString(L"Port", port);
        SaveString(L"FirmwareFolder", FirmwareFolder());
        SaveNumber(L"ActivePage", 1);
        SaveNumber(L"Trace", trace);
        ASSERT_TRUE(program_.Start(false));
        ASSERT_TRUE(program_.RunUntil([this] { return program_.ContactDone(); }));
        page_ = program_.Frame().TabView().ActivePage();
        ASSERT_NE(page_, nullptr);
        ASSERT_EQ(program_.Frame().TabView().ActiveIndex(), CTabView::LogPageIndex);
    }

    // The user presses "Send Firmware to MT6402"; returns when the whole command is over.
    void PressSend()
    {
        HWND button = GetDlgItem(page_, IDC_SEND_FIRMWARE);
        ASSERT_TRUE(IsWindowEnabled(button));
        SendMessageW(page_, WM_COMMAND, MAKEWPARAM(IDC_SEND_FIRMWARE, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }

    // The page's log, each line without its time stamp (a line that continues an entry has none).
    std::vector<std::wstring> PageLog()
    {
        std::vector<std::wstring> lines = Lines(RichEditText(GetDlgItem(page_, IDC_LOG)));
        for (std::wstring& line : lines)
            if (line.size() >= 9 && line[2] == L':' && line[5] == L':' && line[8] == L' ')
                line.erase(0, 9);
        return lines;
    }
    std::wstring PageText(int id) { return WindowText(GetDlgItem(page_, id)); }

    // Runs the program until the contact after the load has found the module.
    void WaitForModule() { ASSERT_TRUE(program_.WaitForModule()) << StatusBarText(program_.Frame().StatusBar()); }

    CListedPorts listed_{{kCleanModule, kFaultyModule, kWaitingLoader, kSlowModule}};
    CRealFrame program_;
    HWND page_ = nullptr;
};

// The lines a load of qmcu0113.hex begins with in the dialog, the module at `revision` before it.
std::vector<std::wstring> OpeningLines(const std::wstring& revision)
{
    return {L"MT6402 Utility Revision 1.0.0.1", L"OS Version ",
            L"MT6402 revision " + revision + L". RS-232 speed 9600 bit/s.",
            L"Sending firmware file " + FirmwareFolder() + L"\\qmcu0113.hex to MT6402"};
}

TEST_F(LoaderDialogTest, AWholeLoadWithARejectionAndALostAnswerEndsVerifiedAndThePageShowsTheNewRevision)
{
    ASSERT_NO_FATAL_FAILURE(StartOn(kFaultyModule));
    EXPECT_EQ(PageText(IDC_INSTALLED_REVISION), L"01.12");
    bool loadingSeen = false;
    CDialogWatch watch([&](HWND, const DialogLook& look) {
        loadingSeen = loadingSeen || (look.position > 0 && look.position < look.maximum);
    });
    ASSERT_NO_FATAL_FAILURE(PressSend());

    ASSERT_TRUE(watch.seen);
    // Its registration's first StatusReset did not end the load: it had started and ran.
    EXPECT_EQ(watch.first.button, L"Cancel");
    EXPECT_TRUE(loadingSeen);
    EXPECT_EQ(watch.titles.back(), L"Sending MT6402 Firmware");
    std::vector<std::wstring> expected = OpeningLines(L"01.12");
    expected.insert(expected.end(), {L"Retry 1 successful at address 0x0940",
                                     L"Retry 1 successful at address 0x0A40, ", // and the fill bytes
                                     L"Waiting 3 seconds for reset to complete",
                                     L"Total number of retries was 2",
                                     L"Highest number of retries for any block was 1",
                                     L"Loaded MT6402 firmware revision " + FirmwareFolder() + L"\\qmcu0113.hex",
                                     L"MT6402 responded with revision 01.13",
                                     L"MT6402 verification succeeded",
                                     L"MT6402 firmware load is complete"});
    EXPECT_EQ(MissingInOrder(watch.last.log, expected), L"") << testing::PrintToString(watch.last.log);
    EXPECT_EQ(watch.last.log.back(), L"MT6402 firmware load is complete");
    EXPECT_FALSE(AnyLineContains(watch.last.log, kClickClose));
    EXPECT_EQ(watch.last.maximum, 235);
    EXPECT_EQ(watch.last.position, 235);
    // The dialog ended by itself, inside the machine's own end: the machine is gone.
    EXPECT_EQ(Model().LoaderMachine(), nullptr);
    EXPECT_EQ(StatusBarText(program_.Frame().StatusBar()), L"Ready");

    // The page asks the module again and shows what it now runs.
    ASSERT_NO_FATAL_FAILURE(WaitForModule());
    EXPECT_EQ(PageText(IDC_INSTALLED_REVISION), L"01.13");
    std::vector<std::wstring> page = PageLog();
    EXPECT_EQ(MissingInOrder(page, {L"Sending firmware file ", L"Total number of retries was 2",
                                    L"MT6402 firmware load is complete", L"Attempting to contact MT6402",
                                    L"Elapsed time: ", L"Ready"}),
              L"")
        << testing::PrintToString(page);
    // (The speed was 9600 bit/s already: no change either way.)
    EXPECT_FALSE(AnyLineContains(page, L"Change RS-232 speed"));
}

TEST_F(LoaderDialogTest, ALoadWithoutRetriesShowsNoStatisticsAndTheDialogFollowsItsLayoutAndCursorRules)
{
    ASSERT_NO_FATAL_FAILURE(StartOn(kCleanModule));
    const std::wstring before = PageText(IDC_INSTALLED_REVISION);
    bool checked = false;
    bool waitOverLog = false, waitOverCancel = true, focusOnButton = false, nothingSelected = false;
    RECT logBefore{}, logAfter{}, cancelBefore{}, cancelAfter{}, progressBefore{}, progressAfter{};
    RECT templateLog{12, 7, 408, 133}; // x, y, width, height in dialog units
    CDialogWatch watch([&](HWND dialog, const DialogLook& look) {
        if (checked || look.position < 1)
            return;
        checked = true;
        auto rectOf = [dialog](int id) {
            RECT r{};
            GetWindowRect(GetDlgItem(dialog, id), &r);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        MapDialogRect(dialog, &templateLog);
        logBefore = rectOf(IDC_LOG);
        cancelBefore = rectOf(IDCANCEL);
        progressBefore = rectOf(IDC_LOADER_PROGRESS);
        // The wait cursor shows over the log, not over Cancel, while the load runs.
        HWND log = GetDlgItem(dialog, IDC_LOG);
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        // The focus is on the button, and none of the log is selected.
        focusOnButton = GetFocus() == cancel;
        CHARRANGE selection{};
        SendMessageW(log, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        nothingSelected = selection.cpMin == selection.cpMax;
        waitOverLog = SendMessageW(log, WM_SETCURSOR, reinterpret_cast<WPARAM>(log), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) &&
                      GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
        SendMessageW(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(cancel), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        waitOverCancel = GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
        RECT window{};
        GetWindowRect(dialog, &window);
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 100, window.bottom - window.top + 60,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        logAfter = rectOf(IDC_LOG);
        cancelAfter = rectOf(IDCANCEL);
        progressAfter = rectOf(IDC_LOADER_PROGRESS);
    });
    ASSERT_NO_FATAL_FAILURE(PressSend());

    ASSERT_TRUE(checked);
    EXPECT_EQ(MissingInOrder(watch.last.log, OpeningLines(before)), L"") << testing::PrintToString(watch.last.log);
    EXPECT_FALSE(AnyLineContains(watch.last.log, L"retries")) << testing::PrintToString(watch.last.log);
    EXPECT_FALSE(AnyLineContains(watch.last.log, L"Retry"));
    EXPECT_EQ(watch.last.log.back(), L"MT6402 firmware load is complete");
    EXPECT_TRUE(waitOverLog);
    EXPECT_FALSE(waitOverCancel);
    EXPECT_TRUE(focusOnButton);
    EXPECT_TRUE(nothingSelected);
    // The template's rectangle, then: the log grows both ways, the bar widens and moves down,
    // Cancel moves with the corner.
    EXPECT_EQ(logBefore.left, templateLog.left);
    EXPECT_EQ(logBefore.top, templateLog.top);
    EXPECT_EQ(logBefore.right - logBefore.left, templateLog.right);
    EXPECT_EQ(logBefore.bottom - logBefore.top, templateLog.bottom);
    EXPECT_EQ(logAfter.right - logBefore.right, 100);
    EXPECT_EQ(logAfter.bottom - logBefore.bottom, 60);
    EXPECT_EQ(logAfter.left, logBefore.left);
    EXPECT_EQ(progressAfter.right - progressBefore.right, 100);
    EXPECT_EQ(progressAfter.top - progressBefore.top, 60);
    EXPECT_EQ(progressAfter.left, progressBefore.left);
    EXPECT_EQ(cancelAfter.left - cancelBefore.left, 100);
    EXPECT_EQ(cancelAfter.top - cancelBefore.top, 60);
    EXPECT_EQ(cancelAfter.right - cancelAfter.left, cancelBefore.right - cancelBefore.left);
    ASSERT_NO_FATAL_FAILURE(WaitForModule());
    EXPECT_EQ(PageText(IDC_INSTALLED_REVISION), L"01.13");
}

// An image the loader cannot use ends the load at its start: nothing but the contact's ";" and "V"
// reaches the module, and the dialog stays open with the code until "Close".
TEST_F(LoaderDialogTest, AFileTheLoaderRefusesShowsItsCodeAndReachesTheModuleNever)
{
    // A zero word and a zero sum: 0x1234 + 0xEDCC = 0x10000, every other word 0.
    std::string zeroSum;
    for (uint32_t address = 0x0800; address < 0x7DC0; address += 16) {
        std::vector<uint8_t> data(16, 0);
        if (address == 0x0800)
            data = {0, 0, 0x12, 0x34, 0xED, 0xCC, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        zeroSum += HexData(static_cast<uint16_t>(address), data);
    }
    struct Case {
        std::string text;
        const wchar_t* codeLine;
    } cases[] = {
        {zeroSum + kHexEnd, L"Error code 0xA2000047: The computed checksum reconciliation word is zero"},
        {HexData(0x0800, {0x12, 0x34}) + kHexEnd, L"Error code 0xE2000041: Input hex file is corrupt, check sum is not zero"},
    };
    ASSERT_NO_FATAL_FAILURE(StartOn(kCleanModule));
    const std::wstring installed = PageText(IDC_INSTALLED_REVISION);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.codeLine));
        TempFolder folder;
        folder.WriteFile(L"qmcu0113.hex", c.text);
        Model().FirmwareFolder.Set(folder.Path());
        ASSERT_TRUE(program_.RunUntil([this] { return program_.ContactDone(); }));
        CSimulatorLog module(kCleanModule);
        DialogLook shown;
        CDialogWatch watch([&](HWND dialog, const DialogLook& look) {
            if (look.button != L"Close" || !shown.log.empty())
                return;
            shown = LookAt(dialog, true);
            Press(dialog, IDCANCEL);
        });
        ASSERT_NO_FATAL_FAILURE(PressSend());

        ASSERT_FALSE(shown.log.empty()) << "the dialog did not wait for Close";
        EXPECT_EQ(MissingInOrder(shown.log, {L"MT6402 revision " + installed + L". RS-232 speed 9600 bit/s.", c.codeLine,
                                             L"Make sure the MT6402 is powered and its cable connected", kClickClose}),
                  L"")
            << testing::PrintToString(shown.log);
        EXPECT_EQ(shown.log.back(), kClickClose);
        EXPECT_FALSE(AnyLineContains(shown.log, L"Sending firmware file"));
        EXPECT_EQ(shown.title, L"Sending MT6402 Firmware");
        EXPECT_EQ(shown.position, 0) << "an earlier load's progress is not this one's";
        const std::string received = module.Received();
        EXPECT_EQ(received.find_first_not_of(";V"), std::string::npos) << received;
        // The page's log has the lines the dialog reported.
        EXPECT_TRUE(AnyLineContains(PageLog(), c.codeLine));
        ASSERT_NO_FATAL_FAILURE(WaitForModule());
        EXPECT_EQ(PageText(IDC_INSTALLED_REVISION), installed) << "the module kept its firmware";
    }
}

TEST_F(LoaderDialogTest, WithTraceOnAVerifiedLoadStaysOpenUntilCloseAndThenEndsWithOk)
{
    ASSERT_NO_FATAL_FAILURE(StartOn(kCleanModule, 1));
    Model().FirmwareFile.Set(CRevisionedFileName(FirmwareFolder() + L"\\qmcu0113.hex"));
    DialogLook shown;
    HWND frame = program_.Window();
    bool frameDisabledMeanwhile = true, frameEnabledOnClose = false;
    CDialogWatch watch([&](HWND dialog, const DialogLook& look) {
        frameDisabledMeanwhile = frameDisabledMeanwhile && !IsWindowEnabled(frame);
        if (look.button != L"Close" || !shown.log.empty())
            return;
        shown = LookAt(dialog, true);
        Press(dialog, IDCANCEL);
        // As the dialog hides, its owner takes the keys again (the next Esc is the owner's).
        frameEnabledOnClose = IsWindowEnabled(frame) && !IsWindowVisible(dialog);
    });
    CMcuLoaderDlg dialog(Model());
    EXPECT_EQ(dialog.DoModal(page_), IDOK);
    EXPECT_TRUE(frameDisabledMeanwhile) << "a modal dialog disables the window that owns it";
    EXPECT_TRUE(frameEnabledOnClose);
    EXPECT_TRUE(IsWindowEnabled(frame));

    ASSERT_FALSE(shown.log.empty()) << "the dialog did not stay open";
    EXPECT_EQ(shown.log.back(), kClickClose);
    EXPECT_EQ(MissingInOrder(shown.log, {L"DetermineSpeedState Send \";\"", L"LoadFirmwareInitialState Send 68 bytes 0x",
                                         L"QueryRevisionState Response \"V1.13;\"", L"MT6402 verification succeeded",
                                         L"MT6402 firmware load is complete", kClickClose}),
              L"")
        << testing::PrintToString(shown.log);
    EXPECT_EQ(dialog.LoadResult(), 0u);
}

// Closing during a load asks first: "No" leaves the load running, "Yes" ends the dialog and the load
// where it was. The port then gets its speed back and the module is looked for again.
TEST_F(LoaderDialogTest, CancelDuringALoadAsksNoGoesOnYesEndsAndTheSpeedComesBack)
{
    ASSERT_NO_FATAL_FAILURE(StartOn(kSlowModule));
    Model().PortSpeed.Set(38400);
    ASSERT_EQ(Model().PortSpeed.Get(), 38400u);
    ScriptedAnswers answers({ANSWER_NO, ANSWER_YES});
    int positionAtNo = -1;
    bool goneOnAfterNo = false;
    CDialogWatch watch([&](HWND dialog, const DialogLook& look) {
        if (positionAtNo < 0 && look.position >= 2) {
            positionAtNo = look.position;
            Press(dialog, IDCANCEL); // "No"
        } else if (positionAtNo >= 0 && !goneOnAfterNo && look.position > positionAtNo) {
            goneOnAfterNo = look.button == L"Cancel";
            Press(dialog, IDCANCEL); // "Yes"
        }
    });
    ASSERT_NO_FATAL_FAILURE(PressSend());

    EXPECT_TRUE(goneOnAfterNo) << "the load did not go on after No";
    ASSERT_EQ(answers.asked.size(), 2u);
    for (const UserQuestion& question : answers.asked) {
        EXPECT_EQ(question.caption, L"Critical Operation in Progress");
        EXPECT_EQ(question.text, L"Are you sure you wish to close the MT6402 Utility while loading firmware?");
        EXPECT_EQ(question.flags, MB_FLAG_YESNO | MB_FLAG_DEFBUTTON2 | MB_FLAG_ICONWARNING);
    }
    EXPECT_LT(watch.last.position, 235) << "the load stopped where it was";
    EXPECT_EQ(watch.last.button, L"Cancel");
    EXPECT_EQ(Model().LoaderMachine(), nullptr);
    // (The contact that follows opens the port at 9600 bit/s again.)
    std::vector<std::wstring> page = PageLog();
    EXPECT_EQ(MissingInOrder(page, {L"Change RS-232 speed to 9600 bit/s", L"Sending firmware file ",
                                    L"Change RS-232 speed to 38400 bit/s", L"Attempting to contact MT6402",
                                    L"Elapsed time: ", L"Ready"}),
              L"")
        << testing::PrintToString(page);
    EXPECT_FALSE(program_.ContactDone()) << "the module is looked for again";
}

// A module whose bootstrap loader waits (an earlier load was interrupted) answers the poll but not
// "V": it can still be loaded, and the port keeps the speed the new firmware talks at.
TEST_F(LoaderDialogTest, AWaitingBootstrapLoaderIsLoadedAndThePortKeepsTheSpeedItEndsWith)
{
    ASSERT_NO_FATAL_FAILURE(StartOn(kWaitingLoader));
    EXPECT_EQ(Model().FirmwareStatus.Get(), FirmwareStatusNone);
    EXPECT_EQ(Model().ContactMachine()->GetResult(), 0xE200000Du);
    Model().PortSpeed.Set(38400);
    CSimulatorLog module(kWaitingLoader);
    CCapturedQuestions answers;
    CDialogWatch watch;
    ASSERT_NO_FATAL_FAILURE(PressSend());

    EXPECT_TRUE(answers.questions.empty()) << answers.questions.front().text;
    EXPECT_EQ(watch.last.log.back(), L"MT6402 firmware load is complete") << testing::PrintToString(watch.last.log);
    EXPECT_EQ(MissingInOrder(watch.last.log, OpeningLines(L"??.??")), L"") << testing::PrintToString(watch.last.log);
    EXPECT_FALSE(AnyLineContains(watch.last.log, L"Error code"));
    // A single "D": the running firmware was not asked to start its loader.
    const std::string received = module.Received();
    EXPECT_EQ(received.substr(0, 2), ";D") << received.substr(0, 40);
    std::vector<std::wstring> page = PageLog();
    EXPECT_EQ(MissingInOrder(page, {L"Change RS-232 speed to 9600 bit/s", L"Elapsed time: "}), L"")
        << testing::PrintToString(page);
    EXPECT_FALSE(AnyLineContains(page, L"Change RS-232 speed to 38400 bit/s"));
    ASSERT_NO_FATAL_FAILURE(WaitForModule());
    EXPECT_EQ(PageText(IDC_INSTALLED_REVISION), L"01.13");
}

} // namespace
