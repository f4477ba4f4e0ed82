// Port resolution on kernel-information trees of the test's own, below a
// scratch folder. inotify watches the tree to see which files were opened.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

#include "quorvik/port_resolution.h"
#include "run_program.h"

namespace quorvik {

namespace {

namespace fs = std::filesystem;

// Records which files below the watched folders are opened ("open") and
// opened for writing ("write"), as "kind path" entries.
class OpenWatch {
public:
    explicit OpenWatch(const std::vector<fs::path>& folders) : descriptor_(inotify_init1(IN_NONBLOCK))
    {
        for (const fs::path& folder : folders) {
            const int watch = inotify_add_watch(descriptor_, folder.c_str(), IN_OPEN | IN_CLOSE_WRITE | IN_CREATE);
            if (watch >= 0) {
                folders_.push_back({watch, folder});
            }
        }
    }
    ~OpenWatch() { close(descriptor_); }

    std::set<std::string> events()
    {
        std::set<std::string> seen;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t count; (count = read(descriptor_, buffer, sizeof buffer)) > 0;) {
            for (char* place = buffer; place < buffer + count;) {
                const auto* event = reinterpret_cast<const inotify_event*>(place);
                const std::string name = event->len > 0 ? event->name : "";
                const std::string path = folderOf(event->wd) + "/" + name;
                if ((event->mask & IN_CREATE) != 0) {
                    seen.insert("create " + path);
                }
                if ((event->mask & IN_OPEN) != 0) {
                    seen.insert("open " + path);
                }
                if ((event->mask & IN_CLOSE_WRITE) != 0) {
                    seen.insert("write " + path);
                }
                place += sizeof(inotify_event) + event->len;
            }
        }
        return seen;
    }

private:
    std::string folderOf(int watch) const
    {
        for (const auto& folder : folders_) {
            if (folder.first == watch) {
                return folder.second.string();
            }
        }
        return "?";
    }

    int descriptor_;
    std::vector<std::pair<int, fs::path>> folders_;
};

// A tree with the information files of both kernel generations for all three
// parallel ports, and a /dev with a device file for each.
struct Tree {
    ScratchDirectory scratch;
    fs::path root = scratch.path();
    fs::path sysctl(char port) const { return root / "proc/sys/dev/parport" / (std::string("parport") + port); }
    fs::path hardware(char port) const { return root / "proc/parport" / std::string(1, port); }
    fs::path dev() const { return root / "dev"; }

    std::vector<fs::path> folders() const
    {
        std::vector<fs::path> all{dev()};
        for (char port : {'0', '1', '2'}) {
            all.push_back(sysctl(port));
            all.push_back(hardware(port));
        }
        return all;
    }
};

TEST(ResolvePort, OnlyParallelPortsOfKernels22AndLaterReadAnyFile)
{
    const struct {
        const char* port;
        const char* release;
        ResolutionOutcome outcome;
        uint16_t base;
    } cases[] = {
        {"ttyS0", "6.1.0", ResolutionOutcome::Found, 0x3F8},
        {"cua3", "2.2.19", ResolutionOutcome::Found, 0x2E8},
        {"null", "6.1.0", ResolutionOutcome::Found, 0x000},
        {"lp0", "2.0.36", ResolutionOutcome::Found, 0x3BC},
        {"lp1", "2.1.132", ResolutionOutcome::Found, 0x378},
        {"lp2", "2.6", ResolutionOutcome::Found, 0x278},
        {"lp2", "2..4", ResolutionOutcome::Found, 0x278},
        {"lp2", "", ResolutionOutcome::Found, 0x278},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.port) + " on [" + c.release + "]");
        Tree tree;
        for (char port : {'0', '1', '2'}) {
            // Addresses that would show if a file were read.
            writeFile(tree.sysctl(port) / "base-addr", "1\n");
            writeFile(tree.hardware(port) / "hardware", "base: 0x1\n");
            writeFile(tree.dev() / (std::string("lp") + port), "");
        }
        OpenWatch watch(tree.folders());
        const PortResolution resolution = resolvePortOn(reset::findPort(c.port), c.release, tree.root.string());
        EXPECT_EQ(resolution.outcome, c.outcome);
        EXPECT_EQ(resolution.baseAddress, c.base);
        EXPECT_EQ(watch.events(), std::set<std::string>{});
    }
}

TEST(ResolvePort, FileOfTheKernelGenerationGivesTheAddress)
{
    const struct {
        const char* port;
        const char* release;
        const char* file;  // below the root
        std::string text;
        uint16_t base;
    } cases[] = {
        {"lp0", "2.2.19", "proc/parport/0/hardware", "base:\t0x3bc\nirq:\tnone\n", 0x3BC},
        {"lp2", "2.3.99-pre9", "proc/parport/2/hardware", "base: 0x0278\n", 0x278},
        {"lp1", "2.4.20-8", "proc/sys/dev/parport/parport1/base-addr", "888\t1912\n", 0x378},
        {"lp1", "3.10.0-1160", "proc/sys/dev/parport/parport1/base-addr", "632\t0\n", 0x278},
        {"lp2", "6.1.0", "proc/sys/dev/parport/parport2/base-addr", "base:\t0x0378\n", 0x378},
        {"lp0", "6.1.0", "proc/sys/dev/parport/parport0/base-addr", "956", 0x3BC},
        {"lp0", "6.1.0", "proc/sys/dev/parport/parport0/base-addr", "888" + std::string(400, ' ') + "\n1\n", 0x378},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.port) + " on " + c.release);
        Tree tree;
        writeFile(tree.root / c.file, c.text);
        writeFile(tree.dev() / c.port, "");
        OpenWatch watch(tree.folders());
        const PortResolution resolution = resolvePortOn(reset::findPort(c.port), c.release, tree.root.string());
        EXPECT_EQ(resolution.outcome, ResolutionOutcome::Found);
        EXPECT_EQ(resolution.baseAddress, c.base);
        // Only the information file is opened; the device file is left alone.
        EXPECT_EQ(watch.events(), std::set<std::string>{"open " + (tree.root / c.file).string()});
    }
}

TEST(ResolvePort, InformationThatCannotBeReadGivesInvalidBase)
{
    // A folder where the file should be opens, but cannot be read.
    Tree tree;
    fs::create_directories(tree.sysctl('1') / "base-addr");
    const PortResolution resolution = resolvePortOn(reset::findPort("lp1"), "6.1.0", tree.root.string());
    EXPECT_EQ(resolution.outcome, ResolutionOutcome::InvalidBase);
    EXPECT_EQ(resolution.baseAddress, 0x378);
}

TEST(ResolvePortOn, MissingInformationOpensTheDeviceFileWithoutChangingIt)
{
    const int lp1 = reset::findPort("lp1");
    const std::string kernel = "6.1.0";

    // The device file is there: opened for writing, closed, and left as it was.
    {
        Tree tree;
        fs::create_directories(tree.sysctl('1'));
        writeFile(tree.dev() / "lp1", "keep me");
        OpenWatch watch(tree.folders());
        const PortResolution resolution = resolvePortOn(lp1, kernel, tree.root.string());
        EXPECT_EQ(resolution.outcome, ResolutionOutcome::NotFound);
        EXPECT_EQ(resolution.baseAddress, 0x378);
        EXPECT_EQ(readFile(tree.dev() / "lp1"), "keep me");
        const std::string device = (tree.dev() / "lp1").string();
        EXPECT_EQ(watch.events(), (std::set<std::string>{"open " + device, "write " + device}));
    }
    // The device file is missing too: nothing is made in its place.
    {
        Tree tree;
        fs::create_directories(tree.dev());
        OpenWatch watch(tree.folders());
        EXPECT_EQ(resolvePortOn(lp1, kernel, tree.root.string()).outcome, ResolutionOutcome::NotFound);
        EXPECT_FALSE(fs::exists(tree.dev() / "lp1"));
        EXPECT_EQ(watch.events(), std::set<std::string>{});
    }
    // The device name is taken by a folder: access denied.
    {
        Tree tree;
        fs::create_directories(tree.dev() / "lp1");
        EXPECT_EQ(resolvePortOn(lp1, kernel, tree.root.string()).outcome, ResolutionOutcome::AccessDenied);
    }
    // The information of another port does not count.
    {
        Tree tree;
        writeFile(tree.sysctl('0') / "base-addr", "888\n");
        writeFile(tree.hardware('1') / "hardware", "base: 0x378\n");
        EXPECT_EQ(resolvePortOn(lp1, kernel, tree.root.string()).outcome, ResolutionOutcome::NotFound);
    }
}

TEST(ResolvePortOn, InformationThatCannotBeOpenedForOtherReasonsLeavesTheDeviceAlone)
{
    // A file where the parport folder should be: ENOTDIR, not ENOENT.
    Tree tree;
    writeFile(tree.root / "proc/sys/dev/parport", "");
    writeFile(tree.dev() / "lp1", "keep me");
    OpenWatch watch(tree.folders());
    EXPECT_EQ(resolvePortOn(reset::findPort("lp1"), "6.1.0", tree.root.string()).outcome,
              ResolutionOutcome::NotFound);
    EXPECT_EQ(watch.events(), std::set<std::string>{});
}

}  // namespace

namespace {

// The text of a file as one read at offset 0 gives it.
std::string firstBlock(const char* path)
{
    const int file = open(path, O_RDONLY);
    if (file < 0) {
        return "";
    }
    char block[4096];
    const ssize_t count = read(file, block, sizeof block);
    close(file);
    return count > 0 ? std::string(block, static_cast<size_t>(count)) : "";
}

TEST(ResolvePortOn, SysctlFileThatAnswersOnlyTheFirstReadGivesTheWholeNumber)
{
    // Integer sysctl files give all their text to a read at offset 0 and
    // end-of-file to any later read, as the kernel's base-addr file does.
    // One whose first number has several digits and fits 16 bits stands in.
    for (const char* path : {"/proc/sys/net/core/somaxconn", "/proc/sys/kernel/sem", "/proc/sys/kernel/msgmnb",
                             "/proc/sys/vm/overcommit_ratio"}) {
        const std::string text = firstBlock(path);
        uint16_t expected = 0;
        if (!baseAddressFromLine(text.substr(0, text.find('\n')), expected) || expected < 10) {
            continue;
        }
        SCOPED_TRACE(std::string(path) + " [" + text + "]");
        Tree tree;
        fs::create_directories(tree.sysctl('2'));
        fs::create_symlink(path, tree.sysctl('2') / "base-addr");
        const PortResolution resolution = resolvePortOn(reset::findPort("lp2"), "6.1.0", tree.root.string());
        EXPECT_EQ(resolution.outcome, ResolutionOutcome::Found);
        EXPECT_EQ(resolution.baseAddress, expected);
        return;
    }
    GTEST_SKIP() << "no sysctl file with a number of several digits below 65536 here";
}

}  // namespace

}  // namespace quorvik
