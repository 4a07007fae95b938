// Pieces of ErrorText shared by both platforms.
#include "model/ErrorText.h"

std::wstring TrimLineEnd(std::wstring text)
{
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n'))
        text.pop_back();
    return text;
}
