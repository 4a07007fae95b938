// What a firmware load may count on from the last contact attempt.
#include "machines/ContactOutcome.h"

#include "model/StatusCodes.h"

FIRMWARESTATUS StatusForLoad(FIRMWARESTATUS firmwareStatus, bool portOpen, bool contactComplete,
                             uint32_t contactResult)
{
    if (firmwareStatus != FirmwareStatusNone)
        return firmwareStatus;
    if (portOpen && contactComplete && contactResult == MSG_NO_REVISION_RESPONSE)
        return FirmwareStatusLoaderWaiting;
    return FirmwareStatusNone;
}
