// End to end: the built quorvik, its standard output, standard error and exit
// status. A run that names a serial or parallel port never has the I/O
// privilege: as root it is started through setpriv as user nobody or with
// CAP_SYS_RAWIO dropped, so the permission call fails before any register of
// this machine is touched.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "run_program.h"

namespace quorvik {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string usageScreen =
    "\n"
    "usage:        quorvik /dev/<port> [<pulsewidth>]\n"
    "\n"
    "              <port> :        lp0,   lp1,   lp2,\n"
    "                              ttyS0, ttyS1, ttyS2, ttyS3,\n"
    "                              cua0,  cua1,  cua2,  cua3,\n"
    "                              null\n"
    "\n"
    "              <pulsewidth> :  1 .. 65535 ms,   default: 50 ms\n"
    "\n";

const std::string noPrivilege = "@@@@@ no root privilege @@@@@\n";

std::string errorLine(const std::string& text)
{
    return "@@@@@ " + text + " @@@@@\n";
}

// Only x86 processors have I/O ports; elsewhere every port but null ends the
// run before anything is looked up or touched.
#if defined(__i386__) || defined(__x86_64__)
constexpr bool machineHasIoPorts = true;
#else
constexpr bool machineHasIoPorts = false;
#endif

// What a run that names a port gets without the I/O privilege.
std::string refusalOf(const std::string& rowName)
{
    if (machineHasIoPorts) {
        return noPrivilege;
    }
    return errorLine("I/O ports exist only on x86 PCs: use korvane-reset " + rowName +
                     ", which resets through the kernel's drivers");
}

// How a run is kept from the I/O privilege.
enum class Without { Root, RawIo };

const char* const setpriv = "/usr/bin/setpriv";
const char* const unshare = "/usr/bin/unshare";

std::vector<std::string> setprivArguments(Without without)
{
    if (without == Without::Root) {
        return {"--reuid=65534", "--regid=65534", "--clear-groups", "--bounding-set=-sys_rawio", "--"};
    }
    return {"--bounding-set=-sys_rawio", "--"};
}

// A copy of the program that user nobody may run, wherever the build is.
const std::string& runnableProgram()
{
    static ScratchDirectory folder;
    static std::string program;
    if (program.empty()) {
        program = folder.path() + "/quorvik";
        fs::copy_file(QUORVIK_PROGRAM, program);
        chmod(folder.path().c_str(), 0755);
        chmod(program.c_str(), 0755);
    }
    return program;
}

bool isRoot()
{
    return geteuid() == 0;
}

// Runs quorvik through setpriv without the I/O privilege; false when this
// process is not root (or the program runs under emulation) and so cannot
// use setpriv, and then the caller skips. Without I/O ports on the machine
// there is nothing to keep the program from, and it runs as it is.
bool runWithoutIoPrivilege(const std::vector<std::string>& arguments, ProgramRun& run, Without without = Without::Root)
{
    ScratchDirectory scratch;
    if (!machineHasIoPorts) {
        run = runProgram(QUORVIK_PROGRAM, arguments, scratch.path());
        return true;
    }
    if (!isRoot() || programsRunUnderEmulation()) {
        return false;
    }
    std::vector<std::string> command = setprivArguments(without);
    command.push_back(runnableProgram());
    command.insert(command.end(), arguments.begin(), arguments.end());
    run = runProgram(setpriv, command, scratch.path());
    return true;
}

const char* const cannotDropPrivilege =
    "needs root, and the program itself rather than an emulator, to start quorvik through setpriv without the "
    "I/O privilege";

std::string shown(const std::vector<std::string>& arguments)
{
    std::string text = "quorvik";
    for (const std::string& argument : arguments) {
        text += " [" + argument.substr(0, 30) + "]";
    }
    return text;
}

struct Case {
    std::vector<std::string> arguments;
    std::string out;
    std::string err;
};

void checkFailures(const std::vector<Case>& cases, Without without = Without::Root)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(shown(c.arguments));
        ProgramRun run{};
        if (!runWithoutIoPrivilege(c.arguments, run, without)) {
            GTEST_SKIP() << cannotDropPrivilege;
        }
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.exitStatus, 1);
    }
}

TEST(QuorvikProgram, UsageScreenWithoutArguments)
{
    ScratchDirectory scratch;
    const ProgramRun run = runProgram(QUORVIK_PROGRAM, {}, scratch.path());
    EXPECT_EQ(run.out, usageScreen);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitStatus, 1);

    // A usage screen that cannot be written still ends with status 1.
    for (OutputTarget target : {OutputTarget::Closed, OutputTarget::DevFull}) {
        const ProgramRun failed = runProgram(QUORVIK_PROGRAM, {}, scratch.path(), target);
        EXPECT_EQ(failed.exitStatus, 1);
        EXPECT_EQ(failed.err, "");
    }
}

TEST(QuorvikProgram, ArgumentErrorsInTheirOrder)
{
    std::vector<Case> cases = {
        {{"lp0", "50", "third"}, "", errorLine("too many parameters: third")},
        {{"LP9", "x", "third", "fourth"}, "", errorLine("too many parameters: third")},
        {{"lp9", "0"}, "", errorLine("illegal port name: lp9")},
        {{std::string(300, 'x')}, "", errorLine("illegal port name: " + std::string(236, 'x'))},
    };
    for (const char* name : {"/dev//dev/lp0", "dev/lp0", "LP0", "lp3", "-h", "", "/dev/", "lp0 ", "/dev/NULL"}) {
        cases.push_back({{name}, "", errorLine(std::string("illegal port name: ") + name)});
    }
    for (const char* width : {"0", "65536", "-5", "50 ", "50ms", "5.0", "$FFFFFFFF", "0x32", "", "$", "%", "+", "%2"}) {
        cases.push_back({{"ttyS0", width}, "", errorLine(std::string("invalid pulse-width: ") + width)});
        cases.push_back({{"null", width}, "", errorLine(std::string("invalid pulse-width: ") + width)});
    }
    checkFailures(cases);
}

TEST(QuorvikProgram, SerialPortsNeedThePrivilege)
{
    // Every accepted pulse width gets as far as the permission call.
    std::vector<Case> cases;
    for (const char* width : {"1", "65535", " 50", "\t50", "+50", "$32", "%110010", "$FFFF", "$0000000001"}) {
        cases.push_back({{"ttyS0", width}, "", refusalOf("ttyS0")});
    }
    for (const char* port : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "cua0", "cua1", "cua2", "cua3", "/dev/ttyS2", "/dev/cua3"}) {
        const std::string name = port;
        cases.push_back({{port}, "", refusalOf(name.substr(name.rfind('/') + 1))});
    }
    if (!machineHasIoPorts) {
        cases.push_back({{"/dev/lp1", "10"}, "", refusalOf("lp1")});
    }
    checkFailures(cases, Without::Root);
    checkFailures(cases, Without::RawIo);
}

TEST(QuorvikProgram, NullPortOnlyWaits)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"/dev/null", "20"}, {"null"}, {"null", "$A"}, {"/dev/null", "1"}}) {
        SCOPED_TRACE(shown(arguments));
        int32_t expected = 50;
        if (arguments.size() == 2) {
            expected = arguments[1] == "$A" ? 10 : std::stoi(arguments[1]);
        }
        ScratchDirectory scratch;
        const auto start = Clock::now();
        const ProgramRun run = runProgram(QUORVIK_PROGRAM, arguments, scratch.path());
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(expected));
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitStatus, 0);
    }
    // SIGTERM during the wait ends quorvik by that signal, silently.
    {
        ScratchDirectory scratch;
        const ProgramRun run = runProgram(
            "/bin/sh", {"-c", "\"$0\" null 20000 2>err & sleep 0.2; kill -TERM $!; wait $!; echo $?; cat err", QUORVIK_PROGRAM},
            scratch.path());
        EXPECT_EQ(run.out, "143\n");
    }
    // No privilege is needed for it.
    ProgramRun run{};
    if (!runWithoutIoPrivilege({"/dev/null", "20"}, run)) {
        GTEST_SKIP() << cannotDropPrivilege;
    }
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitStatus, 0);
}

// --- Parallel ports on kernel-information trees of the test's own ---------
//
// In a private mount namespace a tmpfs covers /proc/sys/dev and one covers
// /dev, each filled from a folder that the test prepares; the program then
// runs without the I/O privilege, and /dev is copied out afterwards.

const char* const namespaceScript = R"(
scratch=$1; devMode=$2; shift 2
mount -t tmpfs -o mode=0755 quorvik-test /proc/sys/dev || exit 90
cp -a "$scratch/sysdev/." /proc/sys/dev/ || exit 91
mount -t tmpfs -o mode=0755 quorvik-test /dev || exit 92
cp -a "$scratch/dev/." /dev/ || exit 93
if [ "$devMode" = ro ]; then mount -o remount,ro /dev || exit 94; fi
"$@"
status=$?
mkdir "$scratch/dev-after" && cp -a /dev/. "$scratch/dev-after/" || exit 95
exit $status
)";

struct TreeFile {
    std::string path;  // below /proc/sys/dev or /dev
    std::string text;
    mode_t mode;
};

const mode_t readable = 0644;

std::vector<TreeFile> baseAddr(char port, const std::string& text, mode_t mode = readable)
{
    return {{std::string("parport/parport") + port + "/base-addr", text, mode}};
}

struct TreeCase {
    const char* name;
    std::vector<TreeFile> sysdev;
    std::vector<TreeFile> dev;
    bool devReadOnly;
    Without without;
    std::vector<std::string> arguments;
    std::string err;
};

void writeTree(const fs::path& folder, const std::vector<TreeFile>& files)
{
    fs::create_directories(folder);
    chmod(folder.c_str(), 0755);
    for (const TreeFile& file : files) {
        const fs::path path = folder / file.path;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << file.text;
        chmod(path.c_str(), file.mode);
    }
}

// Every entry below the folder: kind, permission bits and text of files.
std::map<std::string, std::string> treeContents(const fs::path& folder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        std::string description = std::to_string(status.st_mode);
        if (entry.is_regular_file()) {
            std::ifstream file(entry.path(), std::ios::binary);
            std::stringstream text;
            text << file.rdbuf();
            description += " " + text.str();
        }
        contents[fs::relative(entry.path(), folder).string()] = description;
    }
    return contents;
}

void checkTreeCase(const TreeCase& c)
{
    SCOPED_TRACE(std::string(c.name) + ": " + shown(c.arguments));
    ScratchDirectory scratch;
    const fs::path root = scratch.path();
    chmod(root.c_str(), 0755);
    writeTree(root / "sysdev", c.sysdev);
    writeTree(root / "dev", c.dev);

    std::vector<std::string> command = {"--mount", "--propagation", "private", "/bin/sh", "-c", namespaceScript,
                                        "quorvik-tree", root.string(), c.devReadOnly ? "ro" : "rw", setpriv};
    const std::vector<std::string> drop = setprivArguments(c.without);
    command.insert(command.end(), drop.begin(), drop.end());
    command.push_back(runnableProgram());
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());

    const ProgramRun run = runProgram(unshare, command, scratch.path());
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitStatus, 1);
    // Whatever happens, /dev is left as it was: nothing made, nothing emptied.
    ASSERT_TRUE(fs::exists(root / "dev-after"));
    EXPECT_EQ(treeContents(root / "dev-after"), treeContents(root / "dev"));
}

class ParallelPortTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!isRoot() || programsRunUnderEmulation()) {
            GTEST_SKIP() << "needs root, and the program itself rather than an emulator, for a private mount "
                            "namespace with its own /proc/sys/dev and /dev";
        }
        if (!machineHasIoPorts) {
            GTEST_SKIP() << "without I/O ports the run ends before the kernel's information is read";
        }
        if (access(unshare, X_OK) != 0 || access(setpriv, X_OK) != 0) {
            GTEST_SKIP() << "needs unshare and setpriv (util-linux)";
        }
    }
};

TEST_F(ParallelPortTree, AddressReadFromTheKernelReachesThePermissionCall)
{
    const TreeCase cases[] = {
        {"decimal line", baseAddr('1', "888\t1912\n"), {}, false, Without::RawIo, {"lp1"}, noPrivilege},
        {"base: line with leading zeros", baseAddr('1', "base:\t0x0378\n"), {}, false, Without::RawIo, {"/dev/lp1", "20"}, noPrivilege},
        {"highest port number", baseAddr('0', "base: 0xffff\n"), {}, false, Without::RawIo, {"lp0"}, noPrivilege},
        {"as user nobody", baseAddr('2', "632\t0\n"), {}, false, Without::Root, {"lp2"}, noPrivilege},
        {"serial port beside junk", baseAddr('0', "junk\n"), {}, false, Without::RawIo, {"ttyS0"}, noPrivilege},
    };
    for (const TreeCase& c : cases) {
        checkTreeCase(c);
    }
}

TEST_F(ParallelPortTree, FailuresOfTheKernelInformation)
{
    const std::string notFound = errorLine("port not found: /dev/lp1");
    const std::string denied = errorLine("access denied: /dev/lp1");
    const std::string invalid = errorLine("invalid base address: /dev/lp1");
    const std::vector<TreeFile> noInformation = {};
    const std::vector<TreeFile> otherPortOnly = baseAddr('0', "888\n");
    const TreeCase cases[] = {
        // Missing information: the device file is opened, never made.
        {"missing, no device file", noInformation, {}, false, Without::RawIo, {"lp1"}, notFound},
        {"missing, other port only", otherPortOnly, {}, false, Without::RawIo, {"/dev/lp1"}, notFound},
        {"missing, device file there", noInformation, {{"lp1", "keep me", 0666}}, false, Without::RawIo, {"lp1"}, notFound},
        {"missing, /dev read-only", noInformation, {}, true, Without::RawIo, {"lp1"}, denied},
        {"missing, /dev not writable for the user", noInformation, {}, false, Without::Root, {"lp1"}, denied},
        {"missing, device file refused", noInformation, {{"lp1", "", 0600}}, false, Without::Root, {"lp1"}, denied},
        // Information there but refused: not found, without the device file.
        {"refused", baseAddr('1', "888\n", 0000), {}, false, Without::Root, {"lp1"}, notFound},
        {"empty", baseAddr('1', ""), {}, false, Without::RawIo, {"lp1"}, invalid},
        {"base: without 0x", baseAddr('1', "base:\t888\n"), {}, false, Without::RawIo, {"lp1"}, invalid},
        {"0x without digits", baseAddr('1', "base:\t0x\n"), {}, false, Without::RawIo, {"lp1"}, invalid},
        {"hexadecimal above 0xFFFF", baseAddr('1', "base:\t0x10378\n"), {}, false, Without::RawIo, {"lp1"}, invalid},
        {"decimal above 0xFFFF", baseAddr('1', "66424\t0\n"), {}, false, Without::RawIo, {"lp1"}, invalid},
        {"no number", baseAddr('1', "none\n"), {}, false, Without::RawIo, {"lp1"}, invalid},
    };
    for (const TreeCase& c : cases) {
        checkTreeCase(c);
    }
}

TEST_F(ParallelPortTree, MessagesNameTheTableRowWhateverWasTyped)
{
    checkTreeCase({"lp2 as typed", {}, {}, false, Without::RawIo, {"lp2", "$10"}, errorLine("port not found: /dev/lp2")});
    checkTreeCase({"lp0 with prefix", baseAddr('0', ""), {}, false, Without::RawIo, {"/dev/lp0"},
                   errorLine("invalid base address: /dev/lp0")});
}

}  // namespace

}  // namespace quorvik
