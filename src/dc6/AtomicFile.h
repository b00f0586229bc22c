#pragma once

// Writes a file so that the file it replaces is never damaged, whatever the
// target is:
//
// - Symbolic links are followed to the file they name, which is written
//   (and made, when a dangling link names a file that is not there yet); a
//   loop of links is refused.
// - An existing target must be a regular file that the user may write. A
//   file without any write permission bit counts as read-only for root too.
// - The bytes go to a temporary file in the target's folder, which takes
//   the target's place (with its permissions and owner) only once it is
//   complete and on disk. While it is written the temporary file has no
//   name (O_TMPFILE), so that a save that is killed leaves nothing behind;
//   on file systems without unnamed files it is named
//   ".spritewright-PID-XXXXXX", and such files of processes that no longer
//   run are removed by the next save to that folder.
// - Where no temporary file can be made beside the target (a folder the
//   user may not write), where the target has more than one hard link
//   (replacing it would part the names), or where its owner or group could
//   not be kept, the bytes are gathered in memory and written over the
//   target in place at Commit, when everything has been encoded. Room for
//   them is reserved first where the file system can, so that only the
//   write itself can fail.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

class CAtomicFile {
public:
    enum class Result { Ok, NotCreated, NotWritten };

    explicit CAtomicFile(std::filesystem::path target);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Decides how the target is written and makes the temporary file; false
    // (see Error) when the target cannot be written at all.
    bool Open();
    // Writes n bytes at `offset` of the new file; false (see Error) when the
    // data cannot be stored.
    bool WriteAt(int64_t offset, const uint8_t* p, size_t n);
    // Puts the new file in the target's place. NotWritten: the data could
    // not be made durable, or the in-place write failed; NotCreated: the
    // target's place could not be taken. Error says why.
    Result Commit();

    // Why the last step failed, for example "Permission denied".
    const std::string& Error() const { return m_strError; }
    // True when the target is written in place (see above).
    bool InPlace() const { return m_bInPlace; }

private:
    bool Fail(int error);
    bool MakeTemporary(const std::filesystem::path& folder);
    bool LinkUnnamed(const std::filesystem::path& folder);
    Result WriteInPlace();

    std::filesystem::path m_Target;
    std::string m_strTemp;
    std::string m_strError;
    int m_iFd = -1;
    bool m_bUnnamed = false;
    bool m_bInPlace = false;
    bool m_bReplacing = false;
    bool m_bCommitted = false;
    struct stat m_Old {};
    std::vector<uint8_t> m_Memory;
};

// Writes all n bytes at offset; false on any error (errno tells which).
bool WriteAll(int fd, const uint8_t* p, size_t n, off_t offset);

// Writes `bytes` as the whole file at `path` through a CAtomicFile. False
// with the reason (for example "Permission denied") in `error`.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error);
