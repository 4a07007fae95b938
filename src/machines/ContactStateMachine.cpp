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
    Run(closeState_);
    return true;
}

bool CContactStateMachine::TestCommunications()
{
    Run(openState_);
    return true;
}

// The port must already be open; a closed one ends the query at its first send with error 6.
bool CContactStateMachine::QueryRevision()
{
    if (!IsComplete())
        return false;
    Run(queryState_);
    return true;
}

std::unique_ptr<IContactStateMachine> CreateContactStateMachine(CModelBase& model)
{
    return std::make_unique<CContactStateMachine>(model);
}
