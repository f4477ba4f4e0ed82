#!/usr/bin/env bash
# wine for the tests: the emulator of the Windows build's suites and the
# launcher of its programs, which refuses to start wine anywhere but inside
# tests/windows/private_wine.sh.
#   wine.sh PROGRAM.EXE [ARGUMENT...]
source "$(dirname "$0")/private_dev_guard.sh"
require_private_dev
exec wine "$@"
