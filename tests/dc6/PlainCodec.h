#pragma once

// The frame codec written the plain way, one pixel at a time, to hold the
// fast one to (in the tests and in the fuzz target of the codec).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace plaincodec {

inline std::vector<uint8_t> Encode(int width, int height, std::span<const uint8_t> pixels)
{
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels.data() + static_cast<size_t>(y) * width;
        int x = 0;
        while (x < width) {
            int m = 0;
            if (row[x] == 0) {
                while (x + m < width && m < 127 && row[x + m] == 0)
                    ++m;
                x += m;
                if (x < width)
                    out.push_back(static_cast<uint8_t>(0x80 + m));
            } else {
                while (x + m < width && m < 127 && row[x + m] != 0)
                    ++m;
                out.push_back(static_cast<uint8_t>(m));
                out.insert(out.end(), row + x, row + x + m);
                x += m;
            }
        }
        out.push_back(0x80);
    }
    return out;
}

struct Decoded {
    std::string error; // empty when the data decodes
    std::vector<uint8_t> pixels;
};

// Decodes into zeroed pixels; a stream that ends before its last row, or
// before the pixels of a run, fails there, and one of fewer bytes than rows
// at once, without pixels.
inline Decoded Decode(int width, int height, std::span<const uint8_t> data)
{
    const char* const truncated = "DecodeDC6ImageData: encoded data ends before the last row";
    if (data.size() < static_cast<size_t>(height))
        return {truncated, {}};
    const size_t size = static_cast<size_t>(width) * height;
    Decoded d{"", std::vector<uint8_t>(size, 0)};
    size_t in = 0;
    size_t x = 0;
    for (int y = 0; y < height;) {
        if (in == data.size()) {
            d.error = truncated;
            return d;
        }
        const uint8_t code = data[in++];
        if (code == 0x80) {
            ++y;
            x = 0;
        } else if (code > 0x80) {
            x += code - 0x80;
        } else {
            if (static_cast<size_t>(y) * width + x > size) {
                d.error = "DecodeDC6ImageData: Offset > Imagesize";
                return d;
            }
            if (data.size() - in < code) {
                d.error = truncated;
                return d;
            }
            for (int k = 0; k < code; ++k, ++x) {
                const uint8_t pixel = data[in++];
                if (x < static_cast<size_t>(width))
                    d.pixels[static_cast<size_t>(y) * width + x] = pixel;
            }
        }
    }
    return d;
}

} // namespace plaincodec
