// Every text that quorvik prints: the usage screen and the error lines of a
// run that got past its arguments (those of the arguments themselves come
// from command_line). Pure: nothing here prints.
#pragma once

#include <string>
#include <vector>

#include "quorvik/port_resolution.h"

namespace quorvik {

std::vector<std::string> usageLines();

// "@@@@@ " + text + " @@@@@", the whole text cut to the text limit, so that
// no line of quorvik exceeds it (mardeluk, unlike this, shows a cut argument
// whole).
std::string errorLine(const std::string& text);

// Why the port could not be resolved (not Found), always naming it as
// "/dev/" and the table's name.
std::string resolutionErrorText(ResolutionOutcome outcome, int portIndex);

// For a port row on a processor without I/O ports: the driver-based tool
// resets the same port.
std::string noIoPortsText(int portIndex);

constexpr const char* noPrivilegeText = "no root privilege";

std::string hardwareFailureText(int portIndex);

}  // namespace quorvik
