// A state that sends a command and accepts a reply if one comes; without one it moves on anyway.
#pragma once
#include <cstdint>

#include "machines/CommandDelayState.h"

template <class T>
class CCommandOptionalResponseState : public CCommandDelayState<T> {
public:
    CCommandOptionalResponseState(CStateHost<T>& host, const wchar_t* name, CState<T>* next, const wchar_t* command,
                                  uint32_t delay, uint32_t failureCode)
        : CCommandDelayState<T>(host, name, next, command, delay), failureCode_(failureCode)
    {
    }

    void Enter() override { this->Host().SetTerminators(GetTerminators()); }

    // An acceptable reply stops the timer and continues; any other counts as no reply at all,
    // so the timer decides.
    void OnResponse() override
    {
        if (IsAcceptable()) {
            this->Host().KillStateTimer();
            OnAccepted();
        }
    }

    void OnTimer() override { this->Next(); }

    virtual void OnAccepted() { Proceed(); }
    // The characters that end a reply in this state (null: none).
    virtual const wchar_t* GetTerminators() { return L";"; }
    virtual void Proceed() { this->Next(); }
    // Judges the reply in the host's receive buffer.
    virtual bool IsAcceptable() { return true; }

    uint32_t FailureCode() const { return failureCode_; }

private:
    uint32_t failureCode_;
};
