// The COM ports of --list on Windows: SetupAPI's devices of the Ports class
// and of the COM port interface with their friendly names and USB instance
// ids; then any port that only the registry's SERIALCOMM or the DOS device
// names know (virtual ports, and every port under wine, where SetupAPI
// finds none). Whether a port is free shows only by opening it, and opening
// a COM port raises DTR and RTS and closing drops them, which resets a
// board: the listing opens none and says that it does not know.
#include "reset/port.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cwchar>
#include <vector>

#include "reset/com_ports.h"

namespace reset {

namespace {

// devguid.h's GUID_DEVCLASS_PORTS and winioctl.h's GUID_DEVINTERFACE_COMPORT,
// here so that no GUID library is needed.
const GUID portsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID comPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

std::string utf8Of(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return "";
    }
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(size - 1));
    return utf8;
}

// A text value of an open registry key; "" when it has none.
std::string registryText(HKEY key, const wchar_t* name)
{
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return "";
    }
    return utf8Of(value);
}

std::string deviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property)
{
    wchar_t value[512] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type, reinterpret_cast<BYTE*>(value),
                                           sizeof value - sizeof(wchar_t), nullptr) ||
        type != REG_SZ) {
        return "";
    }
    return utf8Of(value);
}

// The USB device above the port: the first ancestor "USB\..." that is no
// interface of a composite device ("&MI_").
std::string usbInstanceIdAbove(DEVINST node)
{
    for (int depth = 0; depth < 8; ++depth) {
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) {
            return "";
        }
        const std::string text = utf8Of(id);
        if (text.compare(0, 4, "USB\\") == 0 && text.find("&MI_") == std::string::npos) {
            return text;
        }
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) {
            return "";
        }
        node = parent;
    }
    return "";
}

// Adds a port by its canonical name unless it is there already.
void addPort(std::vector<ComPortFacts>& ports, const ComPortFacts& facts)
{
    const unsigned number = comPortNumber(facts.name);
    if (number == 0) {
        return;  // an LPT port of the Ports class, or no port at all
    }
    const std::string name = "COM" + std::to_string(number);
    for (const ComPortFacts& known : ports) {
        if (known.name == name) {
            return;
        }
    }
    ports.push_back(ComPortFacts{name, facts.friendlyName, facts.usbInstanceId});
}

void addSetupApiPorts(const GUID& guid, DWORD flags, std::vector<ComPortFacts>& ports)
{
    const HDEVINFO devices = SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
    if (devices == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::string name = registryText(key, L"PortName");
        RegCloseKey(key);
        addPort(ports, ComPortFacts{name, deviceProperty(devices, device, SPDRP_FRIENDLYNAME),
                                    usbInstanceIdAbove(device.DevInst)});
    }
    SetupDiDestroyDeviceInfoList(devices);
}

void addRegistryPorts(std::vector<ComPortFacts>& ports)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD nameLength = 255;
        wchar_t value[64] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result =
            RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            addPort(ports, ComPortFacts{utf8Of(value), "", ""});
        }
    }
    RegCloseKey(key);
}

void addDosDevicePorts(std::vector<ComPortFacts>& ports)
{
    std::vector<wchar_t> names(16384);
    DWORD length = 0;
    while ((length = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()))) == 0 &&
           GetLastError() == ERROR_INSUFFICIENT_BUFFER && names.size() < (1u << 22)) {
        names.resize(names.size() * 2);
    }
    for (const wchar_t* name = names.data(); name < names.data() + length && *name != L'\0';
         name += wcslen(name) + 1) {
        addPort(ports, ComPortFacts{utf8Of(name), "", ""});
    }
}

}  // namespace

survey::Adapter portRateMaker(const std::string& path)
{
    std::vector<ComPortFacts> ports;
    addSetupApiPorts(comPortInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, ports);
    addSetupApiPorts(portsClass, DIGCF_PRESENT, ports);
    const unsigned number = comPortNumber(path);
    for (const ComPortFacts& facts : ports) {
        if (number != 0 && comPortNumber(facts.name) == number) {
            return comPortRateMaker(facts);
        }
    }
    return survey::Adapter::Exact;
}

std::vector<PortListing> listedPorts()
{
    std::vector<ComPortFacts> ports;
    addSetupApiPorts(comPortInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, ports);
    addSetupApiPorts(portsClass, DIGCF_PRESENT, ports);
    addRegistryPorts(ports);
    addDosDevicePorts(ports);
    std::vector<PortListing> listings;
    for (const ListedPort& port : comPortsToList(ports)) {
        listings.push_back(PortListing{port, "", AccessFacts{true, false, "", false}});
    }
    return listings;
}

}  // namespace reset
