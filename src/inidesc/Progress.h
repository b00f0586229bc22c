#pragma once

// How long work over many files reports how far it is: called after each
// file with the files done and the files in all; returning false cancels
// the work before the next file.

#include <cstdint>
#include <functional>

using CProgress = std::function<bool(int64_t done, int64_t total)>;

// The message of work that was cancelled.
inline constexpr char kCancelledText[] = "Cancelled";
