#include "DC6File.h"

#include "AtomicFile.h"
#include "RegularFile.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <utility>

static_assert(std::endian::native == std::endian::little,
              "DC6 headers are read and written as their in-memory bytes");

namespace {

constexpr int64_t kFileHeaderSize = sizeof(DC6FileHeader);
constexpr int64_t kFrameHeaderSize = sizeof(DC6FrameHeader);
constexpr int64_t kTerminatorSize = 3;
// The reader takes this many bytes beyond a frame's encoded data.
constexpr int64_t kReadSlack = 10;
constexpr uint8_t kTerminator[kTerminatorSize] = {0xCD, 0xCD, 0xCD};

// Files up to this size are read into memory at once.
constexpr int64_t kWholeFileLimit = int64_t{16} << 20;

const char kOpenError[] = "Error: File Could Not Be Opened ";
const char kCreateError[] = "Error: File Could Not Be Created";
const char kWriteError[] = "Error: File Could Not Be Written";

class CFd {
public:
    explicit CFd(int fd) : m_iFd(fd) {}
    ~CFd()
    {
        if (m_iFd >= 0)
            ::close(m_iFd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_iFd; }

private:
    int m_iFd;
};

// Collects bytes and writes them to a file in large blocks.
class CFileWriter {
public:
    explicit CFileWriter(CAtomicFile& file) : m_File(file) { m_Buffer.reserve(kBlock); }
    int64_t Position() const { return m_iWritten + static_cast<int64_t>(m_Buffer.size()); }
    bool Put(const void* p, size_t n)
    {
        const auto* bytes = static_cast<const uint8_t*>(p);
        if (m_Buffer.size() + n > kBlock && !Flush())
            return false;
        if (n >= kBlock) {
            if (!m_File.WriteAt(m_iWritten, bytes, n))
                return false;
            m_iWritten += static_cast<int64_t>(n);
            return true;
        }
        m_Buffer.insert(m_Buffer.end(), bytes, bytes + n);
        return true;
    }
    bool Flush()
    {
        if (!m_File.WriteAt(m_iWritten, m_Buffer.data(), m_Buffer.size()))
            return false;
        m_iWritten += static_cast<int64_t>(m_Buffer.size());
        m_Buffer.clear();
        return true;
    }

private:
    static constexpr size_t kBlock = size_t{1} << 20;
    CAtomicFile& m_File;
    int64_t m_iWritten = 0;
    std::vector<uint8_t> m_Buffer;
};

} // namespace

// Random access to the bytes of a DC6 file, wherever they are.
class CDC6ByteSource {
public:
    virtual ~CDC6ByteSource() = default;
    virtual int64_t Size() const = 0;
    // Reads up to n bytes at offset into dst and returns how many there were.
    virtual size_t ReadAt(int64_t offset, uint8_t* dst, size_t n) = 0;
};

namespace {

class CMemorySource final : public CDC6ByteSource {
public:
    explicit CMemorySource(std::span<const uint8_t> data) : m_Data(data) {}
    int64_t Size() const override { return static_cast<int64_t>(m_Data.size()); }
    size_t ReadAt(int64_t offset, uint8_t* dst, size_t n) override
    {
        if (offset < 0 || offset >= Size())
            return 0;
        n = std::min(n, static_cast<size_t>(Size() - offset));
        std::memcpy(dst, m_Data.data() + offset, n);
        return n;
    }

private:
    std::span<const uint8_t> m_Data;
};

class CFileSource final : public CDC6ByteSource {
public:
    CFileSource(int fd, int64_t size) : m_iFd(fd), m_iSize(size) {}
    int64_t Size() const override { return m_iSize; }
    size_t ReadAt(int64_t offset, uint8_t* dst, size_t n) override
    {
        size_t got = 0;
        while (got < n && offset + static_cast<int64_t>(got) < m_iSize) {
            const ssize_t r = ::pread(m_iFd, dst + got, n - got, offset + static_cast<off_t>(got));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            got += static_cast<size_t>(r);
        }
        return got;
    }

private:
    int m_iFd;
    int64_t m_iSize;
};

// The header fields that tell a DC6 file, one line for each that holds
// something else; empty when all three are right.
std::string HeaderFaults(const DC6FileHeader& header)
{
    std::string faults;
    const auto check = [&faults](const char* field, const char* bytes, int32_t held,
                                 int32_t wanted) {
        if (held != wanted)
            faults += std::string("\nThe header's ") + field + " field (bytes " + bytes +
                      ") holds " + std::to_string(held) + "; a DC6 file holds " +
                      std::to_string(wanted) + " there";
    };
    check("version", "0 to 3", header.m_iVersion, 6);
    check("flags", "4 to 7", header.m_iFlags, 1);
    check("encoding", "8 to 11", header.m_iEncoding, 0);
    return faults;
}

// Reads a record, the bytes that the source lacks reading as 0.
template <typename T> void ReadRecord(CDC6ByteSource& source, int64_t offset, T& out)
{
    out = T{};
    source.ReadAt(offset, reinterpret_cast<uint8_t*>(&out), sizeof(T));
}

// The encoded data of the frame block at `offset`, its terminator and a few
// bytes more, into scratch; where the file ends early the missing bytes count
// as 0, and one 0 stands for all of them. Returns the bytes the file had.
int64_t ReadEncodedData(CDC6ByteSource& source, uint32_t offset, int32_t length,
                        std::vector<uint8_t>& scratch)
{
    const int64_t wanted = int64_t{length} + kReadSlack;
    const int64_t dataStart = int64_t{offset} + kFrameHeaderSize;
    const int64_t present = std::clamp<int64_t>(source.Size() - dataStart, 0, wanted);
    // Room for the 0 as well, so that adding it never doubles the buffer.
    scratch.reserve(static_cast<size_t>(present) + 1);
    scratch.resize(static_cast<size_t>(present));
    source.ReadAt(dataStart, scratch.data(), scratch.size());
    if (present < wanted)
        scratch.push_back(0);
    return present;
}

std::string FrameIndexText(int64_t i)
{
    return "[" + std::to_string(i) + "]";
}

std::string LengthErrorText(int64_t i)
{
    return "Error: (pDC6Frame->m_pDC6FrameHeader->m_iLength <= 0 " + FrameIndexText(i);
}

// Opens a regular file for reading and hands it to use(source, size) as a
// byte source; nothing when it is no regular file or cannot be opened.
template <typename Use>
std::optional<bool> WithFileSource(const std::filesystem::path& path, Use&& use)
{
    int64_t size = 0;
    std::string error;
    CFd fd(OpenRegularFile(path, size, error));
    if (fd.Get() < 0)
        return std::nullopt;
    CFileSource file(fd.Get(), size);
    return use(file, size);
}

} // namespace

CDC6File::CDC6File() = default;

CDC6File::~CDC6File()
{
    FreeDC6();
}

int CDC6File::FreeDC6()
{
    m_DC6FileHeader.reset();
    m_Frames.clear();
    m_Frames.shrink_to_fit();
    m_strDir.clear();
    m_strFName.clear();
    m_strExt.clear();
    return 0;
}

bool CDC6File::NewDC6(int iDirections, int iFramesPerDirection)
{
    const int64_t count = std::max<int64_t>(int64_t{iDirections} * iFramesPerDirection, 1);
    // Blank frames reach the frame limit long before the pixel limit.
    std::string error;
    if (!CheckSpriteSize(count, 0, error)) {
        SetError("Error: " + error);
        return false;
    }
    FreeDC6();
    DC6FileHeader header{};
    header.m_iVersion = 6;
    header.m_iFlags = 1;
    header.m_iEncoding = 0;
    std::fill(std::begin(header.m_cTermination), std::end(header.m_cTermination), 0xCD);
    header.m_iDirections = iDirections;
    header.m_iFramesPerDirection = iFramesPerDirection;
    m_DC6FileHeader = header;
    m_Frames.assign(static_cast<size_t>(count), CreateFrame());
    return true;
}

bool CDC6File::CheckSpriteSize(int64_t frames, int64_t pixels, std::string& error)
{
    if (frames > kMaxFrames) {
        error = "A sprite of " + std::to_string(frames) + " frames is more than the limit of " +
                std::to_string(kMaxFrames);
        return false;
    }
    if (pixels > kMaxSpritePixels) {
        error = "A sprite whose frames hold " + std::to_string(pixels) +
                " pixels in all is more than the limit of " + std::to_string(kMaxSpritePixels);
        return false;
    }
    return true;
}

int64_t CDC6File::GetPixelTotal() const
{
    int64_t total = 0;
    for (const DC6Frame& frame : m_Frames)
        total += static_cast<int64_t>(frame.m_ImageData.size());
    return total;
}

void CDC6File::SetFileName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    m_strDir = path.substr(0, nameStart);
    const std::string name = path.substr(nameStart);
    const size_t dot = name.find_last_of('.');
    m_strFName = name.substr(0, dot);
    m_strExt = dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string CDC6File::GetFileNamePart(bool bWithExt, bool bExtOnly) const
{
    if (!bWithExt)
        return m_strFName;
    return bExtOnly ? m_strExt : m_strFName + m_strExt;
}

bool CDC6File::LoadDC6(const std::filesystem::path& path)
{
    FreeDC6();
    SetFileName(path.string());
    const auto loaded = WithFileSource(path, [this](CFileSource& file, int64_t size) {
        // Nothing past the size at opening is read, however the file grows.
        // A small file is read whole, which spares a system call per header
        // and per frame; a large one is read a frame at a time, so that its
        // bytes and its pixels are never in memory together.
        if (size <= kWholeFileLimit) {
            std::vector<uint8_t> bytes(static_cast<size_t>(size));
            bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
            CMemorySource memory(bytes);
            return LoadFrom(memory);
        }
        return LoadFrom(file);
    });
    if (!loaded)
        SetError(kOpenError);
    return loaded.value_or(false);
}

bool CDC6File::LoadDC6(std::span<const uint8_t> data)
{
    FreeDC6();
    CMemorySource source(data);
    return LoadFrom(source);
}

bool CDC6File::LoadDC6Repaired(const std::filesystem::path& path, std::string& repaired)
{
    repaired.clear();
    m_bAnyFlags = true;
    const bool loaded = LoadDC6(path);
    m_bAnyFlags = false;
    if (!loaded)
        return false;
    if (m_DC6FileHeader->m_iFlags != 1) {
        repaired = "the header's flags field (bytes 4 to 7) held " +
                   std::to_string(m_DC6FileHeader->m_iFlags) + "; it now holds 1";
        m_DC6FileHeader->m_iFlags = 1;
    }
    return true;
}

bool CDC6File::ReadDC6Frame(const std::filesystem::path& path, int64_t i, int64_t maxPixels,
                            int64_t maxEncodedBytes, DC6FileHeader& header, DC6Frame& frame)
{
    const auto read = WithFileSource(path, [&](CFileSource& file, int64_t) {
        return ReadFrameFrom(file, i, maxPixels, maxEncodedBytes, header, frame);
    });
    if (!read)
        SetError(kOpenError);
    return read.value_or(false);
}

bool CDC6File::ReadDC6Frame(std::span<const uint8_t> data, int64_t i, int64_t maxPixels,
                            int64_t maxEncodedBytes, DC6FileHeader& header, DC6Frame& frame)
{
    CMemorySource source(data);
    return ReadFrameFrom(source, i, maxPixels, maxEncodedBytes, header, frame);
}

bool CDC6File::ReadDC6Header(std::span<const uint8_t> data, DC6FileHeader& header)
{
    CMemorySource source(data);
    return ReadHeaderFrom(source, header);
}

bool CDC6File::ReadHeaderFrom(CDC6ByteSource& source, DC6FileHeader& header)
{
    ReadRecord(source, 0, header);
    if (header.m_iVersion != 6 || header.m_iEncoding != 0 ||
        (header.m_iFlags != 1 && !m_bAnyFlags)) {
        SetError("Error: Fileformat not DC6" + HeaderFaults(header));
        return false;
    }
    if (header.m_iDirections <= 0) {
        SetError("Error: m_iDirections <= 0");
        return false;
    }
    if (header.m_iFramesPerDirection <= 0) {
        SetError("Error: m_iFramesPerDirection <= 0");
        return false;
    }
    return true;
}

bool CDC6File::ReadFrameHeaderFrom(CDC6ByteSource& source, uint32_t offset, int64_t i,
                                   DC6FrameHeader& fh)
{
    ReadRecord(source, offset, fh);
    if (fh.m_iLength <= 0) {
        SetError(LengthErrorText(i));
        return false;
    }
    return true;
}

bool CDC6File::ReadFrameFrom(CDC6ByteSource& source, int64_t i, int64_t maxPixels,
                             int64_t maxEncodedBytes, DC6FileHeader& header, DC6Frame& frame)
{
    frame = DC6Frame{};
    if (!ReadHeaderFrom(source, header))
        return false;
    const int64_t count = int64_t{header.m_iDirections} * header.m_iFramesPerDirection;
    if (i < 0 || i >= count) {
        SetError("Error: The sprite has no frame " + FrameIndexText(i));
        return false;
    }
    // As in a whole load, a table entry that the file does not hold stops
    // the reading as a zero frame header would.
    const int64_t entry = kFileHeaderSize + 4 * i;
    if (entry >= source.Size()) {
        SetError(LengthErrorText(i));
        return false;
    }
    uint32_t offset = 0;
    ReadRecord(source, entry, offset);
    DC6FrameHeader& fh = frame.m_DC6FrameHeader;
    if (!ReadFrameHeaderFrom(source, offset, i, fh))
        return false;
    const int64_t pixels = int64_t{fh.m_iWidth} * fh.m_iHeight;
    if (fh.m_iWidth > 0 && fh.m_iHeight > 0 && pixels > maxPixels) {
        SetError("Error: a frame of " + std::to_string(fh.m_iWidth) + " x " +
                 std::to_string(fh.m_iHeight) + " pixels is larger than the limit of " +
                 std::to_string(maxPixels) + " pixels " + FrameIndexText(i));
        return false;
    }
    if (fh.m_iLength > maxEncodedBytes) {
        SetError("Error: a frame of " + std::to_string(fh.m_iLength) +
                 " encoded bytes is longer than the limit of " + std::to_string(maxEncodedBytes) +
                 " bytes " + FrameIndexText(i));
        return false;
    }
    std::vector<uint8_t> scratch;
    ReadEncodedData(source, offset, fh.m_iLength, scratch);
    return DecodeDC6ImageData(&frame, scratch);
}

bool CDC6File::LoadFrom(CDC6ByteSource& source)
{
    DC6FileHeader header;
    const bool valid = ReadHeaderFrom(source, header);
    m_DC6FileHeader = header;
    if (!valid)
        return false;

    // Only the table entries that the file holds are read; the first entry
    // past its end stops the load as a zero frame header would.
    const int64_t size = source.Size();
    const int64_t count = int64_t{header.m_iDirections} * header.m_iFramesPerDirection;
    const int64_t bytesAfterHeader = std::max<int64_t>(size - kFileHeaderSize, 0);
    const int64_t entriesInFile = std::min(count, (bytesAfterHeader + 3) / 4);
    const int64_t tableBytes = std::min(bytesAfterHeader, 4 * entriesInFile);
    std::vector<uint32_t> table(static_cast<size_t>(entriesInFile), 0);
    source.ReadAt(kFileHeaderSize, reinterpret_cast<uint8_t*>(table.data()),
                  static_cast<size_t>(tableBytes));
    m_Frames.reserve(static_cast<size_t>(std::min(count, entriesInFile + 1)));

    // Frames that share a block are decoded once. Blocks that overlap each
    // other could make the work grow with the square of the file size, so
    // the encoded bytes read in all are limited to a multiple of it.
    std::unordered_map<uint32_t, size_t> decodedAt;
    const int64_t readBudget = 4 * size + (int64_t{64} << 20);
    int64_t bytesRead = 0;
    int64_t pixelTotal = 0;
    std::vector<uint8_t> scratch;
    for (int64_t i = 0; i < count; ++i) {
        DC6Frame& frame = m_Frames.emplace_back();
        const std::string index = FrameIndexText(i);
        if (i >= entriesInFile) {
            SetError(LengthErrorText(i));
            return false;
        }
        // A file fails at its first frame past the limit, so that a short
        // file of a huge count still fails where its table ends.
        if (std::string error; i == kMaxFrames && !CheckSpriteSize(count, 0, error)) {
            SetError("Error: " + error);
            return false;
        }
        const uint32_t offset = table[static_cast<size_t>(i)];
        const auto seen = decodedAt.find(offset);
        if (seen != decodedAt.end()) {
            const DC6Frame& same = m_Frames[seen->second];
            pixelTotal += static_cast<int64_t>(same.m_ImageData.size());
            if (pixelTotal > kMaxSpritePixels) {
                SetError("Error: the frames hold more than " + std::to_string(kMaxSpritePixels) +
                         " pixels " + index);
                return false;
            }
            frame = same;
            continue;
        }

        DC6FrameHeader& fh = frame.m_DC6FrameHeader;
        if (!ReadFrameHeaderFrom(source, offset, i, fh))
            return false;
        const int64_t pixels = int64_t{fh.m_iWidth} * fh.m_iHeight;
        if (fh.m_iWidth > 0 && fh.m_iHeight > 0 && pixels <= kMaxFramePixels) {
            pixelTotal += pixels;
            if (pixelTotal > kMaxSpritePixels) {
                SetError("Error: the frames hold more than " + std::to_string(kMaxSpritePixels) +
                         " pixels " + index);
                return false;
            }
        }

        bytesRead += ReadEncodedData(source, offset, fh.m_iLength, scratch);
        if (bytesRead > readBudget) {
            SetError("Error: the frame blocks overlap too much to be read " + index);
            return false;
        }
        if (!DecodeDC6ImageData(&frame, scratch))
            return false;
        decodedAt.emplace(offset, static_cast<size_t>(i));
    }
    return true;
}

bool CDC6File::SaveDC6(const std::filesystem::path& path)
{
    const std::string dir = m_strDir;
    const std::string name = m_strFName;
    const std::string ext = m_strExt;
    SetFileName(path.string());
    if (SaveDC6())
        return true;
    // A later Save writes where the document came from, not here.
    m_strDir = dir;
    m_strFName = name;
    m_strExt = ext;
    return false;
}

bool CDC6File::SaveDC6()
{
    const std::filesystem::path target = m_strDir + m_strFName + m_strExt;
    if (target.empty() || !target.has_filename()) {
        SetError(kCreateError);
        return false;
    }
    if (!m_DC6FileHeader) {
        SetError("Error: There is no sprite to save");
        return false;
    }
    const int64_t count =
        int64_t{m_DC6FileHeader->m_iDirections} * m_DC6FileHeader->m_iFramesPerDirection;
    if (m_DC6FileHeader->m_iDirections <= 0 || m_DC6FileHeader->m_iFramesPerDirection <= 0 ||
        count != static_cast<int64_t>(m_Frames.size())) {
        SetError("Error: The frames do not match the directions and frames per direction");
        return false;
    }

    std::string error;
    if (!CheckSpriteSize(count, GetPixelTotal(), error)) {
        SetError("Error: " + error);
        return false;
    }

    // Never over the target itself while it is written, but where that
    // cannot be (see CAtomicFile).
    CAtomicFile file(target);
    if (!file.Open()) {
        SetError(std::string(kCreateError) + " (" + file.Error() + ")");
        return false;
    }
    if (!WriteTo(file))
        return false;
    switch (file.Commit()) {
    case CAtomicFile::Result::Ok:
        return true;
    case CAtomicFile::Result::NotWritten:
        SetError(std::string(kWriteError) + " (" + file.Error() + ")");
        return false;
    case CAtomicFile::Result::NotCreated:
        break;
    }
    SetError(std::string(kCreateError) + " (" + file.Error() + ")");
    return false;
}

bool CDC6File::WriteTo(CAtomicFile& file)
{
    DC6FileHeader& header = *m_DC6FileHeader;
    header.m_iVersion = 6;
    header.m_iFlags = 1;
    header.m_iEncoding = 0;

    const size_t count = m_Frames.size();
    std::vector<uint32_t> table(count, 0);
    CFileWriter out(file);
    if (!out.Put(&header, sizeof header) ||
        !out.Put(table.data(), table.size() * sizeof(uint32_t))) {
        SetError(std::string(kWriteError) + " (" + file.Error() + ")");
        return false;
    }

    std::vector<uint8_t> encoded;
    for (size_t i = 0; i < count; ++i) {
        DC6Frame& frame = m_Frames[i];
        const int n = EncodeDC6ImageData(frame, encoded);
        if (n == 0) {
            SetError("Error: Image Could not be encoded");
            return false;
        }
        const int64_t pos = out.Position();
        const int64_t next = pos + kFrameHeaderSize + n + kTerminatorSize;
        if (next > INT32_MAX) {
            SetError("Error: The sprite is too large for a DC6 file");
            return false;
        }
        frame.m_DC6FrameHeader.m_iNextBlock = static_cast<int32_t>(next);
        table[i] = static_cast<uint32_t>(pos);
        if (!out.Put(&frame.m_DC6FrameHeader, sizeof(DC6FrameHeader)) ||
            !out.Put(encoded.data(), static_cast<size_t>(n)) ||
            !out.Put(kTerminator, sizeof kTerminator)) {
            SetError(std::string(kWriteError) + " (" + file.Error() + ")");
            return false;
        }
    }
    if (!out.Flush() ||
        !file.WriteAt(kFileHeaderSize, reinterpret_cast<const uint8_t*>(table.data()),
                      table.size() * sizeof(uint32_t))) {
        SetError(std::string(kWriteError) + " (" + file.Error() + ")");
        return false;
    }
    return true;
}

DC6Frame* CDC6File::FrameByN(int i)
{
    return const_cast<DC6Frame*>(std::as_const(*this).FrameByN(i));
}

const DC6Frame* CDC6File::FrameByN(int i) const
{
    if (!m_DC6FileHeader || i < 0)
        return nullptr;
    const int64_t n =
        int64_t{m_DC6FileHeader->m_iDirections} * m_DC6FileHeader->m_iFramesPerDirection;
    if (i >= n)
        return nullptr;
    return FrameByL(i);
}

DC6Frame* CDC6File::FrameByL(int i)
{
    return const_cast<DC6Frame*>(std::as_const(*this).FrameByL(i));
}

const DC6Frame* CDC6File::FrameByL(int i) const
{
    if (i < 0 || static_cast<size_t>(i) >= m_Frames.size())
        return nullptr;
    return &m_Frames[static_cast<size_t>(i)];
}

bool CDC6File::GetDC6FileHeader(DC6FileHeader& out) const
{
    if (!m_DC6FileHeader)
        return false;
    out = *m_DC6FileHeader;
    return true;
}

void CDC6File::SetDC6FileHeader(const DC6FileHeader& in)
{
    if (m_DC6FileHeader)
        *m_DC6FileHeader = in;
}

bool CDC6File::GetDC6Frame(int i, DC6Frame& out) const
{
    const DC6Frame* frame = FrameByN(i);
    if (frame == nullptr)
        return false;
    out = *frame;
    return true;
}

bool CDC6File::SwapDC6Frame(int i, DC6Frame& frame)
{
    DC6Frame* own = FrameByN(i);
    if (own == nullptr)
        return false;
    std::swap(*own, frame);
    return true;
}

bool CDC6File::GetDC6FrameHeader(int i, DC6FrameHeader& out) const
{
    const DC6Frame* frame = FrameByN(i);
    if (frame == nullptr)
        return false;
    out = frame->m_DC6FrameHeader;
    return true;
}

int CDC6File::GetFramePixelCount(int i) const
{
    // The buffer holds width x height bytes in every decoded frame.
    const DC6Frame* frame = FrameByN(i);
    return frame == nullptr ? 0 : static_cast<int>(frame->m_ImageData.size());
}

std::span<const uint8_t> CDC6File::GetFramePixels(int i) const
{
    const DC6Frame* frame = FrameByN(i);
    if (frame == nullptr)
        return {};
    return frame->m_ImageData;
}

DC6PixelView CDC6File::EditFramePixels(int i)
{
    DC6Frame* frame = FrameByN(i);
    if (frame == nullptr)
        return {};
    const DC6FrameHeader& fh = frame->m_DC6FrameHeader;
    if (fh.m_iWidth <= 0 || fh.m_iHeight <= 0 ||
        frame->m_ImageData.size() !=
            static_cast<size_t>(fh.m_iWidth) * static_cast<size_t>(fh.m_iHeight))
        return {};
    return {frame->m_ImageData, fh.m_iWidth, fh.m_iHeight};
}

void CDC6File::DeleteFrame(int i)
{
    if (FrameByN(i) != nullptr)
        m_Frames.erase(m_Frames.begin() + i);
}

bool CDC6File::DeleteFrames(std::span<const int> indices)
{
    if (indices.empty())
        return true;
    if (FrameByN(indices.front()) == nullptr || indices.back() < 0 ||
        std::adjacent_find(indices.begin(), indices.end(), std::less_equal<int>()) != indices.end())
        return false;
    // Decreasing indices all name frames of the list as it was.
    std::vector<bool> doomed(m_Frames.size(), false);
    for (int i : indices)
        doomed[static_cast<size_t>(i)] = true;
    size_t kept = 0;
    for (size_t i = 0; i < m_Frames.size(); ++i) {
        if (doomed[i])
            continue;
        if (kept != i)
            m_Frames[kept] = std::move(m_Frames[i]);
        ++kept;
    }
    m_Frames.resize(kept);
    return true;
}

bool CDC6File::InsertFrames(std::span<const int> indices)
{
    if (indices.empty())
        return true;
    if (indices.front() > static_cast<int>(m_Frames.size()) || indices.back() < 0 ||
        std::adjacent_find(indices.begin(), indices.end(), std::less<int>()) != indices.end())
        return false;
    // Made in non-increasing order, each insert lands in front of the frame
    // that the index names in the list as it was (or at its end).
    std::vector<DC6Frame> frames;
    frames.reserve(m_Frames.size() + indices.size());
    auto next = indices.rbegin();
    for (size_t i = 0; i <= m_Frames.size(); ++i) {
        for (; next != indices.rend() && *next == static_cast<int>(i); ++next)
            frames.push_back(CreateFrame());
        if (i < m_Frames.size())
            frames.push_back(std::move(m_Frames[i]));
    }
    m_Frames = std::move(frames);
    return true;
}

DC6Frame CDC6File::CreateFrame()
{
    DC6Frame frame;
    frame.m_DC6FrameHeader.m_iWidth = kBlankFrameSide;
    frame.m_DC6FrameHeader.m_iHeight = kBlankFrameSide;
    frame.m_ImageData.assign(kBlankFramePixels, 0);
    return frame;
}

DC6Frame* CDC6File::InsertFrame(int i)
{
    if (i < 0 || static_cast<size_t>(i) > m_Frames.size())
        return nullptr;
    return &*m_Frames.insert(m_Frames.begin() + i, CreateFrame());
}

bool CDC6File::ResizeFrame(int i, int w, int h)
{
    DC6Frame* frame = FrameByL(i);
    return frame != nullptr && ResizeFramePixels(*frame, w, h);
}

bool CDC6File::ResizeFramePixels(DC6Frame& frame, int w, int h)
{
    if (w < 0 || h < 0 || int64_t{w} * h > kMaxFramePixels)
        return false;
    frame.m_ImageData.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    frame.m_DC6FrameHeader.m_iWidth = w;
    frame.m_DC6FrameHeader.m_iHeight = h;
    return true;
}

void CDC6File::FreeFramePixels(DC6Frame& frame)
{
    frame.m_ImageData.clear();
    frame.m_ImageData.shrink_to_fit();
}

void CDC6File::SetFramePixel(int i, int x, int y, uint8_t v)
{
    DC6Frame* frame = FrameByL(i);
    if (frame == nullptr)
        return;
    const DC6FrameHeader& fh = frame->m_DC6FrameHeader;
    if (x < 0 || y < 0 || x >= fh.m_iWidth || y >= fh.m_iHeight)
        return;
    const size_t at =
        static_cast<size_t>(y) * static_cast<size_t>(fh.m_iWidth) + static_cast<size_t>(x);
    if (at < frame->m_ImageData.size())
        frame->m_ImageData[at] = v;
}

void CDC6File::SetFrameRow(int i, int y, std::span<const uint8_t> row)
{
    DC6Frame* frame = FrameByL(i);
    if (frame == nullptr)
        return;
    const DC6FrameHeader& fh = frame->m_DC6FrameHeader;
    const size_t width = static_cast<size_t>(std::max(fh.m_iWidth, 0));
    const size_t at = static_cast<size_t>(y) * width;
    if (y < 0 || y >= fh.m_iHeight || at + width > frame->m_ImageData.size())
        return;
    std::copy_n(row.begin(), std::min(row.size(), width), frame->m_ImageData.begin() + at);
}

void CDC6File::SetFrameOffsetX(int i, int value)
{
    if (DC6Frame* frame = FrameByL(i))
        frame->m_DC6FrameHeader.m_iOffsetX = value;
}

void CDC6File::SetFrameOffsetY(int i, int value)
{
    if (DC6Frame* frame = FrameByL(i))
        frame->m_DC6FrameHeader.m_iOffsetY = value;
}

int CDC6File::GetFrameOffsetX(int i) const
{
    const DC6Frame* frame = FrameByL(i);
    return frame == nullptr ? 0 : frame->m_DC6FrameHeader.m_iOffsetX;
}

int CDC6File::GetFrameOffsetY(int i) const
{
    const DC6Frame* frame = FrameByL(i);
    return frame == nullptr ? 0 : frame->m_DC6FrameHeader.m_iOffsetY;
}
