// Creating folder paths and asking before a missing firmware folder is created.
#include "firmware/FirmwareFolder.h"

#include "platform/Directories.h"
#include "platform/LastError.h"
#include "platform/UserQuestions.h"

#include "ScriptedAnswers.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

std::wstring Sep() { return std::wstring(1, PathSeparator()); }

TEST(CreateFolderPath, CreatesEveryMissingLevel)
{
    TempFolder temp;
    const struct {
        std::wstring path;
        std::wstring check;
    } cases[] = {
        {temp.Join(L"a" + Sep() + L"b" + Sep() + L"c"), temp.Join(L"a" + Sep() + L"b" + Sep() + L"c")},
        {temp.Join(L"d" + Sep() + L"e" + Sep() + Sep()), temp.Join(L"d" + Sep() + L"e")},
        {temp.Join(L"a" + Sep() + L"b"), temp.Join(L"a" + Sep() + L"b")}, // exists already
        {temp.Path(), temp.Path()},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(CreateFolderPath(c.path)) << testing::PrintToString(c.path);
        EXPECT_TRUE(IsExistingDirectory(c.check)) << testing::PrintToString(c.check);
    }
}

TEST(CreateFolderPath, FailsBelowAFileAndForNothing)
{
    TempFolder temp;
    const std::wstring file = temp.WriteFile(L"file.txt", "x");
    SetLastErrorCode(0);
    EXPECT_FALSE(CreateFolderPath(file + Sep() + L"sub" + Sep() + L"deeper"));
    EXPECT_NE(GetLastErrorCode(), 0u);
    EXPECT_FALSE(IsExistingDirectory(file + Sep() + L"sub"));
    EXPECT_FALSE(CreateFolderPath(L""));
}

TEST(JoinFolderPath, PutsExactlyOneSeparatorBetween)
{
    const std::wstring folder = L"fw";
    EXPECT_EQ(JoinFolderPath(folder, L"x.hex"), L"fw" + Sep() + L"x.hex");
    EXPECT_EQ(JoinFolderPath(folder + Sep() + Sep(), L"x.hex"), L"fw" + Sep() + L"x.hex");
}

TEST(EnsureFolderExists, AnExistingFolderAsksNothing)
{
    TempFolder temp;
    ScriptedAnswers answers({});
    EXPECT_TRUE(EnsureFolderExists(nullptr, temp.Path()));
    EXPECT_TRUE(answers.asked.empty());
}

TEST(EnsureFolderExists, AsksWithTheFolderNameAndCreatesItOnYes)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"Norvanta" + Sep() + L"MT6402 Firmware");
    ScriptedAnswers answers({ANSWER_YES});
    EXPECT_TRUE(EnsureFolderExists(nullptr, path));
    EXPECT_TRUE(IsExistingDirectory(path));
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].text, L"Folder \"" + path + L"\" does not exist. Do you want to create it now?");
    EXPECT_EQ(answers.asked[0].caption, L"Create folder");
    EXPECT_EQ(answers.asked[0].flags, MB_FLAG_YESNO | MB_FLAG_ICONINFORMATION);
}

TEST(EnsureFolderExists, NoLeavesTheFolderMissing)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"declined");
    ScriptedAnswers answers({ANSWER_NO});
    EXPECT_FALSE(EnsureFolderExists(nullptr, path));
    EXPECT_FALSE(IsExistingDirectory(path));
    EXPECT_EQ(answers.asked.size(), 1u);
}

TEST(EnsureFolderExists, AsksAgainAfterEveryFailedCreationUntilNo)
{
    TempFolder temp;
    const std::wstring path = temp.WriteFile(L"file.txt", "x") + Sep() + L"sub";
    ScriptedAnswers answers({ANSWER_YES, ANSWER_YES, ANSWER_NO});
    EXPECT_FALSE(EnsureFolderExists(nullptr, path));
    EXPECT_EQ(answers.asked.size(), 3u);
}

} // namespace
