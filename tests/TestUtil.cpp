#include "TestUtil.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
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

std::vector<std::string> Entries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) : m_pOldHandler(std::signal(SIGXFSZ, SIG_IGN))
{
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_iOldCurrent = limit.rlim_cur;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_iOldCurrent;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_pOldHandler);
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

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args)
{
    TempDir dir;
    const std::string outPath = (dir / "out").string();
    const std::string errPath = (dir / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program);
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    const Bytes out = ReadFile(outPath);
    const Bytes err = ReadFile(errPath);
    return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, std::string(out.begin(), out.end()),
            std::string(err.begin(), err.end())};
}

std::filesystem::path DataDir()
{
    return SPRITEWRIGHT_TEST_DATA;
}

std::vector<int> GifDelays(const std::filesystem::path& file)
{
    const Bytes bytes = ReadFile(file);
    std::vector<int> delays;
    for (size_t i = 0; i + 5 < bytes.size(); ++i)
        if (bytes[i] == 0x21 && bytes[i + 1] == 0xF9 && bytes[i + 2] == 4)
            delays.push_back(bytes[i + 4] | bytes[i + 5] << 8);
    return delays;
}

} // namespace testutil
