#pragma once

// A picture that also writes several pictures as one animated GIF file,
// one picture at a time.

#include "Image.h"

#include <cstdint>
#include <filesystem>
#include <memory>

class CAtomicFile;
class CGifAnimationEncoder;

class CImageGIF : public CImage {
public:
    CImageGIF();
    ~CImageGIF() override;

    // How a viewer disposes of each picture before showing the next (GIF
    // disposal method codes: 0 unspecified, 1 leave, 2 restore to the
    // background, 3 restore to what was there before).
    void SetDisposalMethod(int method) { m_nDisposal = method; }
    int GetDisposalMethod() const { return m_nDisposal; }
    // How long each picture shows, in hundredths of a second.
    void SetDelay(int hundredths) { m_nDelay = hundredths; }
    int GetDelay() const { return m_nDelay; }

    // Starts an animated GIF of width x height that loops forever at `path`;
    // Add gives it the pictures in order, each written at once, and End puts
    // the file in place. The file it replaces is never damaged. Each returns
    // false (see GetLastError) on failure, after which the file is dropped.
    bool Begin(const std::filesystem::path& path, int width, int height);
    bool Add(const CImage& picture);
    bool End();

private:
    bool Drop(std::string error);

    int m_nDisposal = 2;
    int m_nDelay = 10;
    std::unique_ptr<CAtomicFile> m_pFile;
    std::unique_ptr<CGifAnimationEncoder> m_pEncoder;
    int64_t m_iWritten = 0;
};
