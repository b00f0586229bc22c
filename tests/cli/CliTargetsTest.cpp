// spritewright-cli given files that are not what they seem and targets it
// must not overrule: FIFOs and devices to read, read-only files and folders
// to write, and saves killed half-way.

#include "DC6File.h"
#include "Image.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using testutil::Bytes;
using testutil::Entries;
using testutil::ProgramResult;
using testutil::ReadFile;
using testutil::RunProgram;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

// The command, given up after a while: a reader that waits for a FIFO
// fails the test instead of hanging it.
ProgramResult Cli(std::vector<std::string> args)
{
    args.insert(args.begin(), {"60", SPRITEWRIGHT_CLI});
    return RunProgram("/usr/bin/timeout", args);
}

// The same as an ordinary user: nobody, when the tests run as root.
ProgramResult CliAsUser(std::vector<std::string> args)
{
    if (::geteuid() != 0)
        return Cli(std::move(args));
    args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups",
                               "/usr/bin/timeout", "60", SPRITEWRIGHT_CLI});
    return RunProgram("/usr/bin/setpriv", args);
}

void HandOver(const std::filesystem::path& path)
{
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0) << path;
    }
}

} // namespace

TEST(CliTargets, WhatIsNoRegularFileIsNotRead)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0666), 0);
    CDC6File doc;
    doc.NewDC6(1, 1);
    ASSERT_TRUE(doc.SaveDC6(dir / "one.dc6"));
    const std::string sprite = (dir / "one.dc6").string();
    for (const std::string& odd : {(dir / "pipe").string(), std::string("/dev/zero")}) {
        const std::vector<std::string> commands[] = {
            {"info", odd},
            {"resave", odd, (dir / "x.dc6").string()},
            {"build", odd, "-o", (dir / "x.dc6").string()},
            {"import", sprite, odd, "-o", (dir / "x.dc6").string()},
            {"export-frame", sprite, (dir / "x.bmp").string(), "--palette", odd},
        };
        for (const auto& command : commands) {
            const ProgramResult r = Cli(command);
            EXPECT_EQ(r.status, 1) << command[0] << " " << odd << ": " << r.err;
        }
    }
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"one.dc6", "pipe"}));
}

TEST(CliTargets, FilesTheUserMayNotWriteStayAsTheyAre)
{
    TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    CDC6File doc;
    doc.NewDC6(1, 2);
    ASSERT_TRUE(doc.SaveDC6(dir / "in.dc6"));
    WriteFile(dir / "p.pal", Bytes(768, 0));
    ASSERT_EQ(Cli({"export-all", (dir / "in.dc6").string(), "-o", dir.Path().string(), "--palette",
                   (dir / "p.pal").string()})
                  .status,
              0);
    const std::string in = (dir / "in.dc6").string();
    const std::string ini = (dir / "in_bmp" / "in_bmp.ini").string();
    const std::string pal = (dir / "p.pal").string();

    const auto folder = dir / "w";
    std::filesystem::create_directory(folder);
    const Bytes old = {1, 2, 3};
    for (const char* name : {"fixed.dc6", "fixed.bmp", "mine.dc6"})
        WriteFile(folder / name, old);
    for (const auto& path :
         {folder, folder / "fixed.dc6", folder / "fixed.bmp", folder / "mine.dc6"})
        HandOver(path);
    ::chmod((folder / "fixed.dc6").c_str(), 0444);
    ::chmod((folder / "fixed.bmp").c_str(), 0444);
    const std::string fixed = (folder / "fixed.dc6").string();

    struct Case {
        std::vector<std::string> command;
        std::string message;
    };
    const std::string refused = "Error: File Could Not Be Created (Permission denied)";
    const Case cases[] = {
        {{"resave", in, fixed}, refused},
        {{"new", fixed}, refused},
        {{"edit", in, "-o", fixed, "--add-frame"}, refused},
        {{"build", ini, "-o", fixed, "--palette", pal}, refused},
        {{"export-frame", in, (folder / "fixed.bmp").string(), "--palette", pal},
         "Could not save " + (folder / "fixed.bmp").string() + " (Permission denied)"},
    };
    for (const mode_t mode : {0755, 0555}) {
        ::chmod(folder.c_str(), mode);
        for (const Case& c : cases) {
            const ProgramResult r = CliAsUser(c.command);
            EXPECT_EQ(r.status, 1) << c.command[0] << " " << mode << ": " << r.err;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << c.command[0] << ": " << r.err;
        }
        EXPECT_EQ(ReadFile(folder / "fixed.dc6"), old);
        EXPECT_EQ(ReadFile(folder / "fixed.bmp"), old);
    }

    // The user's own file in a folder that takes no new file is written in
    // place, and nothing else is left there.
    ::chmod(folder.c_str(), 0555);
    const ProgramResult r = CliAsUser({"resave", in, (folder / "mine.dc6").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(folder / "mine.dc6"), ReadFile(dir / "in.dc6"));
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"fixed.bmp", "fixed.dc6", "mine.dc6"}));
}

TEST(CliTargets, KilledSavesLeaveNothingBehind)
{
    TempDir dir;
    const std::string target = (dir / "big.dc6").string();
    const std::string cli = SPRITEWRIGHT_CLI;
    const std::vector<std::string> args = {cli,  "new",      target, "--directions",
                                           "64", "--frames", "4096"};
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const auto run = [&](std::chrono::microseconds killAfter) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
            return std::chrono::microseconds(0);
        const auto start = std::chrono::steady_clock::now();
        if (killAfter.count() > 0) {
            std::this_thread::sleep_for(killAfter);
            ::kill(pid, SIGKILL);
        }
        ::waitpid(pid, nullptr, 0);
        return std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
    };
    // How long a whole save takes, then kills spread over that time. The
    // file being written has no name; only a kill in the moment between
    // naming it and putting it in place could leave it, under a name that
    // the next save to the folder clears.
    const auto whole = run(std::chrono::microseconds(0));
    ASSERT_GT(whole.count(), 0);
    for (int k = 1; k <= 12; ++k) {
        run(whole * k / 13);
        for (const std::string& name : Entries(dir.Path()))
            EXPECT_TRUE(name == "big.dc6" || name.starts_with(".spritewright-"))
                << name << " after a kill at " << k << "/13 of a save";
    }
    run(std::chrono::microseconds(0));
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"big.dc6"});
}
