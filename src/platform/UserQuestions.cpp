// Routes message boxes to the installed handler or to the platform's own box.
#include "platform/UserQuestions.h"

#include <mutex>
#include <utility>

int PlatformMessageBox(const UserQuestion& question); // UserQuestionsWin32.cpp / UserQuestionsPosix.cpp

namespace {
std::mutex handlerMutex;
UserQuestionHandler installedHandler;
}

int AskUser(IMessageTarget* owner, const std::wstring& text, const std::wstring& caption, uint32_t flags)
{
    UserQuestion question{owner, text, caption, flags};
    UserQuestionHandler handler;
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        handler = installedHandler;
    }
    return handler ? handler(question) : PlatformMessageBox(question);
}

UserQuestionHandler SetUserQuestionHandler(UserQuestionHandler handler)
{
    std::lock_guard<std::mutex> lock(handlerMutex);
    return std::exchange(installedHandler, std::move(handler));
}
