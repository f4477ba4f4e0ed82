// The lines of --list: which serial and parallel ports this machine has,
// what each is, its stable name below /dev/serial/by-id, and whether the
// user may open it. Pure: the texts read from sysfs and /dev, or from
// Windows' SetupAPI and registry, come in as arguments.
#pragma once

#include <string>
#include <vector>

#include "survey/pc_adapters.h"

namespace reset {

// What sysfs tells of one entry of /sys/class/tty, as read.
struct TtyFacts {
    std::string name;            // "ttyUSB0"
    bool hasDevice;              // a "device" link: hardware, not a console or pty
    bool hasUartType;            // the serial core's "type" attribute exists
    std::string uartType;        // its text; "0" when no UART answers there
    std::string usbVendor;       // idVendor, idProduct and product of the
    std::string usbProduct;      // USB device the port belongs to, if any
    std::string usbProductName;
    std::string usbSerial = "";  // its serial number, which tells two alike adapters apart
};

// What Windows tells of one COM port.
struct ComPortFacts {
    std::string name;           // "COM7"
    std::string friendlyName;   // SetupAPI's "USB Serial Port (COM7)"; "" when only the registry knows the port
    std::string usbInstanceId;  // the USB device's instance id, "USB\VID_0403&PID_6001\A1B2C3"; "" for none
};

struct ListedPort {
    std::string device;       // "/dev/ttyUSB0"
    std::string description;  // "USB serial 0403:6001 FT232R USB UART"
    std::string kind;         // "USB serial", "on-board UART", "serial port" or "parallel port"
    std::string usbVendor;    // "0403"; empty but for USB serial adapters
    std::string usbProduct;   // "6001"
    std::string productName;  // "FT232R USB UART", as the adapter names itself; may be empty
    std::string serialNumber = "";  // the USB adapter's, where it has one
};

// A symbolic link below /dev/serial/by-id and the text it points to.
struct StableLink {
    std::string path;
    std::string target;  // as readlink gives it, "../../ttyUSB0"
};

struct AccessFacts {
    bool present;        // /dev has the device file
    bool mayOpen;        // for reading and writing, by this user
    std::string group;   // the file's group by name
    // False on Windows, which tells whether a COM port is free only to a
    // program that opens it, and opening moves DTR and RTS: --list opens none.
    bool known = true;
};

// The serial ports worth listing (hardware with a UART or a USB device
// behind it) and the parallel ports, in natural order of their names
// (ttyS2 before ttyS10), serial ports first.
std::vector<ListedPort> portsToList(const std::vector<TtyFacts>& ttys, const std::vector<std::string>& parallelNames);

// The COM ports in natural order (COM2 before COM10), USB adapters with
// their vendor, product and serial number from the instance id and their
// name from the friendly name.
std::vector<ListedPort> comPortsToList(const std::vector<ComPortFacts>& ports);

// The first link that points to the device, or "".
std::string stableNameFor(const std::string& device, const std::vector<StableLink>& links);

// One port of the list with all that is known of it.
struct PortListing {
    ListedPort port;
    std::string stableName;  // "" when there is none
    AccessFacts access;
};

// device, stable name (or "-"), description and access, separated by tabs,
// each escaped as escapedLine does (reset/received_text.h): what an adapter
// calls itself can hold any byte, a tab or an escape sequence among them.
std::string listLine(const PortListing& listing);

// The whole list as one JSON array, an object a port: device, by_id (null
// without a stable name), kind, usb_vendor, usb_product and product (null
// but for USB adapters), access (the text of the line), may_open (null
// where not known) and serial (null where unknown). The texts as they are,
// in JSON's escapes: anything beyond ASCII as \uXXXX, bytes that are no
// UTF-8 as U+FFFD.
std::string listJson(const std::vector<PortListing>& listings);

// What --list prints: one line a port, a line that says there is none, or
// with --json the JSON array.
std::vector<std::string> listLines(const std::vector<PortListing>& listings, bool json);

// How a port's driver makes a rate from the one asked, as far as its
// hardware is known: an FTDI or CH340 adapter by its USB vendor ("0403",
// "1a86", in any letter case), a UART on the PC's 1.8432 MHz clock
// (`standardUart`); else the rate asked (a pseudo terminal, or a driver
// that keeps the rate it really makes in the settings, as cp210x does).
survey::Adapter rateMakerOf(const std::string& usbVendor, bool standardUart);

// The rate maker of a COM port by what Windows tells of it: the USB
// adapter's vendor, or the "Communications Port" that Windows' own driver
// runs on a 16550.
survey::Adapter comPortRateMaker(const ComPortFacts& facts);

// True when `left` comes before `right` with digit runs compared as numbers.
bool naturalLess(const std::string& left, const std::string& right);

}  // namespace reset
