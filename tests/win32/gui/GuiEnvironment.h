// What the window tests share: the program's start-up steps, message pumping and captured message boxes.
#pragma once
#include <string>
#include <vector>

#include <windows.h>

#include "platform/UserQuestions.h"

// Dispatches the messages waiting in this thread's queue (posted scrolls, timers already due).
void PumpMessages();

// Answers every message box with `answer` and keeps a copy of each question, for the life of the object.
class CCapturedQuestions {
public:
    explicit CCapturedQuestions(int answer = ANSWER_OK);
    ~CCapturedQuestions();
    CCapturedQuestions(const CCapturedQuestions&) = delete;
    CCapturedQuestions& operator=(const CCapturedQuestions&) = delete;

    std::vector<UserQuestion> questions;

private:
    UserQuestionHandler previous_;
};

// The text of a window or control.
std::wstring WindowText(HWND window);

// The text of a status bar's first part.
std::wstring StatusBarText(HWND statusBar);

// The whole text of a rich-edit control, as it holds it (paragraphs end with "\r").
std::wstring RichEditText(HWND control);
