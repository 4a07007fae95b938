// The firmware loader machine: sends a HEX file to the module's bootstrap loader and reads the new revision.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/FirmwareImage.h"
#include "machines/DetermineSpeedState.h"
#include "machines/DownloadBlock.h"
#include "machines/LoadBeginDownloadState.h"
#include "machines/LoadEnterBootLoaderState.h"
#include "machines/LoadFirmwareInitialState.h"
#include "machines/LoadFirmwareLastState.h"
#include "machines/LoadResyncState.h"
#include "machines/LoadWaitResetState.h"
#include "machines/QueryRevisionState.h"
#include "machines/StateHost.h"
#include "machines/StateMachine.h"
#include "machines/VerifyExpectedDeviceState.h"

// Created by the model's loader factory for one opening of the loader dialog, owned by the model
// until Release. StartLoad reads the model's FirmwareFile, then the conversation runs:
//   DetermineSpeed -> VerifyExpectedDevice -> LoadEnterBootLoader -> LoadBeginDownload
//   -> LoadFirmwareInitial (<-> LoadResyncInitial) -> LoadFirmwareLast (<-> LoadResyncLast)
//   -> LoadWaitReset -> DetermineSpeed -> QueryRevision -> final.
// Its state timer is timer 6 of the model's notify window. Report lines go to the notify window
// (WM_REPORT_TEXT) and, like the trace lines, to the StartLoad window (WM_LOADER_LINE); the end
// raises the model's StatusReset with the result. Nothing is allocated while the conversation runs.
class CMcuLoaderStateMachine : public CStateHost<CMcuLoaderStateMachine>, public ILoaderStateMachine {
public:
    static constexpr uintptr_t StateTimerId = 6;
    // Progress counts units of two blocks.
    static constexpr uint32_t ProgressUnit = 128;

    explicit CMcuLoaderStateMachine(CModelBase& model);

    // --- ILoaderStateMachine ---
    bool Cancel() override { return CStateHost::Cancel(); }
    bool IsComplete() override { return CStateHost::IsComplete(); }
    // Stops the state timer and asks the model to destroy this machine; nothing of it may be used
    // afterwards. Safe from inside the machine's own notifications (see CStateHost).
    void Release() override;
    // Destroys the machine now (through the model); called by the host once no call of it runs.
    void ReleaseNow() override;
    intptr_t OnReceive(uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) override
    {
        return CStateHost::OnReceive(message, wParam, lParam, handled);
    }
    intptr_t OnTimer(uint32_t message, uintptr_t timerId, intptr_t lParam, bool& handled) override
    {
        return CStateHost::OnTimer(message, timerId, lParam, handled);
    }
    std::wstring GetDeviceName() override { return deviceName_; }
    std::wstring GetFileName() override { return image_.GetFileName(); }
    uint32_t GetHighestRetries() override { return highestRetries_; }
    uint32_t GetTotalRetries() override { return totalRetries_; }
    uint32_t Verify(bool always) override;
    bool StartLoad(IMessageTarget* window) override;

    // Every report and trace line also goes to the StartLoad window.
    void OnReport(const std::wstring& line) override;

    // Called by the final state: publishes the outcome and raises StatusReset with the result.
    void OnFinished();

    // --- used by the states ---

    const std::wstring& DeviceName() const { return deviceName_; }
    const CFirmwareImage& Image() const { return image_; }
    const DownloadBlock& Block() const { return block_; }
    uint32_t NextLoadAddress() const { return nextLoadAddress_; }
    uint32_t TimeoutRetryLimit() const { return timeoutRetryLimit_; }
    uint32_t FillCount() const { return fillCount_; }
    void SetFillCount(uint32_t count) { fillCount_ = count; }
    // Counts one block's retries in the highest and total retry counts.
    void AddBlockRetries(uint32_t retries);

    // Sets the progress position, then builds the block at the next load address and advances
    // it; false when the image is through.
    bool BuildNextBlock();
    // The block at 0x0800 with its real bytes, byte 66 = 0x02.
    void BuildFinalBlock();
    // Purges the port's input and writes the 68 bytes; any failure (port not open, purge, write,
    // a short write) makes the system code the result and ends the machine at once.
    bool SendBlock() { return SendBytes(block_.data(), static_cast<uint32_t>(block_.size())); }

private:
    DownloadBlock block_{};
    uint32_t timeoutRetryLimit_;
    uint32_t highestRetries_ = 0;
    uint32_t totalRetries_ = 0;
    uint32_t fillCount_ = 0;
    CFirmwareImage image_;
    uint32_t nextLoadAddress_ = CFirmwareImage::kLowAddress;

    CDetermineSpeedState<CMcuLoaderStateMachine> determineSpeedState_;
    CVerifyExpectedDeviceState<CMcuLoaderStateMachine> verifyDeviceState_;
    CLoadEnterBootLoaderState<CMcuLoaderStateMachine> enterBootLoaderState_;
    CLoadBeginDownloadState<CMcuLoaderStateMachine> beginDownloadState_;
    CLoadFirmwareInitialState<CMcuLoaderStateMachine> firmwareInitialState_;
    CLoadResyncState<CMcuLoaderStateMachine> resyncInitialState_;
    CLoadFirmwareLastState<CMcuLoaderStateMachine> firmwareLastState_;
    CLoadResyncState<CMcuLoaderStateMachine> resyncLastState_;
    CLoadWaitResetState<CMcuLoaderStateMachine> waitResetState_;
    CDetermineSpeedState<CMcuLoaderStateMachine> determineSpeedAfterResetState_;
    CQueryRevisionState<CMcuLoaderStateMachine> queryRevisionState_;

    IMessageTarget* lineWindow_ = nullptr; // the StartLoad window; not owned
    std::wstring deviceName_;
};

// Creates a loader machine bound to the model (the model's loader factory of the real program).
std::unique_ptr<ILoaderStateMachine> CreateMcuLoaderStateMachine(CModelBase& model);
