#include "DC6ImagePlugin.h"

#include "DataFolder.h"
#include "Image.h"
#include "Palette.h"

#include <dlfcn.h>

#include <QImage>
#include <QVariant>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace {

// The colours of every image: the catalogue's first palette, found from the
// plugin's own place as the programs find it from theirs (the plugin folder
// lies at a fixed place relative to the programs' folder, in the build tree
// and in an installed tree alike); a grey ramp without one. Index 0 is
// transparent.
QList<QRgb> ColourTable()
{
    CPalette palette = GreyRampPalette();
    Dl_info self{};
    if (dladdr(reinterpret_cast<const void*>(&ColourTable), &self) != 0 &&
        self.dli_fname != nullptr) {
        const std::filesystem::path programs =
            std::filesystem::path(self.dli_fname).parent_path() / SPRITEWRIGHT_PLUGIN_TO_BIN;
        palette = FirstCataloguePalette(PaletteFolder(FindDataFolder(programs)));
    }
    QList<QRgb> table;
    table.reserve(static_cast<qsizetype>(palette.size()));
    for (const RGBQUAD& c : palette)
        table.push_back(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
    table[0] &= 0x00FFFFFFu;
    return table;
}

const QList<QRgb>& SharedColourTable()
{
    static const QList<QRgb> table = ColourTable();
    return table;
}

std::span<const uint8_t> Bytes(const QByteArray& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

} // namespace

bool CDC6ImageHandler::CanRead(QIODevice* device)
{
    if (device == nullptr)
        return false;
    const QByteArray head = device->peek(sizeof(DC6FileHeader));
    DC6FileHeader header;
    return CDC6File().ReadDC6Header(Bytes(head), header);
}

bool CDC6ImageHandler::canRead() const
{
    if (m_bLoaded ? m_bValid && m_iCurrent < imageCount() : CanRead(device())) {
        setFormat("dc6");
        return true;
    }
    return false;
}

bool CDC6ImageHandler::Load() const
{
    if (m_bLoaded)
        return m_bValid;
    m_bLoaded = true;
    QIODevice* const dev = device();
    if (dev == nullptr)
        return false;
    // In pieces, so that nothing is set aside for bytes that never come.
    while (m_Bytes.size() <= CImage::kMaxFileBytes) {
        const QByteArray piece = dev->read(qint64{1} << 20);
        if (piece.isEmpty())
            break;
        m_Bytes += piece;
    }
    if (m_Bytes.size() > CImage::kMaxFileBytes)
        return false;
    if (!CDC6File().ReadDC6Header(Bytes(m_Bytes), m_Header))
        return false;
    const int64_t count = int64_t{m_Header.m_iDirections} * m_Header.m_iFramesPerDirection;
    const int64_t tableEntries = (m_Bytes.size() - int64_t{sizeof(DC6FileHeader)}) / 4;
    m_bValid = count <= tableEntries;
    return m_bValid;
}

bool CDC6ImageHandler::read(QImage* image)
{
    if (image == nullptr || !Load() || m_iCurrent >= imageCount())
        return false;
    // Each read moves on to the next image, whether this one reads or not,
    // so that reading until canRead() says no always ends.
    const int index = m_iCurrent++;
    CDC6File reader;
    DC6FileHeader header;
    DC6Frame frame;
    if (!reader.ReadDC6Frame(Bytes(m_Bytes), index, CDC6File::kMaxFramePixels, INT32_MAX, header,
                             frame))
        return false;
    const DC6FrameHeader& fh = frame.m_DC6FrameHeader;
    if (!allocateImage(QSize(fh.m_iWidth, fh.m_iHeight), QImage::Format_Indexed8, image))
        return false;
    image->setColorTable(SharedColourTable());
    // The frame's first row is the bottom of the picture.
    const size_t width = static_cast<size_t>(fh.m_iWidth);
    for (int y = 0; y < fh.m_iHeight; ++y)
        std::memcpy(image->scanLine(fh.m_iHeight - 1 - y),
                    frame.m_ImageData.data() + static_cast<size_t>(y) * width, width);
    image->setText("OffsetX", QString::number(fh.m_iOffsetX));
    image->setText("OffsetY", QString::number(fh.m_iOffsetY));
    image->setText("Direction", QString::number(index / header.m_iFramesPerDirection));
    image->setText("Frame", QString::number(index % header.m_iFramesPerDirection));
    return true;
}

bool CDC6ImageHandler::supportsOption(ImageOption option) const
{
    return option == ImageFormat;
}

QVariant CDC6ImageHandler::option(ImageOption option) const
{
    if (option == ImageFormat)
        return QImage::Format_Indexed8;
    return {};
}

int CDC6ImageHandler::imageCount() const
{
    // Load makes sure that the file holds a table entry for every image.
    if (!Load())
        return 0;
    return static_cast<int>(int64_t{m_Header.m_iDirections} * m_Header.m_iFramesPerDirection);
}

bool CDC6ImageHandler::jumpToImage(int imageNumber)
{
    if (imageNumber < 0 || imageNumber >= imageCount())
        return false;
    m_iCurrent = imageNumber;
    return true;
}

bool CDC6ImageHandler::jumpToNextImage()
{
    return jumpToImage(m_iCurrent + 1);
}

int CDC6ImageHandler::currentImageNumber() const
{
    return m_iCurrent;
}

QImageIOPlugin::Capabilities CDC6ImagePlugin::capabilities(QIODevice* device,
                                                           const QByteArray& format) const
{
    if (format == "dc6")
        return CanRead;
    if (!format.isEmpty() || device == nullptr || !device->isOpen())
        return {};
    return device->isReadable() && CDC6ImageHandler::CanRead(device) ? CanRead : Capabilities{};
}

QImageIOHandler* CDC6ImagePlugin::create(QIODevice* device, const QByteArray& format) const
{
    auto* handler = new CDC6ImageHandler;
    handler->setDevice(device);
    handler->setFormat(format);
    return handler;
}
