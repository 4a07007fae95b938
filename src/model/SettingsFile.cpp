// The text form of the settings file: parsing, lookup, change and writing back.
#include "model/SettingsFile.h"

#include <algorithm>

#include "model/SettingsStore.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

wchar_t FoldCase(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SameName(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

bool IsControl(char32_t c)
{
    return c < 0x20 || c == 0x7F;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool DecodeUtf8(std::string_view text, std::u32string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        char32_t c;
        size_t length;
        if (b0 < 0x80) {
            c = b0;
            length = 1;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            c = b0 & 0x1F;
            length = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            c = b0 & 0x0F;
            length = 3;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            c = b0 & 0x07;
            length = 4;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (b & 0x3F);
        }
        if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(c);
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Wide text (UTF-16 or UTF-32 by platform) as code points; false on a lone surrogate.
bool WideToCodePoints(std::wstring_view text, std::u32string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return false;
        out.push_back(c);
    }
    return true;
}

std::wstring CodePointsToWide(const std::u32string& points)
{
    std::wstring out;
    for (char32_t c : points) {
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

// The code points of REG_SZ data that the quoted form can carry exactly: UTF-16LE ending in its one
// zero character, with no other zero, no lone surrogate and no control character.
bool QuotableText(const std::vector<uint8_t>& data, std::u32string& out)
{
    out.clear();
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    const size_t units = data.size() / 2;
    auto unit = [&data](size_t i) { return static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8)); };
    if (unit(units - 1) != 0)
        return false;
    for (size_t i = 0; i + 1 < units; ++i) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 2 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return false;
        }
        if (c == 0 || IsControl(c))
            return false;
        out.push_back(c);
    }
    return true;
}

std::vector<uint8_t> CodePointsToRegistryText(const std::u32string& points)
{
    std::vector<uint8_t> data;
    auto put = [&data](char32_t u) {
        data.push_back(static_cast<uint8_t>(u & 0xFF));
        data.push_back(static_cast<uint8_t>(u >> 8));
    };
    for (char32_t c : points) {
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    put(0);
    return data;
}

// `"text"` with \\ and \" escaped, from `text` at `pos`; `pos` ends after the closing quote.
bool ReadQuoted(std::string_view text, size_t& pos, std::string& out)
{
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out.clear();
    for (size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"'))
                return false;
            out.push_back(text[++i]);
        } else {
            out.push_back(c);
        }
    }
    return false;
}

void AppendQuoted(std::string& out, const std::u32string& points)
{
    out.push_back('"');
    for (char32_t c : points) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        AppendUtf8(out, c);
    }
    out.push_back('"');
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool OnlyBlanksFrom(std::string_view text, size_t pos)
{
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(std::min(pos, text.size())), text.end(), IsBlank);
}

// A quoted name decoded to wide text; false when it is not valid UTF-8 or holds a control character.
bool DecodeName(const std::string& raw, std::wstring& name)
{
    std::u32string points;
    if (!DecodeUtf8(raw, points) || std::any_of(points.begin(), points.end(), IsControl))
        return false;
    name = CodePointsToWide(points);
    return true;
}

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& data)
{
    data.clear();
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (OnlyBlanksFrom(text, i))
        return true;
    for (;;) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i + 1 >= text.size())
            return false;
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        data.push_back(static_cast<uint8_t>(high * 16 + low));
        i += 2;
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i == text.size())
            return true;
        if (text[i] != ',')
            return false;
        ++i;
    }
}

// The value part after '=': a quoted text, dword:, hex: or hex(N):.
bool ParseValue(std::string_view text, CSettingsFile::Value& value)
{
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    const std::string_view rest = text.substr(pos);
    if (!rest.empty() && rest[0] == '"') {
        std::string raw;
        size_t end = 0;
        std::u32string points;
        if (!ReadQuoted(rest, end, raw) || !OnlyBlanksFrom(rest, end) || !DecodeUtf8(raw, points) ||
            std::any_of(points.begin(), points.end(), IsControl))
            return false;
        value.type = SETTINGS_TYPE_SZ;
        value.data = CodePointsToRegistryText(points);
        return true;
    }
    if (rest.starts_with("dword:")) {
        std::string_view digits = rest.substr(6);
        while (!digits.empty() && IsBlank(digits.back()))
            digits.remove_suffix(1);
        if (digits.empty() || digits.size() > 8)
            return false;
        uint32_t number = 0;
        for (char c : digits) {
            const int v = HexValue(c);
            if (v < 0)
                return false;
            number = number * 16 + static_cast<uint32_t>(v);
        }
        value.type = SETTINGS_TYPE_DWORD;
        value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                      static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
        return true;
    }
    if (rest.starts_with("hex:")) {
        value.type = SETTINGS_TYPE_BINARY;
        return ParseHexBytes(rest.substr(4), value.data);
    }
    if (rest.starts_with("hex(")) {
        const size_t close = rest.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12)
            return false;
        uint32_t type = 0;
        for (char c : rest.substr(4, close - 4)) {
            const int v = HexValue(c);
            if (v < 0)
                return false;
            type = type * 16 + static_cast<uint32_t>(v);
        }
        value.type = type;
        return ParseHexBytes(rest.substr(close + 2), value.data);
    }
    return false;
}

} // namespace

bool CSettingsFile::IsValidName(std::wstring_view name)
{
    std::u32string points;
    return WideToCodePoints(name, points) && std::none_of(points.begin(), points.end(), IsControl);
}

bool CSettingsFile::IsValidSection(std::wstring_view section)
{
    if (section.empty())
        return true; // the key itself
    if (!IsValidName(section) || section.find(L']') != std::wstring_view::npos || section.front() == L'\\' ||
        section.back() == L'\\' || section.find(L"\\\\") != std::wstring_view::npos)
        return false;
    return true;
}

CSettingsFile::Line CSettingsFile::ParseLine(std::string_view text, const std::wstring& section)
{
    Line line;
    line.text = std::string(text);
    line.section = section;
    std::string_view body = text;
    if (!body.empty() && body.back() == '\r')
        body.remove_suffix(1);
    size_t start = 0;
    while (start < body.size() && IsBlank(body[start]))
        ++start;
    body.remove_prefix(start);

    if (!body.empty() && body[0] == '[') {
        std::string_view inner = body;
        while (!inner.empty() && IsBlank(inner.back()))
            inner.remove_suffix(1);
        if (inner.size() < 3 || inner.back() != ']')
            return line;
        std::wstring name;
        if (!DecodeName(std::string(inner.substr(1, inner.size() - 2)), name) || !IsValidSection(name))
            return line;
        line.kind = Kind::Section;
        line.section = name;
        return line;
    }

    std::wstring name;
    size_t pos = 0;
    if (!body.empty() && body[0] == '@') {
        pos = 1;
    } else {
        std::string raw;
        if (!ReadQuoted(body, pos, raw) || !DecodeName(raw, name))
            return line;
    }
    while (pos < body.size() && IsBlank(body[pos]))
        ++pos;
    if (pos >= body.size() || body[pos] != '=')
        return line;
    Value value;
    if (!ParseValue(body.substr(pos + 1), value))
        return line;
    line.kind = Kind::Value;
    line.name = std::move(name);
    line.value = std::move(value);
    return line;
}

CSettingsFile CSettingsFile::Parse(std::string_view text)
{
    CSettingsFile file;
    // A byte-order mark is not part of the first line; it is written back as it was found.
    file.byteOrderMark_ = text.starts_with(kByteOrderMark);
    if (file.byteOrderMark_)
        text.remove_prefix(kByteOrderMark.size());
    std::wstring section;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view lineText = text.substr(0, end);
        Line line = ParseLine(lineText, section);
        if (line.kind == Kind::Section)
            section = line.section;
        file.lines_.push_back(std::move(line));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return file;
}

std::string CSettingsFile::Serialize() const
{
    std::string out(byteOrderMark_ ? kByteOrderMark : std::string_view());
    for (const Line& line : lines_) {
        out += line.text;
        out.push_back('\n');
    }
    return out;
}

std::string CSettingsFile::FormatValueLine(std::wstring_view name, const Value& value)
{
    std::string out;
    std::u32string points;
    if (name.empty()) {
        out.push_back('@');
    } else {
        WideToCodePoints(name, points);
        AppendQuoted(out, points);
    }
    out.push_back('=');
    if (value.type == SETTINGS_TYPE_SZ && QuotableText(value.data, points)) {
        AppendQuoted(out, points);
    } else if (value.type == SETTINGS_TYPE_DWORD && value.data.size() == 4) {
        const uint32_t number = value.data[0] | (static_cast<uint32_t>(value.data[1]) << 8) |
                                (static_cast<uint32_t>(value.data[2]) << 16) |
                                (static_cast<uint32_t>(value.data[3]) << 24);
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out.push_back(kHexDigits[(number >> shift) & 0xF]);
    } else {
        out += "hex(";
        std::string type;
        uint32_t t = value.type;
        do {
            type.insert(type.begin(), kHexDigits[t & 0xF]);
            t >>= 4;
        } while (t != 0);
        out += type;
        out += "):";
        for (size_t i = 0; i < value.data.size(); ++i) {
            if (i > 0)
                out.push_back(',');
            out.push_back(kHexDigits[value.data[i] >> 4]);
            out.push_back(kHexDigits[value.data[i] & 0xF]);
        }
    }
    return out;
}

const CSettingsFile::Value* CSettingsFile::Find(std::wstring_view section, std::wstring_view name) const
{
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
        if (it->kind == Kind::Value && SameName(it->section, section) && SameName(it->name, name))
            return &it->value;
    }
    return nullptr;
}

bool CSettingsFile::HasSection(std::wstring_view section) const
{
    if (section.empty())
        return true;
    // A subkey's own subkey ("Window\\Sub") implies the subkey, as in the registry.
    return std::any_of(lines_.begin(), lines_.end(), [section](const Line& line) {
        if (line.kind == Kind::Other)
            return false;
        const std::wstring_view name = line.section;
        return SameName(name, section) || (name.size() > section.size() && name[section.size()] == L'\\' &&
                                           SameName(name.substr(0, section.size()), section));
    });
}

size_t CSettingsFile::InsertionPoint(std::wstring_view section, bool& found) const
{
    found = false;
    size_t point = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind != Kind::Other && SameName(line.section, section)) {
            found = true;
            point = i + 1;
        }
    }
    if (found || !section.empty())
        return point;
    // The key's own values come before the first section; keep a blank line before it.
    size_t first = lines_.size();
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section) {
            first = i;
            break;
        }
    }
    while (first > 0 && lines_[first - 1].kind == Kind::Other && OnlyBlanksFrom(lines_[first - 1].text, 0))
        --first;
    found = true;
    return first;
}

bool CSettingsFile::Set(std::wstring_view section, std::wstring_view name, uint32_t type, const uint8_t* data,
                        size_t size)
{
    if (!IsValidName(name) || !IsValidSection(section))
        return false;
    Value value{type, std::vector<uint8_t>(data, data + size)};
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
        if (it->kind == Kind::Value && SameName(it->section, section) && SameName(it->name, name)) {
            it->text = FormatValueLine(it->name, value);
            it->value = std::move(value);
            return true;
        }
    }
    Line line;
    line.kind = Kind::Value;
    line.section = std::wstring(section);
    line.name = std::wstring(name);
    line.text = FormatValueLine(name, value);
    line.value = std::move(value);

    bool found = false;
    const size_t point = InsertionPoint(section, found);
    if (found) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(point), std::move(line));
        return true;
    }
    if (!lines_.empty() && !OnlyBlanksFrom(lines_.back().text, 0)) {
        Line blank;
        blank.section = lines_.back().section;
        lines_.push_back(std::move(blank));
    }
    Line header;
    header.kind = Kind::Section;
    header.section = std::wstring(section);
    std::u32string points;
    WideToCodePoints(section, points);
    std::string text(1, '[');
    for (char32_t c : points)
        AppendUtf8(text, c);
    text.push_back(']');
    header.text = std::move(text);
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(line));
    return true;
}

std::vector<CSettingsFile::Entry> CSettingsFile::Entries() const
{
    std::vector<Entry> entries;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Value)
            entries.push_back({line.section, line.name, line.value});
    }
    return entries;
}

size_t CSettingsFile::OtherLineCount() const
{
    return static_cast<size_t>(
        std::count_if(lines_.begin(), lines_.end(), [](const Line& line) { return line.kind == Kind::Other; }));
}
