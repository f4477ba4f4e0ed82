/* Modem lines for pseudo terminals, and a log of every change: preloaded
 * (LD_PRELOAD) into wine or into the Linux korvane-reset, it answers
 * TIOCMGET, TIOCMBIS, TIOCMBIC and TIOCMSET on pty slaves, which have no
 * modem lines of their own, keeping DTR and RTS per pty (both on when first
 * seen, as a tty's open raises them). Each call is appended to the file that
 * KORVANE_MODEM_LINE_LOG names as one line:
 *   SECONDS.NANOSECONDS CALL ARGUMENT LINES PTY
 * with CLOCK_MONOTONIC's time, the call's bits and the lines after it, in
 * hexadecimal. A pty whose master side is gone answers EIO, as an unplugged
 * adapter does. Every other ioctl goes to the C library's. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

/* The majors of Unix 98 pty slaves. */
#define FIRST_PTY_MAJOR 136
#define LAST_PTY_MAJOR 143
#define MAX_PTYS 64

struct pty_lines {
    dev_t device;
    int lines;
};

static struct pty_lines ptys[MAX_PTYS];
static int pty_count;

typedef int (*ioctl_function)(int, unsigned long, ...);

static ioctl_function real_ioctl(void)
{
    static ioctl_function real;
    if (real == NULL) {
        real = (ioctl_function)dlsym(RTLD_NEXT, "ioctl");
    }
    return real;
}

static int *lines_of(dev_t device)
{
    for (int i = 0; i < pty_count; ++i) {
        if (ptys[i].device == device) {
            return &ptys[i].lines;
        }
    }
    if (pty_count == MAX_PTYS) {
        return NULL;
    }
    ptys[pty_count].device = device;
    ptys[pty_count].lines = TIOCM_DTR | TIOCM_RTS;
    return &ptys[pty_count++].lines;
}

static void log_call(const char *call, int argument, int lines, dev_t device, int error)
{
    const char *path = getenv("KORVANE_MODEM_LINE_LOG");
    if (path == NULL || *path == '\0') {
        return;
    }
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[160];
    const int length = snprintf(line, sizeof line, "%lld.%09ld %s %03x %03x pts/%u%s\n", (long long)now.tv_sec,
                                now.tv_nsec, call, (unsigned)argument, (unsigned)lines,
                                minor(device), error != 0 ? " EIO" : "");
    const int file = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file >= 0) {
        /* One write of the whole line: appends of several processes stay whole. */
        if (write(file, line, (size_t)length) < 0) {
            /* nothing to do: the log is the only output */
        }
        close(file);
    }
}

static int is_modem_call(unsigned long request)
{
    return request == TIOCMGET || request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET;
}

static const char *call_name(unsigned long request)
{
    return request == TIOCMGET ? "TIOCMGET" : request == TIOCMBIS ? "TIOCMBIS" : request == TIOCMBIC ? "TIOCMBIC" : "TIOCMSET";
}

static int answer(int descriptor, unsigned long request, int *argument, dev_t device)
{
    int *lines = lines_of(device);
    struct termios settings;
    if (lines == NULL) {
        errno = ENOMEM;
        return -1;
    }
    /* A hung-up tty answers every ioctl with EIO. */
    if (real_ioctl()(descriptor, TCGETS, &settings) != 0 && errno == EIO) {
        log_call(call_name(request), argument != NULL ? *argument : 0, *lines, device, EIO);
        errno = EIO;
        return -1;
    }
    if (argument == NULL) {
        errno = EFAULT;
        return -1;
    }
    const int modem = TIOCM_DTR | TIOCM_RTS;
    switch (request) {
    case TIOCMGET:
        *argument = *lines;
        break;
    case TIOCMBIS:
        *lines |= *argument & modem;
        break;
    case TIOCMBIC:
        *lines &= ~(*argument & modem);
        break;
    default:
        *lines = *argument & modem;
        break;
    }
    log_call(call_name(request), *argument, *lines, device, 0);
    return 0;
}

int ioctl(int descriptor, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    struct stat status;
    if (is_modem_call(request) && fstat(descriptor, &status) == 0 && S_ISCHR(status.st_mode) &&
        major(status.st_rdev) >= FIRST_PTY_MAJOR && major(status.st_rdev) <= LAST_PTY_MAJOR) {
        return answer(descriptor, request, (int *)argument, status.st_rdev);
    }
    return real_ioctl()(descriptor, request, argument);
}
