// The reporting mix-ins: lines to the top-level target, an owner's own log, error boxes.
#include "model/Reporting.h"
#include "model/StringTable.h"

#include "RecordingTarget.h"

#include <gtest/gtest.h>

namespace {

class Reporter : public CDisplayStatusClient<Reporter>, public CPopupErrorClient<Reporter> {
public:
    explicit Reporter(IMessageTarget* window) : window_(window) {}
    IMessageTarget* MessageWindow() { return window_; }

private:
    IMessageTarget* window_;
};

class LoggingReporter : public CDisplayStatusClient<LoggingReporter> {
public:
    explicit LoggingReporter(IMessageTarget* window) : window_(window) {}
    IMessageTarget* MessageWindow() { return window_; }
    void AppendToOwnLog(const std::wstring& text) { ownLog.push_back(text); }
    std::vector<std::wstring> ownLog;

private:
    IMessageTarget* window_;
};

class AnsweredQuestions {
public:
    explicit AnsweredQuestions(int answer)
    {
        previous_ = SetUserQuestionHandler([this, answer](const UserQuestion& q) {
            asked.push_back(q);
            return answer;
        });
    }
    ~AnsweredQuestions() { SetUserQuestionHandler(previous_); }
    std::vector<UserQuestion> asked;

private:
    UserQuestionHandler previous_;
};

TEST(DisplayStatusClient, SendsToTheTopLevelTargetAboveItsWindow)
{
    RecordingTarget frame, page;
    page.parent = &frame;
    Reporter reporter(&page);
    reporter.DisplayStatus(StringId{IDS_OPENING_PORT}, L"COM3");
    reporter.DisplayVerbose(L"%u bytes", 68u);
    EXPECT_TRUE(page.messages.empty());
    ASSERT_EQ(frame.messages.size(), 2u);
    EXPECT_EQ(frame.messages[0].message, WM_REPORT_TEXT);
    EXPECT_EQ(frame.messages[0].text, L"Opening Serial Port COM3");
    EXPECT_EQ(frame.messages[1].message, WM_VERBOSE_TEXT);
    EXPECT_EQ(frame.messages[1].text, L"68 bytes");
}

TEST(DisplayStatusClient, OwnersWithALogWriteThereFirst)
{
    RecordingTarget frame;
    LoggingReporter reporter(&frame);
    reporter.DisplayStatus(L"line %u", 1u);
    EXPECT_EQ(reporter.ownLog, std::vector<std::wstring>{L"line 1"});
    EXPECT_EQ(frame.Texts(WM_REPORT_TEXT), std::vector<std::wstring>{L"line 1"});
}

TEST(PopupErrorClient, ReportsTheLineThenAsksWithTheErrorIcon)
{
    AnsweredQuestions questions(ANSWER_OK);
    RecordingTarget frame;
    Reporter reporter(&frame);
    int answer = reporter.PopupError(StringId{IDS_COM_PORT_ERROR}, StringId{IDS_FAILED_ON}, L"WriteFile", L"COM3",
                                     5u, L"Access is denied.");
    EXPECT_EQ(answer, ANSWER_OK);
    const std::wstring expected = L"WriteFile failed on \"COM3\"\r\nError 0x00000005: Access is denied.";
    EXPECT_EQ(frame.Texts(WM_REPORT_TEXT), std::vector<std::wstring>{expected});
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(questions.asked[0].text, expected);
    EXPECT_EQ(questions.asked[0].caption, L"COM Port Error");
    EXPECT_EQ(questions.asked[0].flags, MB_FLAG_ICONERROR);
    EXPECT_EQ(questions.asked[0].owner, &frame);
}

} // namespace
