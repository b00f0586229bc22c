#include "ImageCodecs.h"

bool DecodePcx(std::span<const uint8_t>, CImage&, std::string& error)
{
    error = "Pcx reading is not built yet";
    return false;
}

bool EncodePcx(const CImage&, std::vector<uint8_t>&, std::string& error)
{
    error = "Pcx writing is not built yet";
    return false;
}
