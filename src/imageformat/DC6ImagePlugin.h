#pragma once

// A Qt image format plugin: any Qt 6 program reads DC6 sprites through
// QImageReader. Each frame is one image (image number d * F + f for frame f
// of direction d), 8-bit indexed with the first palette of the catalogue
// (index 0 transparent), with the frame's drawing offsets as the text keys
// "OffsetX" and "OffsetY" and its place as "Direction" and "Frame".
// read() gives the current image and moves on to the next, as with an
// animation, until canRead() says there are no more; jumpToImage() picks
// any image.

#include "DC6File.h"

#include <QByteArray>
#include <QImageIOHandler>
#include <QImageIOPlugin>

class CDC6ImageHandler : public QImageIOHandler {
public:
    // Whether the device's next bytes begin a DC6 file (peeked, not read).
    static bool CanRead(QIODevice* device);

    bool canRead() const override;
    bool read(QImage* image) override;
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;
    int imageCount() const override;
    bool jumpToImage(int imageNumber) override;
    bool jumpToNextImage() override;
    int currentImageNumber() const override;

private:
    // Takes the file's bytes from the device once; false when they do not
    // make a DC6 file with a whole frame table.
    bool Load() const;

    mutable bool m_bLoaded = false;
    mutable bool m_bValid = false;
    mutable QByteArray m_Bytes;
    mutable DC6FileHeader m_Header{};
    int m_iCurrent = 0;
};

class CDC6ImagePlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "dc6.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device,
                            const QByteArray& format = QByteArray()) const override;
};
