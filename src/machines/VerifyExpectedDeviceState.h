// The loader's check that the module on the port is the kind this program loads firmware into.
#pragma once
#include "machines/State.h"
#include "model/Model.h"
#include "model/StatusCodes.h"

// Sends nothing: the model decides. A wrong device ends the load with 0xE200004E, which leaves the
// published firmware status as it was.
template <class T>
class CVerifyExpectedDeviceState : public CState<T> {
public:
    CVerifyExpectedDeviceState(CStateHost<T>& host, CState<T>* next)
        : CState<T>(host, L"VerifyExpectedDeviceState", next)
    {
    }

    void Start() override
    {
        if (this->Host().Model().IsExpectedDevice())
            this->Next();
        else
            this->Fail(MSG_UNEXPECTED_DEVICE);
    }
};
