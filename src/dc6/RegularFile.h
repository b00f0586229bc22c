#pragma once

// Reading files that a user names. Only regular files are read: a folder, a
// FIFO or a device is refused at once (opening never waits for a writer),
// and no more bytes are read than the file held when it was opened, however
// it grows meanwhile.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Opens `path` for reading; its size at opening goes to `size`. -1 with the
// reason in `error` when it cannot be opened or is no regular file.
int OpenRegularFile(const std::filesystem::path& path, int64_t& size, std::string& error);

// Reads the whole file into `bytes`. False with the reason in `error` when
// it cannot be read, is no regular file, or is larger than maxBytes.
bool ReadRegularFile(const std::filesystem::path& path, int64_t maxBytes,
                     std::vector<uint8_t>& bytes, std::string& error);
// Reads the first maxBytes bytes of the file (all of a shorter one).
bool ReadRegularFileStart(const std::filesystem::path& path, int64_t maxBytes,
                          std::vector<uint8_t>& bytes, std::string& error);
