// The choice of the version block's language and code-page pair.
#include "ui/FileVersionInfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ChooseTranslation, FirstRuleThatFindsAnEntryWins)
{
    struct Case {
        const char* name;
        std::vector<VersionTranslation> table;
        uint16_t user;
        size_t expected;
    } cases[] = {
        {"exact user language", {{0x0409, 1200}, {0x0407, 1200}}, 0x0407, 1},
        {"same primary language", {{0x0409, 1200}, {0x0807, 1252}}, 0x0407, 1},
        {"exact before primary", {{0x0807, 1252}, {0x0407, 1200}}, 0x0407, 1},
        {"neutral before English", {{0x0409, 1200}, {0x0000, 1200}}, 0x040C, 1},
        {"English by primary language", {{0x0411, 932}, {0x0809, 1252}}, 0x040C, 1},
        {"table order within a rule", {{0x0809, 1252}, {0x0409, 1200}}, 0x040C, 0},
        {"otherwise the first", {{0x0411, 932}, {0x0412, 949}}, 0x040C, 0},
        {"empty table", {}, 0x0409, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseTranslation(c.table, c.user), c.expected) << c.name;
}

} // namespace
