// A state that sends a command and requires a reply: without one in time the conversation fails.
#pragma once
#include <cstdint>

#include "machines/CommandOptionalResponseState.h"

template <class T>
class CCommandResponseState : public CCommandOptionalResponseState<T> {
public:
    using CCommandOptionalResponseState<T>::CCommandOptionalResponseState;

    void OnTimer() override { this->Fail(this->FailureCode()); }
};
