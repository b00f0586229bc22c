// How saves treat what they find at the target: links, read-only files and
// folders, hard links, long names and the leftovers of killed saves.

#include "AtomicFile.h"
#include "DC6File.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

using testutil::Bytes;
using testutil::Entries;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

constexpr uid_t kNobody = 65534;

bool Save(const std::filesystem::path& path, const Bytes& bytes, std::string& error)
{
    return WriteFileAtomically(path, bytes, error);
}

// Runs `work` as an ordinary user: as it is for one, in a child process
// that gives up root (becoming nobody) for root. The result is work's, or
// -1 when the child did not finish.
int AsOrdinaryUser(const std::function<int()>& work)
{
    if (::geteuid() != 0)
        return work();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(100);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Gives the ordinary user of AsOrdinaryUser what it needs of a path.
void HandOver(const std::filesystem::path& path)
{
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0) << path;
    }
}

} // namespace

TEST(AtomicFile, LinksAreFollowedToTheFileTheyName)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links; // name, what it names
        std::string saved;                                      // the file that gets the bytes
    };
    TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    const std::string elsewhere = (dir / "sub" / "far.dc6").string();
    const Case cases[] = {
        {"a link to a file", {{"link.dc6", "real.dc6"}}, "real.dc6"},
        {"a dangling link", {{"link.dc6", "made.dc6"}}, "made.dc6"},
        {"a chain", {{"link.dc6", "middle.dc6"}, {"middle.dc6", "real.dc6"}}, "real.dc6"},
        {"an absolute link", {{"link.dc6", elsewhere}}, "sub/far.dc6"},
        {"a link into a folder", {{"link.dc6", "sub/real.dc6"}}, "sub/real.dc6"},
    };
    const Bytes old = {1, 2, 3};
    const Bytes fresh = {4, 5, 6, 7};
    for (const Case& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            std::filesystem::remove_all(entry.path());
        std::filesystem::create_directory(dir / "sub");
        WriteFile(dir / "real.dc6", old);
        WriteFile(dir / "sub" / "real.dc6", old);
        for (const auto& [name, target] : c.links)
            std::filesystem::create_symlink(target, dir / name);
        std::string error;
        ASSERT_TRUE(Save(dir / "link.dc6", fresh, error)) << c.what << ": " << error;
        EXPECT_EQ(ReadFile(dir / c.saved), fresh) << c.what;
        for (const auto& [name, target] : c.links)
            EXPECT_TRUE(std::filesystem::is_symlink(dir / name)) << c.what << ": " << name;
        for (const auto& folder : {dir.Path(), dir / "sub"})
            for (const std::string& name : Entries(folder))
                EXPECT_NE(name.front(), '.') << c.what << ": a temporary file is left";
    }

    // Loops are refused, and left as they are.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        std::filesystem::remove_all(entry.path());
    std::filesystem::create_symlink("self.dc6", dir / "self.dc6");
    std::filesystem::create_symlink("b.dc6", dir / "a.dc6");
    std::filesystem::create_symlink("a.dc6", dir / "b.dc6");
    for (const char* name : {"self.dc6", "a.dc6"}) {
        std::string error;
        EXPECT_FALSE(Save(dir / name, fresh, error)) << name;
        EXPECT_EQ(error, "Too many levels of symbolic links") << name;
    }
    CDC6File doc;
    doc.NewDC6(1, 1);
    EXPECT_FALSE(doc.SaveDC6(dir / "a.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(),
              "Error: File Could Not Be Created (Too many levels of symbolic links)");
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"a.dc6", "b.dc6", "self.dc6"}));
    for (const char* name : {"self.dc6", "a.dc6", "b.dc6"})
        EXPECT_TRUE(std::filesystem::is_symlink(dir / name)) << name;
}

TEST(AtomicFile, FilesNobodyMayWriteAreRefusedEvenForRoot)
{
    TempDir dir;
    const Bytes old = {1, 2, 3};
    WriteFile(dir / "keep.dc6", old);
    ::chmod((dir / "keep.dc6").c_str(), 0444);
    std::string error;
    EXPECT_FALSE(Save(dir / "keep.dc6", {9}, error));
    EXPECT_EQ(error, "Permission denied");
    CDC6File doc;
    doc.NewDC6(1, 1);
    EXPECT_FALSE(doc.SaveDC6(dir / "keep.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Created (Permission denied)");
    EXPECT_EQ(ReadFile(dir / "keep.dc6"), old);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"keep.dc6"});

    // Neither is what is no regular file replaced, nor waited for.
    ASSERT_EQ(::mkfifo((dir / "pipe.dc6").c_str(), 0666), 0);
    EXPECT_FALSE(Save(dir / "pipe.dc6", old, error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(Save(dir.Path(), old, error));
    EXPECT_FALSE(Save(dir / "sub" / "x.dc6", old, error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"keep.dc6", "pipe.dc6"}));
}

TEST(AtomicFile, OrdinaryUsersKeepTheirReadOnlyFilesAndSaveInReadOnlyFolders)
{
    TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    const auto folder = dir / "locked";
    std::filesystem::create_directory(folder);
    const Bytes old = {1, 2, 3};
    const Bytes fresh(5000, 7);
    WriteFile(folder / "mine.dc6", old);
    WriteFile(folder / "fixed.dc6", old);
    for (const auto& path : {folder, folder / "mine.dc6", folder / "fixed.dc6"})
        HandOver(path);
    ::chmod((folder / "fixed.dc6").c_str(), 0444);
    ::chmod(folder.c_str(), 0555);

    // No temporary file can be made beside the file: it is written in place.
    EXPECT_EQ(AsOrdinaryUser([&] {
                  std::string error;
                  return Save(folder / "mine.dc6", fresh, error) ? 0 : 1;
              }),
              0);
    EXPECT_EQ(ReadFile(folder / "mine.dc6"), fresh);
    // A file the user may not write stays as it is, in a writable folder too.
    for (const mode_t mode : {0555, 0755}) {
        ::chmod(folder.c_str(), mode);
        EXPECT_EQ(AsOrdinaryUser([&] {
                      std::string error;
                      return !Save(folder / "fixed.dc6", fresh, error) &&
                                     error == "Permission denied"
                                 ? 0
                                 : 1;
                  }),
                  0)
            << mode;
        EXPECT_EQ(ReadFile(folder / "fixed.dc6"), old);
    }
    // A new file needs a folder that takes it.
    ::chmod(folder.c_str(), 0555);
    EXPECT_EQ(AsOrdinaryUser([&] {
                  std::string error;
                  return !Save(folder / "new.dc6", fresh, error) && error == "Permission denied"
                             ? 0
                             : 1;
              }),
              0);
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"fixed.dc6", "mine.dc6"}));
}

TEST(AtomicFile, HardLinksAndOwnersStayAsTheyWere)
{
    TempDir dir;
    const Bytes old = {1, 2, 3};
    WriteFile(dir / "a.dc6", old);
    std::filesystem::create_hard_link(dir / "a.dc6", dir / "b.dc6");
    struct stat before {};
    ::stat((dir / "a.dc6").c_str(), &before);

    // Replacing the file would part the names: it is written in place.
    const Bytes fresh(3000, 9);
    std::string error;
    ASSERT_TRUE(Save(dir / "a.dc6", fresh, error)) << error;
    EXPECT_EQ(ReadFile(dir / "b.dc6"), fresh);
    struct stat after {};
    ::stat((dir / "b.dc6").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);

    // In place, a size the process may not write fails before a byte changes.
    {
        const testutil::FileSizeLimit full(4096);
        EXPECT_FALSE(Save(dir / "b.dc6", Bytes(8000, 1), error));
    }
    EXPECT_EQ(error, "File too large");
    EXPECT_EQ(ReadFile(dir / "a.dc6"), fresh);

    // A file that is replaced keeps its owner (root can give it) and mode.
    if (::geteuid() == 0) {
        WriteFile(dir / "theirs.dc6", old);
        ::chown((dir / "theirs.dc6").c_str(), kNobody, kNobody);
        ::chmod((dir / "theirs.dc6").c_str(), 0640);
        ASSERT_TRUE(Save(dir / "theirs.dc6", fresh, error)) << error;
        ::stat((dir / "theirs.dc6").c_str(), &after);
        EXPECT_EQ(after.st_uid, kNobody);
        EXPECT_EQ(after.st_gid, kNobody);
        EXPECT_EQ(after.st_mode & 07777, 0640u);
    }
}

TEST(AtomicFile, LongNamesSaveAndStaleTemporariesAreRemoved)
{
    TempDir dir;
    std::string error;
    for (const size_t length : {251u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".dc6";
        ASSERT_TRUE(Save(dir / name, {1}, error)) << length << ": " << error;
        ASSERT_TRUE(Save(dir / name, {2}, error)) << length << ": " << error;
        EXPECT_EQ(ReadFile(dir / name), Bytes{2});
        std::filesystem::remove(dir / name);
    }

    // Temporary files of saves whose process is gone go with the first save
    // to their folder; those of running processes, and files of other
    // names, stay.
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const auto folder = dir / "other";
    std::filesystem::create_directory(folder);
    const std::vector<std::string> kept = {
        ".spritewright-1-abcdef", ".spritewright-" + std::to_string(::getpid()) + "-abcdef",
        ".spritewright-" + std::to_string(gone) + "-abcdefg",
        ".spritewright-" + std::to_string(gone) + ".txt"};
    for (const std::string& name : kept)
        WriteFile(folder / name, {1});
    WriteFile(folder / (".spritewright-" + std::to_string(gone) + "-Xy0123"), {1});
    ASSERT_TRUE(Save(folder / "x.dc6", {3}, error)) << error;
    std::vector<std::string> expected = kept;
    expected.push_back("x.dc6");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(folder), expected);
}
