#include "ImageCodecs.h"

bool DecodeGif(std::span<const uint8_t>, CImage&, std::string& error)
{
    error = "GIF reading is not built yet";
    return false;
}

bool EncodeGif(const CImage&, std::vector<uint8_t>&, std::string& error)
{
    error = "GIF writing is not built yet";
    return false;
}

bool EncodeGifAnimation(std::span<const CImage* const>, int, int, std::vector<uint8_t>&,
                        std::string& error)
{
    error = "GIF writing is not built yet";
    return false;
}
