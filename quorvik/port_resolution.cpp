#include "quorvik/port_resolution.h"

#include "quorvik/kernel_files.h"

namespace quorvik {

namespace {

// Reads the base address of the parallel port of the row from the kernel's
// information file. When the file is missing, opens the port's device file
// once (which lets the kernel load its driver) and looks again.
PortResolution probeParportBase(int portIndex, const KernelVersion& version, const std::string& root)
{
    const reset::PortEntry& row = reset::portTable[portIndex];
    const std::string name = row.name;
    const std::string informationPath = root + informationFileName(name.back(), version);

    std::string line;
    FirstLine information = readFirstLineOf(informationPath, line);
    if (information == FirstLine::Missing) {
        if (deviceRefusesAccess(root + "/dev/" + name, root + "/dev")) {
            return PortResolution{ResolutionOutcome::AccessDenied, row.defaultBase};
        }
        information = readFirstLineOf(informationPath, line);
    }
    if (information == FirstLine::Missing || information == FirstLine::Unopenable) {
        return PortResolution{ResolutionOutcome::NotFound, row.defaultBase};
    }

    uint16_t baseAddress = 0;
    if (information != FirstLine::Read || !baseAddressFromLine(line, baseAddress)) {
        return PortResolution{ResolutionOutcome::InvalidBase, row.defaultBase};
    }
    return PortResolution{ResolutionOutcome::Found, baseAddress};
}

}  // namespace

PortResolution resolvePort(int portIndex)
{
    return resolvePortOn(portIndex, runningKernelRelease(), "");
}

PortResolution resolvePortOn(int portIndex, const std::string& release, const std::string& root)
{
    const reset::PortEntry& row = reset::portTable[portIndex];
    const PortResolution defaults{ResolutionOutcome::Found, row.defaultBase};
    if (row.kind != reset::PortKind::Parallel) {
        return defaults;
    }
    KernelVersion version{};
    if (!kernelVersion(release, version) || !kernelDescribesParallelPorts(version)) {
        return defaults;
    }
    return probeParportBase(portIndex, version, root);
}

}  // namespace quorvik
