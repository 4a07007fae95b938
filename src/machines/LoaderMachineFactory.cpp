// The model's loader-machine factory of the real program: the firmware loader state machine.
#include "machines/McuLoaderStateMachine.h"
#include "model/Model.h"

LoaderMachineFactory DefaultLoaderMachineFactory() { return CreateMcuLoaderStateMachine; }
