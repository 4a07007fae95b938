// The choice of the version block's language and code-page pair.
#include "ui/FileVersionInfo.h"

namespace {

uint16_t Primary(uint16_t language) { return language & 0xFF; }

// The first entry matching the language exactly, else the first with its primary language.
bool FindLanguage(std::span<const VersionTranslation> table, uint16_t language, bool byPrimary, size_t& found)
{
    for (size_t i = 0; i < table.size(); ++i) {
        if (byPrimary ? Primary(table[i].language) == Primary(language) : table[i].language == language) {
            found = i;
            return true;
        }
    }
    return false;
}

} // namespace

size_t ChooseTranslation(std::span<const VersionTranslation> table, uint16_t userLanguage)
{
    size_t found = 0;
    for (uint16_t language : {userLanguage, uint16_t{0}, uint16_t{9}}) {
        if (FindLanguage(table, language, false, found) || FindLanguage(table, language, true, found))
            return found;
    }
    return 0;
}
