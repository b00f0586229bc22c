#include "ImageGIF.h"

#include "AtomicFile.h"
#include "ImageCodecs.h"

#include <vector>

bool CImageGIF::Encode(const std::filesystem::path& path, std::span<CImage* const> frames)
{
    const std::vector<const CImage*> pictures(frames.begin(), frames.end());
    std::vector<uint8_t> bytes;
    std::string error;
    if (!EncodeGifAnimation(pictures, m_nDisposal, m_nDelay, bytes, error)) {
        SetLastError(error);
        return false;
    }
    if (!WriteFileAtomically(path, bytes, error)) {
        SetLastError(error);
        return false;
    }
    return true;
}
