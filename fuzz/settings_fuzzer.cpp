// libFuzzer target for the settings file's text form: parsing never fails, and writing back loses nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/SettingsFile.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const CSettingsFile file = CSettingsFile::Parse(text);

    // Unchanged lines are written back byte for byte (a last line gets its end).
    const std::string_view mark = "\xEF\xBB\xBF";
    const std::string_view body = text.starts_with(mark) ? text.substr(mark.size()) : text;
    std::string expected(text);
    if (!body.empty() && body.back() != '\n')
        expected.push_back('\n');
    const std::string written = file.Serialize();
    Check(written == expected);

    // Every value read back is the same value, and so after writing it again through Set.
    const auto entries = file.Entries();
    CSettingsFile copy = CSettingsFile::Parse(written);
    Check(copy.Entries().size() == entries.size());
    for (const auto& entry : entries) {
        const CSettingsFile::Value* value = copy.Find(entry.section, entry.name);
        Check(value != nullptr);
        Check(copy.Set(entry.section, entry.name, value->type, value->data.data(), value->data.size()));
    }
    const CSettingsFile reread = CSettingsFile::Parse(copy.Serialize());
    for (const auto& entry : entries) {
        const CSettingsFile::Value* before = file.Find(entry.section, entry.name);
        const CSettingsFile::Value* after = reread.Find(entry.section, entry.name);
        Check(before && after && *before == *after);
    }

    // A value made of the input's bytes under a fresh name survives a rewrite with its type and bytes.
    const uint32_t type = size >= 4 ? (data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24))
                                    : 1;
    CSettingsFile added = CSettingsFile::Parse(written);
    Check(added.Set(L"Fuzz\\Section", L"fuzz value", type, data, size));
    const CSettingsFile back = CSettingsFile::Parse(added.Serialize());
    const CSettingsFile::Value* value = back.Find(L"Fuzz\\Section", L"fuzz value");
    Check(value && value->type == type && value->data.size() == size &&
          std::equal(value->data.begin(), value->data.end(), data));
    return 0;
}
