#pragma once

// The file formats behind CImage::Decode and CImage::Encode.
//
// A decoder reads untrusted bytes: it checks every length, offset, count and
// size against the data it has, refuses pictures of more than
// CImage::kMaxPixels before allocating them, and fills `image` through its
// public operations (Create, GetBits, SetPalette, CreateAlpha,
// SetTransIndex, SetNumFrames). Rows go to GetBits(n) with n counted from
// the bottom. An encoder writes `image` as the format's bytes. Both return
// false with a reason in `error`.

#include "Image.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

bool DecodeBmp(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodeBmp(const CImage& image, std::vector<uint8_t>& out, std::string& error);

bool DecodePcx(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodePcx(const CImage& image, std::vector<uint8_t>& out, std::string& error);

// Reads image image.GetFrame() as it shows on the logical screen.
bool DecodeGif(std::span<const uint8_t> data, CImage& image, std::string& error);
// Every image of the file as DecodeGif reads each, in one pass: `each` is
// given image i (GetFrame() is i) as soon as it is composed, and may keep
// or drop it before the next one is made. Reading stops, without failing,
// when `each` answers false, or at damage after the first image.
bool DecodeGifImages(std::span<const uint8_t> data, const ImageSink& each, std::string& error);
bool EncodeGif(const CImage& image, std::vector<uint8_t>& out, std::string& error);

class CGifStream;
// An animated GIF that loops forever, written picture by picture to
// `output` so that only the picture at hand is held: each picture lies at
// the top left of a screen of width x height, shows for `delay` hundredths
// of a second, is disposed of by `disposal` (GIF disposal method codes) and
// keeps its transparency index. The first picture's colours are the file's
// global colour table.
class CGifAnimationEncoder {
public:
    using Output = std::function<bool(const uint8_t* data, size_t size)>;

    CGifAnimationEncoder(Output output, int width, int height, int disposal, int delay);
    ~CGifAnimationEncoder();
    CGifAnimationEncoder(const CGifAnimationEncoder&) = delete;
    CGifAnimationEncoder& operator=(const CGifAnimationEncoder&) = delete;

    bool Add(const CImage& picture, std::string& error);
    // Ends the file; false when no picture was added or it cannot be written.
    bool Finish(std::string& error);

private:
    std::unique_ptr<CGifStream> m_pStream;
    int m_iWidth;
    int m_iHeight;
    int m_iDisposal;
    int m_iDelay;
};

// Several pictures as one animated GIF in memory, as CGifAnimationEncoder
// writes them on a screen as large as the largest.
bool EncodeGifAnimation(std::span<const CImage* const> frames, int disposal, int delay,
                        std::vector<uint8_t>& out, std::string& error);

bool DecodeTiff(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodeTiff(const CImage& image, std::vector<uint8_t>& out, std::string& error);

bool DecodeJpeg(std::span<const uint8_t> data, CImage& image, std::string& error);
// Quality from image.GetJpegQuality(); the picture is written at 24 bits.
bool EncodeJpeg(const CImage& image, std::vector<uint8_t>& out, std::string& error);

bool DecodePng(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodePng(const CImage& image, std::vector<uint8_t>& out, std::string& error);
