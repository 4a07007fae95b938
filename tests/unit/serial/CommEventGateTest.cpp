// The pacing of WM_COMM_EVENT posts: one outstanding, re-armed by a read or after the time-out.
#include "serial/CommEventGate.h"

#include <gtest/gtest.h>

namespace {

TEST(CommEventGate, AFreshGateLetsTheFirstEventThrough)
{
    CCommEventGate gate;
    EXPECT_FALSE(gate.Outstanding());
    EXPECT_TRUE(gate.MayPost(12345));
    EXPECT_EQ(gate.MillisecondsUntilRearm(12345), 0u);
}

TEST(CommEventGate, AnOutstandingEventHoldsTheNextUntilTheTimeOut)
{
    CCommEventGate gate;
    gate.Posted(1000);
    EXPECT_TRUE(gate.Outstanding());
    EXPECT_FALSE(gate.MayPost(1000));
    EXPECT_EQ(gate.MillisecondsUntilRearm(1000), CCommEventGate::kRearmTimeoutMs);
    EXPECT_EQ(gate.MillisecondsUntilRearm(1000 + CCommEventGate::kRearmTimeoutMs - 1), 1u);
    EXPECT_FALSE(gate.MayPost(1000 + CCommEventGate::kRearmTimeoutMs - 1));
    EXPECT_TRUE(gate.MayPost(1000 + CCommEventGate::kRearmTimeoutMs));
    EXPECT_TRUE(gate.MayPost(1000 + 10 * CCommEventGate::kRearmTimeoutMs));
}

TEST(CommEventGate, AReadRearmsAtOnce)
{
    CCommEventGate gate;
    gate.Posted(500);
    gate.Rearm();
    EXPECT_FALSE(gate.Outstanding());
    EXPECT_TRUE(gate.MayPost(501));
    gate.Posted(501); // and the next post holds again
    EXPECT_FALSE(gate.MayPost(502));
}

TEST(CommEventGate, TheTimeOutHoldsAcrossTheClockWrappingAround)
{
    CCommEventGate gate;
    gate.Posted(0xFFFFFFF0u);
    EXPECT_FALSE(gate.MayPost(0x00000003u)); // 19 ms later
    EXPECT_EQ(gate.MillisecondsUntilRearm(0x00000003u), 1u);
    EXPECT_TRUE(gate.MayPost(0x00000004u)); // 20 ms later
}

} // namespace
