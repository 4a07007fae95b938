// The contact machine's open state: (re)opens the port named by the Port setting at 9600 bit/s.
#pragma once
#include <cstdint>
#include <string>

#include "machines/ClosePortState.h"
#include "model/ErrorText.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"

template <class T>
class COpenPortState : public CState<T> {
public:
    static constexpr uint32_t ContactSpeed = 9600;

    COpenPortState(CStateHost<T>& host, CState<T>* next) : CState<T>(host, L"OpenPortState", next) {}

    void Start() override
    {
        T& machine = this->Machine();
        CModelBase& model = machine.Model();
        CloseOpenPort(machine);
        const std::wstring port = model.Port.Get();
        if (port.empty()) {
            this->Fail(MSG_PORT_NAME_MISSING);
            return;
        }
        machine.ReportStatus(StringId{IDS_OPENING_PORT}, port);
        if (!model.OpenPort(port)) {
            uint32_t code = GetLastErrorCode();
            if (code == 0)
                code = ERROR_CODE_GEN_FAILURE; // never let a failed open pass for success
            if (code == ERROR_CODE_ACCESS_DENIED)
                machine.Report(StringId{IDS_PORT_ACCESS_DENIED}, port);
            else
                machine.Report(StringId{IDS_PORT_OPEN_FAILED}, port, code, ErrorText(code));
            this->Fail(code);
            return;
        }
        model.PortSpeed.Set(ContactSpeed);
        machine.ReportStatus(StringId{IDS_PORT_OPEN}, port);
        this->Next();
    }

private:
    static constexpr uint32_t ERROR_CODE_GEN_FAILURE = 31;
};
