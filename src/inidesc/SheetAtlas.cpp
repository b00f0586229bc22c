#include "SheetAtlas.h"

#include "DC6File.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <climits>
#include <cstdio>
#include <fstream>

#ifndef SPRITEWRIGHT_VERSION
#error "the build defines SPRITEWRIGHT_VERSION"
#endif

namespace {

// Keys keep the order they are written in.
using Json = nlohmann::ordered_json;

// Places in a canvas lie within a few times the range of an offset.
constexpr int64_t kMaxCanvasCoordinate = int64_t{1} << 35;

std::string Number(int64_t value)
{
    return std::to_string(value);
}

// Text that never throws: bytes that are no UTF-8 are replaced.
std::string Dump(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A value as a message shows it, cut short when long.
std::string Shown(const Json& value)
{
    std::string text = Dump(value);
    if (text.size() > 40)
        text = text.substr(0, 37) + "...";
    return text;
}

// Keeps the first syntax error's text and stops the parse there.
class CSyntaxError final : public nlohmann::json_sax<Json> {
public:
    std::string strText = "the text ends too early";

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& ex) override
    {
        // "[json.exception.parse_error.101] parse error at line 1, ..."
        strText = ex.what();
        if (const size_t end = strText.find("] ");
            strText.starts_with("[json.") && end != strText.npos)
            strText.erase(0, end + 2);
        return false;
    }
};

// Where a fault lies, put in front of its message.
class CPlace {
public:
    CPlace(std::string where, std::string& error) : m_strWhere(std::move(where)), m_Error(error) {}

    bool Fail(const std::string& text) const
    {
        m_Error = m_strWhere + text;
        return false;
    }

    // The member `key` of `object`; null when absent, which is a fault
    // (naming the key as `name`, or `key` itself) when it is needed.
    const Json* Member(const Json& object, const std::string& key, bool needed, bool& ok,
                       const std::string& name = {}) const
    {
        const auto it = object.find(key);
        ok = it != object.end() || !needed;
        if (!ok)
            Fail("the key \"" + (name.empty() ? key : name) + "\" is missing");
        return it == object.end() ? nullptr : &*it;
    }

    bool Whole(const Json& value, const std::string& name, int64_t low, int64_t high,
               int64_t& out) const
    {
        bool whole = false;
        if (value.is_number_unsigned()) {
            const uint64_t u = value.get<uint64_t>();
            whole = u <= static_cast<uint64_t>(INT64_MAX);
            out = static_cast<int64_t>(u);
        } else if (value.is_number_integer()) {
            whole = true;
            out = value.get<int64_t>();
        }
        if (whole && low <= out && out <= high)
            return true;
        return Fail("\"" + name + "\" must be a whole number from " + Number(low) + " to " +
                    Number(high) + ", not " + Shown(value));
    }

    // The whole-number members of an object, each from low to high.
    bool Fields(const Json& object, const std::string& name,
                std::initializer_list<std::pair<const char*, int64_t*>> fields, int64_t low,
                int64_t high) const
    {
        if (!object.is_object())
            return Fail("\"" + name + "\" must be an object, not " + Shown(object));
        for (const auto& [key, out] : fields) {
            bool ok = false;
            const Json* value = Member(object, key, true, ok, name + "." + key);
            if (!ok || !Whole(*value, name + "." + key, low, high, *out))
                return false;
        }
        return true;
    }

private:
    std::string m_strWhere;
    std::string& m_Error;
};

bool ReadTermination(const Json& value, const CPlace& place, std::array<uint8_t, 4>& out)
{
    const std::string* text = value.get_ptr<const std::string*>();
    bool hex = text != nullptr && text->size() == 2 * out.size();
    for (size_t i = 0; hex && i < out.size(); ++i) {
        const char* pair = text->data() + 2 * i;
        const auto [end, ec] = std::from_chars(pair, pair + 2, out[i], 16);
        hex = ec == std::errc() && end == pair + 2;
    }
    return hex || place.Fail("\"termination\" must be the four termination bytes as 8 hex "
                             "digits, not " +
                             Shown(value));
}

bool ReadMeta(const Json& meta, CSheetAtlas& atlas, std::string& error)
{
    const CPlace place("The atlas's \"meta\": ", error);
    if (!meta.is_object())
        return place.Fail("it must be an object, not " + Shown(meta));
    bool ok = false;
    int64_t width = 0, height = 0, directions = 0, frames = 0;
    const Json* size = place.Member(meta, "size", true, ok);
    if (!ok || !place.Fields(*size, "size", {{"w", &width}, {"h", &height}}, 1, INT_MAX))
        return false;
    const Json* value = place.Member(meta, "directions", true, ok);
    if (!ok || !place.Whole(*value, "directions", 1, CDC6File::kMaxFrames, directions))
        return false;
    value = place.Member(meta, "framesPerDirection", true, ok);
    if (!ok || !place.Whole(*value, "framesPerDirection", 1, CDC6File::kMaxFrames, frames))
        return false;
    if (directions * frames > CDC6File::kMaxFrames)
        return place.Fail(Number(directions) + " directions of " + Number(frames) +
                          " frames are more than the limit of " + Number(CDC6File::kMaxFrames) +
                          " frames");
    value = place.Member(meta, "termination", true, ok);
    if (!ok || !ReadTermination(*value, place, atlas.termination))
        return false;
    value = place.Member(meta, "scale", false, ok);
    if (value != nullptr && *value != Json("1") && *value != Json(1))
        return place.Fail("\"scale\" must be \"1\": a scaled sheet cannot be cut back into "
                          "frames, not " +
                          Shown(*value));
    value = place.Member(meta, "image", false, ok);
    atlas.strImage = value != nullptr && value->is_string() ? value->get<std::string>() : "";
    atlas.nWidth = static_cast<int>(width);
    atlas.nHeight = static_cast<int>(height);
    atlas.nDirections = static_cast<int>(directions);
    atlas.nFramesPerDirection = static_cast<int>(frames);
    return true;
}

// Where the frame lies in its source, which must agree with its size and
// offsets. A frame without a source is its own source; without an origin,
// the origin follows from the offsets.
bool ReadSource(const Json& entry, const CPlace& place, CAtlasFrame& frame)
{
    bool ok = false;
    const Json* trimmed = place.Member(entry, "trimmed", false, ok);
    if (trimmed != nullptr && !trimmed->is_boolean())
        return place.Fail("\"trimmed\" must be true or false, not " + Shown(*trimmed));
    const Json* source = place.Member(entry, "spriteSourceSize", false, ok);
    const Json* sourceSize = place.Member(entry, "sourceSize", false, ok);
    if ((source == nullptr) != (sourceSize == nullptr))
        return place.Fail("\"spriteSourceSize\" and \"sourceSize\" go together");
    CAtlasRect& s = frame.spriteSource;
    s = {0, 0, frame.frame.w, frame.frame.h};
    frame.nSourceWidth = s.w;
    frame.nSourceHeight = s.h;
    if (source != nullptr) {
        if (!place.Fields(*source, "spriteSourceSize", {{"x", &s.x}, {"y", &s.y}},
                          -kMaxCanvasCoordinate, kMaxCanvasCoordinate) ||
            !place.Fields(*source, "spriteSourceSize", {{"w", &s.w}, {"h", &s.h}}, 1, INT_MAX) ||
            !place.Fields(*sourceSize, "sourceSize",
                          {{"w", &frame.nSourceWidth}, {"h", &frame.nSourceHeight}}, 1,
                          kMaxCanvasCoordinate))
            return false;
        if (s.w != frame.frame.w || s.h != frame.frame.h)
            return place.Fail("\"spriteSourceSize\" is " + Number(s.w) + " x " + Number(s.h) +
                              ", but \"frame\" is " + Number(frame.frame.w) + " x " +
                              Number(frame.frame.h));
        if (s.x < 0 || s.y < 0 || s.x + s.w > frame.nSourceWidth || s.y + s.h > frame.nSourceHeight)
            return place.Fail("\"spriteSourceSize\" reaches outside the " +
                              Number(frame.nSourceWidth) + " x " + Number(frame.nSourceHeight) +
                              " of \"sourceSize\"");
    }
    frame.bTrimmed =
        s.x != 0 || s.y != 0 || s.w != frame.nSourceWidth || s.h != frame.nSourceHeight;
    if (source != nullptr && trimmed != nullptr && trimmed->get<bool>() != frame.bTrimmed)
        return place.Fail(std::string("\"trimmed\" must be ") +
                          (frame.bTrimmed ? "true" : "false") + ": the frame is " +
                          (frame.bTrimmed ? "smaller than" : "the whole of") + " its source");

    // The canvas's top left corner, in offset coordinates.
    const int64_t x = frame.nOffsetX - s.x;
    const int64_t y = int64_t{frame.nOffsetY} - frame.frame.h - s.y;
    frame.nOriginX = x;
    frame.nOriginY = y;
    const Json* origin = place.Member(entry, "origin", false, ok);
    if (origin == nullptr)
        return true;
    if (!place.Fields(*origin, "origin", {{"x", &frame.nOriginX}, {"y", &frame.nOriginY}},
                      -kMaxCanvasCoordinate, kMaxCanvasCoordinate))
        return false;
    if (frame.nOriginX != x || frame.nOriginY != y)
        return place.Fail("\"origin\" is " + Number(frame.nOriginX) + ", " +
                          Number(frame.nOriginY) +
                          ", but \"offset\" and \"spriteSourceSize\" "
                          "put the source's top left corner at " +
                          Number(x) + ", " + Number(y));
    return true;
}

bool ReadFrame(const Json& entry, int index, const CSheetAtlas& atlas, CAtlasFrame& frame,
               std::string& error)
{
    const int direction = index / atlas.nFramesPerDirection;
    const int number = index % atlas.nFramesPerDirection;
    frame.strName = AtlasFrameName(direction, number);
    const CPlace place("Atlas frame " + Number(index) + " (direction " + Number(direction) +
                           ", frame " + Number(number) + "): ",
                       error);
    if (!entry.is_object())
        return place.Fail("it must be an object, not " + Shown(entry));
    bool ok = false;
    const Json* value = place.Member(entry, "filename", true, ok);
    if (!ok)
        return false;
    if (*value != Json(frame.strName))
        return place.Fail("\"filename\" is " + Shown(*value) + ", not \"" + frame.strName +
                          "\": the frames must be listed direction by direction, in order");
    CAtlasRect& r = frame.frame;
    const Json* rect = place.Member(entry, "frame", true, ok);
    if (!ok || !place.Fields(*rect, "frame", {{"x", &r.x}, {"y", &r.y}}, 0, INT_MAX) ||
        !place.Fields(*rect, "frame", {{"w", &r.w}, {"h", &r.h}}, 1, INT_MAX))
        return false;
    if (r.w * r.h > CDC6File::kMaxFramePixels)
        return place.Fail("the frame is " + Number(r.w) + " x " + Number(r.h) +
                          " pixels, more than the limit of " + Number(CDC6File::kMaxFramePixels) +
                          " pixels a frame");
    value = place.Member(entry, "rotated", false, ok);
    if (value != nullptr && *value != Json(false))
        return place.Fail("\"rotated\" must be false: a sprite's frames are never turned, not " +
                          Shown(*value));
    int64_t x = 0, y = 0;
    value = place.Member(entry, "offset", true, ok);
    if (!ok || !place.Fields(*value, "offset", {{"x", &x}, {"y", &y}}, INT_MIN, INT_MAX))
        return false;
    frame.nOffsetX = static_cast<int>(x);
    frame.nOffsetY = static_cast<int>(y);
    int64_t duration = 0;
    value = place.Member(entry, "duration", false, ok);
    if (value != nullptr && !place.Whole(*value, "duration", 0, INT_MAX, duration))
        return false;
    frame.nDuration = static_cast<int>(duration);
    return ReadSource(entry, place, frame);
}

} // namespace

std::string AtlasFrameName(int direction, int frame)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d_%04d", direction, frame);
    return text;
}

std::string WriteSheetAtlas(const CSheetAtlas& atlas)
{
    const auto size = [](int64_t w, int64_t h) { return Json{{"w", w}, {"h", h}}; };
    const auto rect = [](const CAtlasRect& r) {
        return Json{{"x", r.x}, {"y", r.y}, {"w", r.w}, {"h", r.h}};
    };
    // One frame a line, as atlas writers lay them out.
    std::string text = "{\"frames\": [\n";
    for (size_t i = 0; i < atlas.frames.size(); ++i) {
        const CAtlasFrame& f = atlas.frames[i];
        const Json entry = {
            {"filename", f.strName},
            {"frame", rect(f.frame)},
            {"rotated", false},
            {"trimmed", f.bTrimmed},
            {"spriteSourceSize", rect(f.spriteSource)},
            {"sourceSize", size(f.nSourceWidth, f.nSourceHeight)},
            {"duration", f.nDuration},
            {"offset", {{"x", f.nOffsetX}, {"y", f.nOffsetY}}},
            {"origin", {{"x", f.nOriginX}, {"y", f.nOriginY}}},
        };
        text += " " + Dump(entry) + (i + 1 < atlas.frames.size() ? ",\n" : "\n");
    }
    char termination[9];
    std::snprintf(termination, sizeof termination, "%02x%02x%02x%02x", atlas.termination[0],
                  atlas.termination[1], atlas.termination[2], atlas.termination[3]);
    Json tags = Json::array();
    for (int d = 0; d < atlas.nDirections; ++d) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d", d);
        tags.push_back({{"name", name},
                        {"from", int64_t{d} * atlas.nFramesPerDirection},
                        {"to", int64_t{d + 1} * atlas.nFramesPerDirection - 1},
                        {"direction", "forward"}});
    }
    const Json meta = {
        {"app", "Spritewright"},
        {"version", SPRITEWRIGHT_VERSION},
        {"image", atlas.strImage},
        {"format", "I8"},
        {"size", size(atlas.nWidth, atlas.nHeight)},
        {"scale", "1"},
        {"frameTags", tags},
        {"directions", atlas.nDirections},
        {"framesPerDirection", atlas.nFramesPerDirection},
        {"termination", termination},
    };
    text += "],\n\"meta\": {";
    for (auto it = meta.begin(); it != meta.end(); ++it)
        text += (it == meta.begin() ? "\n " : ",\n ") + Dump(it.key()) + ": " + Dump(it.value());
    return text + "\n}\n}\n";
}

bool ReadSheetAtlas(std::string_view text, CSheetAtlas& atlas, std::string& error)
{
    const Json root = Json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        CSyntaxError syntax;
        Json::sax_parse(text, &syntax);
        error = "The atlas is no JSON: " + syntax.strText;
        return false;
    }
    CSheetAtlas read;
    const auto meta = root.is_object() ? root.find("meta") : root.end();
    const auto frames = root.is_object() ? root.find("frames") : root.end();
    if (!root.is_object() || meta == root.end() || frames == root.end()) {
        error = "The atlas must be an object with \"frames\" and \"meta\"";
        return false;
    }
    if (!frames->is_array()) {
        error = "The atlas's \"frames\" must be an array (the array form), not " + Shown(*frames);
        return false;
    }
    if (!ReadMeta(*meta, read, error))
        return false;
    const int64_t count = int64_t{read.nDirections} * read.nFramesPerDirection;
    if (static_cast<int64_t>(frames->size()) != count) {
        error = "The atlas lists " + Number(static_cast<int64_t>(frames->size())) +
                " frames, but its \"meta\" gives " + Number(read.nDirections) + " directions of " +
                Number(read.nFramesPerDirection) + " frames (" + Number(count) + ")";
        return false;
    }
    read.frames.resize(static_cast<size_t>(count));
    int64_t pixels = 0;
    for (int i = 0; i < count; ++i) {
        CAtlasFrame& frame = read.frames[static_cast<size_t>(i)];
        if (!ReadFrame((*frames)[static_cast<size_t>(i)], i, read, frame, error))
            return false;
        pixels += frame.frame.w * frame.frame.h;
        if (pixels > CDC6File::kMaxSpritePixels) {
            error = "The atlas's frames up to frame " + Number(i) + " (" + frame.strName +
                    ") hold more than the limit of " + Number(CDC6File::kMaxSpritePixels) +
                    " pixels a sprite";
            return false;
        }
    }
    atlas = std::move(read);
    return true;
}

bool ReadSheetAtlasFile(const std::filesystem::path& path, CSheetAtlas& atlas, std::string& error)
{
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(path, ec);
    const auto bytes = regular ? std::filesystem::file_size(path, ec) : 0;
    if (!regular || ec) {
        error = "Could not open the atlas " + path.string();
        return false;
    }
    if (bytes > static_cast<uintmax_t>(kMaxAtlasBytes)) {
        error = "The atlas " + path.string() + " is larger than the limit of " +
                Number(kMaxAtlasBytes) + " bytes";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    std::string text(static_cast<size_t>(bytes), '\0');
    if (!file.read(text.data(), static_cast<std::streamsize>(text.size())) ||
        file.peek() != std::char_traits<char>::eof()) {
        error = "Could not read the atlas " + path.string();
        return false;
    }
    if (ReadSheetAtlas(text, atlas, error))
        return true;
    error = path.string() + ": " + error;
    return false;
}

bool CheckSheetAtlas(const CSheetAtlas& atlas, int width, int height, std::string& error)
{
    if (atlas.nWidth != width || atlas.nHeight != height) {
        error = "The atlas is for a sheet of " + Number(atlas.nWidth) + " x " +
                Number(atlas.nHeight) + " pixels, but the sheet is " + Number(width) + " x " +
                Number(height);
        return false;
    }
    for (size_t i = 0; i < atlas.frames.size(); ++i) {
        const CAtlasFrame& f = atlas.frames[i];
        const CAtlasRect& r = f.frame;
        if (r.x + r.w > width || r.y + r.h > height) {
            error = "Atlas frame " + Number(static_cast<int64_t>(i)) + " (" + f.strName +
                    "): its " + Number(r.w) + " x " + Number(r.h) + " rectangle at " + Number(r.x) +
                    ", " + Number(r.y) + " reaches outside the " + Number(width) + " x " +
                    Number(height) + " sheet";
            return false;
        }
    }
    return true;
}
