// A message target that records what it receives.
#include "RecordingTarget.h"

namespace {
bool CarriesText(uint32_t message)
{
    return message == WM_REPORT_TEXT || message == WM_VERBOSE_TEXT || message == WM_LOADER_LINE ||
           message == WM_REPORT_TO_PAGE;
}
} // namespace

intptr_t RecordingTarget::Send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::wstring text = CarriesText(message) && lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
    messages.push_back({message, wParam, lParam, text, false});
    return 0;
}

bool RecordingTarget::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    messages.push_back({message, wParam, lParam, L"", true});
    return true;
}

std::vector<std::wstring> RecordingTarget::Texts(uint32_t message) const
{
    std::vector<std::wstring> texts;
    for (const auto& m : messages)
        if (m.message == message)
            texts.push_back(m.text);
    return texts;
}
