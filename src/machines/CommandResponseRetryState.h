// A state that requires a reply and sends its command again, up to the host's retry limit.
#pragma once
#include <cstdint>

#include "machines/CommandResponseState.h"

template <class T>
class CCommandResponseRetryState : public CCommandResponseState<T> {
public:
    using CCommandResponseState<T>::CCommandResponseState;

    void Enter() override
    {
        CCommandResponseState<T>::Enter();
        retryCount_ = 0;
    }

    // With a limit of 10 the command goes out 10 times in all before the failure.
    void OnTimer() override
    {
        ++retryCount_;
        if (retryCount_ < this->Host().CommandRetryLimit())
            this->SendCommand();
        else
            this->Fail(this->FailureCode());
    }

    uint32_t RetryCount() const { return retryCount_; }

protected:
    void SetRetryCount(uint32_t count) { retryCount_ = count; }

private:
    uint32_t retryCount_ = 0;
};
