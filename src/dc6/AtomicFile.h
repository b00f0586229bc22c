#pragma once

// Writes a file so that the file it replaces is never damaged: the bytes go
// to a temporary file in the target's folder, which is flushed to disk and
// then takes the target's place only when Commit succeeds, with the
// target's permissions. A symbolic link
// is written through to the file it names. Without Commit, the temporary
// file is removed.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <sys/types.h>

class CAtomicFile {
public:
    enum class Result { Ok, NotCreated, NotWritten };

    explicit CAtomicFile(std::filesystem::path target);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Makes the temporary file; false when the folder does not take it.
    bool Open();
    int Fd() const { return m_iFd; }
    // Flushes the temporary file to disk and puts it in the target's place.
    // NotWritten: the data could not be made durable (see SystemErrorText);
    // NotCreated: the target's place could not be taken.
    Result Commit();

private:
    std::filesystem::path m_Target;
    std::string m_strTemp;
    int m_iFd = -1;
    bool m_bCommitted = false;
};

// Writes all n bytes at offset; false on any error (errno tells which).
bool WriteAll(int fd, const uint8_t* p, size_t n, off_t offset);

// "what (reason)" for the last system error.
std::string SystemErrorText(const char* what);

// Writes `bytes` as the whole file at `path` through a CAtomicFile. False
// with "cannot create <path>" or "cannot write <path> (<reason>)".
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error);
