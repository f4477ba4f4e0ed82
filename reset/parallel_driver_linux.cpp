#include "reset/parallel_driver_linux.h"

#include <cerrno>
#include <csignal>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/time.h>

#include "common/millisecond_wait.h"
#include "reset/device_files_linux.h"

namespace reset {

namespace {

constexpr int claimTimeoutMicroseconds = 1'000'000;

volatile std::sig_atomic_t claimTimedOut = 0;

void noteClaimTimeout(int)
{
    claimTimedOut = 1;
}

}  // namespace

int ParallelIoctls::claim()
{
    struct sigaction quiet {};
    struct sigaction previous {};
    quiet.sa_handler = noteClaimTimeout;
    sigemptyset(&quiet.sa_mask);
    sigaction(SIGALRM, &quiet, &previous);
    claimTimedOut = 0;
    const itimerval once{{0, 0}, {claimTimeoutMicroseconds / 1'000'000, claimTimeoutMicroseconds % 1'000'000}};
    setitimer(ITIMER_REAL, &once, nullptr);
    int error = errorOf(ioctl(descriptor_, PPCLAIM));
    const itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    if (error == EINTR && claimTimedOut != 0) {
        error = EBUSY;
    }
    return error;
}

int ParallelIoctls::setDataForward()
{
    int reverse = 0;
    return errorOf(ioctl(descriptor_, PPDATADIR, &reverse));
}

int ParallelIoctls::writeData(uint8_t value)
{
    unsigned char data = value;
    return errorOf(ioctl(descriptor_, PPWDATA, &data));
}

int ParallelIoctls::readData(uint8_t& value)
{
    unsigned char data = 0;
    const int error = errorOf(ioctl(descriptor_, PPRDATA, &data));
    value = data;
    return error;
}

int ParallelIoctls::release()
{
    return errorOf(ioctl(descriptor_, PPRELEASE));
}

int ParallelIoctls::endingSignal()
{
    return common::caughtEndingSignal();
}

common::WaitResult ParallelIoctls::wait(uint16_t milliseconds)
{
    // A parallel port does not go away while it is claimed.
    return common::waitMilliseconds(milliseconds);
}

}  // namespace reset
