// The exit statuses that every program shares; mardeluk has two more of its
// own (console.h).
#pragma once

constexpr int exitSuccess = 0;
constexpr int exitFailure = 1;  // a usage or help screen, or an error line
