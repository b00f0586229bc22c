#include "TestUtil.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testutil {

TempDir::TempDir()
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "spritewright-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_Path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_Path, ec);
}

Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

ByteBuilder& ByteBuilder::I32(int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
        m_Bytes.push_back(static_cast<uint8_t>(u >> shift));
    return *this;
}

ByteBuilder& ByteBuilder::U8(std::initializer_list<uint8_t> bytes)
{
    m_Bytes.insert(m_Bytes.end(), bytes);
    return *this;
}

ByteBuilder& ByteBuilder::Append(const Bytes& bytes)
{
    m_Bytes.insert(m_Bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

void ByteBuilder::Patch32(size_t at, int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        m_Bytes.at(at + i) = static_cast<uint8_t>(u >> (8 * i));
}

std::filesystem::path DataDir()
{
    return SPRITEWRIGHT_TEST_DATA;
}

} // namespace testutil
