// SPDX-License-Identifier: GPL-3.0-or-later
// The port file as the simulator writes it and as readers take it: never
// through a planted link, never from a refused folder or a dead simulator, and
// withdrawn also on endings that skip destructors.
#include "exit_cleanup.h"
#include "port_publication.h"

#include <rendezvous.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace imusim {
namespace {

class Folder
{
public:
    Folder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "imu-sim-publication-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string contentOf(const std::string &path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::string &content)
{
    std::ofstream(path) << content;
}

// The id of a process that has ended and been reaped.
long deadProcessId()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// The exit status of a child that runs `body`, or -1 when it did not exit.
template <class Body> int inChild(Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PortPublication, WritesItsLinesNeverThroughAPlantedLinkAndWithdrawsOnlyItsOwn)
{
    Folder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string outside = folder.file("outside");
    writeFile(outside, "precious\n");
    const std::string temporary = folder.file("port-" + std::to_string(::getpid()) + ".new");
    ASSERT_EQ(::symlink(outside.c_str(), temporary.c_str()), 0);

    PortPublication publication(folder.path(), "5C0000000000000000000001");
    std::string error;
    ASSERT_TRUE(publication.publish("/dev/pts/77", error)) << error;
    EXPECT_EQ(contentOf(outside), "precious\n");
    EXPECT_EQ(contentOf(publication.portFile()),
              "/dev/pts/77\n" + std::to_string(::getpid()) + "\n5C0000000000000000000001\n");
    struct stat entry
    {
    };
    ASSERT_EQ(::lstat(publication.portFile().c_str(), &entry), 0);
    EXPECT_TRUE(S_ISREG(entry.st_mode));
    EXPECT_EQ(entry.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temporary)));

    const auto reading = imuproto::readPublishedPorts(folder.path());
    ASSERT_EQ(reading.ports.size(), 1u) << reading.problem;
    EXPECT_EQ(reading.ports[0].devicePath, "/dev/pts/77");
    EXPECT_EQ(reading.ports[0].processId, ::getpid());
    EXPECT_EQ(reading.ports[0].unitId, "5C0000000000000000000001");

    publication.withdraw();
    EXPECT_FALSE(std::filesystem::exists(publication.portFile()));

    // The file no longer holds what it wrote: it stays.
    ASSERT_TRUE(publication.publish("/dev/pts/77", error)) << error;
    writeFile(publication.portFile(), "/dev/pts/78\n1\n");
    publication.withdraw();
    EXPECT_EQ(contentOf(publication.portFile()), "/dev/pts/78\n1\n");
}

TEST(PortReading, IgnoresFilesOfDeadSimulatorsMissingPidsAndLinks)
{
    Folder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string port = folder.file("port-7");
    EXPECT_TRUE(imuproto::readPublishedPorts(folder.path()).ports.empty()) << "no file yet";

    writeFile(port, "/dev/pts/5\n" + std::to_string(deadProcessId()) + "\n");
    EXPECT_TRUE(imuproto::readPublishedPorts(folder.path()).ports.empty()) << "stale file";

    for (const std::string &content : {"/dev/pts/5\n", "/dev/pts/5\nabc\n", "\n1\n"}) {
        writeFile(port, content);
        EXPECT_TRUE(imuproto::readPublishedPorts(folder.path()).ports.empty()) << content;
    }

    const std::string elsewhere = folder.file("elsewhere");
    writeFile(elsewhere, "/dev/pts/5\n" + std::to_string(::getpid()) + "\n");
    std::filesystem::remove(port);
    ASSERT_EQ(::symlink(elsewhere.c_str(), port.c_str()), 0);
    EXPECT_TRUE(imuproto::readPublishedPorts(folder.path()).ports.empty())
        << "a link is not followed";
}

TEST(PortReading, RefusesAFolderThatIsOpenToOthersOrALink)
{
    Folder folder;
    ASSERT_FALSE(folder.path().empty());
    writeFile(folder.file("port-7"), "/dev/pts/5\n" + std::to_string(::getpid()) + "\n");
    ASSERT_EQ(imuproto::readPublishedPorts(folder.path()).ports.size(), 1u);
    EXPECT_EQ(imuproto::rendezvousDirectoryProblem(folder.path()), "");
    EXPECT_EQ(imuproto::rendezvousDirectoryProblem(folder.file("missing")), "")
        << "nothing published is no problem";

    ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
    auto reading = imuproto::readPublishedPorts(folder.path());
    EXPECT_TRUE(reading.ports.empty());
    EXPECT_EQ(reading.problem, "refusing " + folder.path() + ": mode 0777, must be 0700");
    ASSERT_EQ(::chmod(folder.path().c_str(), 0750), 0);
    EXPECT_TRUE(imuproto::readPublishedPorts(folder.path()).ports.empty())
        << "group access is too much";
    ASSERT_EQ(::chmod(folder.path().c_str(), 0700), 0);

    const std::string link = folder.path() + "-link";
    ASSERT_EQ(::symlink(folder.path().c_str(), link.c_str()), 0);
    reading = imuproto::readPublishedPorts(link);
    ::unlink(link.c_str());
    EXPECT_TRUE(reading.ports.empty());
    EXPECT_EQ(reading.problem, "refusing " + link + ": is a symbolic link");

    const std::string foreign = ::getuid() == 0 ? folder.file("foreign") : "/";
    if (::getuid() == 0) {
        ASSERT_EQ(::mkdir(foreign.c_str(), 0700), 0);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    }
    EXPECT_NE(imuproto::rendezvousDirectoryProblem(foreign).find(", not by you"),
              std::string::npos);
    EXPECT_EQ(imuproto::prepareRendezvousDirectory(folder.file("made")), "");
    EXPECT_EQ(imuproto::rendezvousDirectoryProblem(folder.file("made")), "")
        << "created with mode 0700";
}

TEST(ExitCleanup, RunsOnExitAndOnTerminateButNotAfterItsOwnerEnded)
{
    Folder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string marker = folder.file("marker");
    const auto removeMarker = [marker] { std::filesystem::remove(marker); };

    writeFile(marker, "x");
    EXPECT_EQ(inChild([&] {
                  const ExitCleanup cleanup(removeMarker);
                  std::exit(3);
              }),
              3);
    EXPECT_FALSE(std::filesystem::exists(marker)) << "std::exit";

    writeFile(marker, "x");
    EXPECT_EQ(inChild([&] {
                  const ExitCleanup cleanup(removeMarker);
                  std::thread([] { throw std::runtime_error("escaped"); }).join();
              }),
              -1);
    EXPECT_FALSE(std::filesystem::exists(marker)) << "an exception nobody caught";

    writeFile(marker, "x");
    EXPECT_EQ(inChild([&] {
                  {
                      const ExitCleanup cleanup(removeMarker);
                  }
                  std::exit(0);
              }),
              0);
    EXPECT_TRUE(std::filesystem::exists(marker)) << "ended before the exit";
}

} // namespace
} // namespace imusim
