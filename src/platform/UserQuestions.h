// Message boxes, behind one hook so that tests can answer them.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

class IMessageTarget;

// Flag and answer values of the platform's message box.
constexpr uint32_t MB_FLAG_OK = 0x00;
constexpr uint32_t MB_FLAG_YESNO = 0x04;
constexpr uint32_t MB_FLAG_ICONERROR = 0x10;
constexpr uint32_t MB_FLAG_ICONQUESTION = 0x20;
constexpr uint32_t MB_FLAG_ICONWARNING = 0x30;
constexpr uint32_t MB_FLAG_ICONINFORMATION = 0x40;
constexpr uint32_t MB_FLAG_DEFBUTTON2 = 0x100;
constexpr int ANSWER_OK = 1;
constexpr int ANSWER_CANCEL = 2;
constexpr int ANSWER_YES = 6;
constexpr int ANSWER_NO = 7;

struct UserQuestion {
    IMessageTarget* owner;
    std::wstring text;
    std::wstring caption;
    uint32_t flags;
};

using UserQuestionHandler = std::function<int(const UserQuestion&)>;

// Shows a modal message box (or whatever the installed handler does) and returns the answer.
int AskUser(IMessageTarget* owner, const std::wstring& text, const std::wstring& caption, uint32_t flags);

// Replaces the platform's message box; an empty handler restores it. Returns the previous one.
UserQuestionHandler SetUserQuestionHandler(UserQuestionHandler handler);
