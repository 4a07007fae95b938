// String and message tables off Windows: looked up in the compiled-in copies.
#include "model/StringTable.h"

struct TableEntry {
    uint32_t id;
    const wchar_t* text;
};
extern const TableEntry kStringTable[];
extern const unsigned kStringTableSize;
extern const TableEntry kMessageTable[];
extern const unsigned kMessageTableSize;

namespace {
std::wstring Find(const TableEntry* table, unsigned size, uint32_t id)
{
    for (unsigned i = 0; i < size; ++i)
        if (table[i].id == id)
            return table[i].text;
    return {};
}
} // namespace

std::wstring LoadStringResource(uint32_t id) { return Find(kStringTable, kStringTableSize, id); }

std::wstring OwnMessageTableText(uint32_t code) { return Find(kMessageTable, kMessageTableSize, code); }
