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

// Whether the sprite stays within the limits when `pieces` pieces of
// `piecePixels` pixels in all are written from frame `frame` of `direction`
// on, after `added` blank frame numbers were inserted there. The pieces
// replace `kept` frames that are there now and blank frames for the rest.
bool CheckImportSize(const CDC6File& doc, const DC6FileHeader& header, int direction, int frame,
                     int pieces, int64_t piecePixels, int added, bool insert, std::string& error)
{
    const int kept = insert ? 1 : std::min(pieces, header.m_iFramesPerDirection - frame);
    const int64_t blanks = int64_t{header.m_iDirections} * added;
    int64_t pixels = doc.GetPixelTotal() + blanks * CDC6File::kBlankFramePixels + piecePixels -
                     int64_t{pieces - kept} * CDC6File::kBlankFramePixels;
    for (int i = 0; i < kept; ++i)
        pixels -= doc.GetFramePixelCount(direction * header.m_iFramesPerDirection + frame + i);
    return CDC6File::CheckSpriteSize(doc.GetFrameListLength() + blanks, pixels, error);
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
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    const int across = (width + kImportFrameLimit - 1) / kImportFrameLimit;
    const int down = (height + kImportFrameLimit - 1) / kImportFrameLimit;
    int pieces = 1;
    bool split = false;
    bool insert = true;
    const bool oversized = width > kImportFrameLimit || height > kImportFrameLimit;
    if (oversized && header.m_iDirections > 1) {
        error = "Image to large for multidirectional image";
        return false;
    }
    if (oversized && questions.SplitOversized()) {
        split = true;
        pieces = across * down;
    } else if (image.GetType() == IMAGE_TYPE_GIF && image.GetNumFrames() > 1 &&
               questions.ImportAllImages()) {
        pieces = image.GetNumFrames();
        insert = questions.InsertImages();
    }
    // Every image of a GIF shows on its whole screen, the size of the first.
    const int64_t piecePixels = int64_t{width} * height * (split ? 1 : pieces);

    // Room for the pieces: blank frame numbers in front of the selected one,
    // in every direction, so that the grid stays whole. Inserting makes room
    // for all but the last piece, which lands on the selected frame;
    // overwriting only for the pieces that reach past the last frame. What
    // the sprite would become is checked before anything changes.
    const int added = pieces == 1 ? 0
                      : insert    ? pieces - 1
                                  : std::max(0, frame + pieces - header.m_iFramesPerDirection);
    if (!CheckImportSize(doc, header, direction, frame, pieces, piecePixels, added, insert,
                         error) ||
        !InsertFrameNumbers(doc, header, frame, added, error))
        return false;
    const int first = direction * header.m_iFramesPerDirection + frame;

    if (split) {
        // Row by row from the top left; the last column and row narrower.
        CImage tile;
        for (int i = 0; i < pieces; ++i) {
            const int left = i % across * kImportFrameLimit;
            const int top = i / across * kImportFrameLimit;
            image.Crop(left, top, left + kImportFrameLimit, top + kImportFrameLimit, &tile);
            ImageToFrame(doc, first + i, tile, palette);
        }
    } else if (pieces == 1) {
        ImageToFrame(doc, first, image, palette);
    } else {
        // Each image of the GIF with its own colours, one at a time; images
        // that cannot be read leave their frames as they are.
        image.Destroy();
        int index = 0;
        image.LoadAll(path, IMAGE_TYPE_GIF, [&](CImage& piece) {
            ReduceToIndexed(piece, palette);
            ImageToFrame(doc, first + index, piece, palette);
            return ++index < pieces;
        });
    }
    result.nFramesAdded = added;
    return true;
}
