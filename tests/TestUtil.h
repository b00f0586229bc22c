#pragma once

// Helpers shared by the test programs: temporary folders, whole-file reads
// and writes, and a little-endian byte builder for crafting files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testutil {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_Path; }
    std::filesystem::path operator/(const std::string& name) const { return m_Path / name; }

private:
    std::filesystem::path m_Path;
};

Bytes ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
// The names in a folder, sorted.
std::vector<std::string> Entries(const std::filesystem::path& folder);

// Holds the process's file size limit at `bytes` until the object goes,
// with SIGXFSZ ignored so that writes past it fail (EFBIG): a stand-in for
// a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t m_iOldCurrent;
    void (*m_pOldHandler)(int);
};

// Appends little-endian values.
class ByteBuilder {
public:
    ByteBuilder& I32(int32_t v);
    ByteBuilder& U8(std::initializer_list<uint8_t> bytes);
    ByteBuilder& Append(const Bytes& bytes);
    void Patch32(size_t at, int32_t v);
    size_t Size() const { return m_Bytes.size(); }
    const Bytes& Get() const { return m_Bytes; }

private:
    Bytes m_Bytes;
};

struct ProgramResult {
    int status; // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};
// Runs a program with arguments (no shell involved) and collects its output.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// The delay of every picture of a GIF file, from its graphic control
// extensions, in hundredths of a second.
std::vector<int> GifDelays(const std::filesystem::path& file);

// The folder of the test data that ships with the sources.
std::filesystem::path DataDir();

} // namespace testutil
