#include "ImageCodecs.h"

bool DecodeBmp(std::span<const uint8_t>, CImage&, std::string& error)
{
    error = "Bmp reading is not built yet";
    return false;
}

bool EncodeBmp(const CImage&, std::vector<uint8_t>&, std::string& error)
{
    error = "Bmp writing is not built yet";
    return false;
}
