// Message boxes on a console: every question takes its default answer without being shown.
#pragma once
#include "platform/UserQuestions.h"

// A console has no message boxes: the text of an error box has already been printed as a report
// line, so every question takes its default answer (No when No is the default, else Yes or OK).
// Installed for the object's lifetime; the previous handler comes back afterwards.
class CDefaultAnswers {
public:
    CDefaultAnswers()
        : previous_(SetUserQuestionHandler([](const UserQuestion& question) {
              if ((question.flags & 0x0F) == MB_FLAG_YESNO)
                  return (question.flags & MB_FLAG_DEFBUTTON2) ? ANSWER_NO : ANSWER_YES;
              return ANSWER_OK;
          }))
    {
    }
    ~CDefaultAnswers() { SetUserQuestionHandler(previous_); }
    CDefaultAnswers(const CDefaultAnswers&) = delete;
    CDefaultAnswers& operator=(const CDefaultAnswers&) = delete;

private:
    UserQuestionHandler previous_;
};
