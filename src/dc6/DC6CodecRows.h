#pragma once

// The row loops of the frame codec, written once for every vector width. A
// kernel file defines a vector unit V and instantiates EncodeRows<V> and
// DecodeRows<V>; like DC6CodecKernels.h, this header defines nothing with
// external linkage. V has:
//
//   static constexpr size_t kBytes;                       its width: 16, 32 or 64
//   static uint64_t ZeroBits(const uint8_t* p);           bit i set when p[i] is 0
//   static void Copy(uint8_t* to, const uint8_t* from);   copies kBytes bytes
//   static void Zero(uint8_t* to);                        writes kBytes zeros
//   static void CopyPrefix(uint8_t* to, const uint8_t* from, int keep);
//       writes from[0..keep) and zeros over the rest of kBytes; keep lies
//       between -128 and 127
//   static size_t AppendBitPositions(uint32_t* out, uint32_t base, uint64_t bits);
//       appends base + i for each bit i set in `bits`, lowest first, and
//       returns how many; up to kPositionSpill entries past them may be
//       overwritten (AppendBitPositionsOneByOne does it without vectors)

#include "DC6CodecKernels.h"

namespace dc6kernels {
namespace {

constexpr uint8_t kEndOfRow = 0x80;
constexpr size_t kMaxRun = 127;

// The loops over a block's vectors are unrolled: they are what the kernels
// spend their time on.
template <class V> void Copy128(uint8_t* to, const uint8_t* from)
{
#pragma GCC unroll 8
    for (size_t i = 0; i < kReach; i += V::kBytes)
        V::Copy(to + i, from + i);
}

template <class V> void Zero128(uint8_t* to)
{
#pragma GCC unroll 8
    for (size_t i = 0; i < kReach; i += V::kBytes)
        V::Zero(to + i);
}

// Bit i set when p[i] is 0, for i from 0 to 63.
template <class V> uint64_t ZeroBits64(const uint8_t* p)
{
    uint64_t bits = 0;
#pragma GCC unroll 4
    for (size_t i = 0; i < 64; i += V::kBytes)
        bits |= V::ZeroBits(p + i) << i;
    return bits;
}

constexpr size_t kPositionSpill = 64;

inline size_t AppendBitPositionsOneByOne(uint32_t* out, uint32_t base, uint64_t bits)
{
    if (bits == 0)
        return 0;
    // The first four without a branch (bit 63 keeps the count defined once
    // the bits run out), the rest one at a time.
    const size_t n = static_cast<size_t>(__builtin_popcountll(bits));
#pragma GCC unroll 4
    for (size_t i = 0; i < 4; ++i) {
        out[i] = base + static_cast<uint32_t>(__builtin_ctzll(bits | uint64_t{1} << 63));
        bits &= bits - 1;
    }
    for (size_t i = 4; bits != 0; ++i, bits &= bits - 1)
        out[i] = base + static_cast<uint32_t>(__builtin_ctzll(bits));
    return n;
}

// Copies n bytes, kSize to 2 * kSize of them, as the first and the last
// kSize, which may overlap.
template <size_t kSize> void CopyTwice(uint8_t* to, const uint8_t* from, size_t n)
{
    uint8_t head[kSize], tail[kSize];
    __builtin_memcpy(head, from, kSize);
    __builtin_memcpy(tail, from + n - kSize, kSize);
    __builtin_memcpy(to, head, kSize);
    __builtin_memcpy(to + n - kSize, tail, kSize);
}

// Copies n bytes, 0 to 128, without a call: runs near the end of a frame,
// where whole blocks do not fit, are too short for one to pay.
inline void CopyShort(uint8_t* to, const uint8_t* from, size_t n)
{
    if (n >= 16) {
        if (n >= 64)
            CopyTwice<64>(to, from, n);
        else if (n >= 32)
            CopyTwice<32>(to, from, n);
        else
            CopyTwice<16>(to, from, n);
    } else if (n >= 4) {
        if (n >= 8)
            CopyTwice<8>(to, from, n);
        else
            CopyTwice<4>(to, from, n);
    } else if (n >= 2) {
        CopyTwice<2>(to, from, n);
    } else if (n == 1) {
        *to = *from;
    }
}

// Writes n zeros, as CopyShort copies.
inline void ZeroShort(uint8_t* to, size_t n)
{
    static constexpr uint8_t kZeros[128] = {};
    if (n <= 128)
        CopyShort(to, kZeros, n);
    else
        __builtin_memset(to, 0, n);
}

// Copies a run of n bytes (1 to 127) behind its code. Where kRoomy, both
// sides have kReach bytes of room, and the run is copied as a whole block.
template <class V, bool kRoomy> void CopyRun(uint8_t* to, const uint8_t* from, size_t n)
{
    if (kRoomy)
        Copy128<V>(to, from);
    else
        CopyShort(to, from, n);
}

// Rows are taken apart at the edges between transparent and visible pixels:
// the columns where a visible run starts or ends, in pairs, gathered in
// chunks of this many words of 64 pixels.
constexpr size_t kChunkWords = 64;

struct RowWriter {
    const uint8_t* pRow;
    size_t nWritten; // the columns before this are written out
    uint8_t* pOut;
};

// Writes the codes of `count` (even) edges: for each pair, the transparent
// run up to the first and the visible run from there to the second. Runs
// longer than 127 are cut into pieces of 127 and a rest. (Inlined, so that
// the writer's state stays in registers.)
template <class V, bool kRoomy>
[[gnu::always_inline]] inline void WriteRuns(RowWriter& w, const uint32_t* edges, size_t count)
{
    uint8_t* o = w.pOut;
    size_t written = w.nWritten;
    for (size_t i = 0; i < count; i += 2) {
        size_t skip = edges[i] - written;
        size_t run = edges[i + 1] - edges[i];
        const uint8_t* from = w.pRow + edges[i];
        written = edges[i + 1];
        for (; skip > kMaxRun; skip -= kMaxRun)
            *o++ = kEndOfRow + kMaxRun;
        *o = static_cast<uint8_t>(kEndOfRow + skip);
        o += skip != 0;
        for (; run > kMaxRun; run -= kMaxRun, from += kMaxRun, o += kMaxRun + 1) {
            *o = kMaxRun;
            CopyRun<V, kRoomy>(o + 1, from, kMaxRun);
        }
        *o = static_cast<uint8_t>(run);
        CopyRun<V, kRoomy>(o + 1, from, run);
        o += run + 1;
    }
    w.pOut = o;
    w.nWritten = written;
}

// How far ahead of the block it reads the encoder asks for the pixels: the
// processor's own prefetching leaves it waiting on memory for frames that do
// not fit the caches. (A prefetch never faults, so it may point past the
// frame; the address is computed as an integer for that reason.)
constexpr uintptr_t kPrefetchDistance = 2048;

// Bit i set when p[i] is not 0, for i from 0 to 63; where not kRoomy, only
// for the pixels before pixelsEnd.
template <class V, bool kRoomy> uint64_t VisibleBits(const uint8_t* p, const uint8_t* pixelsEnd)
{
    if (kRoomy || pixelsEnd - p >= 64) {
        __builtin_prefetch(
            reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + kPrefetchDistance));
        return ~ZeroBits64<V>(p);
    }
    uint64_t visible = 0;
    for (size_t i = 0; p + i < pixelsEnd; ++i)
        visible |= uint64_t{p[i] != 0} << i;
    return visible;
}

// Encodes one row. Where kRoomy, the frame's pixels reach kReach bytes past
// the row's end, for whole blocks to be read.
template <class V, bool kRoomy>
uint8_t* EncodeRow(const uint8_t* row, size_t width, const uint8_t* pixelsEnd, uint32_t* edges,
                   uint8_t* o)
{
    RowWriter w{row, 0, o};
    size_t count = 0;
    // The previous pixel's bit: the one before the row counts as transparent.
    uint64_t carry = 0;
    const auto addEdges = [&](size_t k, uint64_t visible) {
        count += V::AppendBitPositions(edges + count, static_cast<uint32_t>(64 * k),
                                       visible ^ (visible << 1 | carry));
        carry = visible >> 63;
    };
    const size_t whole = width / 64;
    for (size_t k = 0; k < whole;) {
        const size_t chunkEnd = whole - k > kChunkWords ? k + kChunkWords : whole;
        for (; k < chunkEnd; ++k)
            addEdges(k, VisibleBits<V, kRoomy>(row + 64 * k, pixelsEnd));
        // Complete pairs are written out, and an unpaired edge kept.
        if (k < whole) {
            WriteRuns<V, kRoomy>(w, edges, count & ~size_t{1});
            if (count % 2 != 0)
                edges[0] = edges[count - 1];
            count %= 2;
        }
    }
    // The pixels past the row count as transparent.
    if (width % 64 != 0) {
        addEdges(whole, VisibleBits<V, kRoomy>(row + 64 * whole, pixelsEnd) &
                            ~(~uint64_t{0} << (width % 64)));
    }
    // A visible run up to the row's end ends there.
    edges[count] = static_cast<uint32_t>(width);
    count += carry;
    WriteRuns<V, kRoomy>(w, edges, count);
    // Transparent pixels at the row's end are written only as far as whole
    // pieces of 127 that more of them follow.
    for (size_t skip = width - w.nWritten; skip > kMaxRun; skip -= kMaxRun)
        *w.pOut++ = kEndOfRow + kMaxRun;
    *w.pOut = kEndOfRow;
    return w.pOut + 1;
}

template <class V>
size_t EncodeRows(const uint8_t* pixels, size_t width, size_t height, uint8_t* out)
{
    // Room for the edges of a chunk and of the row's last word, one kept
    // from the chunk before, the entries that may be overwritten past them
    // and the row's end.
    uint32_t edges[64 * (kChunkWords + 1) + 1 + kPositionSpill + 1];
    const uint8_t* const end = pixels + width * height;
    uint8_t* o = out;
    const uint8_t* row = pixels;
    for (size_t y = 0; y < height; ++y, row += width) {
        if (static_cast<size_t>(end - row) >= width + kReach)
            o = EncodeRow<V, true>(row, width, end, edges, o);
        else
            o = EncodeRow<V, false>(row, width, end, edges, o);
    }
    return static_cast<size_t>(o - out);
}

// Copies n bytes and writes zeros over the rest of kLength (a multiple of
// V::kBytes, at most 128).
template <class V, size_t kLength> void CopyZeroPadded(uint8_t* to, const uint8_t* from, size_t n)
{
#pragma GCC unroll 8
    for (size_t i = 0; i < kLength; i += V::kBytes)
        V::CopyPrefix(to + i, from + i, static_cast<int>(n) - static_cast<int>(i));
}

template <class V>
EDecodeResult DecodeRows(const uint8_t* in, size_t length, size_t width, size_t height,
                         uint8_t* pixels)
{
    const uint8_t* const end = in + length;
    // Up to this, a whole block can be read behind a code.
    const uint8_t* const blocksIn = end - (length < kReach ? length : kReach);
    const size_t size = width * height;
    // The pixels before `written` are written: with their values, or with 0
    // where a later run may still put its own. Runs are copied in whole
    // blocks where both sides have room; a short run's block has zeros past
    // the run, so that a short skip after it costs no writing at all.
    size_t written = 0;
    size_t rowStart = 0;
    size_t pos = 0; // rowStart plus the column
    size_t rowsLeft = height;
    // Runs that end before `roomy` lie in their row and have a whole block
    // of room behind their start.
    const size_t blocksOut = size >= kReach ? size - kReach + 1 : 0;
    const auto roomyEnd = [&] {
        return rowStart + width < blocksOut ? rowStart + width + 1 : blocksOut;
    };
    size_t roomy = roomyEnd();
    EDecodeResult result = EDecodeResult::Truncated;
    while (in != end) {
        const size_t code = *in++;
        if (code < kEndOfRow) {
            // Both sides' room at once: neither difference is negative.
            // (Wrapped around, the first is; both stay far below 2^63.)
            const auto roomOut = static_cast<ptrdiff_t>(roomy - 1 - pos - code);
            if ((roomOut | (blocksIn - in)) >= 0) {
                for (; written < pos; written += kReach)
                    Zero128<V>(pixels + written);
                if (code == kMaxRun) {
                    // Spelled out, so that the next code's address does
                    // not wait for this one's.
                    Copy128<V>(pixels + pos, in);
                    written = pos + kMaxRun;
                    in += kMaxRun;
                    pos += kMaxRun;
                    continue;
                }
                if (code <= kReach / 2) {
                    CopyZeroPadded<V, kReach / 2>(pixels + pos, in, code);
                    written = written > pos + kReach / 2 ? written : pos + kReach / 2;
                } else {
                    // Long runs mostly follow each other: the bytes past
                    // this one are left to the next code.
                    Copy128<V>(pixels + pos, in);
                    written = pos + code;
                }
            } else {
                if (pos > size) {
                    result = EDecodeResult::OffsetPastEnd;
                    break;
                }
                if (static_cast<size_t>(end - in) < code)
                    break;
                const size_t rowEnd = rowStart + width;
                if (pos < rowEnd) {
                    const size_t n = code < rowEnd - pos ? code : rowEnd - pos;
                    if (written < pos)
                        ZeroShort(pixels + written, pos - written);
                    CopyShort(pixels + pos, in, n);
                    written = written > pos + n ? written : pos + n;
                }
            }
            in += code;
            pos += code;
        } else if (code > kEndOfRow) {
            pos += code - kEndOfRow;
        } else {
            if (--rowsLeft == 0) {
                result = EDecodeResult::Ok;
                break;
            }
            rowStart += width;
            pos = rowStart;
            roomy = roomyEnd();
        }
    }
    __builtin_memset(pixels + written, 0, size - written);
    return result;
}

} // namespace
} // namespace dc6kernels
