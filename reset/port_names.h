// Which device a PORT argument names, and whether that device may be opened
// as a port at all. Pure: the facts about the file come in as arguments.
#pragma once

#include <string>

namespace reset {

struct PortTarget {
    bool onlyWait;     // the pseudo port null
    std::string path;  // the device file otherwise
};

// "null" only waits; quorvik's names keep their meaning (ttyS0 to ttyS3 and
// cua0 to cua3 are /dev/ttyS0 to 3, lp0 to lp2 are /dev/parport0 to 2, also
// after "/dev/"); any other name without a "/" is looked up in /dev, and
// anything else is a path, taken as typed.
PortTarget resolvePortName(const std::string& argument);

// The last part of a path: "ttyUSB0" of "/dev/ttyUSB0" or "../../ttyUSB0".
std::string baseName(const std::string& path);

enum class FileKind {
    Missing,          // no such file (ENOENT, ENOTDIR)
    CharacterDevice,
    Other,            // a plain file, a folder, a FIFO, a block device
    Unknown,          // stat itself was refused: the open will say why
};

struct DeviceFacts {
    FileKind kind;             // after following symbolic links
    std::string sysfsClass;    // the device's class in sysfs ("tty", "ppdev",
                               // "mem"), or "" when sysfs does not know it
};

enum class DeviceUse {
    Missing,   // nothing there
    Serial,    // open it and ask for its modem lines
    Parallel,  // open it and claim it through ppdev
    NotAPort,  // leave it closed: opening some devices does something
};

// A character device of the tty class, one that cannot be looked at, or one
// that sysfs does not know (a pseudo terminal) is tried as a serial port; the
// ppdev class is a parallel port. Any other device is never opened: opening a watchdog or a
// tape device acts on the machine, whatever is done with it afterwards.
DeviceUse judgeDevice(const DeviceFacts& facts);

// The error texts of a name with nothing behind it, and of a file that is
// no port with modem lines.
std::string noSuchPortText(const std::string& path);
std::string notModemPortText(const std::string& path);

}  // namespace reset
