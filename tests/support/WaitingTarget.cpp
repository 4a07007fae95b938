// A thread-safe message target that records every message and lets a test wait for posted ones.
#include "WaitingTarget.h"

namespace {
bool CarriesText(uint32_t message)
{
    return message == WM_REPORT_TEXT || message == WM_VERBOSE_TEXT || message == WM_LOADER_LINE ||
           message == WM_REPORT_TO_PAGE;
}
} // namespace

intptr_t WaitingTarget::Send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::wstring text = CarriesText(message) && lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
    Record({message, wParam, lParam, text, false});
    return 0;
}

bool WaitingTarget::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Record({message, wParam, lParam, L"", true});
    return true;
}

void WaitingTarget::Record(RecordedMessage message)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(std::move(message));
        arrivals_.push_back(std::chrono::steady_clock::now());
    }
    changed_.notify_all();
}

bool WaitingTarget::WaitFor(uint32_t message, size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        size_t seen = 0;
        for (const RecordedMessage& m : messages_)
            seen += m.message == message ? 1 : 0;
        return seen >= count;
    });
}

std::vector<RecordedMessage> WaitingTarget::Messages() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

size_t WaitingTarget::Count(uint32_t message) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    size_t count = 0;
    for (const RecordedMessage& m : messages_)
        count += m.message == message ? 1 : 0;
    return count;
}

std::vector<std::wstring> WaitingTarget::Texts(uint32_t message) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::wstring> texts;
    for (const RecordedMessage& m : messages_)
        if (m.message == message)
            texts.push_back(m.text);
    return texts;
}

std::vector<std::chrono::steady_clock::time_point> WaitingTarget::Arrivals(uint32_t message) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::chrono::steady_clock::time_point> times;
    for (size_t i = 0; i < messages_.size(); ++i)
        if (messages_[i].message == message)
            times.push_back(arrivals_[i]);
    return times;
}

void WaitingTarget::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
    arrivals_.clear();
}
