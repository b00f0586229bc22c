#include "ImageCodecs.h"

bool DecodeJpeg(std::span<const uint8_t>, CImage&, std::string& error)
{
    error = "Jpeg reading is not built yet";
    return false;
}

bool EncodeJpeg(const CImage&, std::vector<uint8_t>&, std::string& error)
{
    error = "Jpeg writing is not built yet";
    return false;
}
