// Loads arbitrary bytes as a DC6 file. Whatever loads must also survive
// encoding every frame and decoding it back unchanged.

#include "DC6File.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CDC6File doc;
    if (!doc.LoadDC6(std::span<const uint8_t>(data, size)))
        return 0;
    std::vector<uint8_t> encoded;
    DC6Frame frame;
    for (int i = 0; doc.GetDC6Frame(i, frame); ++i) {
        const int n = CDC6File::EncodeDC6ImageData(frame, encoded);
        DC6Frame back;
        back.m_DC6FrameHeader = frame.m_DC6FrameHeader;
        if (n <= 0 ||
            !doc.DecodeDC6ImageData(&back, std::span(encoded.data(), static_cast<size_t>(n))) ||
            back.m_ImageData != frame.m_ImageData)
            std::abort();
    }
    return 0;
}
