// The platform's message box on Windows.
#include "platform/MessageTarget.h"
#include "platform/UserQuestions.h"

#include <windows.h>

int PlatformMessageBox(const UserQuestion& question)
{
    HWND owner = question.owner ? static_cast<HWND>(question.owner->NativeHandle()) : nullptr;
    return MessageBoxW(owner, question.text.c_str(), question.caption.c_str(), question.flags);
}
