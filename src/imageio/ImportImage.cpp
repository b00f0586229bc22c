#include "ImportImage.h"

#include "ColourMatch.h"
#include "FrameImage.h"
#include "Image.h"

#include <algorithm>
#include <vector>

namespace {

// Adds `count` blank frame numbers before frame `frame` of every direction.
bool InsertFrameNumbers(CDC6File& doc, DC6FileHeader& header, int frame, int count,
                        std::string& error)
{
    if (count == 0)
        return true;
    const int64_t total =
        int64_t{header.m_iDirections} * (int64_t{header.m_iFramesPerDirection} + count);
    if (total > CDC6File::kMaxFrames) {
        error = "The import would make " + std::to_string(total) +
                " frames, more than the limit of " + std::to_string(CDC6File::kMaxFrames);
        return false;
    }
    std::vector<int> indices;
    for (int d = header.m_iDirections - 1; d >= 0; --d)
        indices.insert(indices.end(), static_cast<size_t>(count),
                       d * header.m_iFramesPerDirection + frame);
    if (!doc.InsertFrames(indices)) {
        error = "The frame list could not be changed";
        return false;
    }
    header.m_iFramesPerDirection += count;
    doc.SetDC6FileHeader(header);
    return true;
}

} // namespace

bool ImportImage(CDC6File& doc, int direction, int frame, const std::filesystem::path& path,
                 const CPalette& palette, const CImportQuestions& questions, CImportResult& result,
                 std::string& error)
{
    result = CImportResult{};
    DC6FileHeader header;
    if (!doc.GetDC6FileHeader(header) || direction < 0 || direction >= header.m_iDirections ||
        frame < 0 || frame >= header.m_iFramesPerDirection) {
        error = "There is no selected frame to import into";
        return false;
    }

    // A deep picture is dithered while it is read.
    CImage image;
    CDitherWhileReading dither(std::vector<RGBQUAD>(palette.begin(), palette.end()));
    image.SetRowsRead(
        [&dither](const CImage& picture, int rows) { dither.RowsRead(picture, rows); });
    const bool loaded = image.Load(path, ImageTypeFromExtension(path));
    image.SetRowsRead({});
    std::vector<uint8_t> indices;
    const bool dithered = dither.Finish(indices);
    if (!loaded) {
        error = "Error when openening " + path.string();
        return false;
    }
    if (!dithered || !image.SetIndexedPixels(std::move(indices), {palette.begin(), palette.end()}))
        ReduceToIndexed(image, palette);

    // Several pieces go to consecutive frames; a single picture replaces the
    // selected frame.
    std::vector<CImage> tiles;
    int imageCount = 1;
    bool insert = true;
    const bool oversized =
        image.GetWidth() > kImportFrameLimit || image.GetHeight() > kImportFrameLimit;
    if (oversized && header.m_iDirections > 1) {
        error = "Image to large for multidirectional image";
        return false;
    }
    if (oversized && questions.SplitOversized()) {
        // Row by row from the top left; the last column and row narrower.
        for (int top = 0; top < image.GetHeight(); top += kImportFrameLimit) {
            for (int left = 0; left < image.GetWidth(); left += kImportFrameLimit) {
                CImage& tile = tiles.emplace_back();
                image.Crop(left, top, left + kImportFrameLimit, top + kImportFrameLimit, &tile);
            }
        }
    } else if (image.GetType() == IMAGE_TYPE_GIF && image.GetNumFrames() > 1 &&
               questions.ImportAllImages()) {
        imageCount = image.GetNumFrames();
        insert = questions.InsertImages();
    }
    const int pieces = tiles.empty() ? imageCount : static_cast<int>(tiles.size());

    // Room for the pieces: blank frame numbers in front of the selected one,
    // in every direction, so that the grid stays whole. Inserting makes room
    // for all but the last piece, which lands on the selected frame;
    // overwriting only for the pieces that reach past the last frame.
    const int added = pieces == 1 ? 0
                      : insert    ? pieces - 1
                                  : std::max(0, frame + pieces - header.m_iFramesPerDirection);
    if (!InsertFrameNumbers(doc, header, frame, added, error))
        return false;
    const int first = direction * header.m_iFramesPerDirection + frame;

    if (!tiles.empty()) {
        for (int i = 0; i < pieces; ++i)
            ImageToFrame(doc, first + i, tiles[static_cast<size_t>(i)], palette);
    } else if (imageCount == 1) {
        ImageToFrame(doc, first, image, palette);
    } else {
        // Each image of the GIF with its own colours; images that cannot be
        // read leave their frames as they are.
        std::vector<CImage> images;
        image.LoadAll(path, IMAGE_TYPE_GIF, images);
        for (size_t i = 0; i < images.size() && i < static_cast<size_t>(imageCount); ++i) {
            ReduceToIndexed(images[i], palette);
            ImageToFrame(doc, first + static_cast<int>(i), images[i], palette);
        }
    }
    result.nFramesAdded = added;
    return true;
}
