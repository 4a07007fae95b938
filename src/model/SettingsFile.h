// The text form of the settings file: sections of typed values, kept line by line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The file reads like a registry export:
//     "Port"="/dev/ttyUSB0"          REG_SZ, UTF-8, with \\ and \" escaped
//     "Trace"=dword:00000001         REG_DWORD
//     "X"=hex(2):41,00,00,00         any other type N, or a text the quoted form cannot carry
//     @=...                          the key's unnamed value
//     [Window]                       the values after it belong to the subkey "Window"
// Values before the first section belong to the key itself (section ""). Subkeys of subkeys are
// written "[Window\Sub]". Names of values and sections are compared without regard to ASCII case;
// of two entries with one name the later counts, as an import would leave it.
//
// Parsing never fails: a line that cannot be read (comments, blanks, damaged lines) is kept as it
// is and written back unchanged, and so is every line that was not changed (and a UTF-8 byte-order
// mark), so the file's order and anything a person wrote into it survive a rewrite. Serialize ends
// every line with LF; lines read with CR LF keep their CR.
class CSettingsFile {
public:
    struct Value {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        bool operator==(const Value&) const = default;
    };
    struct Entry {
        std::wstring section;
        std::wstring name;
        Value value;
    };

    static CSettingsFile Parse(std::string_view text);
    std::string Serialize() const;

    // The value named `name` in `section`; null when there is none.
    const Value* Find(std::wstring_view section, std::wstring_view name) const;
    // Whether the section (or a section below it) has a header or a value in the file.
    bool HasSection(std::wstring_view section) const;
    // Replaces the value's line, or adds one at the end of its section (the section is added at the
    // end of the file when it has none). False when the name or section cannot be written in this
    // form (a control character, or a ']' or an empty part in a section name).
    bool Set(std::wstring_view section, std::wstring_view name, uint32_t type, const uint8_t* data, size_t size);

    // Every value line that was read or set, in file order.
    std::vector<Entry> Entries() const;
    // The number of kept lines that are not sections or values (comments, blanks, damaged lines).
    size_t OtherLineCount() const;

    static bool IsValidName(std::wstring_view name);
    static bool IsValidSection(std::wstring_view section);

private:
    enum class Kind { Other, Section, Value };
    struct Line {
        Kind kind = Kind::Other;
        std::string text;     // as read (without the line end), or as written for a changed value
        std::wstring section; // Section: its name; Value: the section it belongs to
        std::wstring name;
        Value value;
    };

    static Line ParseLine(std::string_view text, const std::wstring& section);
    static std::string FormatValueLine(std::wstring_view name, const Value& value);
    size_t InsertionPoint(std::wstring_view section, bool& found) const;

    std::vector<Line> lines_;
    bool byteOrderMark_ = false;
};
