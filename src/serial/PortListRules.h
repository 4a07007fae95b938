// Which serial device-map values (Windows) and which tty devices (Linux) the port list shows.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The registry's type number of a plain string value (REG_SZ).
constexpr uint32_t REGISTRY_TYPE_SZ = 1;

// A value of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM names a port when its type is REG_SZ, its data (the port
// name, e.g. COM3) is not empty, and its name is not "winachsf0" in any case: that value belongs to a
// modem driver and is not a usable serial port. `data` comes without its terminating zeros.
bool IsListedDeviceMapValue(std::wstring_view valueName, uint32_t type, std::wstring_view data);

// What the Linux port list reads about one entry of /sys/class/tty.
struct TtyEntry {
    std::string name; // e.g. "ttyUSB0"
    bool hasDriver;   // the entry has a device with a driver; virtual consoles and pseudo-terminals have none
    int uartType;     // the serial core's "type" attribute: 0 when no UART answers at the port's address;
                      // -1 when the entry has no such attribute (USB and ACM ports)
};

// The serial devices to list: "/dev/<name>" for every entry that has a driver and, if it has a UART
// type, a non-zero one; plus the targets of the /dev/serial/by-id links (already resolved). Sorted,
// without duplicates.
std::vector<std::string> SelectSerialDevices(const std::vector<TtyEntry>& ttys,
                                             const std::vector<std::string>& byIdTargets);
