// End-to-end: korvane.inc as the built mardeluk writes it, and real file
// faults (a full or read-only file system, missing permissions, a file size
// limit) with the previous file left exactly as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "run_program.h"

namespace mardeluk {

namespace {

namespace fs = std::filesystem;

const std::string previousContent = "\t; the user's last good file\n";
const std::string settingsEnd = "required accuracy:           1.00 %\n";

// A scratch folder with the program's working folder "work" inside it, so that
// the test's own files never show up in the listing of the working folder.
class Workspace {
public:
    Workspace() : work_(scratch_.path() + "/work") { fs::create_directory(work_); }

    const std::string& work() const { return work_; }
    std::string inWork(const std::string& name) const { return work_ + "/" + name; }

    // The script runs in the scratch folder with the program as "$1".
    ProgramRun runScript(const std::string& script, bool ownMountNamespace = false) const
    {
        const std::string path = scratch_.path() + "/test.sh";
        writeFile(path, "set -u\ncd work\n" + script);
        if (ownMountNamespace && programsAreWindowsBuilds()) {
            // In the namespace that all of the wine runs share, so the
            // script's mounts are taken down after it.
            return runProgram("/bin/sh", {"-c", "sh \"$0\" \"$1\"; status=$?; while umount work 2>/dev/null; do :; done; exit $status",
                                          path, MARDELUK_PROGRAM}, scratch_.path());
        }
        if (ownMountNamespace) {
            return runProgram("/usr/bin/unshare", {"--mount", "/bin/sh", path, MARDELUK_PROGRAM}, scratch_.path());
        }
        return ::runScript(path, MARDELUK_PROGRAM, scratch_.path());
    }

    // A copy of the program that an unprivileged user may run, with the
    // scratch folder open to that user.
    void openToUnprivilegedUser() const
    {
        fs::copy_file(MARDELUK_PROGRAM, scratch_.path() + "/mardeluk");
        ::chmod((scratch_.path() + "/mardeluk").c_str(), 0755);
        ::chmod(scratch_.path().c_str(), 0755);
    }

    std::vector<std::string> workListing() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(work_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    const std::string& scratch() const { return scratch_.path(); }

private:
    ScratchDirectory scratch_;
    std::string work_;
};

unsigned permissionBits(const std::string& path)
{
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A file error: the report up to the settings, an empty line on standard
// output, the error line on standard error, exit status 2.
void expectFileError(const ProgramRun& run, const std::string& message)
{
    EXPECT_TRUE(endsWith(run.out, settingsEnd + "\n")) << run.out;
    EXPECT_EQ(run.out.find("resulting baudrate"), std::string::npos);
    EXPECT_EQ(run.err, "@@@@@ " + message + ": korvane.inc @@@@@\n");
    EXPECT_EQ(run.exitStatus, 2);
}

bool mountNamespacesAvailable()
{
    return ::geteuid() == 0 && std::system("unshare --mount true >/dev/null 2>&1") == 0;
}

#define SKIP_FOR_WINDOWS_PROGRAMS()                                                                     \
    if (programsAreWindowsBuilds()) {                                                                   \
        GTEST_SKIP() << "POSIX systems only";                                                           \
    }

#define REQUIRE_ROOT_WITH_MOUNT_NAMESPACES()                                                            \
    if (!mountNamespacesAvailable()) {                                                                  \
        GTEST_SKIP() << "needs root and mount namespaces (unshare --mount): CI runs this as root";      \
    }

TEST(IncludeFileProgram, ExampleRunWritesTheFileAndTheResultLine)
{
    Workspace workspace;
    const ProgramRun run = workspace.runScript("exec \"$1\" 9600 BG 0.1 12\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(endsWith(run.out, "required accuracy:           0.10 %\n\nresulting baudrate:          9600.0 Baud\n"));
    EXPECT_EQ(run.err, "");
    const std::string file = readFile(workspace.inWork("korvane.inc"));
    EXPECT_EQ(file.size(), 561u);
    EXPECT_EQ(file.substr(file.size() - 44), "\tTIMEBASE   EQU 02F5H\n\tCHARTIME   EQU 0102H\n");
    EXPECT_EQ(workspace.workListing(), std::vector<std::string>{"korvane.inc"});
}

TEST(IncludeFileProgram, ReplacesAnExistingFileAndKeepsItsPermissions)
{
    Workspace workspace;
    writeFile(workspace.inWork("korvane.inc"), previousContent);
    ::chmod(workspace.inWork("korvane.inc").c_str(), 0640);
    const ProgramRun run = workspace.runScript("exec \"$1\" 9600 T2 1 12\n");
    ASSERT_EQ(run.exitStatus, 0);
    const std::string file = readFile(workspace.inWork("korvane.inc"));
    EXPECT_NE(file.find("\tRELOAD     EQU 0FFD9H\n"), std::string::npos);
    EXPECT_EQ(workspace.workListing(), std::vector<std::string>{"korvane.inc"});
    if (!programsAreWindowsBuilds()) {
        EXPECT_EQ(permissionBits(workspace.inWork("korvane.inc")), 0640u);
    }
}

TEST(IncludeFileProgram, NewFileGetsReadAndWriteLessTheUmask)
{
    SKIP_FOR_WINDOWS_PROGRAMS();
    struct Case {
        const char* umask;
        unsigned mode;
    };
    for (const Case& c : {Case{"022", 0644}, Case{"027", 0640}, Case{"0", 0666}}) {
        Workspace workspace;
        const ProgramRun run = workspace.runScript(std::string("umask ") + c.umask + "\nexec \"$1\" 9600\n");
        ASSERT_EQ(run.exitStatus, 0);
        EXPECT_EQ(permissionBits(workspace.inWork("korvane.inc")), c.mode) << "umask " << c.umask;
    }
}

TEST(IncludeFileProgram, RunsThatEndWithAnErrorLineLeaveTheFileAlone)
{
    for (const char* arguments : {"9600 T1 1 12", "19200 BG 1 12", "9600 XX", "-h"}) {
        Workspace workspace;
        writeFile(workspace.inWork("korvane.inc"), previousContent);
        const ProgramRun run = workspace.runScript(std::string("exec \"$1\" ") + arguments + "\n");
        EXPECT_EQ(run.exitStatus, 1) << arguments;
        EXPECT_EQ(readFile(workspace.inWork("korvane.inc")), previousContent) << arguments;
        EXPECT_EQ(workspace.workListing(), std::vector<std::string>{"korvane.inc"}) << arguments;

        Workspace empty;
        empty.runScript(std::string("exec \"$1\" ") + arguments + "\n");
        EXPECT_TRUE(empty.workListing().empty()) << arguments;
    }
}

TEST(IncludeFileProgram, SymbolicLinksAndDevicesAreWrittenThroughInPlace)
{
    SKIP_FOR_WINDOWS_PROGRAMS();
    Workspace workspace;
    writeFile(workspace.inWork("board.inc"), previousContent);
    fs::create_symlink("board.inc", workspace.inWork("korvane.inc"));
    ProgramRun run = workspace.runScript("exec \"$1\" 9600 BG 0.1 12\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(fs::is_symlink(workspace.inWork("korvane.inc")));
    EXPECT_EQ(readFile(workspace.inWork("board.inc")).size(), 561u);

    // Through a link to a device: no temporary file beside the device or here.
    Workspace device;
    fs::create_symlink("/dev/null", device.inWork("korvane.inc"));
    run = device.runScript("exec \"$1\" 9600\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(fs::is_symlink(device.inWork("korvane.inc")));
    EXPECT_EQ(device.workListing(), std::vector<std::string>{"korvane.inc"});
}

TEST(IncludeFileProgram, AFolderByTheFilesNameStays)
{
    Workspace directory;
    fs::create_directory(directory.inWork("korvane.inc"));
    expectFileError(directory.runScript("exec \"$1\" 9600\n"), "access denied");
    EXPECT_TRUE(fs::is_directory(directory.inWork("korvane.inc")));
    EXPECT_EQ(directory.workListing(), std::vector<std::string>{"korvane.inc"});
}

TEST(IncludeFileProgram, FaultsThatNeedNoPrivilege)
{
    SKIP_FOR_WINDOWS_PROGRAMS();

    // A working folder that no longer exists.
    Workspace removed;
    expectFileError(removed.runScript("mkdir gone && cd gone && rmdir ../gone && exec \"$1\" 9600\n"),
                    "no such file or directory");

    // A file size limit: the write fails with EFBIG, the previous file stays.
    Workspace limited;
    writeFile(limited.inWork("korvane.inc"), previousContent);
    expectFileError(limited.runScript("ulimit -f 0\nexec \"$1\" 9600\n"), "fatal I/O error 27");
    EXPECT_EQ(readFile(limited.inWork("korvane.inc")), previousContent);
    EXPECT_EQ(limited.workListing(), std::vector<std::string>{"korvane.inc"});
}

TEST(IncludeFileProgram, FullFileSystem)
{
    REQUIRE_ROOT_WITH_MOUNT_NAMESPACES();
    // The tmpfs lives only in the namespace: the script copies what is left
    // in it out to the scratch folder before the namespace ends.
    const std::string script =
        "mount -t tmpfs -o size=16k tmpfs \"$PWD\" && cd \"$PWD\" || exit 99\n"
        "%PREVIOUS%"
        "dd if=/dev/zero of=fill bs=1k 2>/dev/null\n"
        "\"$1\" 9600\n"
        "status=$?\n"
        "ls -A > ../listing\n"
        "cp korvane.inc ../after 2>/dev/null\n"
        "exit $status\n";
    for (bool withPrevious : {true, false}) {
        SCOPED_TRACE(withPrevious ? "previous file" : "no previous file");
        Workspace workspace;
        std::string withFile = script;
        withFile.replace(withFile.find("%PREVIOUS%"), 10,
                         withPrevious ? "printf '\\t; the user'\\''s last good file\\n' > korvane.inc\n" : "");
        expectFileError(workspace.runScript(withFile, true), "disk full");
        EXPECT_EQ(readFile(workspace.scratch() + "/listing"), withPrevious ? "fill\nkorvane.inc\n" : "fill\n");
        EXPECT_EQ(readFile(workspace.scratch() + "/after"), withPrevious ? previousContent : "");
    }
}

TEST(IncludeFileProgram, ReadOnlyFileSystem)
{
    REQUIRE_ROOT_WITH_MOUNT_NAMESPACES();
    for (bool withPrevious : {true, false}) {
        SCOPED_TRACE(withPrevious ? "previous file" : "no previous file");
        Workspace workspace;
        if (withPrevious) {
            writeFile(workspace.inWork("korvane.inc"), previousContent);
        }
        // A read-only bind mount of the working folder onto itself.
        const ProgramRun run = workspace.runScript(
            "cd .. && mount --bind work work && mount -o remount,bind,ro work && cd work || exit 99\n"
            "exec \"$1\" 9600\n",
            true);
        expectFileError(run, "access denied");
        EXPECT_EQ(readFile(workspace.inWork("korvane.inc")), withPrevious ? previousContent : "");
        EXPECT_EQ(workspace.workListing().size(), withPrevious ? 1u : 0u);
    }
}

TEST(IncludeFileProgram, UnprivilegedUserWithoutWritePermission)
{
    if (::geteuid() != 0 || programsRunUnderEmulation()) {
        GTEST_SKIP() << "needs root, and the program itself rather than an emulator, to run the program as an "
                        "unprivileged user: CI runs this as root";
    }
    const std::string asNobody = "exec setpriv --reuid=65534 --regid=65534 --clear-groups ../mardeluk 9600\n";

    // A folder the user may not write: nothing is created there.
    Workspace folder;
    folder.openToUnprivilegedUser();
    ::chmod(folder.work().c_str(), 0755);
    expectFileError(folder.runScript(asNobody), "access denied");
    EXPECT_TRUE(folder.workListing().empty());

    // A write-protected file in a folder the user may write: renaming over it
    // would work, but the file must stay as it is.
    Workspace file;
    file.openToUnprivilegedUser();
    writeFile(file.inWork("korvane.inc"), previousContent);
    ::chmod(file.inWork("korvane.inc").c_str(), 0444);
    ASSERT_EQ(::chown(file.inWork("korvane.inc").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(file.work().c_str(), 65534, 65534), 0);
    expectFileError(file.runScript(asNobody), "access denied");
    EXPECT_EQ(readFile(file.inWork("korvane.inc")), previousContent);
    EXPECT_EQ(file.workListing(), std::vector<std::string>{"korvane.inc"});
}

}  // namespace

}  // namespace mardeluk
