#include "GridEdit.h"

#include <vector>

bool ReadGridHeader(const CDC6File& doc, DC6FileHeader& header, std::string& error)
{
    if (!doc.GetDC6FileHeader(header) || header.m_iDirections <= 0 ||
        header.m_iFramesPerDirection <= 0 ||
        doc.GetFrameListLength() != int64_t{header.m_iDirections} * header.m_iFramesPerDirection) {
        error = "The sprite's frames do not match its directions and frames per direction";
        return false;
    }
    return true;
}

bool CheckGridIndex(int index, int count, const char* what, std::string& error)
{
    if (index >= 0 && index < count)
        return true;
    error = std::string(what) + " " + std::to_string(index) + " does not exist: the sprite has " +
            what + "s 0 to " + std::to_string(count - 1);
    return false;
}

namespace {

// Whether `added` blank frames keep the sprite within the limits.
bool CheckGrowth(const CDC6File& doc, int64_t added, std::string& error)
{
    return CDC6File::CheckSpriteSize(doc.GetFrameListLength() + added,
                                     doc.GetPixelTotal() + added * CDC6File::kBlankFramePixels,
                                     error);
}

// Applies the single-frame operations in one pass and writes the counts.
bool Apply(CDC6File& doc, DC6FileHeader header, bool insert, const std::vector<int>& indices,
           std::string& error)
{
    if (!(insert ? doc.InsertFrames(indices) : doc.DeleteFrames(indices))) {
        error = "The frame list could not be changed";
        return false;
    }
    doc.SetDC6FileHeader(header);
    return true;
}

} // namespace

bool DeleteDirection(CDC6File& doc, int direction, std::string& error)
{
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) ||
        !CheckGridIndex(direction, header.m_iDirections, "direction", error))
        return false;
    if (header.m_iDirections == 1) {
        error = "The sprite's only direction cannot be deleted";
        return false;
    }
    const int frames = header.m_iFramesPerDirection;
    std::vector<int> indices;
    for (int f = frames - 1; f >= 0; --f)
        indices.push_back(direction * frames + f);
    --header.m_iDirections;
    return Apply(doc, header, false, indices, error);
}

bool AddDirection(CDC6File& doc, std::string& error)
{
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) ||
        !CheckGrowth(doc, header.m_iFramesPerDirection, error))
        return false;
    // F blank frames after the last frame of the last direction.
    const int frames = header.m_iFramesPerDirection;
    const std::vector<int> indices(static_cast<size_t>(frames), header.m_iDirections * frames);
    ++header.m_iDirections;
    return Apply(doc, header, true, indices, error);
}

bool InsertDirection(CDC6File& doc, int direction, std::string& error)
{
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) ||
        !CheckGridIndex(direction, header.m_iDirections, "direction", error) ||
        !CheckGrowth(doc, header.m_iFramesPerDirection, error))
        return false;
    // F blank frames before the first frame of the direction.
    const int frames = header.m_iFramesPerDirection;
    const std::vector<int> indices(static_cast<size_t>(frames), direction * frames);
    ++header.m_iDirections;
    return Apply(doc, header, true, indices, error);
}

bool DeleteFrameNumber(CDC6File& doc, int frame, std::string& error)
{
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) ||
        !CheckGridIndex(frame, header.m_iFramesPerDirection, "frame", error))
        return false;
    if (header.m_iFramesPerDirection == 1) {
        error = "The only frame of each direction cannot be deleted";
        return false;
    }
    std::vector<int> indices;
    for (int d = header.m_iDirections - 1; d >= 0; --d)
        indices.push_back(d * header.m_iFramesPerDirection + frame);
    --header.m_iFramesPerDirection;
    return Apply(doc, header, false, indices, error);
}

bool AddFrameNumber(CDC6File& doc, std::string& error)
{
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) || !CheckGrowth(doc, header.m_iDirections, error))
        return false;
    // A blank frame after the last frame of each direction.
    std::vector<int> indices;
    for (int d = header.m_iDirections; d >= 1; --d)
        indices.push_back(d * header.m_iFramesPerDirection);
    ++header.m_iFramesPerDirection;
    return Apply(doc, header, true, indices, error);
}

bool InsertFrameNumber(CDC6File& doc, int frame, std::string& error)
{
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) ||
        !CheckGridIndex(frame, header.m_iFramesPerDirection, "frame", error) ||
        !CheckGrowth(doc, header.m_iDirections, error))
        return false;
    std::vector<int> indices;
    for (int d = header.m_iDirections - 1; d >= 0; --d)
        indices.push_back(d * header.m_iFramesPerDirection + frame);
    ++header.m_iFramesPerDirection;
    return Apply(doc, header, true, indices, error);
}

bool SetFrameOffset(CDC6File& doc, int direction, int frame, int offsetX, int offsetY,
                    std::string& error)
{
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) ||
        !CheckGridIndex(direction, header.m_iDirections, "direction", error) ||
        !CheckGridIndex(frame, header.m_iFramesPerDirection, "frame", error))
        return false;
    const int index = direction * header.m_iFramesPerDirection + frame;
    doc.SetFrameOffsetX(index, offsetX);
    doc.SetFrameOffsetY(index, offsetY);
    return true;
}
