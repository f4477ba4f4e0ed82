// The lines and the JSON of --list from the facts of sysfs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reset/listing.h"

namespace reset {
namespace {

TEST(PortList, SysfsFactsBecomeOrderedLines)
{
    const std::vector<TtyFacts> ttys = {
        {"ttyS10", true, true, "4\n", "", "", ""},
        {"ttyUSB0", true, false, "", "0403\n", "6001\n", "FT232R USB UART\n", "A1B2C3\n"},
        {"ttyS1", true, true, "0\n", "", "", ""},  // legacy entry, no UART
        {"tty0", false, false, "", "", "", ""},    // virtual console
        {"ttyS2", true, true, "4\n", "", "", ""},
        // What an adapter calls itself may be any bytes: escaped in the line,
        // which stays one line of four columns; JSON's own escapes in JSON.
        {"ttyACM0", true, false, "", "2341", "0043", "Evil\x1b[2J\x07\tUART\xff \xc3\xa4", "A1\x1b]0;x\x07"},
        {"ttyGS0", true, false, "", "", "", ""},
    };
    const std::vector<StableLink> links = {
        {"/dev/serial/by-id/usb-Arduino\x1b[2J-if00", "../../ttyACM0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0", "../../ttyUSB0"},
    };
    std::vector<std::string> lines;
    std::vector<PortListing> listings;
    for (const ListedPort& port : portsToList(ttys, {"parport1", "parport0"})) {
        const bool isUsb = port.device == "/dev/ttyUSB0";
        const AccessFacts access{port.device != "/dev/ttyGS0", !isUsb, isUsb ? "dialout" : "lp"};
        listings.push_back(PortListing{port, stableNameFor(port.device, links), access});
        lines.push_back(listLine(listings.back()));
    }
    const std::vector<std::string> expected = {
        "/dev/ttyACM0\t/dev/serial/by-id/usb-Arduino\\x1B[2J-if00\t"
        "USB serial 2341:0043 Evil\\x1B[2J\\x07\\x09UART\\xFF \\xC3\\xA4\tyou may open it",
        "/dev/ttyGS0\t-\tserial port\tno device file",
        "/dev/ttyS2\t-\ton-board UART\tyou may open it",
        "/dev/ttyS10\t-\ton-board UART\tyou may open it",
        "/dev/ttyUSB0\t/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0\tUSB serial 0403:6001 FT232R USB UART\t"
        "no access (group dialout)",
        "/dev/parport0\t-\tparallel port\tyou may open it",
        "/dev/parport1\t-\tparallel port\tyou may open it",
    };
    EXPECT_EQ(lines, expected);

    // The same facts as JSON, one object a port.
    const std::string json = listJson(listings);
    const std::string adapter = "{\n"
                                "    \"device\": \"/dev/ttyUSB0\",\n"
                                "    \"by_id\": \"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0\",\n"
                                "    \"kind\": \"USB serial\",\n"
                                "    \"usb_vendor\": \"0403\",\n"
                                "    \"usb_product\": \"6001\",\n"
                                "    \"product\": \"FT232R USB UART\",\n"
                                "    \"access\": \"no access (group dialout)\",\n"
                                "    \"may_open\": false,\n"
                                "    \"serial\": \"A1B2C3\"\n"
                                "  }";
    EXPECT_NE(json.find(adapter), std::string::npos) << json;
    EXPECT_NE(json.find("\"access\": \"no device file\",\n    \"may_open\": false"), std::string::npos) << json;
    EXPECT_EQ(json.substr(0, 5), "[\n  {");
    EXPECT_NE(json.find("\"product\": \"Evil\\u001b[2J\\u0007\\tUART\\ufffd \\u00e4\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"serial\": \"A1\\u001b]0;x\\u0007\""), std::string::npos) << json;
    EXPECT_EQ(json.find('\x1b'), std::string::npos);
}

// Windows: SetupAPI's names where it knows the port, the registry's bare
// name where it does not; access unknown, since only opening would tell and
// opening moves the lines.
TEST(PortList, ComPortsFromSetupApiAndRegistry)
{
    const std::vector<ComPortFacts> ports = {
        {"COM10", "USB Serial Port (COM10)", "USB\\VID_0403&PID_6001\\A1B2C3"},
        {"COM3", "USB-SERIAL CH340 (COM3)", "USB\\VID_1A86&PID_7523\\5&2F1C3A1&0&2"},
        {"COM1", "Communications Port (COM1)", ""},
        {"COM7", "", ""},
        {"COM4", "Odd (COM4)", "USB\\VID_12&PID_ZZZZ\\X"},
    };
    std::vector<PortListing> listings;
    std::vector<std::string> lines;
    for (const ListedPort& port : comPortsToList(ports)) {
        listings.push_back(PortListing{port, "", AccessFacts{true, false, "", false}});
        lines.push_back(listLine(listings.back()));
    }
    const std::vector<std::string> expected = {
        "COM1\t-\tserial port Communications Port\taccess unknown: --list opens no port",
        "COM3\t-\tUSB serial 1a86:7523 USB-SERIAL CH340\taccess unknown: --list opens no port",
        "COM4\t-\tserial port Odd\taccess unknown: --list opens no port",
        "COM7\t-\tserial port\taccess unknown: --list opens no port",
        "COM10\t-\tUSB serial 0403:6001 USB Serial Port\taccess unknown: --list opens no port",
    };
    EXPECT_EQ(lines, expected);
    // The serial number is the instance id's last part where Windows took it
    // from the adapter, none where it made one up ("5&2F1C3A1&0&2").
    std::vector<std::string> serials;
    for (const PortListing& listing : listings) {
        serials.push_back(listing.port.serialNumber);
    }
    EXPECT_EQ(serials, (std::vector<std::string>{"", "", "", "", "A1B2C3"}));
    EXPECT_NE(listJson(listings).find("\"access\": \"access unknown: --list opens no port\",\n    \"may_open\": null,\n    \"serial\": null"),
              std::string::npos);
}

TEST(PortList, NaturalOrder)
{
    const struct {
        const char* left;
        const char* right;
        bool less;
    } cases[] = {
        {"ttyS2", "ttyS10", true}, {"ttyS10", "ttyS2", false}, {"ttyS2", "ttyS2", false},
        {"ttyS", "ttyS0", true},   {"ttyACM9", "ttyS0", true}, {"tty007", "tty7", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " < " + c.right);
        EXPECT_EQ(naturalLess(c.left, c.right), c.less);
    }
}

}  // namespace
}  // namespace reset
