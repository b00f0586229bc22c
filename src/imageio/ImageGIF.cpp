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
    CAtomicFile file(path);
    if (!file.Open()) {
        SetLastError("cannot create " + path.string());
        return false;
    }
    if (!WriteAll(file.Fd(), bytes.data(), bytes.size(), 0)) {
        SetLastError(SystemErrorText(("cannot write " + path.string()).c_str()));
        return false;
    }
    switch (file.Commit()) {
    case CAtomicFile::Result::Ok:
        return true;
    case CAtomicFile::Result::NotWritten:
        SetLastError(SystemErrorText(("cannot write " + path.string()).c_str()));
        return false;
    case CAtomicFile::Result::NotCreated:
        break;
    }
    SetLastError("cannot create " + path.string());
    return false;
}
