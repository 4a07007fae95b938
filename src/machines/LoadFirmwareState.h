// Sends one download block and judges its answer: "A"/"B" accepted, "N" rejected, silence a time-out.
#pragma once
#include <cstdint>
#include <string>

#include "machines/CommandResponseRetryState.h"
#include "machines/DownloadBlock.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"

// The base of the two block states. One retry counter per block counts rejections and time-outs
// alike. The sixth rejection, and every time-out within the machine's timeout retry limit, sends
// the block state to its resynchronisation state, which brings the module back to a block boundary
// and hands the same block back through SendCommand. The tenth rejection fails with 0xE2000044,
// the time-out past the limit with 0xE200004B; both report line 274.
//
// T supplies the block (Block, SendBlock), the statistics (FillCount, SetFillCount,
// AddBlockRetries), NextLoadAddress, TimeoutRetryLimit and DeviceName.
template <class T>
class CLoadFirmwareState : public CCommandResponseRetryState<T> {
public:
    static constexpr uint32_t ReplyTimeout = 2000;

    CLoadFirmwareState(CStateHost<T>& host, const wchar_t* name, CState<T>* next, CState<T>& resync,
                       wchar_t acknowledgement)
        : CCommandResponseRetryState<T>(host, name, next, L";", ReplyTimeout, MSG_NO_RESPONSE_TO_PACKET),
          resync_(resync), terminators_{acknowledgement, L'N', L'\0'}
    {
    }

    // Sends the machine's current block and waits for its answer. Unlike the library's commands it
    // does not look at a failure recorded earlier: the block states are never cancelled mid-block.
    // Nothing here allocates or formats unless Trace is on: it runs once per block, between the
    // module's answer and the next block.
    void SendCommand() override
    {
        T& machine = this->Machine();
        machine.SetTerminators(terminators_);
        if (machine.Model().Trace.Get() != 0) {
            wchar_t digits[2 * kDownloadBlockSize + 1];
            BlockHexDigits(machine.Block(), digits);
            machine.Trace(L"%s Send %u bytes 0x%s", this->Name(), static_cast<uint32_t>(kDownloadBlockSize),
                          static_cast<const wchar_t*>(digits));
        }
        if (machine.SendBlock())
            this->StartTimer(ReplyTimeout);
    }

    // Every complete reply comes here (it ends in the acknowledgement or "N"); an acknowledgement
    // anywhere in it wins over an "N".
    void OnAccepted() override
    {
        T& machine = this->Machine();
        const std::wstring& reply = machine.ReceiveBuffer();
        if (reply.find(terminators_[0]) != std::wstring::npos) {
            if (this->RetryCount() != 0) {
                if (machine.FillCount() == 0)
                    machine.Report(StringId{IDS_RETRY_SUCCESS}, this->RetryCount(), machine.NextLoadAddress());
                else
                    machine.Report(StringId{IDS_RETRY_SUCCESS_FILL}, this->RetryCount(), machine.NextLoadAddress(),
                                   machine.FillCount());
                machine.AddBlockRetries(TakeRetries());
            }
            machine.SetFillCount(0);
            this->Start();
        } else if (reply.find(L'N') != std::wstring::npos) {
            const uint32_t previous = this->RetryCount();
            this->SetRetryCount(previous + 1);
            if (previous == machine.CommandRetryLimit() / 2)
                machine.ChangeState(resync_);
            else if (this->RetryCount() < machine.CommandRetryLimit())
                SendCommand();
            else
                this->Fail(MSG_RETRY_LIMIT);
        }
    }

    // No answer: resynchronise, up to the timeout retry limit.
    void OnTimer() override
    {
        const uint32_t previous = this->RetryCount();
        this->SetRetryCount(previous + 1);
        if (previous < this->Machine().TimeoutRetryLimit())
            this->Machine().ChangeState(resync_);
        else
            this->Fail(this->FailureCode());
    }

    // A failed block: line 274 with the address, its retries counted in the statistics.
    void Abort() override
    {
        T& machine = this->Machine();
        machine.Report(StringId{IDS_SEND_FAILED_AT}, machine.DeviceName(), machine.NextLoadAddress());
        machine.AddBlockRetries(TakeRetries());
        CCommandResponseRetryState<T>::Abort();
    }

    // The retries of the block in progress, handed over once to the statistics (0 afterwards).
    uint32_t TakeRetries()
    {
        const uint32_t retries = this->RetryCount();
        this->SetRetryCount(0);
        return retries;
    }

protected:
    // Prepares a block state: no fill bytes, no retries, ";" as terminator until the first send.
    void EnterBlockState()
    {
        this->Machine().SetFillCount(0);
        CCommandResponseRetryState<T>::Enter();
    }

private:
    CState<T>& resync_;
    const wchar_t terminators_[3]; // the acknowledgement, "N"
};
