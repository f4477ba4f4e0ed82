// What the file system and sysfs tell about a port's device: what kind of
// file it is, who may open it, and the ports of --list. Linked only into the
// program.
#pragma once

#include <string>
#include <vector>

#include "korvane-reset/messages.h"
#include "korvane-reset/port_list.h"
#include "korvane-reset/port_names.h"

namespace korvane_reset {

// stat of the path, links followed, and the device's class in sysfs.
DeviceFacts deviceFacts(const std::string& path);

// The device's group and whether it may read and write it.
DeviceOwner deviceOwner(const std::string& path);

// The ports of --list on this machine, with their stable names and access.
std::vector<PortListing> listedPorts();

}  // namespace korvane_reset
