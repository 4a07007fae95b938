// Answers message boxes from a script while it lives, and records every question asked.
#pragma once
#include <deque>
#include <vector>

#include "platform/UserQuestions.h"

class ScriptedAnswers {
public:
    // Questions get the given answers in order; once they run out, every answer is `fallback`.
    explicit ScriptedAnswers(std::deque<int> answers, int fallback = ANSWER_NO);
    ~ScriptedAnswers();
    ScriptedAnswers(const ScriptedAnswers&) = delete;
    ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;

    std::vector<UserQuestion> asked;

private:
    std::deque<int> answers_;
    int fallback_;
    UserQuestionHandler previous_;
};
