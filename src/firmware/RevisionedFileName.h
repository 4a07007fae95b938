// A firmware file path together with the revision number its name carries (qmcu0112.hex -> 112).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The parts of a name are computed from the path text alone, so the same rules hold for local
// paths (either separator) and for bare file names listed by the file server.
class CRevisionedFileName {
public:
    CRevisionedFileName() = default;
    // Takes the path and reads the revision from its title; an empty path means "no file".
    explicit CRevisionedFileName(std::wstring path);

    const std::wstring& GetPath() const { return path_; }
    uint16_t GetRevision() const { return revision_; }
    bool IsEmpty() const { return path_.empty(); }
    void Clear();

    // Views into the stored path; valid while this object is unchanged.
    std::wstring_view GetFileName() const { return FileNameOf(path_); }
    std::wstring_view GetExtension() const { return ExtensionOf(path_); }
    std::wstring_view GetTitle() const { return TitleOf(path_); }

    bool operator==(const CRevisionedFileName&) const = default;

    // The text after the last '/', ':' or backslash; the whole path when there is none.
    static std::wstring_view FileNameOf(std::wstring_view path);
    // From the file name's last '.' on, the dot included; empty when the name has no dot.
    static std::wstring_view ExtensionOf(std::wstring_view path);
    // The file name up to its last '.'; the whole file name when it has no dot.
    static std::wstring_view TitleOf(std::wstring_view path);
    // The last run of decimal digits in the title, low 16 bits; 0 when there is none or when
    // that run starts the title.
    static uint16_t RevisionOf(std::wstring_view path);

private:
    std::wstring path_;
    uint16_t revision_ = 0;
};
