// What a firmware load may count on from the last contact attempt.
#pragma once
#include <cstdint>

#include "model/ModelTypes.h"

// The module's state as Send Firmware sees it: the model's FirmwareStatus once something answered.
// A module that answered the poll but not "V" (the contact ended with 0xE200000D on an open port)
// is a bootstrap loader left waiting by an interrupted load: it counts as a waiting loader (2), so
// the user can always load it again. Anything else is 0: nothing answers.
FIRMWARESTATUS StatusForLoad(FIRMWARESTATUS firmwareStatus, bool portOpen, bool contactComplete,
                             uint32_t contactResult);
