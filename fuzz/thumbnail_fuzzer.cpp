// Makes the thumbnail of arbitrary bytes as the thumbnailer does. Whatever
// a whole load reads, the frame read alone for a thumbnail must match.

#include "DC6File.h"
#include "Thumbnail.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    // Sizes vary with the input; small ones keep the PNG writing quick.
    const int side = 1 + static_cast<int>(size % 300);
    CImage thumbnail;
    std::string error;
    if (MakeDC6Thumbnail(bytes, side, GreyRampPalette(), thumbnail, error)) {
        std::vector<uint8_t> png;
        if (!thumbnail.Encode(png, IMAGE_TYPE_PNG))
            std::abort();
    }

    CDC6File whole;
    DC6Frame first;
    if (whole.LoadDC6(bytes) && whole.GetDC6Frame(0, first)) {
        CDC6File reader;
        DC6FileHeader header;
        DC6Frame alone;
        if (!reader.ReadDC6Frame(bytes, 0, CDC6File::kMaxFramePixels, INT32_MAX, header, alone) ||
            alone.m_ImageData != first.m_ImageData)
            std::abort();
    }
    return 0;
}
