// Resize rules: growing, moving, and rows of controls that share the extra width.
#include "ui/Layout.h"

#include <gtest/gtest.h>

namespace {

TEST(Layout, GrowAndMoveByTheExtraSize)
{
    CLayout layout;
    layout.Reset(300, 200);
    layout.Add({1, LayoutGrowX}, {10, 10, 100, 30});
    layout.Add({2, LayoutMoveX}, {200, 10, 250, 30});
    layout.Add({3, LayoutGrowX | LayoutGrowY}, {10, 50, 290, 190});
    layout.Add({4, LayoutMoveX | LayoutMoveY}, {240, 170, 290, 190});
    layout.Add({5, LayoutKeep}, {10, 40, 60, 48});

    std::vector<LayoutRect> r = layout.Arrange(340, 260);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0], (LayoutRect{10, 10, 140, 30}));
    EXPECT_EQ(r[1], (LayoutRect{240, 10, 290, 30}));
    EXPECT_EQ(r[2], (LayoutRect{10, 50, 330, 250}));
    EXPECT_EQ(r[3], (LayoutRect{280, 230, 330, 250}));
    EXPECT_EQ(r[4], (LayoutRect{10, 40, 60, 48}));
}

TEST(Layout, NeverSmallerThanTheOriginal)
{
    CLayout layout;
    layout.Reset(300, 200);
    layout.Add({1, LayoutGrowX | LayoutGrowY}, {10, 10, 290, 190});
    layout.Add({2, LayoutMoveX | LayoutMoveY}, {240, 170, 290, 190});
    std::vector<LayoutRect> r = layout.Arrange(100, 50);
    EXPECT_EQ(r[0], (LayoutRect{10, 10, 290, 190}));
    EXPECT_EQ(r[1], (LayoutRect{240, 170, 290, 190}));
}

TEST(Layout, RowMembersShareTheExtraWidthInOrder)
{
    // Four buttons 75 wide with gaps of 4; 10 extra pixels: shares 2, 3, 2, 3 (offsets 0, 2, 5, 7, 10).
    CLayout layout;
    layout.Reset(320, 100);
    for (unsigned i = 0; i < 4; ++i)
        layout.Add({static_cast<int>(i), LayoutGrowX, i, 4}, {7 + 79 * static_cast<int>(i), 38,
                                                            82 + 79 * static_cast<int>(i), 52});
    std::vector<LayoutRect> r = layout.Arrange(330, 100);
    EXPECT_EQ(r[0], (LayoutRect{7, 38, 84, 52}));
    EXPECT_EQ(r[1], (LayoutRect{88, 38, 166, 52}));
    EXPECT_EQ(r[2], (LayoutRect{170, 38, 247, 52}));
    EXPECT_EQ(r[3], (LayoutRect{251, 38, 329, 52}));
    // The gaps between neighbours stay as they were.
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(r[i].left - r[i - 1].right, 4) << i;
}

TEST(Layout, SharesAddUpExactly)
{
    for (int extra : {0, 1, 2, 3, 7, 10, 101, 1023}) {
        for (unsigned count : {1u, 2u, 3u, 4u, 7u}) {
            int sum = 0;
            for (unsigned i = 0; i < count; ++i) {
                EXPECT_EQ(CLayout::OffsetOf(extra, i, count), sum);
                sum += CLayout::ShareOf(extra, i, count);
            }
            EXPECT_EQ(sum, extra) << extra << "/" << count;
        }
    }
}

TEST(Layout, TwoColumnsOfAnEditorShareAndMoveDown)
{
    // Label column (member 0) and text column (member 1); the Save button keeps its corner distance.
    CLayout layout;
    layout.Reset(308, 270);
    layout.Add({1, LayoutGrowX, 0, 2}, {7, 20, 97, 32});
    layout.Add({2, LayoutGrowX, 1, 2}, {101, 20, 301, 32});
    layout.Add({3, LayoutMoveX | LayoutMoveY}, {143, 250, 193, 264});
    std::vector<LayoutRect> r = layout.Arrange(409, 300);
    EXPECT_EQ(r[0], (LayoutRect{7, 20, 147, 32}));
    EXPECT_EQ(r[1], (LayoutRect{151, 20, 402, 32}));
    EXPECT_EQ(r[2], (LayoutRect{244, 280, 294, 294}));
}

} // namespace
