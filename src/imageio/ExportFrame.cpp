#include "ExportFrame.h"

#include "FrameImage.h"
#include "Image.h"

bool ExportFrame(const CDC6File& doc, int index, const CPalette& palette,
                 const std::filesystem::path& path, int type, std::string& error)
{
    CImage image;
    if (!FrameToImage(doc, index, palette, image, error))
        return false;
    PrepareForFileType(image, type, 255);
    if (!image.Save(path, type)) {
        error = "Could not save " + path.string() + " (" + image.GetLastError() + ")";
        return false;
    }
    return true;
}
