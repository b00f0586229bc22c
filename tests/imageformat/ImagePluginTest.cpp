// The Qt image format plugin, used as any Qt program uses it: through
// QImageReader, with the plugin found in the build tree's plugin folder.

#include "DC6File.h"
#include "DataFolder.h"
#include "Palette.h"
#include "PaletteFormats.h"
#include "TestUtil.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

using testutil::Bytes;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

Bytes Sprite(const char* name)
{
    Bytes bytes = ReadFile(testutil::DataDir() / "dc6" / name);
    bytes.at(4) = 1;
    return bytes;
}

QByteArray ToQByteArray(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

} // namespace

TEST(ImagePlugin, EveryFrameReadsAsAnIndexedImage)
{
    TempDir dir;
    for (const char* name : {"composition.dc6", "cursors-markers.dc6"}) {
        SCOPED_TRACE(name);
        const Bytes bytes = Sprite(name);
        // A name that says nothing: the plugin goes by the bytes.
        WriteFile(dir / "sprite.bin", bytes);
        CDC6File doc;
        ASSERT_TRUE(doc.LoadDC6(bytes));
        DC6FileHeader header;
        doc.GetDC6FileHeader(header);

        QImageReader reader(QString::fromStdString((dir / "sprite.bin").string()));
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.format(), "dc6");
        const int count = header.m_iDirections * header.m_iFramesPerDirection;
        ASSERT_EQ(reader.imageCount(), count);
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            EXPECT_EQ(reader.currentImageNumber(), i);
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull())
                << "image " << i << ": " << reader.errorString().toStdString();
            DC6Frame frame;
            doc.GetDC6Frame(i, frame);
            const DC6FrameHeader& fh = frame.m_DC6FrameHeader;
            ASSERT_EQ(image.format(), QImage::Format_Indexed8);
            ASSERT_EQ(image.width(), fh.m_iWidth);
            ASSERT_EQ(image.height(), fh.m_iHeight);
            // The picture's top row is the frame's last.
            for (int y = 0; y < fh.m_iHeight; ++y) {
                const uint8_t* row =
                    frame.m_ImageData.data() + static_cast<size_t>(y) * fh.m_iWidth;
                const uchar* line = image.constScanLine(fh.m_iHeight - 1 - y);
                ASSERT_EQ(Bytes(line, line + fh.m_iWidth), Bytes(row, row + fh.m_iWidth))
                    << "image " << i << " row " << y;
            }
            EXPECT_EQ(image.text("OffsetX"), QString::number(fh.m_iOffsetX));
            EXPECT_EQ(image.text("OffsetY"), QString::number(fh.m_iOffsetY));
            EXPECT_EQ(image.text("Direction"), QString::number(i / header.m_iFramesPerDirection));
            EXPECT_EQ(image.text("Frame"), QString::number(i % header.m_iFramesPerDirection));
        }
        EXPECT_FALSE(reader.jumpToImage(count));

        // Reading on and on gives every image once, in order, then stops.
        QImageReader again(QString::fromStdString((dir / "sprite.bin").string()));
        int read = 0;
        while (again.canRead() && read <= count) {
            const QImage image = again.read();
            ASSERT_FALSE(image.isNull());
            EXPECT_EQ(image.text("Frame"), QString::number(read % header.m_iFramesPerDirection));
            ++read;
        }
        EXPECT_EQ(read, count);
        EXPECT_TRUE(again.read().isNull());
    }
}

TEST(ImagePlugin, ColoursComeFromTheFirstCataloguePaletteWithIndexZeroTransparent)
{
    CPaletteFile catalogue;
    std::filesystem::path file;
    std::string error;
    ASSERT_TRUE(ResolvePalette("", PaletteFolder(FindDataFolder(SPRITEWRIGHT_PROGRAMS)), {},
                               catalogue, file, error))
        << error;
    const CPalette& palette = catalogue.palette;
    QByteArray bytes = ToQByteArray(Sprite("small.dc6"));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "dc6");
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull());
    const QList<QRgb> table = image.colorTable();
    ASSERT_EQ(table.size(), 256);
    EXPECT_EQ(qAlpha(table[0]), 0);
    for (int i = 1; i < 256; ++i) {
        const RGBQUAD& c = palette[static_cast<size_t>(i)];
        ASSERT_EQ(table[i], qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue)) << "entry " << i;
    }
}

TEST(ImagePlugin, OtherAndBrokenFilesAreRefused)
{
    // A frame table that the file does not hold whole, a frame that does not
    // decode, a header with flags 0, and a PNG picture.
    testutil::ByteBuilder shortTable;
    shortTable.I32(6).I32(1).I32(0).I32(0).I32(4).I32(4).I32(28);
    testutil::ByteBuilder broken;
    broken.I32(6).I32(1).I32(0).I32(0).I32(1).I32(1).I32(28);
    broken.I32(0).I32(4).I32(4).I32(0).I32(0).I32(0).I32(0).I32(2).U8({0x01, 0x05});
    QByteArray pngBytes;
    QBuffer pngBuffer(&pngBytes);
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(&pngBuffer, "PNG"));
    const Bytes png(pngBytes.begin(), pngBytes.end());
    struct Case {
        const char* name;
        Bytes bytes;
        bool dc6;
    };
    const Case cases[] = {
        {"short table", shortTable.Get(), true},
        {"broken frame", broken.Get(), true},
        {"flags 0", ReadFile(testutil::DataDir() / "dc6" / "small.dc6"), false},
        {"png", png, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = ToQByteArray(c.bytes);
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        EXPECT_EQ(reader.format() == "dc6", c.dc6);
        if (c.dc6) {
            EXPECT_TRUE(reader.read().isNull());
        }
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setLibraryPaths({SPRITEWRIGHT_PLUGINS});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
