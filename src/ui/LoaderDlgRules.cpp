// The loader dialog's decisions that are logic rather than drawing.
#include "ui/LoaderDlgRules.h"

#include "machines/StateMachine.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "ui/FrameRules.h"

std::wstring LoaderStatusLine(uint16_t installedRevision, uint32_t speed)
{
    return Format(StringId{IDS_STATUS_RUNNING}, StringId{IDS_LOADER_DEVICE_NAME}, RevisionText(installedRevision),
                  speed);
}

uint32_t CompleteLoad(ILoaderStateMachine& machine, uint32_t result, const LoaderLineSink& line)
{
    const std::wstring device = machine.GetDeviceName();
    if (const uint32_t total = machine.GetTotalRetries(); total != 0) {
        line(LoaderLine::Report, Format(StringId{IDS_TOTAL_RETRIES}, total));
        line(LoaderLine::Report, Format(StringId{IDS_HIGHEST_RETRIES}, machine.GetHighestRetries()));
    }
    if (!IsFailure(result))
        result = machine.Verify(true); // the machine reports the revision line itself
    if (!IsFailure(result)) {
        line(LoaderLine::Verbose, Format(StringId{IDS_VERIFICATION_SUCCEEDED}, device));
        line(LoaderLine::Report, Format(StringId{IDS_LOAD_COMPLETE}, device));
        return STATUS_OK;
    }
    line(LoaderLine::Report, Format(StringId{IDS_ERROR_CODE}, result, ErrorText(result)));
    // Power and cable help with every failure but a device of another kind.
    if (result != MSG_UNEXPECTED_DEVICE)
        line(LoaderLine::Report, Format(StringId{IDS_LOAD_FAILED_ADVICE}, device, device));
    return result;
}
