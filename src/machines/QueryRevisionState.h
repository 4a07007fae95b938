// The revision query: "V" until the module answers V, digit, ".", digit, digit, ";" (10 tries, 500 ms apart).
#pragma once
#include <cstdint>

#include "machines/CommandResponseRetryState.h"
#include "machines/RevisionReply.h"
#include "model/StatusCodes.h"

template <class T>
class CQueryRevisionState : public CCommandResponseRetryState<T> {
public:
    static constexpr uint32_t ReplyTimeout = 500;

    CQueryRevisionState(CStateHost<T>& host, CState<T>* next)
        : CCommandResponseRetryState<T>(host, L"QueryRevisionState", next, L"V", ReplyTimeout,
                                        MSG_NO_REVISION_RESPONSE)
    {
    }

    // A revision reply stores the revision in the model (its observers are told) and makes the
    // firmware's status "running"; any other reply is dropped and the retry timer goes on.
    bool IsAcceptable() override
    {
        uint16_t revision = 0;
        if (!ParseRevisionReply(this->Host().ReceiveBuffer(), L"V", revision))
            return false;
        this->Host().Model().InstalledRevision.Set(revision);
        this->Host().SetStatusToPublish(FirmwareStatusRunning);
        return true;
    }
};
