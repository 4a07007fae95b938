// The contact machine: opens the port, polls the module until it answers and reads its firmware revision.
#include "machines/ContactStateMachine.h"

#include "model/StringTable.h"

CContactStateMachine::CContactStateMachine(CModelBase& model)
    : CStateHost(model, StateTimerId),
      deviceName_(LoadStringResource(IDS_DEVICE_NAME)),
      closeState_(*this, &FinalState()),
      openState_(*this, &establishState_),
      establishState_(*this, &queryState_),
      queryState_(*this, &FinalState())
{
}

// A running conversation is abandoned at once; its timer is stopped by Run.
bool CContactStateMachine::ClosePortNow()
{
    testing_ = false;
    Run(closeState_);
    return true;
}

bool CContactStateMachine::TestCommunications()
{
    const uint32_t now = Model().Timers().TickCount();
    const std::wstring& port = Model().Port.Get();
    // Joined only while that test still waits for the module's first answer.
    const bool polling = testing_ && &CurrentState() == &establishState_;
    if (polling && now - testStart_ < JoinWindowMs && port == testPort_)
        return true;
    testing_ = true;
    testPort_ = port;
    testStart_ = now;
    Run(openState_);
    return true;
}

// The port must already be open; a closed one ends the query at its first send with error 6.
bool CContactStateMachine::QueryRevision()
{
    if (!IsComplete())
        return false;
    testing_ = false;
    Run(queryState_);
    return true;
}

std::unique_ptr<IContactStateMachine> CreateContactStateMachine(CModelBase& model)
{
    return std::make_unique<CContactStateMachine>(model);
}
