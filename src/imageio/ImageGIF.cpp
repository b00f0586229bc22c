#include "ImageGIF.h"

#include "AtomicFile.h"
#include "ImageCodecs.h"

CImageGIF::CImageGIF() : CImage(IMAGE_TYPE_GIF) {}

CImageGIF::~CImageGIF() = default;

bool CImageGIF::Drop(std::string error)
{
    m_pEncoder.reset();
    m_pFile.reset();
    SetLastError(std::move(error));
    return false;
}

bool CImageGIF::Begin(const std::filesystem::path& path, int width, int height)
{
    m_pEncoder.reset();
    m_pFile = std::make_unique<CAtomicFile>(path);
    if (!m_pFile->Open())
        return Drop(m_pFile->Error());
    m_iWritten = 0;
    m_pEncoder = std::make_unique<CGifAnimationEncoder>(
        [this](const uint8_t* data, size_t size) {
            if (!m_pFile->WriteAt(m_iWritten, data, size))
                return false;
            m_iWritten += static_cast<int64_t>(size);
            return true;
        },
        width, height, m_nDisposal, m_nDelay);
    return true;
}

bool CImageGIF::Add(const CImage& picture)
{
    if (!m_pEncoder)
        return Drop("the animation has not been started");
    std::string error;
    if (!m_pEncoder->Add(picture, error))
        return Drop(m_pFile->Error().empty() ? error : m_pFile->Error());
    return true;
}

bool CImageGIF::End()
{
    if (!m_pEncoder)
        return Drop("the animation has not been started");
    std::string error;
    if (!m_pEncoder->Finish(error))
        return Drop(m_pFile->Error().empty() ? error : m_pFile->Error());
    if (m_pFile->Commit() != CAtomicFile::Result::Ok)
        return Drop(m_pFile->Error());
    m_pEncoder.reset();
    m_pFile.reset();
    return true;
}
