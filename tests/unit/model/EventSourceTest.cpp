// Observers of model values: registration, order, first notifications and changes during a notification.
#include "model/EventSource.h"
#include "model/ObservableArray.h"
#include "model/ObservableValue.h"

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "RecordingTarget.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kMessage = 0x8071;

// Records (observer name, parameter) into a shared journal and runs an optional action on receipt.
class JournalTarget : public IMessageTarget {
public:
    JournalTarget(std::string name, std::vector<std::string>& journal) : name_(std::move(name)), journal_(journal) {}
    intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        EXPECT_EQ(message, kMessage);
        EXPECT_EQ(lParam, 0);
        journal_.push_back(name_ + ":" + std::to_string(wParam));
        // The action runs once, at the next message received.
        if (auto action = std::exchange(onReceive, nullptr))
            action();
        return 0;
    }
    bool Post(uint32_t, uintptr_t, intptr_t) override { return false; }
    std::function<void()> onReceive; // one-shot

private:
    std::string name_;
    std::vector<std::string>& journal_;
};

TEST(EventSourceTest, AdviseSendsTheCurrentStateOnceAndKeepsOneEntry)
{
    CObservableValue<int> value(kMessage, 7);
    RecordingTarget observer;
    ASSERT_TRUE(value.Advise(&observer));
    ASSERT_TRUE(value.Advise(&observer));
    ASSERT_EQ(observer.messages.size(), 2u);
    EXPECT_EQ(observer.messages[0].message, kMessage);
    EXPECT_EQ(observer.messages[0].wParam, 0u);
    EXPECT_FALSE(observer.messages[0].posted);
    EXPECT_EQ(value.ObserverCount(), 1u);

    observer.messages.clear();
    value.Notify(0);
    EXPECT_EQ(observer.messages.size(), 1u) << "a twice-advised observer is notified once";
}

TEST(EventSourceTest, NullObserverIsRefused)
{
    CEventSource source(kMessage);
    EXPECT_FALSE(source.Advise(nullptr));
    EXPECT_EQ(source.ObserverCount(), 0u);
}

TEST(EventSourceTest, NotifyReachesObserversInRegistrationOrderWithTheParameter)
{
    std::vector<std::string> journal;
    JournalTarget a("a", journal), b("b", journal), c("c", journal);
    CEventSource source(kMessage);
    source.Advise(&b);
    source.Advise(&a);
    source.Advise(&c);
    journal.clear();
    source.Notify(0xE2000041u);
    EXPECT_EQ(journal, (std::vector<std::string>{"b:3791650881", "a:3791650881", "c:3791650881"}));
}

TEST(EventSourceTest, UnadvisedObserverHearsNothingMore)
{
    CObservableValue<int> value(kMessage);
    RecordingTarget kept, left;
    value.Advise(&kept);
    value.Advise(&left);
    value.Unadvise(&left);
    value.Unadvise(&left); // unknown now: ignored
    left.messages.clear();
    kept.messages.clear();
    value.Set(3);
    EXPECT_TRUE(left.messages.empty());
    EXPECT_EQ(kept.messages.size(), 1u);
    EXPECT_EQ(value.Get(), 3);
}

TEST(EventSourceTest, EverySetNotifiesEvenWithoutChange)
{
    CObservableValue<int> value(kMessage, 5);
    RecordingTarget observer;
    value.Advise(&observer);
    observer.messages.clear();
    value.Set(5);
    value.Set(5);
    EXPECT_EQ(observer.messages.size(), 2u);
}

TEST(EventSourceTest, ArraySendsSixteenOnEveryAdviseAndTheIndexOnSet)
{
    CObservableArray<std::wstring, 16> array(kMessage);
    RecordingTarget observer;
    for (int round = 0; round < 2; ++round) {
        observer.messages.clear();
        ASSERT_TRUE(array.Advise(&observer));
        ASSERT_EQ(observer.messages.size(), 16u);
        for (size_t i = 0; i < 16; ++i)
            EXPECT_EQ(observer.messages[i].wParam, i);
    }
    EXPECT_EQ(array.ObserverCount(), 1u);

    observer.messages.clear();
    array.Set(11, L"x");
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].wParam, 11u);
    EXPECT_EQ(array.Get(11), L"x");

    observer.messages.clear();
    array.Set(16, L"out of range");
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(array.Get(16), L"");
}

// Changing the list from inside a notification: nobody who stays is skipped, nobody removed is called.
struct ReentryCase {
    const char* name;
    // Which observer acts while receiving ("a", "b" or "c"), and on whom it calls Unadvise.
    std::string actor;
    std::string removed;
    std::vector<std::string> expected; // the journal of the notification
    std::vector<std::string> next;     // the journal of a second notification
};
void PrintTo(const ReentryCase& c, std::ostream* os) { *os << c.name; }

class EventSourceReentryTest : public ::testing::TestWithParam<ReentryCase> {};

TEST_P(EventSourceReentryTest, UnadviseDuringNotify)
{
    const ReentryCase& c = GetParam();
    std::vector<std::string> journal;
    JournalTarget a("a", journal), b("b", journal), t("c", journal);
    std::map<std::string, JournalTarget*> byName{{"a", &a}, {"b", &b}, {"c", &t}};
    CEventSource source(kMessage);
    source.Advise(&a);
    source.Advise(&b);
    source.Advise(&t);
    JournalTarget* actor = byName[c.actor];
    JournalTarget* removed = byName[c.removed];
    actor->onReceive = [&] { source.Unadvise(removed); };
    journal.clear();
    source.Notify(1);
    EXPECT_EQ(journal, c.expected);
    journal.clear();
    source.Notify(2);
    EXPECT_EQ(journal, c.next);
    EXPECT_EQ(source.ObserverCount(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EventSourceReentryTest,
    ::testing::Values(
        ReentryCase{"FirstRemovesItself", "a", "a", {"a:1", "b:1", "c:1"}, {"b:2", "c:2"}},
        ReentryCase{"MiddleRemovesItself", "b", "b", {"a:1", "b:1", "c:1"}, {"a:2", "c:2"}},
        ReentryCase{"LastRemovesItself", "c", "c", {"a:1", "b:1", "c:1"}, {"a:2", "b:2"}},
        ReentryCase{"FirstRemovesNext", "a", "b", {"a:1", "c:1"}, {"a:2", "c:2"}},
        ReentryCase{"LastRemovesFirst", "c", "a", {"a:1", "b:1", "c:1"}, {"b:2", "c:2"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventSourceTest, AdviseDuringNotifyGivesTheNewcomerOnlyItsOwnFirstNotification)
{
    std::vector<std::string> journal;
    JournalTarget a("a", journal), late("late", journal);
    CEventSource source(kMessage);
    source.Advise(&a);
    a.onReceive = [&] { source.Advise(&late); };
    journal.clear();
    source.Notify(4);
    EXPECT_EQ(journal, (std::vector<std::string>{"a:4", "late:0"}));
    journal.clear();
    source.Notify(5);
    EXPECT_EQ(journal, (std::vector<std::string>{"a:5", "late:5"}));
}

TEST(EventSourceTest, ObserverThatLeavesAndReturnsDuringNotifyIsKeptOnce)
{
    std::vector<std::string> journal;
    JournalTarget a("a", journal), b("b", journal);
    CEventSource source(kMessage);
    source.Advise(&a);
    source.Advise(&b);
    a.onReceive = [&] {
        source.Unadvise(&b);
        source.Advise(&b); // b hears its first notification now, not the one in progress
    };
    journal.clear();
    source.Notify(1);
    EXPECT_EQ(journal, (std::vector<std::string>{"a:1", "b:0"}));
    EXPECT_EQ(source.ObserverCount(), 2u);
    journal.clear();
    source.Notify(2);
    EXPECT_EQ(journal, (std::vector<std::string>{"a:2", "b:2"}));
}

TEST(EventSourceTest, NestedNotifyFromAnObserver)
{
    std::vector<std::string> journal;
    JournalTarget a("a", journal), b("b", journal);
    CEventSource source(kMessage);
    source.Advise(&a);
    source.Advise(&b);
    a.onReceive = [&] {
        source.Unadvise(&a);
        source.Notify(9); // an observer that changes the value again
    };
    journal.clear();
    source.Notify(1);
    EXPECT_EQ(journal, (std::vector<std::string>{"a:1", "b:9", "b:1"}));
    EXPECT_EQ(source.ObserverCount(), 1u);
}

} // namespace
