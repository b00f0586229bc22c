// Runs the frame codec on every vector path this processor has and holds
// each to the plain codec. The first three bytes choose the frame's width
// (1 to 9,000: rows of up to 141 blocks of 64 pixels) and height (1 to 64,
// fewer for wide frames); the rest are, by the lowest bit of the fourth,
// pixels to encode (repeated to fill the frame) or data to decode.

#include "DC6CodecPaths.h"
#include "DC6File.h"
#include "PlainCodec.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

void EncodeOnEveryPath(int width, int height, std::span<const uint8_t> rest)
{
    DC6Frame frame;
    frame.m_DC6FrameHeader.m_iWidth = width;
    frame.m_DC6FrameHeader.m_iHeight = height;
    frame.m_ImageData.assign(static_cast<size_t>(width) * height, 0);
    for (size_t i = 0; !rest.empty() && i < frame.m_ImageData.size(); ++i)
        frame.m_ImageData[i] = rest[i % rest.size()];
    const std::vector<uint8_t> expected = plaincodec::Encode(width, height, frame.m_ImageData);
    for (const ECodecPath path : SupportedCodecPaths()) {
        const CCodecPathScope usePath(path);
        std::vector<uint8_t> out;
        const int n = CDC6File::EncodeDC6ImageData(frame, out);
        if (n != static_cast<int>(expected.size()) ||
            !std::equal(expected.begin(), expected.end(), out.begin()))
            std::abort();
        CDC6File doc;
        DC6Frame back;
        back.m_DC6FrameHeader = frame.m_DC6FrameHeader;
        if (!doc.DecodeDC6ImageData(&back, std::span(out.data(), static_cast<size_t>(n))) ||
            back.m_ImageData != frame.m_ImageData)
            std::abort();
    }
}

void DecodeOnEveryPath(int width, int height, std::span<const uint8_t> data)
{
    const plaincodec::Decoded expected = plaincodec::Decode(width, height, data);
    for (const ECodecPath path : SupportedCodecPaths()) {
        const CCodecPathScope usePath(path);
        CDC6File doc;
        DC6Frame frame;
        frame.m_DC6FrameHeader.m_iWidth = width;
        frame.m_DC6FrameHeader.m_iHeight = height;
        const bool ok = doc.DecodeDC6ImageData(&frame, data);
        if ((ok ? std::string() : doc.GetLastErrorText()) != expected.error ||
            frame.m_ImageData != expected.pixels)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const int width = 1 + (data[0] | data[1] << 8) % 9000;
    // Wide frames are kept to a few rows, for the fuzzer to stay fast.
    const int height = std::max(1, std::min(1 + data[2] % 64, 65536 / width));
    const std::span<const uint8_t> rest(data + 4, size - 4);
    if (data[3] & 1)
        DecodeOnEveryPath(width, height, rest);
    else
        EncodeOnEveryPath(width, height, rest);
    return 0;
}
