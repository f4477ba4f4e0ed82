#include "common/line_output.h"

#include <climits>
#include <windows.h>

#include "common/handle_windows.h"

namespace common {

namespace {

HANDLE handleOf(Stream stream)
{
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

int writeAllToHandle(HANDLE handle, const std::string& content)
{
    size_t written = 0;
    while (written < content.size()) {
        const size_t left = content.size() - written;
        const DWORD chunk = left > INT_MAX ? INT_MAX : static_cast<DWORD>(left);
        DWORD done = 0;
        if (!WriteFile(handle, content.data() + written, chunk, &done, nullptr)) {
            return static_cast<int>(GetLastError());
        }
        written += done;
    }
    return 0;
}

// WriteFile rather than the C library's streams: those are in text mode and
// would put a carriage return before every line feed, where the programs
// write the very bytes that they write on Linux. A console shows a line
// feed alone as the end of a line all the same.
int writeAll(Stream stream, const std::string& content)
{
    const HANDLE handle = handleOf(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return ERROR_INVALID_HANDLE;
    }
    return writeAllToHandle(handle, content);
}

void endProcess(int status)
{
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace common
