#include "IniEx.h"

#include "AtomicFile.h"
#include "RegularFile.h"

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <vector>

class CIniEx::CDocument : public CSimpleIniA {
public:
    CDocument() : CSimpleIniA(/*a_bIsUtf8=*/true, /*a_bMultiKey=*/false, /*a_bMultiLine=*/false) {}
};

CIniEx::CIniEx() : m_pDocument(std::make_unique<CDocument>()) {}

CIniEx::~CIniEx() = default;

bool CIniEx::ReadFile(const std::filesystem::path& path)
{
    std::vector<uint8_t> bytes;
    if (!ReadRegularFile(path, kMaxFileBytes, bytes, m_strLastError))
        return false;
    return ReadString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool CIniEx::ReadString(std::string_view text)
{
    m_pDocument->Reset();
    m_bRefused = false;
    if (m_pDocument->LoadData(text.data(), text.size()) < 0) {
        m_strLastError = "the INI text cannot be read";
        return false;
    }
    return true;
}

bool CIniEx::GetKeyData(const std::string& section, const std::string& key, std::string& value)
{
    const char* found = m_pDocument->GetValue(section.c_str(), key.c_str(), nullptr);
    if (found == nullptr)
        return false;
    const std::string_view text(found);
    if (text.size() > kMaxValue) {
        m_strLastError = "The value of '" + key + "' in section [" + section + "] is longer than " +
                         std::to_string(kMaxValue) + " characters";
        m_bRefused = true;
        return false;
    }
    value = text;
    return true;
}

bool CIniEx::AddNewSection(const std::string& section, const std::string& comment)
{
    return m_pDocument->SetValue(section.c_str(), nullptr, nullptr,
                                 comment.empty() ? nullptr : comment.c_str()) >= 0;
}

bool CIniEx::AddNewKey(const std::string& section, const std::string& key, const std::string& value)
{
    if (m_pDocument->GetSectionSize(section.c_str()) < 0) {
        m_strLastError = "there is no section [" + section + "]";
        return false;
    }
    return m_pDocument->SetValue(section.c_str(), key.c_str(), value.c_str()) >= 0;
}

bool CIniEx::SaveFile(const std::filesystem::path& path)
{
    std::string text;
    if (m_pDocument->Save(text) < 0) {
        m_strLastError = "the INI text cannot be made";
        return false;
    }
    return WriteFileAtomically(
        path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
        m_strLastError);
}
