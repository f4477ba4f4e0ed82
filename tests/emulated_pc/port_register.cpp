// port_register: reads or writes one I/O port register of the emulated PC in
// which the quorvik end-to-end test runs, so that the test can set a
// register before a run of quorvik and see what the run left in it.
//
//   port_register PORT          prints the register's value, "0x" and two hex digits
//   port_register PORT VALUE    writes VALUE to the register
//
// PORT and VALUE are C integers (0x3FC, 0xAA, 12). It refuses to touch any
// port unless the kernel was started with the word korvane_emulated_pc on its
// command line, which only the test's emulated PC is: the registers of a real
// machine are never its business.
#if !defined(__i386__) && !defined(__x86_64__)
#error "port_register drives the I/O ports of an x86 PC"
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/io.h>

namespace {

constexpr const char* machineMark = "korvane_emulated_pc";

bool startedInEmulatedPc()
{
    FILE* file = std::fopen("/proc/cmdline", "r");
    if (file == nullptr) {
        return false;
    }
    char line[4096] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!read) {
        return false;
    }
    for (char* word = std::strtok(line, " \t\n"); word != nullptr; word = std::strtok(nullptr, " \t\n")) {
        if (std::strcmp(word, machineMark) == 0) {
            return true;
        }
    }
    return false;
}

bool parseNumber(const char* text, unsigned long limit, unsigned long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && text[0] != '-' && value <= limit;
}

int fail(const char* what)
{
    std::fprintf(stderr, "port_register: %s\n", what);
    return 2;
}

uint8_t readPort(uint16_t port)
{
    uint8_t value;
    asm volatile("inb %w1, %b0" : "=a"(value) : "Nd"(port));
    return value;
}

void writePort(uint16_t port, uint8_t value)
{
    asm volatile("outb %b0, %w1" : : "a"(value), "Nd"(port));
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 && argc != 3) {
        return fail("usage: port_register PORT [VALUE]");
    }
    unsigned long port = 0;
    unsigned long value = 0;
    if (!parseNumber(argv[1], 0xFFFF, port) || (argc == 3 && !parseNumber(argv[2], 0xFF, value))) {
        return fail("PORT must be 0 to 0xFFFF and VALUE 0 to 0xFF");
    }
    if (!startedInEmulatedPc()) {
        return fail("not in the test's emulated PC (no korvane_emulated_pc on the kernel command line): no port touched");
    }
    const bool perPort = port <= 0x3FF;
    if ((perPort ? ioperm(port, 1, 1) : iopl(3)) != 0) {
        return fail(std::strerror(errno));
    }
    if (argc == 3) {
        writePort(static_cast<uint16_t>(port), static_cast<uint8_t>(value));
    } else {
        std::printf("0x%02X\n", readPort(static_cast<uint16_t>(port)));
    }
    return std::fflush(stdout) == 0 ? 0 : 2;
}
