// The contact machine's close state: closes the port if it is open and forgets what was known of the module.
#pragma once
#include <string>

#include "machines/State.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/StringTable.h"

// Shared with the open state, which always starts on a freshly opened port. The line names the
// port that was actually open, which differs from the Port setting after the user chose another.
template <class T>
void CloseOpenPort(T& machine)
{
    CModelBase& model = machine.Model();
    if (model.PortOpen.Get() == 0)
        return;
    std::wstring name = model.SerialPort().Name();
    if (name.empty())
        name = model.Port.Get();
    model.ClosePort();
    machine.ReportStatus(StringId{IDS_PORT_CLOSED}, name);
    model.ResetDeviceValues();
    machine.SetStatusToPublish(FirmwareStatusNone);
}

template <class T>
class CClosePortState : public CState<T> {
public:
    CClosePortState(CStateHost<T>& host, CState<T>* next) : CState<T>(host, L"ClosePortState", next) {}

    void Start() override
    {
        CloseOpenPort(this->Machine());
        this->Next();
    }
};
