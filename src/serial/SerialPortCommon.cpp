// The parts of CSerialPort that both platforms share: opening by name, speeds, reports and hand-over.
#include "serial/SerialPort.h"

#include "model/ErrorText.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "serial/SerialRules.h"

#include <chrono>
#include <thread>

namespace {

// The line settles before and after its settings change.
void PauseForLine()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace

std::unique_ptr<ISerialPort> CreateSerialPort()
{
    return std::make_unique<CSerialPort>();
}

void CSerialPort::SetMessageWindow(IMessageTarget* window)
{
    window_.store(window, std::memory_order_release);
}

bool CSerialPort::Open(const std::wstring& name)
{
    if (IsOpen())
        return true;
    name_ = name;
    if (name.empty()) {
        SetLastErrorCode(MSG_PORT_NAME_MISSING);
        return false;
    }
    waiterFailureCode_.store(0);
    return OpenDevice();
}

void CSerialPort::Close()
{
    uint32_t error = GetLastErrorCode();
    CloseDevice();
    SetLastErrorCode(error);
}

uint32_t CSerialPort::SetSpeed(uint32_t bitsPerSecond)
{
    if (!IsSupportedSpeed(bitsPerSecond))
        return HRESULT_INVALID_ARGUMENT;
    if (bitsPerSecond == speed_)
        return 1;
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return 0;
    }
    PauseForLine();
    if (!WriteSpeed(bitsPerSecond)) {
        uint32_t code = GetLastErrorCode();
        ReportError(L"SetCommState", code); // the stored speed stays the old one
        SetLastErrorCode(code);
        return 0;
    }
    speed_ = bitsPerSecond;
    PauseForLine();
    return 1;
}

void CSerialPort::ReportError(const wchar_t* operation, uint32_t code)
{
    PopupError(StringId{IDS_COM_PORT_ERROR}, StringId{IDS_FAILED_ON}, operation, name_, code, ErrorText(code));
    if (IsOpen()) {
        if (IsDeviceGoneError(code)) {
            Close();
        } else {
            uint32_t errors = 0;
            if (ClearLineErrors(errors)) {
                DisplayStatus(StringId{IDS_CLEAR_COMM_ERRORS}, errors);
            } else {
                uint32_t clearError = GetLastErrorCode();
                DisplayStatus(StringId{IDS_FAILED_ON}, L"ClearCommError", name_, clearError, ErrorText(clearError));
            }
        }
    }
    SetLastErrorCode(code);
}

bool CSerialPort::FailOpen(const wchar_t* operation)
{
    uint32_t code = GetLastErrorCode();
    ReportError(operation, code);
    Close();
    SetLastErrorCode(code);
    return false;
}

bool CSerialPort::FailOpenQuietly()
{
    Close(); // keeps the last error
    return false;
}

void CSerialPort::HandOverFailure(const wchar_t* operation, uint32_t code)
{
    waiterFailureOperation_.store(operation, std::memory_order_release);
    waiterFailureCode_.store(code, std::memory_order_release);
    if (IMessageTarget* window = MessageWindow())
        window->Post(WM_COMM_EVENT, CommEventParameter(0, 0), 0);
}

void CSerialPort::ReportWaiterFailure()
{
    uint32_t code = waiterFailureCode_.exchange(0, std::memory_order_acq_rel);
    if (code != 0)
        ReportError(waiterFailureOperation_.load(std::memory_order_acquire), code);
}
