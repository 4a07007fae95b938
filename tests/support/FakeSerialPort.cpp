// A scripted serial port for tests.
#include "FakeSerialPort.h"

#include <algorithm>
#include <cstring>

#include "model/StatusCodes.h"
#include "platform/LastError.h"
#include "platform/MessageTarget.h"

namespace {

bool Fail(uint32_t code)
{
    SetLastErrorCode(code);
    return false;
}

} // namespace

void FakeSerialPort::Deliver(std::string_view bytes)
{
    incoming_.append(bytes);
    if (postOnDeliver && window_)
        window_->Post(WM_COMM_EVENT, 1, 0);
}

void FakeSerialPort::ForceOpen(std::wstring name)
{
    open_ = true;
    name_ = std::move(name);
}

bool FakeSerialPort::Open(const std::wstring& name)
{
    opens.push_back(name);
    if (open_)
        return true;
    if (name.empty())
        return Fail(MSG_PORT_NAME_MISSING);
    if (openError != 0)
        return Fail(openError);
    open_ = true;
    name_ = name;
    return true;
}

void FakeSerialPort::Close()
{
    ++closes;
    open_ = false;
}

bool FakeSerialPort::Read(uint8_t* buffer, uint32_t count, uint32_t& received)
{
    received = 0;
    if (!open_)
        return Fail(ERROR_CODE_INVALID_HANDLE);
    if (readError != 0)
        return Fail(readError);
    const size_t take = std::min<size_t>({count, readLimit, incoming_.size()});
    if (take > 0)
        std::memcpy(buffer, incoming_.data(), take);
    incoming_.erase(0, take);
    received = static_cast<uint32_t>(take);
    return true;
}

bool FakeSerialPort::Write(const uint8_t* bytes, uint32_t count, uint32_t& writtenCount)
{
    writtenCount = 0;
    if (!open_)
        return Fail(ERROR_CODE_INVALID_HANDLE);
    if (writeError != 0)
        return Fail(writeError);
    writtenCount = std::min(count, writeLimit);
    const std::string piece(reinterpret_cast<const char*>(bytes), writtenCount);
    written += piece;
    writes.push_back(piece);
    return true;
}

uint32_t FakeSerialPort::SetSpeed(uint32_t bitsPerSecond)
{
    if (!open_) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return 0;
    }
    if (bitsPerSecond != 4800 && bitsPerSecond != 9600 && bitsPerSecond != 19200 && bitsPerSecond != 38400)
        return HRESULT_INVALID_ARGUMENT;
    if (speedError != 0) {
        SetLastErrorCode(speedError);
        return 0;
    }
    speed_ = speedActuallySet != 0 ? speedActuallySet : bitsPerSecond;
    speedChanges.push_back(bitsPerSecond);
    return 1;
}

bool FakeSerialPort::Purge()
{
    if (!open_)
        return Fail(ERROR_CODE_INVALID_HANDLE);
    if (purgeError != 0) {
        ReportError(L"PurgeComm", purgeError);
        return Fail(purgeError);
    }
    incoming_.clear();
    ++purges;
    return true;
}

bool FakeSerialPort::CancelIo()
{
    if (!open_)
        return Fail(ERROR_CODE_INVALID_HANDLE);
    ++cancels;
    return true;
}

void FakeSerialPort::ReportError(const wchar_t* operation, uint32_t code)
{
    errors.push_back({operation ? operation : L"", code});
    // Access denied means the device is gone: the real port closes itself.
    if (code == ERROR_CODE_ACCESS_DENIED)
        open_ = false;
}
