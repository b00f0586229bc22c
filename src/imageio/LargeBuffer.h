#pragma once

// Big pixel buffers. A buffer of many megabytes is given fresh memory that
// the system may back with huge pages, so that touching it the first time
// takes one page fault per 2 MiB instead of one per 4 KiB: with the usual
// pages, a 2048 x 2048 picture's buffers cost more in page faults than in
// copying.

#include <cstddef>
#include <vector>

// Asks the system for huge pages behind the whole 2 MiB pieces of the
// given bytes; nothing where it has none.
void AdviseHugePages(void* data, size_t bytes);

// `buffer` becomes `count` copies of `value`.
template <class T> void AssignLarge(std::vector<T>& buffer, size_t count, const T& value)
{
    constexpr size_t kLargeBytes = size_t{4} << 20;
    if (count * sizeof(T) >= kLargeBytes && buffer.capacity() < count) {
        std::vector<T>().swap(buffer);
        buffer.reserve(count);
        AdviseHugePages(buffer.data(), count * sizeof(T));
    }
    buffer.assign(count, value);
}
