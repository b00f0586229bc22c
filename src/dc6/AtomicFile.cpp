#include "AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <set>

namespace {

constexpr char kTempPrefix[] = ".spritewright-";
constexpr size_t kTempRandom = 6;
// As many links as the system itself follows in one path.
constexpr int kMaxLinks = 40;

// Follows symbolic links from `path` to the file they name, which need not
// exist. False with errno set on a loop or when a link cannot be read.
bool FollowLinks(std::filesystem::path path, std::filesystem::path& out)
{
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return false;
            out = path;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            out = path;
            return true;
        }
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) {
            errno = ec.value();
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    errno = ELOOP;
    return false;
}

// Whether a replacement made by this process can be given the file's owner
// and group.
bool CanKeepOwner(const struct stat& st)
{
    if (::geteuid() == 0)
        return true;
    if (st.st_uid != ::geteuid())
        return false;
    if (st.st_gid == ::getegid())
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
    const int got = ::getgroups(count, groups.data());
    return got > 0 &&
           std::find(groups.begin(), groups.begin() + got, st.st_gid) != groups.begin() + got;
}

std::string RandomName()
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<uint64_t>(::getpid())
                                                                     << 32);
    std::string name = kTempPrefix + std::to_string(::getpid()) + "-";
    for (size_t i = 0; i < kTempRandom; ++i)
        name += kChars[random() % (sizeof kChars - 1)];
    return name;
}

// The process that made a temporary file of our naming, or 0 when `name`
// is no such file.
pid_t TemporaryOwner(const char* name)
{
    const size_t prefix = sizeof kTempPrefix - 1;
    if (std::strncmp(name, kTempPrefix, prefix) != 0)
        return 0;
    const char* p = name + prefix;
    pid_t pid = 0;
    for (; *p >= '0' && *p <= '9' && pid < 100000000; ++p)
        pid = pid * 10 + (*p - '0');
    if (*p != '-' || std::strlen(p + 1) != kTempRandom)
        return 0;
    return pid;
}

// Removes the temporary files that saves of processes which no longer run
// left in `folder`; once per folder and process. A temporary file that is
// still being written is locked by its writer.
void RemoveStaleTemporaries(const std::filesystem::path& folder)
{
    static std::mutex mutex;
    static std::set<std::string> done;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!done.insert(folder.string()).second)
            return;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t pid = TemporaryOwner(entry->d_name);
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        const int fd =
            ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK))
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

CAtomicFile::CAtomicFile(std::filesystem::path target) : m_Target(std::move(target)) {}

CAtomicFile::~CAtomicFile()
{
    if (m_iFd >= 0)
        ::close(m_iFd);
    if (!m_strTemp.empty() && !m_bCommitted)
        ::unlink(m_strTemp.c_str());
}

bool CAtomicFile::Fail(int error)
{
    m_strError = std::strerror(error);
    return false;
}

bool CAtomicFile::Open()
{
    if (m_Target.empty() || !m_Target.has_filename())
        return Fail(ENOENT);
    if (!FollowLinks(m_Target, m_Target))
        return Fail(errno);
    struct stat st {};
    m_bReplacing = ::stat(m_Target.c_str(), &st) == 0;
    if (m_bReplacing) {
        if (!S_ISREG(st.st_mode)) {
            if (S_ISDIR(st.st_mode))
                return Fail(EISDIR);
            m_strError = "not a regular file";
            return false;
        }
        // Root may write any file; one that nobody may write stays as it is
        // for root too.
        if (::faccessat(AT_FDCWD, m_Target.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(errno);
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return Fail(EACCES);
        m_Old = st;
    }
    const std::filesystem::path folder =
        m_Target.parent_path().empty() ? std::filesystem::path(".") : m_Target.parent_path();
    RemoveStaleTemporaries(folder);
    if (m_bReplacing && (st.st_nlink > 1 || !CanKeepOwner(st))) {
        m_bInPlace = true;
        return true;
    }
    if (MakeTemporary(folder))
        return true;
    const int error = errno;
    if (!m_bReplacing)
        return Fail(error);
    m_bInPlace = true;
    return true;
}

bool CAtomicFile::MakeTemporary(const std::filesystem::path& folder)
{
    // An unnamed file needs /proc to be linked in at the end. The lock tells
    // other saves that the file is still in use once it has a name.
    if (::access("/proc/self/fd", X_OK) == 0) {
        m_iFd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (m_iFd >= 0) {
            m_bUnnamed = true;
            ::flock(m_iFd, LOCK_EX | LOCK_NB);
            return true;
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (folder / RandomName()).string();
        m_iFd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_iFd >= 0) {
            m_strTemp = name;
            ::flock(m_iFd, LOCK_EX | LOCK_NB);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool CAtomicFile::WriteAt(int64_t offset, const uint8_t* p, size_t n)
{
    if (offset < 0)
        return Fail(EINVAL);
    if (m_bInPlace) {
        const size_t end = static_cast<size_t>(offset) + n;
        if (m_Memory.size() < end)
            m_Memory.resize(end);
        std::copy_n(p, n, m_Memory.begin() + offset);
        return true;
    }
    if (m_iFd < 0)
        return Fail(EBADF);
    return WriteAll(m_iFd, p, n, static_cast<off_t>(offset)) || Fail(errno);
}

bool CAtomicFile::LinkUnnamed(const std::filesystem::path& folder)
{
    const std::string self = "/proc/self/fd/" + std::to_string(m_iFd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (folder / RandomName()).string();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_strTemp = name;
            return true;
        }
        if (errno != EEXIST)
            return Fail(errno);
    }
    return Fail(EEXIST);
}

CAtomicFile::Result CAtomicFile::Commit()
{
    if (m_bInPlace)
        return WriteInPlace();
    if (m_iFd < 0) {
        Fail(EBADF);
        return Result::NotCreated;
    }
    // A file that replaces another takes its owner and permissions, and
    // reaches the disk before it takes its place, so that a crash leaves the
    // old one or the new one, never an empty file. A new file has nothing to
    // lose, and skipping the wait keeps exports of many files fast.
    if (m_bReplacing) {
        // Open made sure that the owner can be kept; file systems without
        // owners refuse any change (EPERM) and have none to keep.
        if ((::fchown(m_iFd, m_Old.st_uid, m_Old.st_gid) != 0 && errno != EPERM) ||
            ::fchmod(m_iFd, m_Old.st_mode & 07777) != 0 || ::fsync(m_iFd) != 0) {
            Fail(errno);
            return Result::NotWritten;
        }
    }
    const std::filesystem::path folder =
        m_Target.parent_path().empty() ? std::filesystem::path(".") : m_Target.parent_path();
    if (m_bUnnamed && !LinkUnnamed(folder))
        return Result::NotCreated;
    const int fd = m_iFd;
    m_iFd = -1;
    if (::close(fd) != 0) {
        Fail(errno);
        return Result::NotWritten;
    }
    if (::rename(m_strTemp.c_str(), m_Target.c_str()) != 0) {
        Fail(errno);
        return Result::NotCreated;
    }
    m_bCommitted = true;
    return Result::Ok;
}

CAtomicFile::Result CAtomicFile::WriteInPlace()
{
    const int fd = ::open(m_Target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Fail(fd < 0 ? errno : EINVAL);
        if (fd >= 0)
            ::close(fd);
        return Result::NotCreated;
    }
    // A size the process may not write, and a full disk, fail before any
    // byte of the old file is touched: the room is reserved first (file
    // systems that cannot reserve just go on).
    const auto size = static_cast<off_t>(m_Memory.size());
    struct rlimit limit {};
    int error = 0;
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(size) > limit.rlim_cur)
        error = EFBIG;
    else if (size > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
             errno != EOPNOTSUPP && errno != ENOSYS)
        error = errno;
    else if (!WriteAll(fd, m_Memory.data(), m_Memory.size(), 0) || ::ftruncate(fd, size) != 0 ||
             ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        Fail(error);
        return Result::NotWritten;
    }
    m_bCommitted = true;
    return Result::Ok;
}

bool WriteAll(int fd, const uint8_t* p, size_t n, off_t offset)
{
    while (n > 0) {
        const ssize_t done = ::pwrite(fd, p, n, offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return false;
        if (done == 0) {
            errno = ENOSPC;
            return false;
        }
        p += done;
        n -= static_cast<size_t>(done);
        offset += done;
    }
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error)
{
    CAtomicFile file(path);
    if (!file.Open() || !file.WriteAt(0, bytes.data(), bytes.size()) ||
        file.Commit() != CAtomicFile::Result::Ok) {
        error = file.Error();
        return false;
    }
    return true;
}
