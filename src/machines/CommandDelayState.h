// A state that sends a command and then waits its delay.
#pragma once
#include <cstdint>
#include <string>

#include "machines/DelayState.h"
#include "machines/PrintableText.h"
#include "model/StatusCodes.h"

template <class T>
class CCommandDelayState : public CDelayState<T> {
public:
    CCommandDelayState(CStateHost<T>& host, const wchar_t* name, CState<T>* next, const wchar_t* command,
                       uint32_t delay)
        : CDelayState<T>(host, name, next, delay), command_(command)
    {
    }

    // Without a command the state only passes on.
    void Start() override
    {
        if (command_.empty())
            this->Next();
        else
            SendCommand();
    }

    void TraceSend(const std::wstring& text) override
    {
        this->Host().Trace(L"%s Send \"%s\"", this->Host().CurrentState().Name(), PrintableText(text));
    }

    // A failure already recorded (a cancel, for one) ends the conversation without writing;
    // otherwise the command is written and the wait starts once it is out.
    virtual void SendCommand()
    {
        if (IsFailure(this->Host().Result())) {
            this->Abort();
            return;
        }
        if (this->Host().SendText(command_))
            this->StartTimer(this->Delay());
    }

    const std::wstring& Command() const { return command_; }

private:
    std::wstring command_;
};
