#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

int OpenRegularFile(const std::filesystem::path& path, int64_t& size, std::string& error)
{
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = path.string() + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = path.string() + ": " +
                (S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file");
        ::close(fd);
        return -1;
    }
    // Regular files ignore O_NONBLOCK; dropping it keeps reads plain.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = st.st_size;
    return fd;
}

namespace {

bool Read(const std::filesystem::path& path, int64_t maxBytes, bool whole,
          std::vector<uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    int64_t size = 0;
    const int fd = OpenRegularFile(path, size, error);
    if (fd < 0)
        return false;
    if (whole && size > maxBytes) {
        ::close(fd);
        error =
            path.string() + " is larger than the limit of " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    bytes.resize(static_cast<size_t>(std::min(size, maxBytes)));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = path.string() + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    // A file that shrank meanwhile gives what it still held.
    bytes.resize(got);
    return true;
}

} // namespace

bool ReadRegularFile(const std::filesystem::path& path, int64_t maxBytes,
                     std::vector<uint8_t>& bytes, std::string& error)
{
    return Read(path, maxBytes, true, bytes, error);
}

bool ReadRegularFileStart(const std::filesystem::path& path, int64_t maxBytes,
                          std::vector<uint8_t>& bytes, std::string& error)
{
    return Read(path, maxBytes, false, bytes, error);
}
