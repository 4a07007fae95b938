// The model's enumerations and the notification message numbers of its values.
#pragma once
#include <cstdint>

// What answers on the serial port.
enum FIRMWARESTATUS : uint32_t {
    FirmwareStatusNone = 0,          // nothing identified, or the port is closed
    FirmwareStatusLoaderWaiting = 2, // the bootstrap loader answers and waits for a firmware load
    FirmwareStatusRunning = 3,       // the firmware answers and its revision is known
};

// The kind of device on the port; this program only ever holds DeviceNone.
enum NORVANTADEVICE : uint32_t {
    DeviceNone = 0,
};

// Notification message numbers: an observer receives (message, parameter, 0), where the parameter
// is 0 for single values, the entry index 0-15 for the arrays and the loader's result for StatusReset.
constexpr uint32_t WM_MODEL_FIRMWARE_STATUS = 0x8064;
constexpr uint32_t WM_MODEL_ACTIVE_PAGE = 0x8065;
constexpr uint32_t WM_MODEL_ADVANCED_MODE = 0x8066;
constexpr uint32_t WM_MODEL_COMMAND_CAPTION = 0x8068;
constexpr uint32_t WM_MODEL_COMMAND_TEXT = 0x8069;
constexpr uint32_t WM_MODEL_DEVICE = 0x806D;
constexpr uint32_t WM_MODEL_FIRMWARE_FILE = 0x806E;
constexpr uint32_t WM_MODEL_FIRMWARE_FOLDER = 0x806F;
constexpr uint32_t WM_MODEL_FIRMWARE_LOAD_RETRY_LIMIT = 0x8070;
constexpr uint32_t WM_MODEL_INSTALLED_REVISION = 0x8071;
constexpr uint32_t WM_MODEL_LOADER_FLAGS = 0x8072;
constexpr uint32_t WM_MODEL_PROGRESS_POSITION = 0x8074;
constexpr uint32_t WM_MODEL_PROGRESS_MAXIMUM = 0x8075;
constexpr uint32_t WM_MODEL_SERIAL_NUMBER = 0x8076;
constexpr uint32_t WM_MODEL_PORT = 0x8077;
constexpr uint32_t WM_MODEL_PORT_OPEN = 0x8078;
constexpr uint32_t WM_MODEL_PORT_SPEED = 0x8079;
constexpr uint32_t WM_MODEL_TRACE = 0x807B;
constexpr uint32_t WM_MODEL_VERBOSE_LOGGING = 0x807C;
constexpr uint32_t WM_MODEL_FRAME_READY = 0x807D;
constexpr uint32_t WM_MODEL_FILE_SERVER = 0x807A;
constexpr uint32_t WM_STATUS_RESET = 0x801D;

// SerialNumber when no serial number has been read.
constexpr uint16_t SERIAL_NUMBER_NONE = 0xFFFF;
