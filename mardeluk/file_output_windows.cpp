#include "mardeluk/file_output.h"

#include <string>
#include <windows.h>

#include "common/handle_windows.h"
#include "mardeluk/file_errors.h"

namespace mardeluk {

namespace {

// File names are UTF-8 (the programs' manifest sets that code page), the
// wide calls take UTF-16.
std::wstring wideName(const std::string& name)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

int lastError()
{
    return static_cast<int>(GetLastError());
}

// A hidden name beside the target; CREATE_NEW makes sure it is a new file
// of ours.
int createTemporaryBeside(const std::string& name, std::wstring& temporary, HANDLE& handle)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = wideName("." + name + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt));
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return 0;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return lastError();
        }
    }
    return ERROR_FILE_EXISTS;
}

}  // namespace

int writeWholeFile(const std::string& name, const std::string& content)
{
    const std::wstring target = wideName(name);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // As on Linux: a folder in the file's place, or a file that may not
        // be written, is refused before anything is made.
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
            return ERROR_ACCESS_DENIED;
        }
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return lastError();
    }

    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    int error = createTemporaryBeside(name, temporary, handle);
    if (error != 0) {
        return error;
    }
    error = common::writeAllToHandle(handle, content);
    if (error == 0 && !FlushFileBuffers(handle)) {
        error = lastError();
    }
    if (!CloseHandle(handle) && error == 0) {
        error = lastError();
    }
    // C's rename cannot replace a file on Windows; the move can, and
    // returns only once the new name is on the disk.
    if (error == 0 &&
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = lastError();
    }
    if (error != 0) {
        DeleteFileW(temporary.c_str());
    }
    return error;
}

std::string writeErrorLine(int error, const std::string& name)
{
    return windowsFileErrorLine(static_cast<unsigned long>(error), name);
}

}  // namespace mardeluk
