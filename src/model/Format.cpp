// The formatter: a small printf subset over wide text; never fails, never reads past its arguments.
#include "model/Format.h"

#include "model/StringTable.h"

std::wstring_view TextArg::Resolve(std::wstring& storage) const
{
    if (!isId_)
        return text_;
    storage = LoadStringResource(id_);
    return storage;
}

std::wstring TextArg::ToString() const
{
    std::wstring storage;
    return std::wstring(Resolve(storage));
}

namespace {

void AppendPadded(std::wstring& out, std::wstring_view digits, bool negative, unsigned width, bool zeroPad,
                  bool leftAlign)
{
    size_t length = digits.size() + (negative ? 1 : 0);
    size_t padding = width > length ? width - length : 0;
    if (leftAlign) {
        if (negative)
            out += L'-';
        out += digits;
        out.append(padding, L' ');
    } else if (zeroPad) {
        if (negative)
            out += L'-';
        out.append(padding, L'0');
        out += digits;
    } else {
        out.append(padding, L' ');
        if (negative)
            out += L'-';
        out += digits;
    }
}

std::wstring Digits(uint64_t value, unsigned base, bool upper)
{
    const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    wchar_t buffer[24];
    size_t n = 0;
    do {
        buffer[n++] = set[value % base];
        value /= base;
    } while (value);
    std::wstring digits;
    while (n)
        digits += buffer[--n];
    return digits;
}

} // namespace

std::wstring FormatV(const TextArg& format, std::span<const FormatArg> args)
{
    std::wstring storage;
    std::wstring_view f = format.Resolve(storage);
    std::wstring out;
    out.reserve(f.size() + 16);
    size_t next = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        wchar_t c = f[i];
        if (c != L'%' || i + 1 >= f.size()) {
            out += c;
            continue;
        }
        size_t start = i++;
        bool zeroPad = false, leftAlign = false;
        for (; i < f.size() && (f[i] == L'0' || f[i] == L'-'); ++i)
            (f[i] == L'0' ? zeroPad : leftAlign) = true;
        unsigned width = 0;
        for (; i < f.size() && f[i] >= L'0' && f[i] <= L'9'; ++i)
            width = width * 10 + static_cast<unsigned>(f[i] - L'0');
        for (; i < f.size() && (f[i] == L'l' || f[i] == L'h'); ++i) {
        }
        if (i >= f.size()) {
            out += f.substr(start);
            break;
        }
        wchar_t conversion = f[i];
        if (conversion == L'%') {
            out += L'%';
            continue;
        }
        if (conversion != L's' && conversion != L'u' && conversion != L'd' && conversion != L'X' &&
            conversion != L'x' && conversion != L'c') {
            out += f.substr(start, i - start + 1); // not ours: keep it as written
            continue;
        }
        if (next >= args.size())
            continue;
        const FormatArg& arg = args[next++];
        bool isText = arg.kind() == FormatArg::Kind::Text;
        switch (conversion) {
        case L's':
            if (isText) {
                std::wstring argStorage;
                AppendPadded(out, arg.AsText().Resolve(argStorage), false, width, false, leftAlign);
            }
            break;
        case L'c':
            if (!isText)
                AppendPadded(out, std::wstring(1, static_cast<wchar_t>(arg.AsUnsigned())), false, width, false,
                             leftAlign);
            break;
        case L'd':
            if (!isText) {
                int64_t value = arg.AsSigned();
                uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
                AppendPadded(out, Digits(magnitude, 10, false), value < 0, width, zeroPad, leftAlign);
            }
            break;
        default: // u, X, x: 32-bit like the platform's printf, so -1 prints as 4294967295
            if (!isText) {
                uint64_t value = arg.AsUnsigned() & 0xFFFFFFFFu;
                AppendPadded(out, Digits(value, conversion == L'u' ? 10 : 16, conversion == L'X'), false, width,
                             zeroPad, leftAlign);
            }
            break;
        }
    }
    return out;
}
