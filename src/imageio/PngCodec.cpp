#include "ImageCodecs.h"

bool DecodePng(std::span<const uint8_t>, CImage&, std::string& error)
{
    error = "Png reading is not built yet";
    return false;
}

bool EncodePng(const CImage&, std::vector<uint8_t>&, std::string& error)
{
    error = "Png writing is not built yet";
    return false;
}
