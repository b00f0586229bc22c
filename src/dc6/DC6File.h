#pragma once

// The sprite document: one DC6 file header and a flat, direction-major list of
// frames (frame f of direction d has index d * F + f), each a 32-byte frame
// header and a buffer of width * height palette indices, row 0 at the bottom.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

class CAtomicFile;
class CDC6ByteSource;

// The 24-byte file header, field for field as it is stored (little-endian).
struct DC6FileHeader {
    int32_t m_iVersion;
    int32_t m_iFlags;
    int32_t m_iEncoding;
    uint8_t m_cTermination[4];
    int32_t m_iDirections;
    int32_t m_iFramesPerDirection;
};
static_assert(sizeof(DC6FileHeader) == 24);

// The 32-byte header in front of every frame's encoded pixels.
struct DC6FrameHeader {
    int32_t m_iFlip;
    int32_t m_iWidth;
    int32_t m_iHeight;
    int32_t m_iOffsetX;
    int32_t m_iOffsetY;
    int32_t m_iReserved;
    int32_t m_iNextBlock;
    int32_t m_iLength;
};
static_assert(sizeof(DC6FrameHeader) == 32);

// Frame pixels are a std::vector of bytes with an allocator of their own. It
// behaves as std::allocator, except that
// - a byte constructed from an UnwrittenPixel is left as the allocation found
//   it: the decoder sizes its buffers that way, since it writes every byte
//   itself;
// - every allocation is followed by kPixelSlack zero bytes, which the encoder
//   may read: it takes rows in whole blocks, up to the frame's end;
// - every allocation of kPixelAlignFrom bytes or more starts on a 64-byte
//   boundary, so that the encoder's 64-pixel blocks of a frame whose width
//   is a multiple of 64 never straddle two cache lines. (Smaller frames are
//   left as the heap places them: the rows are short, and the allocation is
//   most of the work.)
struct UnwrittenPixel {};
constexpr size_t kPixelSlack = 128;
constexpr size_t kPixelAlignment = 64;
constexpr size_t kPixelAlignFrom = 4096;
static_assert(alignof(std::max_align_t) >= sizeof(void*));

template <class T> class CPixelAllocator : public std::allocator<T> {
public:
    template <class U> struct rebind {
        using other = CPixelAllocator<U>;
    };
    CPixelAllocator() = default;
    template <class U> CPixelAllocator(const CPixelAllocator<U>&) noexcept {}

    template <class U, class... Args> void construct(U* p, Args&&... args)
    {
        std::construct_at(p, std::forward<Args>(args)...);
    }
    template <class U> void construct(U*, UnwrittenPixel) noexcept {}

    // What std::allocator would give here lacks the slack, and could not be
    // freed by deallocate.
    void allocate_at_least(size_t) = delete;

    T* allocate(size_t n)
    {
        const size_t bytes = n * sizeof(T);
        uint8_t* p;
        if (bytes < kPixelAlignFrom) {
            p = static_cast<uint8_t*>(::operator new(bytes + kPixelSlack));
        } else {
            // (Quicker than an aligned allocation.) The block is moved on to
            // the boundary, with its own address kept just before.
            auto* block =
                static_cast<uint8_t*>(::operator new(bytes + kPixelSlack + kPixelAlignment));
            p = block + kPixelAlignment - reinterpret_cast<uintptr_t>(block) % kPixelAlignment;
            std::memcpy(p - sizeof block, &block, sizeof block);
        }
        std::fill_n(p + bytes, kPixelSlack, uint8_t{0});
        return reinterpret_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) noexcept
    {
        auto* block = reinterpret_cast<uint8_t*>(p);
        if (n * sizeof(T) >= kPixelAlignFrom)
            std::memcpy(&block, block - sizeof block, sizeof block);
        ::operator delete(block);
    }
};

using DC6Pixels = std::vector<uint8_t, CPixelAllocator<uint8_t>>;

inline bool operator==(const DC6Pixels& a, const std::vector<uint8_t>& b)
{
    return std::ranges::equal(a, b);
}

// One frame. In the document the pixel buffer holds exactly
// m_iWidth * m_iHeight bytes, except in a frame that a failed load left
// undecoded (empty buffer).
struct DC6Frame {
    DC6FrameHeader m_DC6FrameHeader{};
    DC6Pixels m_ImageData;
};

// A frame's pixels opened for changing in place: width x height palette
// indices, row 0 at the bottom. Empty (no pixels, size 0 x 0) when there is
// no such frame.
struct DC6PixelView {
    std::span<uint8_t> m_Pixels;
    int m_iWidth = 0;
    int m_iHeight = 0;
};

class CDC6File {
public:
    // Limits on what a file may make us allocate. No real sprite comes near
    // them: game frames are at most a few hundred pixels on a side.
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr int64_t kMaxFramePixels = int64_t{1} << 28;  // e.g. 16384 x 16384
    static constexpr int64_t kMaxSpritePixels = int64_t{1} << 30; // all frames together
#else
    // The same checks with smaller numbers, so that fuzzing runs fast.
    static constexpr int64_t kMaxFramePixels = int64_t{1} << 20;
    static constexpr int64_t kMaxSpritePixels = int64_t{1} << 22;
#endif
    static constexpr int64_t kMaxFrames = int64_t{1} << 20; // directions x frames
    // A blank frame: 10 x 10 pixels, all 0.
    static constexpr int kBlankFrameSide = 10;
    static constexpr int64_t kBlankFramePixels = kBlankFrameSide * kBlankFrameSide;

    // Whether a sprite of `frames` frames whose frames hold `pixels` pixels
    // in all lies within the limits that LoadDC6 and SaveDC6 accept; false
    // with the reason in `error`. Every change that makes a sprite larger
    // asks this first.
    static bool CheckSpriteSize(int64_t frames, int64_t pixels, std::string& error);
    // The pixels of all frames of the list together.
    int64_t GetPixelTotal() const;

    CDC6File();
    virtual ~CDC6File();
    CDC6File(const CDC6File&) = delete;
    CDC6File& operator=(const CDC6File&) = delete;

    // Empties the document (header and frames) and the stored file name.
    int FreeDC6();
    // Replaces the document with D x F blank frames (one if D x F < 2) and an
    // untitled name. Fails only when D x F exceeds kMaxFrames.
    bool NewDC6(int iDirections, int iFramesPerDirection);

    // Reads a DC6 file into the document. The stored name becomes `path` even
    // when reading fails. On failure the document is fit only for another
    // load, NewDC6 or FreeDC6.
    bool LoadDC6(const std::filesystem::path& path);
    // The same from bytes in memory; the stored name is emptied.
    bool LoadDC6(std::span<const uint8_t> data);
    // Reads a file that differs from the format only in its header's flags
    // field, as some other writers leave it, the way LoadDC6 reads a
    // conforming one, and sets the field right in the document. `repaired`
    // says what was set right, empty for a conforming file. Any other fault
    // fails with LoadDC6's message.
    bool LoadDC6Repaired(const std::filesystem::path& path, std::string& repaired);

    // One frame of a DC6 file without the others, for a preview of a file
    // that may be large or hostile: checks the file header as LoadDC6 does
    // and decodes frame i (flat index) alone. A frame of more than maxPixels
    // pixels, or with more than maxEncodedBytes bytes of encoded data, is
    // refused before anything is allocated for it. The document is not
    // changed; on failure GetLastErrorText says why.
    bool ReadDC6Frame(const std::filesystem::path& path, int64_t i, int64_t maxPixels,
                      int64_t maxEncodedBytes, DC6FileHeader& header, DC6Frame& frame);
    bool ReadDC6Frame(std::span<const uint8_t> data, int64_t i, int64_t maxPixels,
                      int64_t maxEncodedBytes, DC6FileHeader& header, DC6Frame& frame);
    // The file header alone, checked as LoadDC6 checks it.
    bool ReadDC6Header(std::span<const uint8_t> data, DC6FileHeader& header);
    // Writes the document to `path`, which becomes the stored name once it
    // is written (a failed write keeps the name it had). A sprite
    // beyond the limits that LoadDC6 accepts is not written. How the file
    // is written: see CAtomicFile.
    bool SaveDC6(const std::filesystem::path& path);
    // Writes the document to the stored name.
    bool SaveDC6();

    const std::string& GetLastErrorText() const
    {
        return m_strLastError;
    }
    // bWithExt false: the file name only; bWithExt and not bExtOnly: name and
    // extension; bWithExt and bExtOnly: the extension with its dot.
    std::string GetFileNamePart(bool bWithExt, bool bExtOnly) const;

    // Decodes `data` into a new pixel buffer of pFrame's width x height.
    // Never reads past the end of `data`.
    bool DecodeDC6ImageData(DC6Frame* pFrame, std::span<const uint8_t> data);
    // Encodes frame's pixels into `out` (grown to fit when needed), sets
    // m_iFlip 0 and m_iLength, and returns the number of bytes; 0 for a frame
    // with no rows or whose buffer does not match its size.
    static int EncodeDC6ImageData(DC6Frame& frame, std::vector<uint8_t>& out);

    // Index rules: N is directions x frames per direction of the header, L the
    // length of the frame list. Operations documented "by N" accept 0 to N - 1,
    // the others 0 to L - 1 (InsertFrame 0 to L); any other index does nothing
    // or returns 0.
    bool GetDC6FileHeader(DC6FileHeader& out) const;
    void SetDC6FileHeader(const DC6FileHeader& in);
    bool GetDC6Frame(int i, DC6Frame& out) const; // by N
    // Exchanges frame i (by N) with `frame`, header and pixels; false (and
    // nothing exchanged) for an index that names no frame.
    bool SwapDC6Frame(int i, DC6Frame& frame);
    bool GetDC6FrameHeader(int i, DC6FrameHeader& out) const; // by N
    int GetFramePixelCount(int i) const;                      // by N
    void DeleteFrame(int i);                                  // by N
    int GetFrameListLength() const
    {
        return static_cast<int>(m_Frames.size());
    }
    // Frame i's pixels (by N) where the document holds them, valid until
    // the document next changes; empty for an index that names no frame.
    std::span<const uint8_t> GetFramePixels(int i) const;
    // The same pixels to be changed in place (by N), valid as long; the
    // frame's size cannot change through it.
    DC6PixelView EditFramePixels(int i);

    // Many DeleteFrame or InsertFrame calls in one pass over the list. The
    // indices are those the single calls would be given, in the order they
    // would be made: strictly decreasing for deletes, not increasing for
    // inserts. When the single calls would refuse any of them, nothing is
    // changed and the result is false.
    bool DeleteFrames(std::span<const int> indices);
    bool InsertFrames(std::span<const int> indices);

    static DC6Frame CreateFrame();
    // Links a blank frame in as frame i and returns it; the pointer is valid
    // until the next change of the frame list.
    DC6Frame* InsertFrame(int i);
    // New all-zero pixels of w x h; false (nothing changed) for a negative
    // size or one above kMaxFramePixels.
    bool ResizeFrame(int i, int w, int h);
    static bool ResizeFramePixels(DC6Frame& frame, int w, int h);
    static void FreeFramePixels(DC6Frame& frame);
    // Pixels outside the frame are ignored.
    void SetFramePixel(int i, int x, int y, uint8_t v);
    // Row y of frame i from `row`, as many pixels as both have; a row
    // outside the frame is ignored.
    void SetFrameRow(int i, int y, std::span<const uint8_t> row);
    void SetFrameOffsetX(int i, int value);
    void SetFrameOffsetY(int i, int value);
    int GetFrameOffsetX(int i) const;
    int GetFrameOffsetY(int i) const;

private:
    bool LoadFrom(CDC6ByteSource& source);
    bool ReadHeaderFrom(CDC6ByteSource& source, DC6FileHeader& header);
    // The frame header at `offset`, which must announce some encoded data.
    bool ReadFrameHeaderFrom(CDC6ByteSource& source, uint32_t offset, int64_t i,
                             DC6FrameHeader& fh);
    bool ReadFrameFrom(CDC6ByteSource& source, int64_t i, int64_t maxPixels,
                       int64_t maxEncodedBytes, DC6FileHeader& header, DC6Frame& frame);
    bool WriteTo(CAtomicFile& file);
    void SetError(std::string text)
    {
        m_strLastError = std::move(text);
    }
    void SetFileName(const std::string& path);
    DC6Frame* FrameByN(int i);
    const DC6Frame* FrameByN(int i) const;
    DC6Frame* FrameByL(int i);
    const DC6Frame* FrameByL(int i) const;

    std::optional<DC6FileHeader> m_DC6FileHeader;
    std::vector<DC6Frame> m_Frames;
    std::string m_strDir;   // with its trailing separator
    std::string m_strFName; // without extension
    std::string m_strExt;   // with its leading dot
    std::string m_strLastError;
    // While LoadDC6Repaired reads: any value of the flags field is taken.
    bool m_bAnyFlags = false;
};
