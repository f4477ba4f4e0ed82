#include <gtest/gtest.h>

#include <string>

#include "quorvik/kernel_information.h"

namespace quorvik {

namespace {

struct ReleaseCase {
    const char* release;
    bool found;
    int major;
    int minor;
    int patch;
    bool describesPorts;
};

TEST(KernelVersion, ReleaseTexts)
{
    const ReleaseCase cases[] = {
        {"2.0.36", true, 2, 0, 36, false},
        {"2.1.132", true, 2, 1, 132, false},
        {"2.2.19", true, 2, 2, 19, true},
        {"2.4.20-8", true, 2, 4, 20, true},
        {"3.10.0-1160.el7.x86_64", true, 3, 10, 0, true},
        {"6.1.0", true, 6, 1, 0, true},
        {"6.1.0-18-amd64", true, 6, 1, 0, true},
        {"1.99.99", true, 1, 99, 99, false},
        {"2.6", false, 0, 0, 0, false},
        {"2..4", false, 0, 0, 0, false},
        {"", false, 0, 0, 0, false},
        {"v2.4.1", false, 0, 0, 0, false},
        {"2.4.-1", false, 0, 0, 0, false},
        // A number beyond 2^31 - 1 is not found; one beyond 16 bits is kept
        // in 16 bits.
        {"2.2147483648.0", false, 0, 0, 0, false},
        {"2.65540.0", true, 2, 4, 0, true},
    };
    for (const ReleaseCase& c : cases) {
        SCOPED_TRACE(std::string("release [") + c.release + "]");
        KernelVersion version{9, 9, 9};
        ASSERT_EQ(kernelVersion(c.release, version), c.found);
        if (c.found) {
            EXPECT_EQ(version.major, c.major);
            EXPECT_EQ(version.minor, c.minor);
            EXPECT_EQ(version.patch, c.patch);
            EXPECT_EQ(kernelDescribesParallelPorts(version), c.describesPorts);
        }
    }
}

TEST(InformationFileName, TemplateFollowsTheKernelVersion)
{
    const struct {
        KernelVersion version;
        char port;
        const char* name;
    } cases[] = {
        {{2, 2, 19}, '0', "/proc/parport/0/hardware"},
        {{2, 3, 99}, '1', "/proc/parport/1/hardware"},
        {{2, 4, 0}, '1', "/proc/sys/dev/parport/parport1/base-addr"},
        {{2, 6, 32}, '2', "/proc/sys/dev/parport/parport2/base-addr"},
        {{3, 0, 0}, '0', "/proc/sys/dev/parport/parport0/base-addr"},
        {{6, 1, 0}, '2', "/proc/sys/dev/parport/parport2/base-addr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(informationFileName(c.port, c.version), c.name);
    }
}

struct LineCase {
    const char* line;
    bool ok;
    uint16_t base;
};

TEST(BaseAddressFromLine, BothFormsAndTheirFailures)
{
    const LineCase cases[] = {
        {"888\t0", true, 0x378},
        {"888\t1912", true, 0x378},
        {"956", true, 0x3BC},
        {"0888", true, 0x378},
        {"632 abc", true, 0x278},
        {"base:\t0x378", true, 0x378},
        {"base:\t0x0378", true, 0x378},
        {"base: 0x3bc (in use)", true, 0x3BC},
        {"base:  irq 7, 0x278, 0x678", true, 0x278},
        {"base:\t0xFFFF", true, 0xFFFF},
        {"base:\t0x378 0x778\r", true, 0x378},
        {"", false, 0},
        {"base:", false, 0},
        {"base:\t888", false, 0},
        {"base:\t0x", false, 0},
        {"base:\t0xg", false, 0},
        {"base:\t0X378", false, 0},
        {"Base:\t0x378", false, 0},  // not "base:", so no decimal number either
        {"base:\t0x10000", false, 0},
        {"base:\t0x100000000", false, 0},
        {"65535", true, 0xFFFF},
        {"65536\t0", false, 0},
        {"4294967296", false, 0},
        {" 888", false, 0},
        {"-888", false, 0},
        {"abc", false, 0},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(std::string("line [") + c.line + "]");
        uint16_t base = 0x1234;
        EXPECT_EQ(baseAddressFromLine(c.line, base), c.ok);
        if (c.ok) {
            EXPECT_EQ(base, c.base);
        }
    }
}

}  // namespace

}  // namespace quorvik
