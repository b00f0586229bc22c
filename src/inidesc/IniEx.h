#pragma once

// INI documents: sections of keys and values, kept in the order they were
// read or added, with comments in front of sections, read from and written
// to text files.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

class CIniEx {
public:
    // Values and INI files longer than these are refused, not cut.
    static constexpr size_t kMaxValue = 127;
    static constexpr int64_t kMaxFileBytes = int64_t{64} << 20;

    CIniEx();
    ~CIniEx();
    CIniEx(const CIniEx&) = delete;
    CIniEx& operator=(const CIniEx&) = delete;

    // Reads a regular file of at most kMaxFileBytes.
    bool ReadFile(const std::filesystem::path& path);
    bool ReadString(std::string_view text);
    // The value of `key` in `section`. False when either is missing, or when
    // the value is longer than kMaxValue: then Refused() is true until the
    // next read and GetLastError says which value it was.
    bool GetKeyData(const std::string& section, const std::string& key, std::string& value);
    bool Refused() const { return m_bRefused; }
    // A new section after all others, the comment (whole comment lines, each
    // starting with ';', and blank lines) in front of it.
    bool AddNewSection(const std::string& section, const std::string& comment);
    // Appends the key to the section, which must exist.
    bool AddNewKey(const std::string& section, const std::string& key, const std::string& value);
    // Writes the document; the file it replaces is never damaged. False with
    // the reason in GetLastError.
    bool SaveFile(const std::filesystem::path& path);

    const std::string& GetLastError() const { return m_strLastError; }

private:
    class CDocument;
    std::unique_ptr<CDocument> m_pDocument;
    std::string m_strLastError;
    bool m_bRefused = false;
};
