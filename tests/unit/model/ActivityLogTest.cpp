// Activity-log lines: the time stamp and the append rule (no trailing line break, follow the end).
#include "model/ActivityLog.h"

#include <gtest/gtest.h>

namespace {

class FakeLogView : public ILogView {
public:
    bool IsEmpty() override { return text.empty(); }
    void InsertAtEnd(std::wstring_view inserted) override { text += inserted; }
    bool IsShowingEnd() override { return showingEnd; }
    void RequestScrollToEnd() override { ++scrollRequests; }

    std::wstring text;
    bool showingEnd = true;
    int scrollRequests = 0;
};

std::tm At(int hour, int minute, int second)
{
    std::tm t{};
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(TimeStamp, TwoDigitFieldsAndOneTrailingBlank)
{
    EXPECT_EQ(TimeStamp(At(9, 5, 7)), L"09:05:07 ");
    EXPECT_EQ(TimeStamp(At(23, 59, 59)), L"23:59:59 ");
    EXPECT_EQ(TimeStamp().size(), 9u);
}

TEST(AppendLogLine, LinesAreSeparatedNeverTerminated)
{
    FakeLogView log;
    AppendLogLine(log, L"first", At(1, 2, 3));
    EXPECT_EQ(log.text, L"01:02:03 first");
    AppendLogLine(log, L"second", At(1, 2, 4));
    AppendLogLine(log, L"", At(1, 2, 5));
    EXPECT_EQ(log.text, L"01:02:03 first\r\n01:02:04 second\r\n01:02:05 ");
}

TEST(AppendLogLine, FollowsTheEndOnlyWhenTheViewShowedIt)
{
    FakeLogView log;
    AppendLogLine(log, L"at the end");
    EXPECT_EQ(log.scrollRequests, 1);
    log.showingEnd = false; // the user scrolled back
    AppendLogLine(log, L"while reading");
    EXPECT_EQ(log.scrollRequests, 1);
}

} // namespace
