// The firmware loader machine: image checks, the block builders, the statistics, the revision check.
#include "machines/McuLoaderStateMachine.h"

#include <algorithm>

#include "firmware/RevisionedFileName.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "platform/MessageTarget.h"
#include "ui/FrameRules.h"

namespace {

constexpr uint32_t kErrorBusy = 170;

} // namespace

CMcuLoaderStateMachine::CMcuLoaderStateMachine(CModelBase& model)
    : CStateHost(model, StateTimerId),
      timeoutRetryLimit_(model.FirmwareLoadRetryLimit.Get()),
      determineSpeedState_(*this, &verifyDeviceState_),
      verifyDeviceState_(*this, &enterBootLoaderState_),
      enterBootLoaderState_(*this, &beginDownloadState_),
      beginDownloadState_(*this, &firmwareInitialState_),
      firmwareInitialState_(*this, &firmwareLastState_, resyncInitialState_),
      resyncInitialState_(*this, L"LoadResyncInitialState", firmwareInitialState_),
      firmwareLastState_(*this, &waitResetState_, resyncLastState_),
      resyncLastState_(*this, L"LoadResyncLastState", firmwareLastState_),
      waitResetState_(*this, &determineSpeedAfterResetState_),
      determineSpeedAfterResetState_(*this, &queryRevisionState_),
      queryRevisionState_(*this, &FinalState()),
      deviceName_(LoadStringResource(IDS_LOADER_DEVICE_NAME))
{
}

void CMcuLoaderStateMachine::Release()
{
    // A machine released in the middle of a load would leave its repeating timer firing at the
    // notify window for good; nothing will move this machine again.
    KillStateTimer();
    lineWindow_ = nullptr;
    ReleaseWhenIdle();
}

void CMcuLoaderStateMachine::ReleaseNow() { Model().ReleaseLoaderMachine(this); }

bool CMcuLoaderStateMachine::StartLoad(IMessageTarget* window)
{
    // A load that cannot start finishes inside this call, and its owner may release it then.
    CCallScope scope(*this);
    if (!IsComplete()) {
        SetLastErrorCode(kErrorBusy);
        return false;
    }
    lineWindow_ = window;
    CModelBase& model = Model();

    // The image is read and checked before anything goes to the module: a file that cannot be
    // used ends the machine at once, and StatusReset carries the reason.
    uint32_t code = STATUS_OK;
    if (image_.LoadHexFile(model.FirmwareFile.Get().GetPath())) {
        code = image_.CheckReconciliationWord();
    } else {
        code = GetLastErrorCode();
        if (code == STATUS_OK)
            code = ERROR_CODE_INVALID_DATA;
    }
    if (IsFailure(code)) {
        SetStatusToPublish(model.FirmwareStatus.Get());
        SetResult(code);
        ChangeState(FinalState());
        SetLastErrorCode(code);
        return false;
    }

    highestRetries_ = 0;
    totalRetries_ = 0;
    fillCount_ = 0;
    nextLoadAddress_ = image_.GetLowAddress();
    model.ProgressPosition.Set(0);
    model.ProgressMaximum.Set(image_.GetSize() / ProgressUnit);
    Run(determineSpeedState_);
    return true;
}

uint32_t CMcuLoaderStateMachine::Verify(bool always)
{
    const uint16_t fileRevision = CRevisionedFileName::RevisionOf(image_.GetFileName());
    const uint16_t installed = Model().InstalledRevision.Get();
    const uint32_t code = fileRevision == installed ? STATUS_OK : MSG_REVISION_MISMATCH;
    if (code == STATUS_OK && !always) {
        Report(StringId{IDS_VERIFICATION_SUCCEEDED}, deviceName_);
        return code;
    }
    Report(StringId{IDS_VERIFY_MISMATCH}, deviceName_, image_.GetFileName(), deviceName_, RevisionText(installed));
    if (code != STATUS_OK)
        Report(StringId{IDS_VERIFY_MISMATCH_ADVICE}, deviceName_, deviceName_);
    return code;
}

void CMcuLoaderStateMachine::OnReport(const std::wstring& line)
{
    if (lineWindow_)
        lineWindow_->Send(WM_LOADER_LINE, 0, reinterpret_cast<intptr_t>(line.c_str()));
}

void CMcuLoaderStateMachine::OnFinished()
{
    // A load that ended inside a resynchronisation or on a failed write still counts the retries
    // of the block it was sending.
    AddBlockRetries(firmwareInitialState_.TakeRetries());
    AddBlockRetries(firmwareLastState_.TakeRetries());
    PublishStatus();
    Model().StatusReset.Notify(Result());
}

void CMcuLoaderStateMachine::AddBlockRetries(uint32_t retries)
{
    highestRetries_ = std::max(highestRetries_, retries);
    totalRetries_ += retries;
}

bool CMcuLoaderStateMachine::BuildNextBlock()
{
    const uint32_t base = image_.GetLowAddress();
    const uint32_t end = image_.GetHighAddress();
    Model().ProgressPosition.Set((nextLoadAddress_ - base) / ProgressUnit);
    if (nextLoadAddress_ >= end)
        return false;
    const uint32_t offset = nextLoadAddress_ - base;
    FillDownloadBlock(block_, image_.GetData() + offset, end - nextLoadAddress_, nextLoadAddress_, 0);
    if (nextLoadAddress_ == CFirmwareImage::kLowAddress) {
        // The module holds the real reconciliation word only once the final block is in.
        block_[0] = kFirstBlockMarker[0];
        block_[1] = kFirstBlockMarker[1];
        block_[kDownloadBlockSize - 1] = BlockChecksum(block_.data(), kDownloadBlockSize - 1);
    }
    nextLoadAddress_ += kDownloadBlockDataSize;
    return true;
}

void CMcuLoaderStateMachine::BuildFinalBlock()
{
    const uint32_t offset = CFirmwareImage::kLowAddress - image_.GetLowAddress();
    FillDownloadBlock(block_, image_.GetData() + offset, image_.GetSize() - offset, CFirmwareImage::kLowAddress,
                      kFinalBlockFlag);
}

std::unique_ptr<ILoaderStateMachine> CreateMcuLoaderStateMachine(CModelBase& model)
{
    return std::make_unique<CMcuLoaderStateMachine>(model);
}
