// The command line of quorvik: the port table, the usage screen, the checks
// of the one or two arguments in their fixed order and the texts of every
// error line. Pure: nothing here prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pulse_width.h"

// Every text (argument, message) is at most this long; longer ones are cut.
constexpr size_t maxTextLength = 255;
std::string cutText(const std::string& text);

// The first three kinds are those of table rows; the other three only come
// out of resolvePort and name why the port cannot be used.
enum class PortKind : int32_t {
    Parallel = 0,
    Serial = 1,
    Null = 2,
    NotFound = 3,
    AccessDenied = 4,
    InvalidBase = 5,
};

struct PortEntry {
    const char* name;      // device name without "/dev/", at most 5 characters
    PortKind kind;
    uint16_t defaultBase;  // I/O base address
};

constexpr int portCount = 12;
extern const PortEntry portTable[portCount];

// The row whose name equals the argument, case sensitive, after one leading
// "/dev/" has been taken off; -1 when there is none.
int findPort(const std::string& argument);

// What the arguments ask for: the usage screen, an error line, or a run.
enum class Request { ShowUsage, Fail, Run };

struct ArgumentOutcome {
    Request request;
    std::string errorText;  // for Fail: the text inside the error line
    int portIndex;          // for Run
    uint16_t pulseWidth;    // for Run, milliseconds
};

// Checks the arguments (without the program name) in the run's order: none,
// too many, port name, pulse width. Each argument is cut to the text limit.
ArgumentOutcome readArguments(const std::vector<std::string>& arguments);

std::vector<std::string> usageLines();

// "@@@@@ " + text + " @@@@@", the text cut to the text limit.
std::string errorLine(const std::string& text);

// The text of a failed resolution (NotFound, AccessDenied, InvalidBase),
// always naming the port as "/dev/" and the table name.
std::string resolutionErrorText(PortKind kind, int portIndex);

constexpr const char* noPrivilegeText = "no root privilege";
// For a port row on a processor without I/O ports: the driver-based tool
// resets the same port.
std::string noIoPortsText(int portIndex);
std::string hardwareFailureText(int portIndex);
