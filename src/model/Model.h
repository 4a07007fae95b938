// The application model: the values the windows and machines share, their settings, the serial port and the machines.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "firmware/RevisionedFileName.h"
#include "model/AppInfo.h"
#include "model/FirmwareStatusValue.h"
#include "model/ModelTypes.h"
#include "model/ObservableArray.h"
#include "model/ObservableValue.h"
#include "model/PersistentArray.h"
#include "model/PersistentValue.h"
#include "model/SerialPortSpeedValue.h"
#include "model/SettingsStore.h"
#include "model/WindowPlacement.h"
#include "platform/MessageTarget.h"
#include "platform/TimerHost.h"
#include "serial/SerialPortInterface.h"

class IContactStateMachine;
class ILoaderStateMachine;
class CModelBase;

// How the model obtains its machines; each factory binds the new machine to the given model.
using ContactMachineFactory = std::function<std::unique_ptr<IContactStateMachine>(CModelBase&)>;
using LoaderMachineFactory = std::function<std::unique_ptr<ILoaderStateMachine>(CModelBase&)>;
// The default firmware folder (used when the setting is empty after loading).
using FirmwareFolderProvider = std::function<std::wstring()>;

// Used on the user-interface thread only. The model owns its serial port, its settings key and its
// machines; the timer host and the observers are not owned. Value notifications are synchronous.
class CModelBase {
public:
    // `port` must not be null. `settings` is the application key, or null when it could not be
    // opened (every load and save then fails quietly and the values keep their defaults).
    CModelBase(ITimerHost& timers, std::unique_ptr<ISerialPort> port, std::unique_ptr<ISettingsStore> settings);
    virtual ~CModelBase();
    CModelBase(const CModelBase&) = delete;
    CModelBase& operator=(const CModelBase&) = delete;

    // InstalledRevision := 0 and SerialNumber := 0xFFFF (both notified); FirmwareStatus := 0
    // (notified if it was not 0).
    virtual void ResetDeviceValues();
    // Whether the device on the port is the kind this program loads firmware into.
    virtual bool IsExpectedDevice() = 0;
    // Sets Device and a firmware status from an identification text. This program has no
    // identification rules: Device stays DeviceNone, `status` becomes FirmwareStatusNone, false.
    virtual bool IdentifyDevice(const std::wstring& text, FIRMWARESTATUS& status);
    // Loads every persistent value in list order (errors ignored, no notifications), then fills
    // each empty CommandCaption entry N with "Macro N" and an empty FirmwareFolder with the
    // default folder, notifying each of those. Returns true.
    virtual bool LoadSettings();
    // Saves every persistent value in list order (only changed ones are written; errors ignored,
    // a failed value is retried at the next save). Returns true.
    virtual bool SaveSettings();
    // The window that receives the machines' lines and timers and the serial port's messages.
    virtual void SetNotifyWindow(IMessageTarget* window);

    // Opens the serial port; PortOpen := 1 on success, 0 otherwise (notified). On failure the
    // reason is the last-error value.
    bool OpenPort(const std::wstring& name);
    // Closes the port if open (stops its waiter thread); PortOpen := 0 (notified). Safe when closed.
    void ClosePort();
    // False (error 6) when PortOpen is 0; true at once when the port already runs at that speed;
    // otherwise sets it, false when that fails or the port then reports another speed, and finally
    // answers PurgeInput().
    bool ChangeSpeed(uint32_t bitsPerSecond);
    // Discards the port's received bytes; false with 6 when no port is open (a purge failure is
    // reported by the port as "PurgeComm").
    bool PurgeInput();

    // True when each machine is absent or complete.
    bool AreMachinesIdle() const;
    // Destroys the loader machine when no machine runs; otherwise does nothing.
    void DropFinishedLoader();
    // When no machine runs: destroys an existing loader machine and creates a new one bound to this
    // model, which becomes the model's loader machine (the model owns it; the caller borrows it).
    // Null with the last-error value when a machine runs (170, busy) or none can be created.
    ILoaderStateMachine* CreateLoaderMachine();
    // Destroys the model's loader machine if it is `machine` (the loader's own Release). The
    // machine must not touch itself after this returns.
    void ReleaseLoaderMachine(ILoaderStateMachine* machine);
    // Replaces an idle contact machine by a new one from the factory; false when the contact
    // machine runs or no factory is set (or it created nothing).
    bool CreateContactMachine();

    IMessageTarget* NotifyWindow() const { return notifyWindow_; }
    ISerialPort& SerialPort() { return *port_; }
    const ISerialPort& SerialPort() const { return *port_; }
    ITimerHost& Timers() { return timers_; }
    CAppInfoBase& AppInfo() { return appInfo_; }
    // The machines, owned by the model; null when absent.
    IContactStateMachine* ContactMachine() const { return contactMachine_.get(); }
    ILoaderStateMachine* LoaderMachine() const { return loaderMachine_.get(); }

    // The main window's placement under the "Window" subkey (see WindowPlacement.h).
    bool SaveWindowPlacement(const WindowPlacement& placement);
    bool RestoreWindowPlacement(WindowPlacement& placement);

    // The default firmware folder from the provider; empty when there is none.
    std::wstring DefaultFirmwareFolder() const;

    void SetContactMachineFactory(ContactMachineFactory factory) { contactFactory_ = std::move(factory); }
    void SetLoaderMachineFactory(LoaderMachineFactory factory) { loaderFactory_ = std::move(factory); }
    void SetFirmwareFolderProvider(FirmwareFolderProvider provider) { folderProvider_ = std::move(provider); }

    // The values, in the model's member order.
    CPersistentValue<int> ActivePage{WM_MODEL_ACTIVE_PAGE, L"ActivePage", 0};
    CPersistentValue<uint32_t> AdvancedMode{WM_MODEL_ADVANCED_MODE, L"AdvancedMode", 0};
    CPersistentArray<std::wstring, 16> CommandCaption{WM_MODEL_COMMAND_CAPTION, L"CommandCaption%u", 1};
    CPersistentArray<std::wstring, 16> CommandText{WM_MODEL_COMMAND_TEXT, L"CommandText%u", 1};
    CObservableValue<NORVANTADEVICE> Device{WM_MODEL_DEVICE, DeviceNone};
    CPersistentValue<std::wstring> FirmwareFolder{WM_MODEL_FIRMWARE_FOLDER, L"FirmwareFolder"};
    CPersistentBoundedValue<uint32_t> FirmwareLoadRetryLimit{WM_MODEL_FIRMWARE_LOAD_RETRY_LIMIT,
                                                             L"FirmwareLoadRetryLimit", 10, 5, 25};
    CFirmwareStatusValue<CModelBase, FIRMWARESTATUS> FirmwareStatus{WM_MODEL_FIRMWARE_STATUS, *this,
                                                                    FirmwareStatusNone};
    CObservableValue<uint16_t> InstalledRevision{WM_MODEL_INSTALLED_REVISION, 0};
    CPersistentValue<uint32_t> LoaderFlags{WM_MODEL_LOADER_FLAGS, L"LoaderFlags", 0};
    CObservableValue<CRevisionedFileName> FirmwareFile{WM_MODEL_FIRMWARE_FILE};
    CObservableValue<uint32_t> ProgressMaximum{WM_MODEL_PROGRESS_MAXIMUM, 0};
    CObservableValue<uint32_t> ProgressPosition{WM_MODEL_PROGRESS_POSITION, 0};
    CEventSource StatusReset{WM_STATUS_RESET}; // Notify(result) when the loader machine finishes
    CObservableValue<uint16_t> SerialNumber{WM_MODEL_SERIAL_NUMBER, SERIAL_NUMBER_NONE};
    CPersistentValue<std::wstring> Port{WM_MODEL_PORT, L"Port"};
    CObservableValue<int> PortOpen{WM_MODEL_PORT_OPEN, 0};
    CSerialPortSpeedValue<CModelBase> PortSpeed{WM_MODEL_PORT_SPEED, *this};
    CPersistentValue<int> Trace{WM_MODEL_TRACE, L"Trace", 0};
    CPersistentValue<int> VerboseLogging{WM_MODEL_VERBOSE_LOGGING, L"VerboseLogging", 0};
    CObservableValue<int> FrameReady{WM_MODEL_FRAME_READY, 0};
    // The maker's file server, "host" or "host:port", that "Copy New Files" copies from.
    CPersistentValue<std::wstring> FileServer{WM_MODEL_FILE_SERVER, L"FileServer", L"ftp.norvanta.com"};

    // The persistent values in the order that drives loading and saving.
    static constexpr size_t PersistentValueCount = 11;
    const std::array<IPersistentValue*, PersistentValueCount>& PersistentValues() const { return persistent_; }

private:
    const std::array<IPersistentValue*, PersistentValueCount> persistent_{
        &ActivePage, &AdvancedMode, &CommandCaption, &CommandText, &FirmwareFolder,
        &FirmwareLoadRetryLimit, &LoaderFlags, &Port, &Trace, &VerboseLogging, &FileServer};

    ITimerHost& timers_;
    CAppInfoT<CModelBase> appInfo_;
    IMessageTarget* notifyWindow_ = nullptr;
    std::unique_ptr<ISerialPort> port_;
    ContactMachineFactory contactFactory_;
    LoaderMachineFactory loaderFactory_;
    FirmwareFolderProvider folderProvider_;
    // Declared last so the machines go first, while everything they use still exists.
    std::unique_ptr<IContactStateMachine> contactMachine_;
    std::unique_ptr<ILoaderStateMachine> loaderMachine_;
};

// The program's model: the expected device is always the MT6402; it creates the contact machine
// (and, with the real parts, loader machines on request).
class CModel : public CModelBase {
public:
    // The real serial port, the real application key, the real contact machine and default folder.
    explicit CModel(ITimerHost& timers);
    // Given parts (tests): a null `contactFactory` leaves the model without a contact machine.
    CModel(ITimerHost& timers, std::unique_ptr<ISerialPort> port, std::unique_ptr<ISettingsStore> settings,
           ContactMachineFactory contactFactory = {});

    bool IsExpectedDevice() override { return true; }
};

// The contact machine factory of the real program; the machines subsystem defines it (a new
// CContactStateMachine bound to the model).
ContactMachineFactory DefaultContactMachineFactory();
// The loader machine factory of the real program; the machines subsystem defines it (a new
// CMcuLoaderStateMachine bound to the model).
LoaderMachineFactory DefaultLoaderMachineFactory();
