// The one printf-style formatter of the program, over wide text and type-safe arguments.
#pragma once
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A string-table entry used in place of a text (a format, a caption or a %s argument).
struct StringId {
    uint32_t id;
};

// A text, or the string-table entry whose text it is.
class TextArg {
public:
    TextArg(const wchar_t* text) : text_(text ? text : L"") {}
    TextArg(const std::wstring& text) : text_(text) {}
    TextArg(std::wstring_view text) : text_(text) {}
    TextArg(StringId id) : id_(id.id), isId_(true) {}

    // The text itself, loading the string-table entry into `storage` when needed.
    std::wstring_view Resolve(std::wstring& storage) const;
    std::wstring ToString() const;

private:
    std::wstring_view text_;
    uint32_t id_ = 0;
    bool isId_ = false;
};

// One argument: a signed or unsigned integer, a character, or a text.
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Character, Text };

    template <std::signed_integral I>
    FormatArg(I value) : kind_(Kind::Signed), signed_(value) {}
    template <std::unsigned_integral I>
    FormatArg(I value) : kind_(Kind::Unsigned), unsigned_(value) {}
    FormatArg(bool value) : kind_(Kind::Unsigned), unsigned_(value ? 1 : 0) {}
    FormatArg(wchar_t value) : kind_(Kind::Character), unsigned_(static_cast<uint32_t>(value)) {}
    FormatArg(char value) : kind_(Kind::Character), unsigned_(static_cast<unsigned char>(value)) {}
    FormatArg(const wchar_t* text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const std::wstring& text) : kind_(Kind::Text), text_(text) {}
    FormatArg(std::wstring_view text) : kind_(Kind::Text), text_(text) {}
    FormatArg(StringId id) : kind_(Kind::Text), text_(id) {}
    FormatArg(const TextArg& text) : kind_(Kind::Text), text_(text) {}

    Kind kind() const { return kind_; }
    int64_t AsSigned() const { return kind_ == Kind::Signed ? signed_ : static_cast<int64_t>(unsigned_); }
    uint64_t AsUnsigned() const { return kind_ == Kind::Signed ? static_cast<uint64_t>(signed_) : unsigned_; }
    const TextArg& AsText() const { return text_; }

private:
    Kind kind_;
    int64_t signed_ = 0;
    uint64_t unsigned_ = 0;
    TextArg text_{L""};
};

// Formats with the subset the program's texts use: %s (a wide text or string id), %u %d %X %x %c
// with optional '-' or '0' flag and width, and %%. An integer conversion given a text, a text
// conversion given a number, or a missing argument renders nothing, so a report never fails.
std::wstring FormatV(const TextArg& format, std::span<const FormatArg> args);

template <class... Args>
std::wstring Format(const TextArg& format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return FormatV(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return FormatV(format, list);
    }
}
