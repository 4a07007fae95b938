// The serial ports of this computer, by name, for the Port page's list and the command-line tool.
#pragma once
#include <string>
#include <vector>

// Windows: the port names (COM3, ...) of the serial device map HKLM\HARDWARE\DEVICEMAP\SERIALCOMM in
// the registry's order, filtered by IsListedDeviceMapValue; an unreadable map gives an empty list.
// Linux: the device paths (/dev/ttyUSB0, ...) of the real serial devices, sorted (SelectSerialDevices).
std::vector<std::wstring> ListSerialPorts();

// The Port page's name for the same list.
inline std::vector<std::wstring> EnumerateSerialPorts() { return ListSerialPorts(); }
