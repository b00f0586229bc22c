// Loads arbitrary bytes as an image: the first byte names the type that the
// extension would give, the rest is the file. Whatever loads must encode
// again in its own type; a file of several images must also give them one
// after another in one pass, and its last image alone.

#include "DC6File.h"
#include "Image.h"
#include "ImageCodecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int type = IMAGE_TYPE_BMP + data[0] % IMAGE_TYPE_PNG;
    const std::span<const uint8_t> file(data + 1, size - 1);
    CImage image;
    if (!image.Decode(file, type))
        return 0;
    std::vector<uint8_t> out;
    image.Encode(out, image.GetType());
    if (image.GetNumFrames() > 1 && image.GetType() == IMAGE_TYPE_GIF) {
        // One image at a time, as the callers take them, until they would
        // hold as many pixels as a sprite may.
        int64_t pixels = 0;
        std::string error;
        DecodeGifImages(
            file,
            [&](CImage& each) {
                pixels += int64_t{each.GetWidth()} * each.GetHeight();
                return pixels < CDC6File::kMaxSpritePixels;
            },
            error);
        CImage last;
        last.SetFrame(image.GetNumFrames() - 1);
        last.Decode(file, type);
    }
    return 0;
}
