// The scripted message-box answerer: installs itself as the user-question handler.
#include "ScriptedAnswers.h"

#include <utility>

ScriptedAnswers::ScriptedAnswers(std::deque<int> answers, int fallback)
    : answers_(std::move(answers)), fallback_(fallback)
{
    previous_ = SetUserQuestionHandler([this](const UserQuestion& question) {
        asked.push_back(question);
        if (answers_.empty())
            return fallback_;
        int answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

ScriptedAnswers::~ScriptedAnswers() { SetUserQuestionHandler(std::move(previous_)); }
