// Sequential file reading and the reports of the reader's failures.
#include "firmware/FileRead.h"

#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "platform/UserQuestions.h"

#include "RecordingTarget.h"
#include "ScriptedAnswers.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring FailedOn(const wchar_t* operation, const std::wstring& file, uint32_t code)
{
    return std::wstring(operation) + L" failed on \"" + file + L"\"\r\nError 0x" + Format(L"%08X", code) + L": " +
           ErrorText(code);
}

TEST(FileRead, ReadsTheWholeFileInPiecesWithoutReports)
{
    TempFolder folder;
    const std::string content = "{\\rtf1 release notes}\r\n" + std::string(5000, 'x');
    const std::wstring path = folder.WriteFile(L"mt6402fwnotes.rtf", content);
    RecordingTarget owner;
    ScriptedAnswers answers({});
    CFileRead2 reader(&owner);
    ASSERT_TRUE(reader.OpenForRead(path));
    EXPECT_TRUE(reader.IsOpen());
    EXPECT_EQ(reader.GetFileName(), path);
    EXPECT_EQ(reader.GetSize(), content.size());

    std::string read;
    char chunk[1024];
    uint32_t got = 0;
    do {
        ASSERT_TRUE(reader.ReadBytes(chunk, sizeof chunk, got));
        read.append(chunk, got);
    } while (got == sizeof chunk);
    EXPECT_EQ(read, content);
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_TRUE(answers.asked.empty());
}

TEST(FileRead, EachFailureIsReportedOnceAndShownWithTheCaption)
{
    TempFolder folder;
    const std::wstring missing = folder.Join(L"missing.rtf");
    const std::wstring directory = folder.MakeFolder(L"notes.rtf");
    const struct {
        const char* what;
        TextArg caption;
        std::wstring path;
        uint32_t code;
        std::wstring expectedCaption;
    } cases[] = {
        {"missing file, caption text", TextArg(L"Release Notes Error"), missing, ERROR_CODE_FILE_NOT_FOUND,
         L"Release Notes Error"},
        {"missing file, caption id", TextArg(StringId{IDS_RELEASE_NOTES_ERROR}), missing, ERROR_CODE_FILE_NOT_FOUND,
         LoadStringResource(IDS_RELEASE_NOTES_ERROR)},
        {"a folder, no caption", TextArg(L""), directory, ERROR_CODE_ACCESS_DENIED, L"Error"},
    };
    for (const auto& c : cases) {
        RecordingTarget owner; // top-level: the error box's line is the one report it gets
        ScriptedAnswers answers({});
        CFileRead2 reader(&owner, c.caption);
        SetLastErrorCode(0);
        EXPECT_FALSE(reader.OpenForRead(c.path)) << c.what;
        EXPECT_EQ(GetLastErrorCode(), c.code) << c.what;
        EXPECT_FALSE(reader.IsOpen());
        const std::wstring text = FailedOn(L"CreateFile", c.path, c.code);
        EXPECT_EQ(owner.Texts(WM_REPORT_TEXT), std::vector<std::wstring>{text}) << c.what;
        ASSERT_EQ(answers.asked.size(), 1u) << c.what;
        EXPECT_EQ(answers.asked[0].owner, &owner);
        EXPECT_EQ(answers.asked[0].text, text);
        EXPECT_EQ(answers.asked[0].caption, c.expectedCaption) << c.what;
        EXPECT_EQ(answers.asked[0].flags, MB_FLAG_OK | MB_FLAG_ICONERROR);
    }
}

TEST(FileRead, AnOwnerInsideAFrameReportsToTheFrameAndShowsTheBox)
{
    RecordingTarget frame, page;
    page.parent = &frame;
    ScriptedAnswers answers({});
    CFileRead2 reader(&page);
    // Never opened: size and read fail on the invalid handle.
    SetLastErrorCode(0);
    EXPECT_EQ(reader.GetSize(), 0xFFFFFFFFu);
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);
    char buffer[4];
    uint32_t got = 99;
    EXPECT_FALSE(reader.ReadBytes(buffer, sizeof buffer, got));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);

    const std::vector<std::wstring> expected = {FailedOn(L"GetFileSize", L"", 6), FailedOn(L"ReadFile", L"", 6)};
    EXPECT_EQ(frame.Texts(WM_REPORT_TEXT), expected);
    EXPECT_EQ(page.Texts(WM_REPORT_TEXT), expected);
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_EQ(answers.asked[1].owner, &page);
    EXPECT_EQ(answers.asked[1].caption, L"Error");
}

TEST(FileRead, TheHandleMovesWithTheReaderAndClosesOnce)
{
    TempFolder folder;
    const std::wstring path = folder.WriteFile(L"a.txt", "abc");
    CFileRead first;
    ASSERT_TRUE(first.Open(path));
    CFileRead second = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    ASSERT_TRUE(second.IsOpen());
    EXPECT_EQ(second.GetSize(), 3u);
    second.Close();
    EXPECT_FALSE(second.IsOpen());
}

} // namespace
