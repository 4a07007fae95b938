// A state that waits: it starts the state timer and moves on when it elapses.
#pragma once
#include <cstdint>

#include "machines/State.h"

template <class T>
class CDelayState : public CState<T> {
public:
    CDelayState(CStateHost<T>& host, const wchar_t* name, CState<T>* next, uint32_t delay)
        : CState<T>(host, name, next), delay_(delay)
    {
    }

    void Start() override { this->StartTimer(delay_); }
    void OnTimer() override { this->Next(); }

    // The wait, or the reply time-out of the command states built on this one.
    uint32_t Delay() const { return delay_; }
    void SetDelay(uint32_t delay) { delay_ = delay; }

private:
    uint32_t delay_;
};
