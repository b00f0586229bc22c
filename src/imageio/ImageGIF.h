#pragma once

// A picture that also writes several pictures as one animated GIF file.

#include "Image.h"

#include <filesystem>
#include <span>

class CImageGIF : public CImage {
public:
    CImageGIF() : CImage(IMAGE_TYPE_GIF) {}

    // How a viewer disposes of each picture before showing the next (GIF
    // disposal method codes: 0 unspecified, 1 leave, 2 restore to the
    // background, 3 restore to what was there before).
    void SetDisposalMethod(int method) { m_nDisposal = method; }
    int GetDisposalMethod() const { return m_nDisposal; }
    // How long each picture shows, in hundredths of a second.
    void SetDelay(int hundredths) { m_nDelay = hundredths; }
    int GetDelay() const { return m_nDelay; }

    using CImage::Encode;
    // Writes `frames` as one animated GIF that loops forever; the file it
    // replaces is never damaged. False (see GetLastError) on failure.
    bool Encode(const std::filesystem::path& path, std::span<CImage* const> frames);

private:
    int m_nDisposal = 2;
    int m_nDelay = 10;
};
