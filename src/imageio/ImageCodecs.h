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

#include <span>
#include <string>
#include <vector>

bool DecodeBmp(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodeBmp(const CImage& image, std::vector<uint8_t>& out, std::string& error);

bool DecodePcx(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodePcx(const CImage& image, std::vector<uint8_t>& out, std::string& error);

// Reads image image.GetFrame() as it shows on the logical screen.
bool DecodeGif(std::span<const uint8_t> data, CImage& image, std::string& error);
// Every image of the file as DecodeGif reads each, in one pass.
bool DecodeGifImages(std::span<const uint8_t> data, std::vector<CImage>& images,
                     std::string& error);
bool EncodeGif(const CImage& image, std::vector<uint8_t>& out, std::string& error);
// Several pictures as one animated GIF, each shown for `delay` hundredths of
// a second and disposed of by `disposal` (GIF disposal method codes), with
// each picture's transparency index.
bool EncodeGifAnimation(std::span<const CImage* const> frames, int disposal, int delay,
                        std::vector<uint8_t>& out, std::string& error);

bool DecodeTiff(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodeTiff(const CImage& image, std::vector<uint8_t>& out, std::string& error);

bool DecodeJpeg(std::span<const uint8_t> data, CImage& image, std::string& error);
// Quality from image.GetJpegQuality(); the picture is written at 24 bits.
bool EncodeJpeg(const CImage& image, std::vector<uint8_t>& out, std::string& error);

bool DecodePng(std::span<const uint8_t> data, CImage& image, std::string& error);
bool EncodePng(const CImage& image, std::vector<uint8_t>& out, std::string& error);
