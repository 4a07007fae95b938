// The Release Notes window under Wine: opening the folder's notes file, its failures, and the frame's one window.
#include "ui/ReleaseInfoDlg.h"

#include <richedit.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "DialogScript.h"
#include "FrameFixture.h"
#include "ResourceIds.h"
#include "TempFolder.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/StringTable.h"

namespace {

constexpr wchar_t kTitle[] = L"Firmware Release Notes";
constexpr wchar_t kNotesFile[] = L"mt6402fwnotes.rtf";

const char kNotes[] = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                      "\\pard\\b\\fs24 MT6402 Firmware 1.12\\b0\\par"
                      "\\fs18 Scanning resumes after a squelch break.\\par}";

std::string ToNarrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Owns a file handle a test holds open, closed once.
class HeldFile {
public:
    explicit HeldFile(HANDLE handle) : handle_(handle) {}
    ~HeldFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class ReleaseInfoDlgTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        notesPath_ = folder_.Join(kNotesFile);
    }
    void WriteNotes(std::string_view rtf) { folder_.WriteFile(kNotesFile, rtf); }
    std::vector<AskedQuestion>& Questions() { return questions_; }

    TempFolder folder_;
    std::wstring notesPath_;
};

TEST_F(ReleaseInfoDlgTest, FolderWithOrWithoutTrailingBackslashesGivesOnePath)
{
    const std::wstring missingBox = Format(StringId{IDS_RELEASE_NOTES_OPEN_FAILED}, notesPath_);
    for (const wchar_t* ending : {L"", L"\\", L"\\\\\\"}) {
        SCOPED_TRACE(ToNarrow(ending));
        const std::wstring folder = folder_.Path() + ending;
        // No file yet: the box names the path.
        Questions().clear();
        EXPECT_TRUE(OpenReleaseNotes(Frame(), folder) == nullptr);
        ASSERT_EQ(Questions().size(), 1u);
        EXPECT_EQ(Questions()[0].text, missingBox);
        // With the file the window shows it.
        WriteNotes(kNotes);
        std::unique_ptr<CReleaseInfoDlg> notes = OpenReleaseNotes(Frame(), folder);
        ASSERT_NE(notes, nullptr);
        EXPECT_EQ(notes->Path(), notesPath_);
        DeleteFileW(notesPath_.c_str());
    }
}

TEST_F(ReleaseInfoDlgTest, ShowsTheNotesRenderedInATopLevelReadOnlyWindow)
{
    WriteNotes(kNotes);
    std::unique_ptr<CReleaseInfoDlg> notes = OpenReleaseNotes(Frame(), folder_.Path());
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(Questions().empty());
    HWND window = notes->Handle();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(WindowText(window), kTitle);
    // Its parent is the desktop: not owned by the frame, and the frame stays usable beside it.
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsWindowEnabled(Frame()));
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME);
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0) << "the program's icon in the task bar";

    HWND document = notes->Document();
    const std::wstring text = RichEditText(document);
    EXPECT_EQ(text, L"MT6402 Firmware 1.12\rScanning resumes after a squelch break.");
    EXPECT_TRUE(IsBold(document, 0, 20));
    EXPECT_FALSE(IsBold(document, 21, 29));
    EXPECT_TRUE(GetWindowLongPtrW(document, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(SendMessageW(document, EM_GETAUTOURLDETECT, 0, 0), 0);
    EXPECT_TRUE(OffersEditMenu(document));
}

TEST_F(ReleaseInfoDlgTest, LongNotesArriveWhole)
{
    // More text than a rich edit takes before its limit is raised (32767 characters).
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs18 ";
    std::wstring expected;
    for (int line = 1; line <= 2000; ++line) {
        std::string entry = "Change " + std::to_string(line) + ": the loader retries a rejected block.";
        rtf += entry + "\\par\n";
        expected += std::wstring(entry.begin(), entry.end()) + L"\r";
    }
    rtf += "}";
    expected.pop_back(); // the last paragraph mark is the document's end, not text
    ASSERT_GT(expected.size(), 65536u);
    WriteNotes(rtf);
    std::unique_ptr<CReleaseInfoDlg> notes = OpenReleaseNotes(Frame(), folder_.Path());
    ASSERT_NE(notes, nullptr);
    const std::wstring text = RichEditText(notes->Document());
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected) << "the text differs from the file's";
    EXPECT_GE(static_cast<size_t>(SendMessageW(notes->Document(), EM_GETLIMITTEXT, 0, 0)), rtf.size());
    // The reader starts at the top, with the keyboard in the text.
    CHARRANGE selection{-1, -1};
    SendMessageW(notes->Document(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, 0);
    EXPECT_EQ(selection.cpMax, 0);
    EXPECT_EQ(SendMessageW(notes->Document(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_EQ(GetFocus(), notes->Document());
}

// A window that cannot show the notes is gone at once; the box, if any, comes from the dialog.
struct FailureCase {
    const char* name;
    std::function<std::unique_ptr<CReleaseInfoDlg>()> open;
    std::wstring box; // empty: no box
};

TEST_F(ReleaseInfoDlgTest, NotesThatCannotBeShownLeaveNoWindow)
{
    const FailureCase cases[] = {
        {"no path",
         [] {
             auto dialog = std::make_unique<CReleaseInfoDlg>(L"");
             return dialog->Create(GetDesktopWindow()) && dialog->Handle() ? std::move(dialog) : nullptr;
         },
         L"Release Notes file \"mt6402fwnotes.rtf\" was not found in the Firmware Folder"},
        {"file held open by another program",
         [this] {
             WriteNotes(kNotes);
             HeldFile held(CreateFileW(notesPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
             EXPECT_TRUE(held.IsOpen());
             return OpenReleaseNotes(Frame(), folder_.Path());
         },
         L"Unable to open Firmware Release Notes file \"" + notesPath_ + L"\""},
        // The control refuses to read it as RTF: the empty window goes at once, without a box.
        {"not an RTF document",
         [this] {
             WriteNotes(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
             return OpenReleaseNotes(Frame(), folder_.Path());
         },
         L""},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        Questions().clear();
        std::unique_ptr<CReleaseInfoDlg> notes = c.open();
        EXPECT_TRUE(notes == nullptr) << "the window was opened";
        Pump();
        EXPECT_TRUE(ThreadDialogs(kTitle).empty()) << "a window was left";
        DeleteFileW(notesPath_.c_str());
        if (c.box.empty()) {
            EXPECT_TRUE(Questions().empty());
            continue;
        }
        ASSERT_EQ(Questions().size(), 1u);
        const AskedQuestion& box = Questions()[0];
        EXPECT_EQ(box.text, c.box);
        EXPECT_EQ(box.caption, L"Release Notes Error");
        EXPECT_EQ(box.flags, MB_FLAG_OK | MB_FLAG_ICONERROR);
        // Owned by the dialog, which has destroyed itself since.
        EXPECT_EQ(box.ownerTitle, kTitle);
        EXPECT_FALSE(IsWindow(box.owner));
    }
}

TEST_F(ReleaseInfoDlgTest, FrameCommandWithoutNotesShowsTheBoxOverTheFrame)
{
    Model().FirmwareFolder.Set(folder_.Path() + L"\\");
    Command(ID_HELP_RELEASE_NOTES);
    ASSERT_EQ(Questions().size(), 1u);
    const AskedQuestion& box = Questions()[0];
    EXPECT_EQ(box.text, L"Unable to open Firmware Release Notes file \"" + notesPath_ + L"\"");
    EXPECT_EQ(box.caption, L"Release Notes Error");
    EXPECT_EQ(box.flags, MB_FLAG_OK | MB_FLAG_ICONERROR);
    EXPECT_EQ(box.owner, Frame());
    EXPECT_TRUE(ThreadDialogs(kTitle).empty());
}

TEST_F(ReleaseInfoDlgTest, FrameKeepsOneWindowTheNewestUntilItCloses)
{
    WriteNotes(kNotes);
    Model().FirmwareFolder.Set(folder_.Path());
    Command(ID_HELP_RELEASE_NOTES);
    std::vector<HWND> first = ThreadDialogs(kTitle);
    ASSERT_EQ(first.size(), 1u);
    Command(ID_HELP_RELEASE_NOTES);
    std::vector<HWND> second = ThreadDialogs(kTitle);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_FALSE(IsWindow(first[0]));
    EXPECT_TRUE(IsWindowVisible(second[0]));
    EXPECT_TRUE(Questions().empty());

    // The user goes on working in the frame; the notes stay open.
    const int trace = Model().Trace.Get();
    Command(ID_VIEW_TRACE);
    Pump();
    EXPECT_NE(Model().Trace.Get(), trace);
    EXPECT_TRUE(IsWindowVisible(second[0]));

    DestroyWindow(Frame());
    EXPECT_FALSE(IsWindow(second[0]));
}

// "Close", Esc and the close box each destroy the window; the next command opens a new one.
TEST_F(ReleaseInfoDlgTest, CloseEscAndTheCloseBoxDestroyTheWindow)
{
    const struct {
        const char* name;
        std::function<void(HWND)> close;
    } ways[] = {
        {"Close", [](HWND notes) { PressButton(notes, IDCANCEL); }},
        {"Esc in the text",
         [](HWND notes) { PostMessageW(GetDlgItem(notes, IDC_DOCUMENT), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"Esc on the button", [](HWND notes) { PostMessageW(GetDlgItem(notes, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](HWND notes) { PostMessageW(notes, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    WriteNotes(kNotes);
    Model().FirmwareFolder.Set(folder_.Path());
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Command(ID_HELP_RELEASE_NOTES);
        HWND notes = FindThreadDialog(kTitle);
        ASSERT_NE(notes, nullptr);
        way.close(notes);
        Pump();
        EXPECT_FALSE(IsWindow(notes));
        EXPECT_TRUE(IsWindow(Frame()));
    }
}

} // namespace
