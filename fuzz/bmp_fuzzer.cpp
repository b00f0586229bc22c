// Decodes arbitrary bytes with the BMP reader alone; whatever it reads must
// be written again.

#include "ImageCodecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CImage image;
    std::string error;
    if (DecodeBmp(std::span<const uint8_t>(data, size), image, error)) {
        std::vector<uint8_t> out;
        EncodeBmp(image, out, error);
    }
    return 0;
}
