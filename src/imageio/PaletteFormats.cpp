#include "PaletteFormats.h"

#include "AtomicFile.h"
#include "Image.h"
#include "RegularFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <charconv>
#include <limits>

namespace {

constexpr size_t kRawBytes = 768;
constexpr size_t kActTrailerBytes = 772;
constexpr int kMaxColours = 256;

std::string LowerExtension(const std::filesystem::path& name)
{
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool StartsWith(std::span<const uint8_t> data, std::string_view text)
{
    return data.size() >= text.size() && std::equal(text.begin(), text.end(), data.begin());
}

uint16_t BigEndian16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t LittleEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Every entry black with the reserved byte 1, as entries past a short
// palette are.
CPalette BlackPalette()
{
    CPalette palette;
    palette.fill(RGBQUAD{0, 0, 0, 1});
    return palette;
}

// Entries of three bytes each, red first when rgb, else blue first.
void TakeTriples(std::span<const uint8_t> bytes, bool rgb, CPaletteFile& out)
{
    out.palette = BlackPalette();
    const size_t count = std::min<size_t>(bytes.size() / 3, kMaxColours);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = bytes.data() + 3 * i;
        out.palette[i] = rgb ? RGBQUAD{p[2], p[1], p[0], 1} : RGBQUAD{p[0], p[1], p[2], 1};
    }
    out.nColours = static_cast<int>(count);
}

// A line of a text palette, cut short and without control characters, for
// a message.
std::string Quote(std::string_view line)
{
    constexpr size_t kShown = 40;
    std::string shown(line.substr(0, kShown));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return "\"" + shown + (line.size() > kShown ? "...\"" : "\"");
}

// The lines of a text file (LF or CR LF), a UTF-8 byte order mark dropped.
class CLines {
public:
    explicit CLines(std::span<const uint8_t> data)
        : m_Text(reinterpret_cast<const char*>(data.data()), data.size())
    {
        if (m_Text.starts_with("\xEF\xBB\xBF"))
            m_Text.remove_prefix(3);
    }

    // The next line, or false at the end of the text.
    bool Next(std::string_view& line)
    {
        if (m_Text.empty())
            return false;
        const size_t end = m_Text.find('\n');
        line = m_Text.substr(0, end);
        m_Text.remove_prefix(end == std::string_view::npos ? m_Text.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        ++m_nLine;
        return true;
    }
    int Number() const { return m_nLine; }

private:
    std::string_view m_Text;
    int m_nLine = 0;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Takes the next word (up to blank space) off the front of text.
std::string_view TakeWord(std::string_view& text)
{
    text = Trim(text);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

std::optional<int> Number(std::string_view word, int most)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || word.front() == '-' || ec != std::errc() ||
        end != word.data() + word.size() || value > most)
        return std::nullopt;
    return value;
}

// Three numbers from 0 to 255 (red, green, blue) off the front of line;
// what follows them is left in line.
bool TakeColour(std::string_view& line, RGBQUAD& colour)
{
    std::array<uint8_t, 3> rgb{};
    for (uint8_t& channel : rgb) {
        const auto value = Number(TakeWord(line), 255);
        if (!value)
            return false;
        channel = static_cast<uint8_t>(*value);
    }
    colour = RGBQUAD{rgb[2], rgb[1], rgb[0], 1};
    return true;
}

std::string BadColourLine(int number, std::string_view line)
{
    return "line " + std::to_string(number) + " is not three numbers from 0 to 255 (red, green, " +
           "blue): " + Quote(line);
}

bool DecodeJasc(std::span<const uint8_t> data, CPaletteFile& out, std::string& problem)
{
    CLines lines(data);
    std::string_view line;
    lines.Next(line); // the JASC-PAL header, already seen
    if (!lines.Next(line) || Trim(line) != "0100") {
        problem = "line 2 is not the JASC-PAL version 0100";
        return false;
    }
    if (!lines.Next(line)) {
        problem = "it ends before its number of colours";
        return false;
    }
    const auto count = Number(Trim(line), std::numeric_limits<int>::max());
    if (!count || *count == 0) {
        problem = "line 3 is not a number of colours: " + Quote(line);
        return false;
    }
    if (*count > kMaxColours) {
        problem = "it has " + std::to_string(*count) + " colours, and a palette has at most 256";
        return false;
    }
    out.palette = BlackPalette();
    for (int i = 0; i < *count; ++i) {
        if (!lines.Next(line)) {
            problem = "it ends after " + std::to_string(i) + " of the " + std::to_string(*count) +
                      " colours it announces";
            return false;
        }
        std::string_view rest = line;
        if (!TakeColour(rest, out.palette[static_cast<size_t>(i)]) || !Trim(rest).empty()) {
            problem = BadColourLine(lines.Number(), line);
            return false;
        }
    }
    while (lines.Next(line)) {
        if (!Trim(line).empty()) {
            problem = "line " + std::to_string(lines.Number()) +
                      " comes after the last colour (it announces " + std::to_string(*count) +
                      "): " + Quote(line);
            return false;
        }
    }
    out.nColours = *count;
    out.format = PaletteFormat::Jasc;
    return true;
}

// "Name: ...", "Columns: ..." and the like.
bool IsHeaderField(std::string_view line)
{
    size_t i = 0;
    while (i < line.size() && std::isalpha(static_cast<unsigned char>(line[i])))
        ++i;
    return i > 0 && i < line.size() && line[i] == ':';
}

bool DecodeGpl(std::span<const uint8_t> data, CPaletteFile& out, std::string& problem)
{
    CLines lines(data);
    std::string_view line;
    lines.Next(line); // the GIMP Palette header, already seen
    out.palette = BlackPalette();
    int count = 0;
    while (lines.Next(line)) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == '#' || (count == 0 && IsHeaderField(text)))
            continue;
        if (count == kMaxColours) {
            problem = "it has more than 256 colours";
            return false;
        }
        // The numbers may be followed by the colour's name.
        std::string_view rest = line;
        if (!TakeColour(rest, out.palette[static_cast<size_t>(count)])) {
            problem = BadColourLine(lines.Number(), line);
            return false;
        }
        ++count;
    }
    if (count == 0) {
        problem = "it holds no colours";
        return false;
    }
    out.nColours = count;
    out.format = PaletteFormat::Gpl;
    return true;
}

bool IsRiffPalette(std::span<const uint8_t> data)
{
    return data.size() >= 12 && StartsWith(data, "RIFF") &&
           std::equal(data.begin() + 8, data.begin() + 12, "PAL ");
}

bool DecodeRiff(std::span<const uint8_t> data, CPaletteFile& out, std::string& problem)
{
    // The chunks end where the RIFF header says, or at the end of the file.
    const size_t end = static_cast<size_t>(
        std::min<uint64_t>(data.size(), uint64_t{8} + LittleEndian32(data.data() + 4)));
    size_t at = 12;
    while (end >= 8 && at <= end - 8) {
        const uint8_t* chunk = data.data() + at;
        const uint32_t size = LittleEndian32(chunk + 4);
        if (size > end - at - 8) {
            problem = "its " + Quote(std::string_view(reinterpret_cast<const char*>(chunk), 4)) +
                      " chunk runs past the end of the file";
            return false;
        }
        if (std::equal(chunk, chunk + 4, "data")) {
            const int count = size >= 4 ? chunk[10] | chunk[11] << 8 : 0;
            if (count == 0 || count > kMaxColours) {
                problem = "its data chunk gives " + std::to_string(count) +
                          " colours, and a palette has 1 to 256";
                return false;
            }
            if (size < 4 + 4 * static_cast<uint32_t>(count)) {
                problem = "its data chunk is shorter than the " + std::to_string(count) +
                          " colours it announces";
                return false;
            }
            out.palette = BlackPalette();
            for (int i = 0; i < count; ++i) {
                const uint8_t* p = chunk + 12 + 4 * i;
                out.palette[static_cast<size_t>(i)] = RGBQUAD{p[2], p[1], p[0], 1};
            }
            out.nColours = count;
            out.format = PaletteFormat::Riff;
            return true;
        }
        at += 8 + size + (size & 1);
    }
    problem = "it is a RIFF palette without a data chunk";
    return false;
}

bool ImagePalette(const CImage& image, CPaletteFile& out, std::string& problem)
{
    const std::vector<RGBQUAD>& table = image.GetPalette();
    if (image.GetBpp() > 8 || table.empty()) {
        problem = "it is a picture of " + std::to_string(image.GetBpp()) +
                  " bits per pixel without a colour table (save it with an indexed palette of " +
                  "at most 256 colours)";
        return false;
    }
    out.palette = BlackPalette();
    const size_t count = std::min<size_t>(table.size(), kMaxColours);
    for (size_t i = 0; i < count; ++i)
        out.palette[i] = RGBQUAD{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed, 1};
    out.nColours = static_cast<int>(count);
    out.format = PaletteFormat::Image;
    return true;
}

// A 772-byte Adobe colour table: its trailer gives 1 to 256 colours (0 is
// taken as 256 only when the name says .act) and a transparent index below
// 256 or none (0xFFFF).
bool IsActWithTrailer(std::span<const uint8_t> data, bool namedAct)
{
    if (data.size() != kActTrailerBytes)
        return false;
    const int count = BigEndian16(data.data() + kRawBytes);
    const int transparent = BigEndian16(data.data() + kRawBytes + 2);
    return (count <= kMaxColours && (count > 0 || namedAct)) &&
           (transparent < kMaxColours || transparent == 0xFFFF);
}

std::string UnknownFormat(const std::filesystem::path& name, const std::string& ext, size_t size)
{
    const std::string bytes = std::to_string(size) + " bytes";
    if (ext == ".act" && size == kActTrailerBytes)
        return "its trailer does not give 1 to 256 colours and a transparent index below 256 "
               "(or none)";
    if (ext == ".act")
        return "it has " + bytes + ", and an Adobe colour table has 768 or 772";
    if (ext == ".gpl")
        return "it does not begin with \"GIMP Palette\"";
    if (ext == ".pal" || ext == ".dat")
        return "it is neither JASC-PAL text, nor a RIFF palette, nor a raw palette of 768 bytes "
               "(it has " +
               bytes + ")";
    if (ImageTypeFromExtension(name) != IMAGE_TYPE_BMP || ext == ".bmp")
        return "it is not a picture of the kind its extension names";
    return "it has " + bytes +
           " in no palette format known here (raw 768 bytes, Adobe .act, JASC-PAL, GIMP .gpl, "
           "RIFF, or an indexed PNG, GIF, BMP, PCX or TIFF picture)";
}

bool Decode(std::span<const uint8_t> data, const std::filesystem::path& name, RawPalettes raw,
            CPaletteFile& out, std::string& problem)
{
    // The formats that say what they are.
    CLines lines(data);
    std::string_view first;
    if (lines.Next(first)) {
        first = Trim(first);
        if (first == "JASC-PAL")
            return DecodeJasc(data, out, problem);
        if (first.starts_with("GIMP Palette"))
            return DecodeGpl(data, out, problem);
    }
    if (IsRiffPalette(data))
        return DecodeRiff(data, out, problem);

    const std::string ext = LowerExtension(name);
    const bool namedAct = ext == ".act";
    const bool rawSize = data.size() == kRawBytes || raw == RawPalettes::Catalogue ||
                         IsActWithTrailer(data, namedAct);
    // A picture. The first colours of a palette may happen to look like a
    // picture's signature: such a palette does not read as a picture and is
    // still a palette. BMP's two letters and PCX's three loose bytes are
    // so easily met by chance that in a file of a palette's size they count
    // only when the extension names the picture too.
    const int type = ImageTypeFromContent(data);
    const bool weak = type == IMAGE_TYPE_BMP || type == IMAGE_TYPE_PCX;
    const bool named =
        ImageTypeFromExtension(name) == type && (type != IMAGE_TYPE_BMP || ext == ".bmp");
    if (type != IMAGE_TYPE_NONE && (!rawSize || !weak || named)) {
        CImage image;
        if (image.Decode(data, type))
            return ImagePalette(image, out, problem);
        if (!rawSize) {
            problem = "it cannot be read as a picture (" + image.GetLastError() + ")";
            return false;
        }
    }

    if (raw == RawPalettes::Catalogue) {
        // Zeros stand for the bytes a short file lacks.
        std::array<uint8_t, kRawBytes> bytes{};
        std::copy_n(data.begin(), std::min(data.size(), kRawBytes), bytes.begin());
        TakeTriples(bytes, false, out);
        out.format = PaletteFormat::Raw;
        return true;
    }
    if (IsActWithTrailer(data, namedAct)) {
        TakeTriples(data.first(kRawBytes), true, out);
        const int count = BigEndian16(data.data() + kRawBytes);
        out.nColours = count == 0 ? kMaxColours : count;
        for (size_t i = static_cast<size_t>(out.nColours); i < out.palette.size(); ++i)
            out.palette[i] = RGBQUAD{0, 0, 0, 1};
        out.format = PaletteFormat::Act;
        return true;
    }
    if (data.size() == kRawBytes) {
        TakeTriples(data, namedAct, out);
        out.format = namedAct ? PaletteFormat::Act : PaletteFormat::Raw;
        return true;
    }
    problem = UnknownFormat(name, ext, data.size());
    return false;
}

} // namespace

bool DecodePalette(std::span<const uint8_t> data, const std::filesystem::path& name,
                   RawPalettes raw, CPaletteFile& out, std::string& error)
{
    CPaletteFile file;
    std::string problem;
    if (!Decode(data, name, raw, file, problem)) {
        error = "Cannot read the palette " + name.string() + ": " + problem;
        return false;
    }
    out = file;
    return true;
}

bool ReadPalette(const std::filesystem::path& path, RawPalettes raw, CPaletteFile& out,
                 std::string& error, std::vector<uint8_t>* bytes)
{
    std::vector<uint8_t> data;
    std::string reason;
    if (!ReadRegularFile(path, CImage::kMaxFileBytes, data, reason)) {
        error = "Cannot read the palette " + reason;
        return false;
    }
    if (!DecodePalette(data, path, raw, out, error))
        return false;
    if (bytes != nullptr)
        *bytes = std::move(data);
    return true;
}

std::string ShortPaletteNote(const std::filesystem::path& name, const CPaletteFile& file)
{
    if (file.nColours >= kMaxColours)
        return {};
    return name.string() + " has " + std::to_string(file.nColours) + " colours; entries " +
           std::to_string(file.nColours) + " to 255 are black";
}

std::vector<uint8_t> EncodePalette(const CPalette& palette, PaletteFormat format,
                                   std::string_view title)
{
    std::vector<uint8_t> out;
    // Copied in rather than inserted: GCC 12 takes the insert for an
    // overflow in release builds.
    auto text = [&out](std::string_view s) {
        if (s.empty())
            return;
        const size_t at = out.size();
        out.resize(at + s.size());
        std::memcpy(out.data() + at, s.data(), s.size());
    };
    // "R G B" lines, each followed by `suffix` and its index when named.
    auto colourLines = [&](int width, const char* suffix, bool named) {
        char line[48];
        for (size_t i = 0; i < palette.size(); ++i) {
            const RGBQUAD& c = palette[i];
            const int n = std::snprintf(line, sizeof line, "%*d %*d %*d", width, c.rgbRed, width,
                                        c.rgbGreen, width, c.rgbBlue);
            text(std::string_view(line, static_cast<size_t>(n)));
            text(named ? suffix + std::to_string(i) + "\n" : std::string(suffix));
        }
    };
    switch (format) {
    case PaletteFormat::Raw:
        for (const RGBQUAD& c : palette)
            out.insert(out.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
        break;
    case PaletteFormat::Act:
        for (const RGBQUAD& c : palette)
            out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
        // 256 colours, no transparent index.
        out.insert(out.end(), {0x01, 0x00, 0xFF, 0xFF});
        break;
    case PaletteFormat::Jasc:
        text("JASC-PAL\r\n0100\r\n256\r\n");
        colourLines(0, "\r\n", false);
        break;
    case PaletteFormat::Gpl: {
        std::string name(title);
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        text("GIMP Palette\nName: " + name + "\nColumns: 16\n#\n");
        colourLines(3, "\tIndex ", true);
        break;
    }
    case PaletteFormat::Riff: {
        // RIFF "PAL " with one data chunk: version 0x0300, the count, then
        // red, green, blue and a flags byte per entry.
        constexpr uint32_t kDataBytes = 4 + 4 * kMaxColours;
        auto u32 = [&out](uint32_t v) {
            for (int shift = 0; shift < 32; shift += 8)
                out.push_back(static_cast<uint8_t>(v >> shift));
        };
        text("RIFF");
        u32(4 + 8 + kDataBytes);
        text("PAL data");
        u32(kDataBytes);
        out.insert(out.end(), {0x00, 0x03, 0x00, 0x01});
        for (const RGBQUAD& c : palette)
            out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue, 0});
        break;
    }
    case PaletteFormat::Image:
        break;
    }
    return out;
}

bool WritePalette(const std::filesystem::path& path, const CPalette& palette, PaletteFormat format,
                  std::string& error)
{
    if (format == PaletteFormat::Image) {
        error = "palettes are not written as pictures";
        return false;
    }
    const std::vector<uint8_t> bytes = EncodePalette(palette, format, path.stem().string());
    return WriteFileAtomically(path, bytes, error);
}

namespace {

struct FormatName {
    PaletteFormat format;
    const char* name;
};
constexpr FormatName kFormatNames[] = {
    {PaletteFormat::Raw, "raw"}, {PaletteFormat::Act, "act"},   {PaletteFormat::Jasc, "jasc"},
    {PaletteFormat::Gpl, "gpl"}, {PaletteFormat::Riff, "riff"}, {PaletteFormat::Image, "image"},
};

} // namespace

std::optional<PaletteFormat> PaletteFormatFromName(std::string_view name)
{
    for (const FormatName& entry : kFormatNames)
        if (entry.name == name && entry.format != PaletteFormat::Image)
            return entry.format;
    return std::nullopt;
}

const char* PaletteFormatName(PaletteFormat format)
{
    for (const FormatName& entry : kFormatNames)
        if (entry.format == format)
            return entry.name;
    return "";
}

std::optional<PaletteFormat> PaletteFormatFromExtension(const std::filesystem::path& path)
{
    const std::string ext = LowerExtension(path);
    if (ext == ".act")
        return PaletteFormat::Act;
    if (ext == ".gpl")
        return PaletteFormat::Gpl;
    if (ext == ".pal" || ext == ".dat")
        return PaletteFormat::Raw;
    return std::nullopt;
}
