// Starts the download: "D" and up to 5 s for the bootstrap loader's "D" echo.
#pragma once
#include <cstdint>

#include "machines/CommandResponseState.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"

// Any reply whose last character is "D" is the echo: the module then waits for firmware, which
// the model shows as revision 0xFFFE ("Loading") and FirmwareStatus 2. Without the echo the module
// is in an unknown state: the user is told to remove power, and what was known of it is forgotten.
template <class T>
class CLoadBeginDownloadState : public CCommandResponseState<T> {
public:
    static constexpr uint32_t EchoTimeout = 5000;
    static constexpr uint16_t LoadingRevision = 0xFFFE;

    CLoadBeginDownloadState(CStateHost<T>& host, CState<T>* next)
        : CCommandResponseState<T>(host, L"LoadBeginDownloadState", next, L"D", EchoTimeout, MSG_NO_D_ECHO)
    {
    }

    const wchar_t* GetTerminators() override { return L"D"; }

    void OnResponse() override
    {
        CModelBase& model = this->Host().Model();
        model.InstalledRevision.Set(LoadingRevision);
        model.FirmwareStatus.Set(FirmwareStatusLoaderWaiting); // stored as 0 while the port is closed
        this->Host().SetStatusToPublish(FirmwareStatusLoaderWaiting);
        CCommandResponseState<T>::OnResponse();
    }

    // Also reached when a failure recorded earlier (a cancel) stops the send; a failed write ends
    // the machine without passing here.
    void Abort() override
    {
        T& machine = this->Machine();
        machine.Report(StringId{IDS_NO_D_ECHO}, machine.DeviceName(), this->Command());
        machine.Model().ResetDeviceValues();
        CCommandResponseState<T>::Abort();
    }
};
