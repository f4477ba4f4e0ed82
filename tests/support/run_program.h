// Runs a built program as a child process and captures what it prints.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitStatus;      // -1 when the program was ended by a signal
    int signalNumber;    // 0 unless ended by a signal
    std::string out;     // standard output
    std::string err;     // standard error
};

// How standard output of the child is connected.
enum class OutputTarget { Captured, Closed, DevFull };

// Runs `program` with `arguments` in `directory`; standard input comes from
// `inputFile`, by default nothing (/dev/null).
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& directory, OutputTarget outputTarget = OutputTarget::Captured,
                      const std::string& inputFile = "/dev/null");

// Runs a shell script file with /bin/sh in `directory`; "$1" in the script is `program`.
ProgramRun runScript(const std::string& scriptPath, const std::string& program, const std::string& directory);

// Whether this build's programs run under user-mode emulation (a cross
// build, or 32-bit x86 on a kernel that cannot run it): the program path is
// then a script that starts the emulator, which another user may not be able
// to run and which the tests cannot copy on its own.
bool programsRunUnderEmulation();

// Whether the programs are a Windows build's, started under wine inside the
// private mount namespace of tests/windows/private_wine.sh: what only POSIX
// systems have (permission bits, symbolic links, a file size limit, a
// removed working folder) is not theirs to test, and a file system mounted
// for a test must be mounted where wine's server sees it, not in a
// namespace of the test's own.
bool programsAreWindowsBuilds();

// Whole files as text; writeFile makes the folders on the way, readFile gives
// "" for a file that cannot be read.
void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);

// A fresh empty folder, removed with its contents afterwards.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The lines joined, each ended by a line feed.
std::string joinLines(const std::vector<std::string>& lines);
