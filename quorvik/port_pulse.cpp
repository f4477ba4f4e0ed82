#include "quorvik/port_pulse.h"

namespace quorvik {

bool setPortAccess(PortHardware& hardware, uint16_t baseAddress, bool grant)
{
    const int level = grant ? 3 : 0;
    if (baseAddress > highestPerPortBase) {
        return hardware.setPrivilegeLevel(level);
    }
    return hardware.permitPorts(baseAddress, portsPerDevice, grant);
}

bool pulseSerial(PortHardware& hardware, uint16_t baseAddress, uint16_t pulseWidth)
{
    const uint16_t receiverBuffer = static_cast<uint16_t>(baseAddress + receiverBufferOffset);
    const uint16_t modemControl = static_cast<uint16_t>(baseAddress + modemControlOffset);
    const uint16_t lineStatus = static_cast<uint16_t>(baseAddress + lineStatusOffset);

    // A fixed number of passes, not "until empty": an absent port reports
    // data ready for ever, and the drain must end all the same.
    for (int pass = 0; pass < receiverDrainPasses; ++pass) {
        if ((hardware.portIn(lineStatus) & dataReadyBit) != 0) {
            hardware.portIn(receiverBuffer);
        }
    }
    const uint8_t before = hardware.portIn(modemControl);
    const uint8_t pulseLevel = static_cast<uint8_t>(before & ~dtrBit);
    const uint8_t restLevel = static_cast<uint8_t>(before | dtrBit | rtsBit);

    hardware.portOut(modemControl, pulseLevel);
    hardware.wait(pulseWidth);
    const uint8_t duringPulse = hardware.portIn(modemControl);
    // The lines are restored before the test, so a failed test leaves them on.
    hardware.portOut(modemControl, restLevel);

    return duringPulse == pulseLevel && hardware.portIn(modemControl) == restLevel;
}

bool pulseParallel(PortHardware& hardware, uint16_t baseAddress, uint16_t pulseWidth)
{
    const uint16_t dataRegister = static_cast<uint16_t>(baseAddress + dataRegisterOffset);

    hardware.portOut(dataRegister, pulsePattern);
    hardware.wait(pulseWidth);
    const uint8_t duringPulse = hardware.portIn(dataRegister);
    hardware.portOut(dataRegister, restPattern);

    return duringPulse == pulsePattern && hardware.portIn(dataRegister) == restPattern;
}

}  // namespace quorvik
