// Lists what QImageReader makes of each file named: its format, the number
// of images, the first image's colours 0 and 1 and, for each image, its
// size, pixel format and text keys. Exits
// with 1 when a file yields no image. QT_PLUGIN_PATH chooses the plugins.

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int a = 1; a < argc; ++a) {
        QImageReader reader(QString::fromLocal8Bit(argv[a]));
        const int count = reader.imageCount();
        std::printf("%s: format %s, %d images\n", argv[a], reader.format().constData(), count);
        int read = 0;
        for (int i = 0; i < count && reader.jumpToImage(i); ++i) {
            const QImage image = reader.read();
            if (image.isNull())
                break;
            if (read++ == 0 && image.colorCount() > 1)
                std::printf("  colour 0 alpha %d, colour 1 %s\n", qAlpha(image.color(0)),
                            qPrintable(QColor(image.color(1)).name()));
            std::printf("  %d: %d x %d, %s, indexed %d", i, image.width(), image.height(),
                        image.hasAlphaChannel() ? "alpha" : "opaque",
                        image.format() == QImage::Format_Indexed8 ? 1 : 0);
            for (const QString& key : image.textKeys())
                std::printf(", %s %s", qPrintable(key), qPrintable(image.text(key)));
            std::printf("\n");
        }
        if (read == 0) {
            std::fprintf(stderr, "%s: %s\n", argv[a], qPrintable(reader.errorString()));
            status = 1;
        }
    }
    return status;
}
