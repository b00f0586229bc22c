#pragma once

// The row loops of the frame codec, written once for every vector width. A
// kernel file defines a vector unit V and instantiates EncodeRows<V> and
// DecodeRows<V>; like DC6CodecKernels.h, this header defines nothing with
// external linkage. V has:
//
//   static constexpr size_t kBytes;                       its width: 16, 32 or 64
//   static constexpr bool kLateRuns;                      whether EncodeRows writes
//       rows by their edges a row late
//   static uint64_t NonZeroBits(const uint8_t* p);        bit i set when p[i] is not 0
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

#include <bit>

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

template <class V> void Copy64(uint8_t* to, const uint8_t* from)
{
#pragma GCC unroll 4
    for (size_t i = 0; i < 64; i += V::kBytes)
        V::Copy(to + i, from + i);
}

// Copies n bytes, 1 to 127, as the smallest block of 16, 32, 64 or 128
// bytes that holds them: for the last piece of rows with no transparent
// pixel, which is as long in every row of a frame.
template <class V> void CopyLastPiece(uint8_t* to, const uint8_t* from, size_t n)
{
    if (n > 64)
        Copy128<V>(to, from);
    else if (n > 32)
        Copy64<V>(to, from);
    else if (n > 16)
        __builtin_memcpy(to, from, 32);
    else
        __builtin_memcpy(to, from, 16);
}

// Bit i set when p[i] is not 0, for i from 0 to 63.
template <class V> uint64_t NonZeroBits64(const uint8_t* p)
{
    uint64_t bits = 0;
#pragma GCC unroll 4
    for (size_t i = 0; i < 64; i += V::kBytes)
        bits |= V::NonZeroBits(p + i) << i;
    return bits;
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

// How far ahead of the block it reads the encoder asks for the pixels: the
// processor's own prefetching leaves it waiting on memory for frames that do
// not fit the caches. (A prefetch never faults, so it may point past the
// frame; the address is computed as an integer for that reason.)
constexpr uintptr_t kPrefetchDistance = 2048;

// Asks for the pixels `ahead` bytes past p, into the caches that kLocality
// names as __builtin_prefetch's does (3: every level).
template <int kLocality = 3>
inline void Prefetch(const uint8_t* p, uintptr_t ahead = kPrefetchDistance)
{
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + ahead), 0,
                       kLocality);
}

// Rows with no transparent pixel are written several times as fast as
// others, too fast for the pixels kPrefetchDistance ahead to arrive in
// time. They also ask for those this far ahead, into the outer caches only.
// (Asked for this far ahead of the other rows too, the pixels gained them
// nothing.)
constexpr uintptr_t kOpaquePrefetchDistance = 8192;

inline void PrefetchFar(const uint8_t* p)
{
    Prefetch<1>(p, kOpaquePrefetchDistance);
}

// The frames of a large sprite also wait on the translation of each page's
// address, as there are more pages than the processor keeps translated; a
// prefetch starts that too. So each row asks for the first pixels of the
// page this far past it, well before its other pixels are asked for. (Rows
// wider than a page leave some pages to the other prefetches.)
constexpr uintptr_t kPageSize = 4096;
constexpr uintptr_t kPageAhead = 16384;

inline void PrefetchPageAhead(const uint8_t* p)
{
    const uintptr_t page = (reinterpret_cast<uintptr_t>(p) + kPageAhead) & ~(kPageSize - 1);
    __builtin_prefetch(reinterpret_cast<const void*>(page));
}

// Bit i set when the pixel p[i] is visible, for the `left` pixels of a row
// that remain (the rest count as transparent); asks for the pixels
// kPrefetchDistance ahead.
template <class V> uint64_t VisibleBits(const uint8_t* p, size_t left)
{
    Prefetch(p);
    const uint64_t visible = NonZeroBits64<V>(p);
    return left < 64 ? visible & ~(~uint64_t{0} << left) : visible;
}

// Writes the codes of `skip` transparent pixels, pieces of 127 and a rest,
// at o; returns where the next code goes.
inline uint8_t* WriteSkip(uint8_t* o, size_t skip)
{
    for (; skip > kMaxRun; skip -= kMaxRun)
        *o++ = kEndOfRow + kMaxRun;
    *o = static_cast<uint8_t>(kEndOfRow + skip);
    return o + (skip != 0);
}

// Ends a row whose last `skip` pixels are transparent: they are written only
// as far as whole pieces of 127 that more of them follow.
inline uint8_t* WriteRowEnd(uint8_t* o, size_t skip)
{
    for (; skip > kMaxRun; skip -= kMaxRun)
        *o++ = kEndOfRow + kMaxRun;
    *o = kEndOfRow;
    return o + 1;
}

// Encodes a row of 1 to 64 pixels in one pass: its visible runs are
// found in one vector compare and stored straight behind their codes, a
// whole block at a time. Such a row's runs and skips need no more than one
// code each. Returns where the row's codes end, and counts its visible runs
// into `runs`.
template <class V>
[[gnu::always_inline]] inline uint8_t* EncodeShortRow(const uint8_t* row, size_t width, uint8_t* o,
                                                      size_t& runs)
{
    uint64_t visible = VisibleBits<V>(row, width);
    size_t written = 0;
    runs = 0;
    while (visible != 0) {
        const auto start = static_cast<size_t>(std::countr_zero(visible));
        const auto run = static_cast<size_t>(std::countr_one(visible >> start));
        // Clears the run's bits: the carry runs through them.
        visible &= visible + (uint64_t{1} << start);
        *o = static_cast<uint8_t>(kEndOfRow + start - written);
        o += start != written;
        *o = static_cast<uint8_t>(run);
        Copy64<V>(o + 1, row + start);
        o += run + 1;
        written = start + run;
        ++runs;
    }
    *o = kEndOfRow;
    return o + 1;
}

// Wider rows are written by their edges: the columns where a visible run
// starts or ends, in pairs. They are gathered first, up to this many, and
// then all their runs written in one loop. (Where a block's runs begin and
// end cannot be foreseen, a writer that takes each block as it comes has the
// processor guess wrong at most blocks.)
constexpr size_t kFlushEdges = 1024;
constexpr size_t kPositionSpill = 64;
// The room for a row's edges: those kept and those of one more block, the
// row's end and the entries that may be overwritten past them.
constexpr size_t kEdgeRoom = kFlushEdges + 64 + 1 + kPositionSpill;

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

struct RowWriter {
    const uint8_t* pRow;
    size_t nWritten; // the columns before this are written out
    uint8_t* pOut;
};

// Writes the codes of `count` (even) edges: for each pair, the transparent
// run up to the first and the visible run from there to the second, cut into
// pieces of 127 and a rest. Each piece is copied as a whole block.
template <class V>
[[gnu::always_inline]] inline void WriteRuns(RowWriter& w, const uint32_t* edges, size_t count)
{
    uint8_t* o = w.pOut;
    size_t written = w.nWritten;
    for (size_t i = 0; i < count; i += 2) {
        const size_t skip = edges[i] - written;
        size_t run = edges[i + 1] - edges[i];
        const uint8_t* from = w.pRow + edges[i];
        written = edges[i + 1];
        o = WriteSkip(o, skip);
        for (; run > kMaxRun; run -= kMaxRun, from += kMaxRun, o += kMaxRun + 1) {
            *o = kMaxRun;
            Copy128<V>(o + 1, from);
        }
        *o = static_cast<uint8_t>(run);
        Copy128<V>(o + 1, from);
        o += run + 1;
    }
    w.pOut = o;
    w.nWritten = written;
}

// Gathers the edges of a row into `edges`, which has kEdgeRoom entries, and
// returns how many. Only rows of kFlushEdges pixels or more can have more
// than kFlushEdges; for those, `w` is given, and once there are that many,
// complete pairs are written out at w->pOut as they come and an unpaired
// edge kept (w then says how far the row is written).
template <class V>
[[gnu::always_inline]] inline size_t GatherEdges(const uint8_t* row, size_t width, uint32_t* edges,
                                                 RowWriter* w)
{
    size_t count = 0;
    // The previous pixel's bit: the one before the row counts as transparent.
    uint64_t carry = 0;
    // Takes the block at column x, whose visible pixels have their bit set.
    const auto take = [&](size_t x, uint64_t visible) {
        count += V::AppendBitPositions(edges + count, static_cast<uint32_t>(x),
                                       visible ^ (visible << 1 | carry));
        carry = visible >> 63;
        if (w != nullptr && count > kFlushEdges) [[unlikely]] {
            WriteRuns<V>(*w, edges, count & ~size_t{1});
            if (count % 2 != 0)
                edges[0] = edges[count - 1];
            count %= 2;
        }
    };
    const size_t whole = width & ~size_t{63};
    for (size_t x = 0; x < whole; x += 64) {
        Prefetch(row + x);
        take(x, NonZeroBits64<V>(row + x));
    }
    if (whole < width)
        take(whole, VisibleBits<V>(row + whole, width - whole));
    // A visible run up to the row's end ends there.
    edges[count] = static_cast<uint32_t>(width);
    return count + carry;
}

// Writes the runs of a row's gathered edges at w.pOut, and the row's end.
// Returns where its codes end.
template <class V>
[[gnu::always_inline]] inline uint8_t* WriteRow(RowWriter w, size_t width, const uint32_t* edges,
                                                size_t count)
{
    WriteRuns<V>(w, edges, count);
    return WriteRowEnd(w.pOut, width - w.nWritten);
}

// The length of the codes of a row of `width` pixels with none transparent:
// the pixels, a code for each piece of 127 and the rest, and the row's end.
constexpr size_t OpaqueRowLength(size_t width)
{
    return width + (width + kMaxRun - 1) / kMaxRun + 1;
}

// The first code of such a row: its first piece's.
constexpr size_t OpaqueRowFirstCode(size_t width)
{
    return width > kMaxRun ? kMaxRun : width;
}

// Encodes a row with no transparent pixel, as the other writers would:
// pieces of 127 visible pixels and a rest, each copied as a whole block.
// Returns nullptr if the row has a transparent pixel; the codes are written
// first and the pixels checked after, from the cache.
template <class V>
[[gnu::always_inline]] inline uint8_t* EncodeOpaqueRow(const uint8_t* row, size_t width,
                                                       uint8_t* out)
{
    uint8_t* o = out;
    size_t x = 0;
    for (; width - x > kMaxRun; x += kMaxRun, o += kMaxRun + 1) {
        *o = kMaxRun;
        Copy128<V>(o + 1, row + x);
    }
    const size_t rest = width - x;
    *o = static_cast<uint8_t>(rest);
    CopyLastPiece<V>(o + 1, row + x, rest);
    o += rest + 1;
    *o = kEndOfRow;
    uint64_t transparent = 0;
    for (x = 0; width - x >= 64; x += 64) {
        Prefetch(row + x);
        PrefetchFar(row + x);
        transparent |= ~NonZeroBits64<V>(row + x);
    }
    if (x < width) {
        Prefetch(row + x);
        PrefetchFar(row + x);
        transparent |= ~NonZeroBits64<V>(row + x) & ((uint64_t{1} << (width - x)) - 1);
    }
    return transparent == 0 ? o + 1 : nullptr;
}

// Whether the row has a visible pixel.
template <class V> bool AnyVisible(const uint8_t* row, size_t width)
{
    uint64_t visible = 0;
    for (size_t x = 0; x < width; x += 64)
        visible |= VisibleBits<V>(row + x, width - x);
    return visible != 0;
}

// Neighbouring rows look alike, so a row is first tried the way the row
// before it suggests: after a row with no transparent pixel, the rows with
// none are written whole; after a row with no visible pixel, the rows with
// none are written as their ends. Each takes a loop of its own, below,
// rather than tests in the row loops, which keeps those loops' registers for
// their own rows. They return how many rows they wrote and where their
// codes end.
struct RowsWritten {
    size_t nRows;
    uint8_t* pOut;
};

// Writes rows from `row` on, of the `rows` left, with `write`, for as long
// as it writes them: it returns where a row's codes end, or nullptr for a
// row that is not like the others.
template <class Write>
[[gnu::always_inline]] inline RowsWritten
WriteRowsWhile(const uint8_t* row, size_t width, size_t rows, bool pages, uint8_t* o, Write write)
{
    size_t n = 0;
    for (; n < rows; ++n, row += width) {
        if (pages)
            PrefetchPageAhead(row);
        uint8_t* const end = write(row, o);
        if (end == nullptr)
            break;
        o = end;
    }
    return {n, o};
}

// Writes rows from `row` on, of the `rows` left, for as long as they have
// no transparent pixel.
template <class V>
[[gnu::always_inline]] inline RowsWritten EncodeOpaqueRows(const uint8_t* row, size_t width,
                                                           size_t rows, bool pages, uint8_t* o)
{
    return WriteRowsWhile(row, width, rows, pages, o, [width](const uint8_t* r, uint8_t* at) {
        return EncodeOpaqueRow<V>(r, width, at);
    });
}

// Writes the ends of rows from `row` on, of the `rows` left, for as long as
// they have no visible pixel.
template <class V>
[[gnu::always_inline]] inline RowsWritten EncodeEmptyRows(const uint8_t* row, size_t width,
                                                          size_t rows, bool pages, uint8_t* o)
{
    return WriteRowsWhile(row, width, rows, pages, o,
                          [width](const uint8_t* r, uint8_t* at) -> uint8_t* {
                              return AnyVisible<V>(r, width) ? nullptr : WriteRowEnd(at, width);
                          });
}

// Writes the rows after the row at `row` for as long as they are like it:
// with no transparent pixel if `opaque`, else with no visible pixel.
template <class V>
[[gnu::always_inline]] inline RowsWritten
EncodeRowsAlike(bool opaque, const uint8_t* row, size_t width, size_t rows, bool pages, uint8_t* o)
{
    return opaque ? EncodeOpaqueRows<V>(row + width, width, rows, pages, o)
                  : EncodeEmptyRows<V>(row + width, width, rows, pages, o);
}

// Whether a row's edges are those of a row with no transparent pixel.
inline bool OpaqueEdges(const uint32_t* edges, size_t count, size_t width)
{
    return count == 2 && edges[0] == 0 && edges[1] == width;
}

// Frames no wider than a block: each row in one pass.
template <class V>
size_t EncodeShortRows(const uint8_t* pixels, size_t width, size_t height, bool pages, uint8_t* out)
{
    uint8_t* o = out;
    const size_t opaqueLength = OpaqueRowLength(width);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + y * width;
        if (pages)
            PrefetchPageAhead(row);
        uint8_t* const rowOut = o;
        size_t runs = 0;
        o = EncodeShortRow<V>(row, width, o, runs);
        // (A row of one run with one transparent pixel before it may pass
        // for one with none. That costs only a try.)
        if (runs == 1 && static_cast<size_t>(o - rowOut) == opaqueLength) {
            const RowsWritten alike =
                EncodeOpaqueRows<V>(row + width, width, height - y - 1, pages, o);
            y += alike.nRows;
            o = alike.pOut;
        }
    }
    return static_cast<size_t>(o - out);
}

// Each row by its edges, written as they are gathered.
template <class V>
size_t EncodeRowsByEdges(const uint8_t* pixels, size_t width, size_t height, bool pages,
                         uint8_t* out)
{
    uint32_t edges[kEdgeRoom];
    uint8_t* o = out;
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + y * width;
        if (pages)
            PrefetchPageAhead(row);
        RowWriter w{row, 0, o};
        const size_t count = GatherEdges<V>(row, width, edges, &w);
        o = WriteRow<V>(w, width, edges, count);
        const bool opaque = OpaqueEdges(edges, count, width);
        if (w.nWritten == 0 && (opaque || count == 0)) {
            const RowsWritten alike =
                EncodeRowsAlike<V>(opaque, row, width, height - y - 1, pages, o);
            y += alike.nRows;
            o = alike.pOut;
        }
    }
    return static_cast<size_t>(o - out);
}

// The pixels are followed by kReach bytes that may be read. Where V says so,
// rows of 65 to kFlushEdges - 1 pixels are written by their edges a row
// late: a row's runs are written once the next row's edges are gathered, so
// that the writing neither waits for the gathering just done nor holds up
// the next.
template <class V>
size_t EncodeRows(const uint8_t* pixels, size_t width, size_t height, uint8_t* out)
{
    // The edges of two rows, this one's and the one before.
    uint32_t edges[2][kEdgeRoom];
    // Rows without pixels are their end codes alone (and there are no
    // pixels to read).
    if (width == 0) {
        __builtin_memset(out, kEndOfRow, height);
        return height;
    }
    // The first pixels are asked for at once: the blocks only ask for those
    // kPrefetchDistance ahead of them.
    const size_t size = width * height;
    for (uintptr_t i = 0; i < kPrefetchDistance && i < size; i += 64)
        Prefetch(pixels, i);
    // Frames of a few pages leave their translation to the other prefetches.
    const bool pages = size > kPageAhead;
    if (width <= 64)
        return EncodeShortRows<V>(pixels, width, height, pages, out);
    if (!V::kLateRuns || width >= kFlushEdges)
        return EncodeRowsByEdges<V>(pixels, width, height, pages, out);
    uint8_t* o = out;
    // The row before, if its runs are still to be written, and its edges.
    const uint8_t* lateRow = nullptr;
    const uint32_t* lateEdges = nullptr;
    size_t lateCount = 0;
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + y * width;
        if (pages)
            PrefetchPageAhead(row);
        uint32_t* const rowEdges = edges[y % 2];
        const size_t count = GatherEdges<V>(row, width, rowEdges, nullptr);
        if (lateRow != nullptr)
            o = WriteRow<V>({lateRow, 0, o}, width, lateEdges, lateCount);
        // A row that the next ones may be like is written at once.
        const bool opaque = OpaqueEdges(rowEdges, count, width);
        if (opaque || count == 0) {
            o = WriteRow<V>({row, 0, o}, width, rowEdges, count);
            lateRow = nullptr;
            const RowsWritten alike =
                EncodeRowsAlike<V>(opaque, row, width, height - y - 1, pages, o);
            y += alike.nRows;
            o = alike.pOut;
        } else {
            lateRow = row;
            lateEdges = rowEdges;
            lateCount = count;
        }
    }
    if (lateRow != nullptr)
        o = WriteRow<V>({lateRow, 0, o}, width, lateEdges, lateCount);
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

// Copies a row of `width` (> 0) pixels to `to` if its codes at `in` are
// those of a row with no transparent pixel: pieces of 127 and a rest, then
// the row's end. Returns where the codes end, or nullptr if they are others
// or do not lie within `roomIn` bytes of `in` (which may be negative), the
// last of which has kReach bytes behind it. kReach bytes can be written
// past the row.
template <class V>
[[gnu::always_inline]] inline const uint8_t* CopyOpaqueRow(const uint8_t* in, ptrdiff_t roomIn,
                                                           size_t width, uint8_t* to)
{
    const size_t whole = (width - 1) / kMaxRun;
    const size_t rest = width - kMaxRun * whole;
    const auto lastCode = static_cast<ptrdiff_t>((kMaxRun + 1) * whole);
    if (lastCode >= roomIn || in[0] != OpaqueRowFirstCode(width))
        return nullptr;
    for (size_t k = 1; k < whole; ++k) {
        if (in[(kMaxRun + 1) * k] != kMaxRun)
            return nullptr;
    }
    const uint8_t* const last = in + lastCode;
    if (last[0] != rest || last[rest + 1] != kEndOfRow)
        return nullptr;
    for (size_t k = 0; k < whole; ++k)
        Copy128<V>(to + kMaxRun * k, in + (kMaxRun + 1) * k + 1);
    CopyLastPiece<V>(to + kMaxRun * whole, last + 1, rest);
    return last + rest + 2;
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
    // Whether rows with no transparent pixel are tried whole: in a frame
    // whose first row looks like one (its first code and its end are where
    // they would be).
    const size_t opaqueLength = OpaqueRowLength(width);
    const bool opaque = opaqueLength <= length && in[0] == OpaqueRowFirstCode(width) &&
                        in[opaqueLength - 1] == kEndOfRow;
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
            // Rows with no transparent pixel are copied whole, while there
            // is room for it on both sides.
            while (opaque && rowStart + width < blocksOut) {
                for (; written < rowStart; written += kReach)
                    Zero128<V>(pixels + written);
                const uint8_t* const next =
                    CopyOpaqueRow<V>(in, blocksIn - in, width, pixels + rowStart);
                if (next == nullptr)
                    break;
                written = rowStart + width;
                in = next;
                // (Never the last row: that has no room after it.)
                --rowsLeft;
                rowStart += width;
                pos = rowStart;
            }
            roomy = roomyEnd();
        }
    }
    __builtin_memset(pixels + written, 0, size - written);
    return result;
}

} // namespace
} // namespace dc6kernels
