#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CAtomicFile::CAtomicFile(std::filesystem::path target) : m_Target(std::move(target))
{
    std::error_code ec;
    if (std::filesystem::is_symlink(m_Target, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(m_Target, ec);
        if (!ec)
            m_Target = resolved;
    }
}

CAtomicFile::~CAtomicFile()
{
    if (m_iFd >= 0)
        ::close(m_iFd);
    if (!m_strTemp.empty() && !m_bCommitted)
        ::unlink(m_strTemp.c_str());
}

bool CAtomicFile::Open()
{
    if (m_Target.empty() || !m_Target.has_filename())
        return false;
    const std::filesystem::path folder =
        m_Target.parent_path().empty() ? std::filesystem::path(".") : m_Target.parent_path();
    std::string name = (folder / ("." + m_Target.filename().string() + ".XXXXXX")).string();
    m_iFd = ::mkstemp(name.data());
    if (m_iFd < 0)
        return false;
    m_strTemp = std::move(name);
    return true;
}

CAtomicFile::Result CAtomicFile::Commit()
{
    if (m_iFd < 0)
        return Result::NotCreated;
    struct stat st {};
    const bool replacing = ::stat(m_Target.c_str(), &st) == 0;
    mode_t mode;
    if (replacing) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // A file that replaces another reaches the disk before it takes its
    // place, so that a crash leaves the old one or the new one, never an
    // empty file. A new file has nothing to lose, and skipping the wait
    // keeps exports of many files fast.
    if (::fchmod(m_iFd, mode) != 0 || (replacing && ::fsync(m_iFd) != 0))
        return Result::NotWritten;
    const int fd = m_iFd;
    m_iFd = -1;
    if (::close(fd) != 0)
        return Result::NotWritten;
    if (::rename(m_strTemp.c_str(), m_Target.c_str()) != 0)
        return Result::NotCreated;
    m_bCommitted = true;
    return Result::Ok;
}

bool WriteAll(int fd, const uint8_t* p, size_t n, off_t offset)
{
    while (n > 0) {
        const ssize_t done = ::pwrite(fd, p, n, offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        p += done;
        n -= static_cast<size_t>(done);
        offset += done;
    }
    return true;
}

std::string SystemErrorText(const char* what)
{
    return std::string(what) + " (" + std::strerror(errno) + ")";
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error)
{
    CAtomicFile file(path);
    if (!file.Open()) {
        error = "cannot create " + path.string();
        return false;
    }
    CAtomicFile::Result result = CAtomicFile::Result::NotWritten;
    if (WriteAll(file.Fd(), bytes.data(), bytes.size(), 0))
        result = file.Commit();
    switch (result) {
    case CAtomicFile::Result::Ok:
        return true;
    case CAtomicFile::Result::NotWritten:
        error = SystemErrorText(("cannot write " + path.string()).c_str());
        return false;
    case CAtomicFile::Result::NotCreated:
        break;
    }
    error = "cannot create " + path.string();
    return false;
}
