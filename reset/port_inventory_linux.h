// What the file system and sysfs tell about a port's device: what kind of
// file it is, and (port.h's deviceOwner and listedPorts) who may open it
// and the ports of --list. Linked only into the program.
#pragma once

#include <string>
#include <vector>

#include "reset/port_names.h"

namespace reset {

// stat of the path, links followed, and the device's class in sysfs.
DeviceFacts deviceFacts(const std::string& path);

}  // namespace reset
