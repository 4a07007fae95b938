// Which local file is the firmware file, which server files are copied, and the folder scan.
#include "firmware/FirmwareFiles.h"

#include "model/StringTable.h"
#include "platform/Directories.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

CFirmwareFiles Considered(const Names& paths)
{
    CFirmwareFiles files;
    for (const auto& path : paths)
        files.Consider(path);
    return files;
}

TEST(FirmwareFiles, FixedNamesMatchTheStringTable)
{
    EXPECT_EQ(LoadStringResource(IDS_RELEASE_NOTES_FILE), kReleaseNotesFileName);
    EXPECT_EQ(LoadStringResource(IDS_FIRMWARE_PREFIX), kFirmwareBaseName);
}

TEST(FirmwareFiles, IsFirmwareFileNeedsHexExtensionPrefixAndNoFinalB)
{
    const struct {
        const wchar_t* name;
        bool expected;
    } cases[] = {
        {L"qmcu0112.hex", true},        {L"QMCU_0112.HEX", true},      {L"qmcu.hex", true},
        {L"C:\\fw\\qmcu0112.hex", true}, {L"/fw/Qmcu0112.Hex", true},   {L"qmcu0112B.hex", false},
        {L"qmcu0112b.HEX", false},      {L"qmcu0112.hex.txt", false},  {L"qmc0112.hex", false},
        {L"xqmcu0112.hex", false},      {L"qmcu0112.hx", false},       {L"qmcu0112", false},
        {L"mt6402fwnotes.rtf", false},  {L".hex", false},              {L"", false},
    };
    CFirmwareFiles files;
    for (const auto& c : cases)
        EXPECT_EQ(files.IsFirmwareFile(c.name), c.expected) << testing::PrintToString(std::wstring(c.name));
}

TEST(FirmwareFiles, IsWantedTakesTheNotesAndOnlyNewerFirmware)
{
    const struct {
        const wchar_t* name;
        bool withoutHeldFile;
        bool withRevision112Held;
    } cases[] = {
        {L"mt6402fwnotes.rtf", true, true}, {L"MT6402FWNotes.RTF", true, true}, {L"qmcu0113.hex", true, true},
        {L"qmcu0112.hex", true, false},     {L"qmcu0111.hex", true, false},     {L"qmcu0113B.hex", false, false},
        {L"mt6402fwnotes.txt", false, false}, {L"readme.hex", false, false},
    };
    CFirmwareFiles empty;
    CFirmwareFiles held = Considered({L"/fw/qmcu0112.hex"});
    for (const auto& c : cases) {
        EXPECT_EQ(empty.IsWanted(c.name), c.withoutHeldFile) << testing::PrintToString(std::wstring(c.name));
        EXPECT_EQ(held.IsWanted(c.name), c.withRevision112Held) << testing::PrintToString(std::wstring(c.name));
    }
}

TEST(FirmwareFiles, ConsiderKeepsTheHighestRevisionAndTheFirstAmongEquals)
{
    const struct {
        Names paths;
        const wchar_t* firmware;
        uint16_t revision;
        const wchar_t* notes;
    } cases[] = {
        {{L"/fw/qmcu0110.hex", L"/fw/qmcu0112.hex", L"/fw/qmcu0111.hex"}, L"/fw/qmcu0112.hex", 112, L""},
        {{L"/fw/qmcu0112.hex", L"/fw/qmcu0113B.hex"}, L"/fw/qmcu0112.hex", 112, L""},
        {{L"/fw/qmcu0113B.hex"}, L"", 0, L""},
        {{L"/fw/qmcu.hex"}, L"/fw/qmcu.hex", 0, L""},
        {{L"/fw/qmcu0112.hex", L"/fw/qmcu_0112.hex"}, L"/fw/qmcu0112.hex", 112, L""},
        {{L"/fw/qmcu_0112.hex", L"/fw/qmcu0112.hex"}, L"/fw/qmcu_0112.hex", 112, L""},
        {{L"/fw/MT6402FWNOTES.RTF", L"/fw/qmcu0112.hex"}, L"/fw/qmcu0112.hex", 112, L"/fw/MT6402FWNOTES.RTF"},
        {{L"/fw/mt6402fwnotes.txt", L"/fw/readme.txt"}, L"", 0, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        CFirmwareFiles files = Considered(c.paths);
        EXPECT_EQ(files.GetFirmwareFile().GetPath(), c.firmware);
        EXPECT_EQ(files.GetFirmwareFile().GetRevision(), c.revision);
        EXPECT_EQ(files.GetNotesFile().GetPath(), c.notes);
        EXPECT_EQ(files.HasFirmwareFile(), *c.firmware != 0);
        EXPECT_EQ(files.IsUsable(), *c.firmware != 0);
        EXPECT_EQ(files.HasNotesFile(), *c.notes != 0);
        EXPECT_EQ(files.IsEmpty(), *c.firmware == 0 && *c.notes == 0);
    }
}

TEST(FirmwareFiles, ClearForgetsBothFiles)
{
    CFirmwareFiles files = Considered({L"/fw/qmcu0112.hex", L"/fw/mt6402fwnotes.rtf"});
    ASSERT_FALSE(files.IsEmpty());
    files.Clear();
    EXPECT_TRUE(files.IsEmpty());
    EXPECT_FALSE(files.IsUsable());
    EXPECT_EQ(files.GetFirmwareFile().GetRevision(), 0);
}

TEST(FirmwareFiles, ConsiderServerFileBuildsTheCopyList)
{
    const struct {
        Names local;
        Names server;
        Names expected;
    } cases[] = {
        {{L"/fw/qmcu0112.hex"},
         {L"mt6402fwnotes.rtf", L"qmcu0112.hex", L"qmcu0113.hex"},
         {L"mt6402fwnotes.rtf", L"qmcu0113.hex"}},
        // No local firmware: every server firmware file is a candidate, the highest stays.
        {{}, {L"qmcu0110.hex", L"qmcu0112.hex", L"qmcu0111.hex"}, {L"qmcu0112.hex"}},
        // The final-"B" rule does not apply to the server.
        {{L"/fw/qmcu0113.hex"}, {L"qmcu0114B.hex", L"qmcu0113.hex"}, {L"qmcu0114B.hex"}},
        // Equal revisions: the first met stays.
        {{L"/fw/qmcu0112.hex"}, {L"qmcu0113.hex", L"qmcu_0113.hex"}, {L"qmcu0113.hex"}},
        {{}, {L"readme.txt", L"qmcu0113.hex.txt", L"QMCU0120.HEX", L"mt6402fwnotes.txt"}, {L"QMCU0120.HEX"}},
        {{L"/fw/qmcu0120.hex"}, {L"qmcu0113.hex", L"qmcu0120.hex"}, {}},
        // The firmware file is replaced in its place; the notes keep theirs.
        {{},
         {L"qmcu0113.hex", L"MT6402FWNOTES.RTF", L"qmcu0114.hex"},
         {L"qmcu0114.hex", L"MT6402FWNOTES.RTF"}},
        // Names given with a folder are listed by file name.
        {{}, {L"MT6402/firmware/qmcu0113.hex", L"MT6402/firmware/mt6402fwnotes.rtf"},
         {L"qmcu0113.hex", L"mt6402fwnotes.rtf"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        CFirmwareFiles files = Considered(c.local);
        Names list;
        for (const auto& name : c.server)
            files.ConsiderServerFile(name, list);
        EXPECT_EQ(list, c.expected);
    }
}

class FirmwareFolderScan : public testing::Test {
protected:
    TempFolder folder;
    void Write(const wchar_t* name) { folder.WriteFile(name, ":00000001FF\r\n"); }
};

TEST_F(FirmwareFolderScan, FindsTheHighestRevisionAndTheNotesByFullPath)
{
    for (const wchar_t* name : {L"qmcu0110.hex", L"qmcu0112.hex", L"qmcu0111.hex", L"qmcu0113B.hex",
                                L"MT6402FwNotes.rtf", L"mt6402fwnotes.txt", L"qmcu0119.hex.bak"})
        Write(name);
    // A folder with a firmware file's name is not a file to send.
    folder.MakeFolder(L"qmcu0200.hex");

    CFirmwareFiles files;
    for (const std::wstring& path : {folder.Path(), folder.Path() + PathSeparator()}) {
        files.Scan(path);
        EXPECT_EQ(files.GetFirmwareFile().GetPath(), folder.Join(L"qmcu0112.hex"));
        EXPECT_EQ(files.GetFirmwareFile().GetRevision(), 112);
        EXPECT_EQ(files.GetNotesFile().GetPath(), folder.Join(L"MT6402FwNotes.rtf"));
    }
}

TEST_F(FirmwareFolderScan, AFolderWithOnlyAnUnrevisionedFileGivesRevisionZero)
{
    Write(L"qmcu.hex");
    CFirmwareFiles files;
    files.Scan(folder.Path());
    EXPECT_TRUE(files.IsUsable());
    EXPECT_EQ(files.GetFirmwareFile().GetRevision(), 0);
    EXPECT_FALSE(files.HasNotesFile());
}

TEST_F(FirmwareFolderScan, EqualRevisionsKeepWhicheverTheFileSystemListsFirst)
{
    Write(L"qmcu0112.hex");
    Write(L"qmcu_0112.hex");
    CFirmwareFiles files;
    files.Scan(folder.Path());
    ASSERT_TRUE(files.HasFirmwareFile());
    EXPECT_EQ(files.GetFirmwareFile().GetRevision(), 112);
    const std::wstring found(files.GetFirmwareFile().GetFileName());
    EXPECT_TRUE(found == L"qmcu0112.hex" || found == L"qmcu_0112.hex");
}

TEST_F(FirmwareFolderScan, EveryScanStartsFromNothingAndAMissingFolderLeavesItEmpty)
{
    Write(L"qmcu0112.hex");
    Write(L"mt6402fwnotes.rtf");
    const std::filesystem::path before = std::filesystem::current_path();

    CFirmwareFiles files;
    files.Scan(folder.Path());
    ASSERT_FALSE(files.IsEmpty());
    files.Scan(folder.Join(L"missing"));
    EXPECT_TRUE(files.IsEmpty());
    files.Scan(L"");
    EXPECT_TRUE(files.IsEmpty());
    // The scan lists by full path; the process's current directory is never touched.
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(FirmwareFolderScan, ARelativeFolderIsListedWithFullPaths)
{
    const std::wstring sub = folder.MakeFolder(L"fw");
    folder.WriteFile(L"fw" + std::wstring(1, PathSeparator()) + L"qmcu0120.hex", ":00000001FF\r\n");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(folder.Path()));
    CFirmwareFiles files;
    files.Scan(L"fw");
    std::filesystem::current_path(before);
    EXPECT_EQ(files.GetFirmwareFile().GetRevision(), 120);
    // Compare through the file system: a temporary folder may be reached through a link.
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(files.GetFirmwareFile().GetPath()),
                                            std::filesystem::path(sub) / "qmcu0120.hex"));
}

} // namespace
