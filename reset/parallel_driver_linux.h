// The parallel port's driver calls as ppdev ioctls on an open port. Linked
// only into the program.
#pragma once

#include <cstdint>

#include "reset/run.h"

namespace reset {

class ParallelIoctls final : public ParallelDriver {
public:
    explicit ParallelIoctls(int descriptor) : descriptor_(descriptor) {}
    // PPCLAIM waits for as long as another driver holds the port; after a
    // second this gives EBUSY instead.
    int claim() override;
    int setDataForward() override;
    int writeData(uint8_t value) override;
    int readData(uint8_t& value) override;
    int release() override;
    int endingSignal() override;
    common::WaitResult wait(uint16_t milliseconds) override;

private:
    int descriptor_;
};

}  // namespace reset
