// The compiled-in copies of the string and message tables, generated from resources/.
#include <cstdint>

struct TableEntry {
    uint32_t id;
    const wchar_t* text;
};

extern const TableEntry kStringTable[] = {
#include "StringTableData.inc"
};
extern const unsigned kStringTableSize = sizeof(kStringTable) / sizeof(kStringTable[0]);

extern const TableEntry kMessageTable[] = {
#include "MessageTableData.inc"
};
extern const unsigned kMessageTableSize = sizeof(kMessageTable) / sizeof(kMessageTable[0]);
