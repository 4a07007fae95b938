// Off Windows there is no message box: the question is written to standard error and
// answered with its default button, so a console program never waits for an answer.
#include "platform/UserQuestions.h"
#include "platform/TextConversion.h"

#include <cstdio>

int PlatformMessageBox(const UserQuestion& question)
{
    std::fprintf(stderr, "%s: %s\n", ToUtf8(question.caption).c_str(), ToUtf8(question.text).c_str());
    if ((question.flags & 0x0F) == MB_FLAG_YESNO)
        return (question.flags & MB_FLAG_DEFBUTTON2) ? ANSWER_NO : ANSWER_YES;
    return ANSWER_OK;
}
