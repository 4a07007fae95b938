// The contact machine: opens the port, polls the module until it answers and reads its firmware revision.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "machines/ClosePortState.h"
#include "machines/EstablishContactState.h"
#include "machines/OpenPortState.h"
#include "machines/QueryRevisionState.h"
#include "machines/StateHost.h"
#include "machines/StateMachine.h"

// Created by the model, bound to it and kept for the program's whole life (Release does nothing).
// Chains: TestCommunications: open -> establish -> query -> final; ClosePortNow: close -> final;
// QueryRevision: query -> final. Its state timer is timer 23 of the model's notify window.
// Status lines go out as WM_VERBOSE_TEXT, error lines as WM_REPORT_TEXT; the outcome shows in
// the model's FirmwareStatus and InstalledRevision, the code in Result().
class CContactStateMachine : public CStateHost<CContactStateMachine>, public IContactStateMachine {
public:
    static constexpr uintptr_t StateTimerId = 23;
    // At start-up a test is asked for several times within moments (the Port notification, the
    // frame, the Firmware page shown): one asked for while a test of the same port began less than
    // this long ago, and still polls for the module's first answer, joins that test instead of
    // opening the port again.
    static constexpr uint32_t JoinWindowMs = 1000;

    explicit CContactStateMachine(CModelBase& model);

    bool Cancel() override { return CStateHost::Cancel(); }
    bool IsComplete() override { return CStateHost::IsComplete(); }
    void Release() override {}
    intptr_t OnReceive(uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) override
    {
        return CStateHost::OnReceive(message, wParam, lParam, handled);
    }
    intptr_t OnTimer(uint32_t message, uintptr_t timerId, intptr_t lParam, bool& handled) override
    {
        return CStateHost::OnTimer(message, timerId, lParam, handled);
    }

    bool ClosePortNow() override;
    bool TestCommunications() override;
    bool QueryRevision() override;
    uint32_t GetResult() override { return Result(); }

    // Called by the final state: publishes the outcome; nothing more for this machine.
    void OnFinished() { PublishStatus(); }

    // String 168, loaded when the machine is created.
    const std::wstring& DeviceName() const { return deviceName_; }

private:
    std::wstring deviceName_;
    bool testing_ = false;     // the conversation running (if any) is a test
    std::wstring testPort_;    // the port it opened
    uint32_t testStart_ = 0;   // the tick count when it began
    CClosePortState<CContactStateMachine> closeState_;
    COpenPortState<CContactStateMachine> openState_;
    CEstablishContactState<CContactStateMachine> establishState_;
    CQueryRevisionState<CContactStateMachine> queryState_;
};

// Creates the contact machine for a model (the model's factory of the real program).
std::unique_ptr<IContactStateMachine> CreateContactStateMachine(CModelBase& model);
