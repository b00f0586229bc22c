// Reads arbitrary bytes as a sprite sheet's atlas. Whatever reads must keep
// the reader's promises (a whole grid of frames, each inside the limits),
// survive the check against a sheet, and read the same after it is written
// again.

#include "DC6File.h"
#include "SheetAtlas.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSheetAtlas atlas;
    std::string error;
    if (!ReadSheetAtlas(std::string_view(reinterpret_cast<const char*>(data), size), atlas,
                        error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (atlas.nDirections < 1 || atlas.nFramesPerDirection < 1 ||
        atlas.frames.size() !=
            static_cast<size_t>(atlas.nDirections) * static_cast<size_t>(atlas.nFramesPerDirection))
        std::abort();
    int64_t pixels = 0;
    for (const CAtlasFrame& f : atlas.frames) {
        if (f.frame.x < 0 || f.frame.y < 0 || f.frame.w < 1 || f.frame.h < 1 ||
            f.frame.w * f.frame.h > CDC6File::kMaxFramePixels)
            std::abort();
        pixels += f.frame.w * f.frame.h;
    }
    if (pixels > CDC6File::kMaxSpritePixels)
        std::abort();
    CheckSheetAtlas(atlas, atlas.nWidth, atlas.nHeight, error);
    CheckSheetAtlas(atlas, 64, 64, error);

    CSheetAtlas again;
    if (!ReadSheetAtlas(WriteSheetAtlas(atlas), again, error) || !(again == atlas))
        std::abort();
    return 0;
}
