// The verbs that read and write whole DC6 files: info, new, resave, repair.

#include "CliVerbs.h"
#include "DC6File.h"

#include <zlib.h>

#include <cstdio>
#include <iostream>

namespace cli {
namespace {

std::string Hex32(uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string TerminationHex(const DC6FileHeader& header)
{
    uint32_t value = 0;
    for (uint8_t byte : header.m_cTermination)
        value = value << 8 | byte;
    return Hex32(value);
}

uint32_t PixelsCrc32(std::span<const uint8_t> pixels)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    const uint8_t* p = pixels.data();
    size_t left = pixels.size();
    // zlib takes at most a uInt of bytes per call.
    while (left > 0) {
        const uInt chunk = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
        crc = crc32(crc, p, chunk);
        p += chunk;
        left -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

void PrintJson(const CDC6File& doc, const DC6FileHeader& header)
{
    std::cout << "{\"directions\":" << header.m_iDirections
              << ",\"framesPerDirection\":" << header.m_iFramesPerDirection << ",\"termination\":\""
              << TerminationHex(header) << "\",\"frames\":[";
    const int count = header.m_iDirections * header.m_iFramesPerDirection;
    DC6Frame frame;
    for (int i = 0; i < count; ++i) {
        doc.GetDC6Frame(i, frame);
        const DC6FrameHeader& fh = frame.m_DC6FrameHeader;
        std::cout << (i ? "," : "") << "\n  {\"direction\":" << i / header.m_iFramesPerDirection
                  << ",\"frame\":" << i % header.m_iFramesPerDirection
                  << ",\"width\":" << fh.m_iWidth << ",\"height\":" << fh.m_iHeight
                  << ",\"offsetX\":" << fh.m_iOffsetX << ",\"offsetY\":" << fh.m_iOffsetY
                  << ",\"flip\":" << fh.m_iFlip << ",\"reserved\":" << fh.m_iReserved
                  << ",\"length\":" << fh.m_iLength << ",\"pixelsCrc32\":\""
                  << Hex32(PixelsCrc32(frame.m_ImageData)) << "\"}";
    }
    std::cout << "\n]}\n";
}

void PrintSummary(const std::string& file, const CDC6File& doc, const DC6FileHeader& header)
{
    const std::string t = TerminationHex(header);
    std::printf("%s\n  directions:           %d\n  frames per direction: %d\n"
                "  termination bytes:    %c%c %c%c %c%c %c%c\n"
                "  direction  frame  width  height  offset x  offset y\n",
                file.c_str(), header.m_iDirections, header.m_iFramesPerDirection, t[0], t[1], t[2],
                t[3], t[4], t[5], t[6], t[7]);
    const int count = header.m_iDirections * header.m_iFramesPerDirection;
    DC6FrameHeader fh;
    for (int i = 0; i < count; ++i) {
        doc.GetDC6FrameHeader(i, fh);
        std::printf("  %9d  %5d  %5d  %6d  %8d  %8d\n", i / header.m_iFramesPerDirection,
                    i % header.m_iFramesPerDirection, fh.m_iWidth, fh.m_iHeight, fh.m_iOffsetX,
                    fh.m_iOffsetY);
    }
}

} // namespace

int RunInfo(Args args)
{
    const bool json = TakeFlag(args, "--json");
    if (!NoOptionsLeft(args))
        return kUsage;
    if (args.empty())
        return UsageError("info needs at least one DC6 file");
    if (json && args.size() != 1)
        return UsageError("info --json takes exactly one DC6 file");

    int status = kOk;
    for (const std::string& file : args) {
        CDC6File doc;
        DC6FileHeader header;
        if (!doc.LoadDC6(file) || !doc.GetDC6FileHeader(header)) {
            status = Fail(file, doc.GetLastErrorText());
            continue;
        }
        if (json)
            PrintJson(doc, header);
        else
            PrintSummary(file, doc, header);
    }
    std::cout.flush();
    return status;
}

int RunNew(Args args)
{
    int directions = 1;
    int frames = 1;
    if (!TakeIntOption(args, "--directions", directions) ||
        !TakeIntOption(args, "--frames", frames) || !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 1)
        return UsageError("new takes one output file");
    if (directions < 1 || frames < 1)
        return UsageError("--directions and --frames must be at least 1");

    CDC6File doc;
    if (!doc.NewDC6(directions, frames) || !doc.SaveDC6(args[0]))
        return Fail(args[0], doc.GetLastErrorText());
    return kOk;
}

int RunResave(Args args)
{
    if (!NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 2)
        return UsageError("resave takes an input and an output file");
    CDC6File doc;
    if (!doc.LoadDC6(args[0]))
        return Fail(args[0], doc.GetLastErrorText());
    if (!doc.SaveDC6(args[1]))
        return Fail(args[1], doc.GetLastErrorText());
    return kOk;
}

int RunRepair(Args args)
{
    std::string output;
    if (!TakeTextOption(args, "-o", output) || !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 1 || output.empty())
        return UsageError("repair takes IN.dc6 -o OUT.dc6");
    CDC6File doc;
    std::string repaired;
    if (!doc.LoadDC6Repaired(args[0], repaired))
        return Fail(args[0], doc.GetLastErrorText());
    if (!doc.SaveDC6(output))
        return Fail(output, doc.GetLastErrorText());
    std::cout << args[0] << ": " << (repaired.empty() ? "nothing to repair" : repaired) << '\n';
    return kOk;
}

} // namespace cli
