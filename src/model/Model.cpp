// The application model: loading and saving settings, the serial port and the machines' lifetimes.
#include "model/Model.h"

#include "machines/StateMachine.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/LastError.h"

namespace {

// ERROR_BUSY: a machine is running.
constexpr uint32_t kErrorBusy = 170;

bool IsRunning(IStateMachine* machine)
{
    return machine && !machine->IsComplete();
}

// Keeps the thread's last-error value across observer notifications, which may make calls of their own.
class CLastErrorKeeper {
public:
    CLastErrorKeeper() : code_(GetLastErrorCode()) {}
    ~CLastErrorKeeper() { SetLastErrorCode(code_); }
    CLastErrorKeeper(const CLastErrorKeeper&) = delete;
    CLastErrorKeeper& operator=(const CLastErrorKeeper&) = delete;

private:
    uint32_t code_;
};

} // namespace

CModelBase::CModelBase(ITimerHost& timers, std::unique_ptr<ISerialPort> port, std::unique_ptr<ISettingsStore> settings)
    : timers_(timers), appInfo_(std::move(settings)), port_(std::move(port))
{
}

CModelBase::~CModelBase()
{
    // The machines use the port and the values: they go first.
    loaderMachine_.reset();
    contactMachine_.reset();
}

void CModelBase::ResetDeviceValues()
{
    InstalledRevision.Set(0);
    SerialNumber.Set(SERIAL_NUMBER_NONE);
    FirmwareStatus.Set(FirmwareStatusNone);
}

bool CModelBase::IdentifyDevice(const std::wstring& /*text*/, FIRMWARESTATUS& status)
{
    status = FirmwareStatusNone;
    return false;
}

bool CModelBase::LoadSettings()
{
    for (IPersistentValue* value : persistent_)
        value->Load(appInfo_);
    for (size_t i = 0; i < CommandCaption.Size; ++i) {
        if (CommandCaption.Get(i).empty())
            CommandCaption.Set(i, Format(StringId{IDS_MACRO_CAPTION}, static_cast<uint32_t>(i + 1)));
    }
    if (FirmwareFolder.Get().empty())
        FirmwareFolder.Set(DefaultFirmwareFolder());
    return true;
}

bool CModelBase::SaveSettings()
{
    // One write of the settings for all the values, not one per value.
    if (ISettingsStore* key = appInfo_.Key())
        key->BeginWrites();
    for (IPersistentValue* value : persistent_)
        value->Save(appInfo_);
    if (ISettingsStore* key = appInfo_.Key())
        key->CommitWrites();
    return true;
}

void CModelBase::SetNotifyWindow(IMessageTarget* window)
{
    notifyWindow_ = window;
    port_->SetMessageWindow(window);
}

bool CModelBase::OpenPort(const std::wstring& name)
{
    const bool opened = port_->Open(name);
    CLastErrorKeeper keep;
    PortOpen.Set(opened ? 1 : 0);
    return opened;
}

void CModelBase::ClosePort()
{
    port_->Close();
    PortOpen.Set(0);
}

bool CModelBase::ChangeSpeed(uint32_t bitsPerSecond)
{
    if (PortOpen.Get() == 0) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    if (port_->Speed() == bitsPerSecond)
        return true;
    // 1: set; 0: refused (the port reported it); anything else is the port's status code.
    const uint32_t result = port_->SetSpeed(bitsPerSecond);
    if (result != 1) {
        if (result != 0)
            SetLastErrorCode(result);
        return false;
    }
    if (port_->Speed() != bitsPerSecond) {
        SetLastErrorCode(HRESULT_INVALID_ARGUMENT);
        return false;
    }
    return PurgeInput();
}

bool CModelBase::PurgeInput()
{
    if (!port_->IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    return port_->Purge();
}

bool CModelBase::AreMachinesIdle() const
{
    return !IsRunning(contactMachine_.get()) && !IsRunning(loaderMachine_.get());
}

void CModelBase::DropFinishedLoader()
{
    if (AreMachinesIdle())
        loaderMachine_.reset();
}

ILoaderStateMachine* CModelBase::CreateLoaderMachine()
{
    // Replacing a running loader would destroy a machine in the middle of a conversation.
    if (!AreMachinesIdle()) {
        SetLastErrorCode(kErrorBusy);
        return nullptr;
    }
    loaderMachine_.reset();
    if (!loaderFactory_) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return nullptr;
    }
    loaderMachine_ = loaderFactory_(*this);
    if (!loaderMachine_ && GetLastErrorCode() == 0)
        SetLastErrorCode(ERROR_CODE_NOT_ENOUGH_MEMORY);
    return loaderMachine_.get();
}

void CModelBase::ReleaseLoaderMachine(ILoaderStateMachine* machine)
{
    if (machine && machine == loaderMachine_.get())
        loaderMachine_.reset();
}

bool CModelBase::CreateContactMachine()
{
    if (IsRunning(contactMachine_.get()) || !contactFactory_)
        return false;
    contactMachine_.reset();
    contactMachine_ = contactFactory_(*this);
    return contactMachine_ != nullptr;
}

bool CModelBase::SaveWindowPlacement(const WindowPlacement& placement)
{
    return ::SaveWindowPlacement(appInfo_.Key(), placement);
}

bool CModelBase::RestoreWindowPlacement(WindowPlacement& placement)
{
    return ::RestoreWindowPlacement(appInfo_.Key(), placement);
}

std::wstring CModelBase::DefaultFirmwareFolder() const
{
    return folderProvider_ ? folderProvider_() : std::wstring();
}

CModel::CModel(ITimerHost& timers, std::unique_ptr<ISerialPort> port, std::unique_ptr<ISettingsStore> settings,
               ContactMachineFactory contactFactory)
    : CModelBase(timers, std::move(port), std::move(settings))
{
    if (contactFactory) {
        SetContactMachineFactory(std::move(contactFactory));
        CreateContactMachine();
    }
}
