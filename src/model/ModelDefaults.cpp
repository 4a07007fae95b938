// The program's model with its real parts: the serial port, the application key, the machines, the default folder.
#include "model/Model.h"

#include "firmware/FirmwareFolder.h"
#include "serial/SerialPort.h"

CModel::CModel(ITimerHost& timers)
    : CModel(timers, CreateSerialPort(), OpenApplicationSettings(), DefaultContactMachineFactory())
{
    // Asked only when the setting is empty after loading; the notify window owns any message box.
    SetFirmwareFolderProvider([this] { return GetDefaultFirmwareFolder(NotifyWindow()); });
    SetLoaderMachineFactory(DefaultLoaderMachineFactory());
}
