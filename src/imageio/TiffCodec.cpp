#include "ImageCodecs.h"

bool DecodeTiff(std::span<const uint8_t>, CImage&, std::string& error)
{
    error = "Tiff reading is not built yet";
    return false;
}

bool EncodeTiff(const CImage&, std::vector<uint8_t>&, std::string& error)
{
    error = "Tiff writing is not built yet";
    return false;
}
