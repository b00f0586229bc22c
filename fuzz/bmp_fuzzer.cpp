// Decodes arbitrary bytes as BMP; whatever decodes must encode again.

#include "Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CImage image;
    if (image.Decode(std::span<const uint8_t>(data, size), IMAGE_TYPE_BMP)) {
        std::vector<uint8_t> out;
        image.Encode(out, IMAGE_TYPE_BMP);
    }
    return 0;
}
