// Help: the file next to the executable, and the "Help Error" box when HTML Help cannot show a topic.
#include "app/Help.h"

#include <gtest/gtest.h>

#include "GuiEnvironment.h"

namespace {

std::wstring OwnPath()
{
    wchar_t buffer[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
    return std::wstring(buffer, length);
}

TEST(Help, FileIsTheExecutableWithChmExtension)
{
    std::wstring exe = OwnPath();
    ASSERT_GT(exe.size(), 4u);
    EXPECT_EQ(HelpFilePath(), exe.substr(0, exe.size() - 4) + L".chm");
}

// This test program has no help file of its own, so every help request fails with the box.
TEST(Help, MissingFileShowsHelpErrorBoxWithTheRequestedPath)
{
    CCapturedQuestions answers;
    EXPECT_FALSE(ShowHelpTopic(nullptr, L"CommandTester.htm#MacroEditor"));
    EXPECT_FALSE(ShowHelpContents(nullptr));
    EXPECT_FALSE(ShowHelpTopic(nullptr, L""));
    ASSERT_EQ(answers.questions.size(), 3u);
    for (const UserQuestion& question : answers.questions) {
        EXPECT_EQ(question.caption, L"Help Error");
        EXPECT_EQ(question.flags, static_cast<uint32_t>(MB_ICONEXCLAMATION));
        EXPECT_FALSE(question.text.empty());
    }
    // HTML Help gives no description of its last error here (Wine's is a stub), so the text is the
    // full path that was requested.
    EXPECT_EQ(answers.questions[0].text, HelpFilePath() + L"::/CommandTester.htm#MacroEditor>$global_main");
    EXPECT_EQ(answers.questions[1].text, HelpFilePath() + L">$global_main");
    // No topic is the same request as the contents.
    EXPECT_EQ(answers.questions[2].text, answers.questions[1].text);
}

} // namespace
