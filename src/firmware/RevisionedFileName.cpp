// Splitting a firmware path into file name, extension and title, and reading its revision.
#include "firmware/RevisionedFileName.h"

#include <utility>

CRevisionedFileName::CRevisionedFileName(std::wstring path) : path_(std::move(path)), revision_(RevisionOf(path_)) {}

void CRevisionedFileName::Clear()
{
    path_.clear();
    revision_ = 0;
}

std::wstring_view CRevisionedFileName::FileNameOf(std::wstring_view path)
{
    size_t cut = path.find_last_of(L"/:\\");
    return cut == std::wstring_view::npos ? path : path.substr(cut + 1);
}

std::wstring_view CRevisionedFileName::ExtensionOf(std::wstring_view path)
{
    // Taken from the file name, not the whole path: a dot in a folder name is no extension.
    std::wstring_view name = FileNameOf(path);
    size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring_view{} : name.substr(dot);
}

std::wstring_view CRevisionedFileName::TitleOf(std::wstring_view path)
{
    std::wstring_view name = FileNameOf(path);
    size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? name : name.substr(0, dot);
}

uint16_t CRevisionedFileName::RevisionOf(std::wstring_view path)
{
    std::wstring_view title = TitleOf(path);
    auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    size_t end = title.size();
    while (end > 0 && !isDigit(title[end - 1]))
        --end;
    size_t begin = end;
    while (begin > 0 && isDigit(title[begin - 1]))
        --begin;
    if (begin == end || begin == 0)
        return 0;
    // Only the low 16 bits are kept, so the number is accumulated modulo 65536: any length of run is safe.
    uint16_t value = 0;
    for (size_t i = begin; i < end; ++i)
        value = static_cast<uint16_t>(value * 10u + static_cast<unsigned>(title[i] - L'0'));
    return value;
}
