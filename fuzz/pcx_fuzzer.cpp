// Decodes arbitrary bytes with the PCX reader alone; whatever it reads must
// be written again.

#include "ImageCodecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CImage image;
    std::string error;
    if (DecodePcx(std::span<const uint8_t>(data, size), image, error)) {
        std::vector<uint8_t> out;
        EncodePcx(image, out, error);
    }
    return 0;
}
