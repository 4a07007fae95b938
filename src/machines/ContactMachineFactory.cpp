// The model's contact-machine factory of the real program: the contact state machine.
#include "machines/ContactStateMachine.h"
#include "model/Model.h"

ContactMachineFactory DefaultContactMachineFactory() { return CreateContactStateMachine; }
