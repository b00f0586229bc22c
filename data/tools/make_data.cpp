// Makes the data files that ship with Spritewright: the palettes and their
// catalogue, the start-up logo, the window icon and the desktop icons.
//
//   spritewright-make-data DATA_FOLDER ICON_FOLDER   (data and dist/icons)
//
// Run it with QT_QPA_PLATFORM=offscreen where there is no display.

#include "DC6File.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Palette = std::array<QColor, 256>;

// Index 0 black (it is the transparent index), then 15 greys, then fifteen
// ramps of 16 shades from dark to light, one per hue.
Palette SpritesPalette()
{
    Palette p;
    p[0] = QColor(0, 0, 0);
    for (int i = 1; i < 16; ++i)
        p[i] = QColor::fromHsv(0, 0, i * 17);
    for (int ramp = 0; ramp < 15; ++ramp) {
        const int hue = ramp * 24;
        for (int shade = 0; shade < 16; ++shade) {
            const int value = 40 + shade * 215 / 15;
            const int saturation = 255 - shade * 120 / 15;
            p[16 + ramp * 16 + shade] = QColor::fromHsv(hue, saturation, value);
        }
    }
    return p;
}

Palette GreysPalette()
{
    Palette p;
    for (int i = 0; i < 256; ++i)
        p[i] = QColor(i, i, i);
    return p;
}

// A 6 x 6 x 6 colour cube, then 40 greys between its steps.
Palette CubePalette()
{
    Palette p;
    int i = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p[i++] = QColor(r * 51, g * 51, b * 51);
    for (int k = 0; k < 40; ++k) {
        const int v = 6 + k * 249 / 40;
        p[i++] = QColor(v, v, v);
    }
    return p;
}

// Earth, stone, leaf, skin and metal ramps for terrain and characters.
Palette EarthPalette()
{
    const QColor ends[][2] = {
        {QColor(20, 12, 6), QColor(220, 180, 120)},  // soil to sand
        {QColor(18, 18, 20), QColor(200, 200, 196)}, // stone
        {QColor(8, 24, 6), QColor(150, 210, 90)},    // leaves
        {QColor(40, 20, 12), QColor(250, 215, 180)}, // skin
        {QColor(10, 12, 24), QColor(170, 190, 230)}, // steel
        {QColor(30, 6, 4), QColor(250, 120, 60)},    // fire
        {QColor(30, 22, 4), QColor(255, 230, 120)},  // gold
        {QColor(6, 10, 30), QColor(100, 160, 255)},  // water
    };
    Palette p;
    p[0] = QColor(0, 0, 0);
    int i = 1;
    for (const auto& ramp : ends) {
        for (int shade = 0; shade < 32 && i < 256; ++shade, ++i) {
            const double t = shade / 31.0;
            p[i] =
                QColor(static_cast<int>(ramp[0].red() + t * (ramp[1].red() - ramp[0].red())),
                       static_cast<int>(ramp[0].green() + t * (ramp[1].green() - ramp[0].green())),
                       static_cast<int>(ramp[0].blue() + t * (ramp[1].blue() - ramp[0].blue())));
        }
    }
    return p;
}

bool WritePalette(const std::filesystem::path& path, const Palette& palette)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const QColor& c : palette) {
        const char entry[3] = {static_cast<char>(c.blue()), static_cast<char>(c.green()),
                               static_cast<char>(c.red())};
        out.write(entry, 3);
    }
    return static_cast<bool>(out);
}

// The nearest palette entry (1 to 255: 0 stays for transparency).
uint8_t Nearest(const Palette& palette, QRgb colour)
{
    int best = 1;
    long bestDistance = -1;
    for (int i = 1; i < 256; ++i) {
        const long dr = qRed(colour) - palette[i].red();
        const long dg = qGreen(colour) - palette[i].green();
        const long db = qBlue(colour) - palette[i].blue();
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<uint8_t>(best);
}

void DrawEmblem(QPainter& painter, const QRectF& box)
{
    // A shield with a diagonal sword.
    QPainterPath shield;
    const double w = box.width(), h = box.height();
    shield.moveTo(box.left() + w * 0.5, box.top());
    shield.lineTo(box.right(), box.top() + h * 0.15);
    shield.lineTo(box.right() - w * 0.08, box.top() + h * 0.65);
    shield.lineTo(box.left() + w * 0.5, box.bottom());
    shield.lineTo(box.left() + w * 0.08, box.top() + h * 0.65);
    shield.lineTo(box.left(), box.top() + h * 0.15);
    shield.closeSubpath();
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0, QColor(70, 110, 200));
    fill.setColorAt(1, QColor(20, 30, 90));
    painter.setPen(QPen(QColor(230, 190, 60), w * 0.06));
    painter.setBrush(fill);
    painter.drawPath(shield);
    painter.setPen(QPen(QColor(235, 235, 240), w * 0.09, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(box.left() + w * 0.28, box.bottom() - h * 0.25),
                     QPointF(box.right() - w * 0.25, box.top() + h * 0.22));
    painter.setPen(QPen(QColor(230, 190, 60), w * 0.07, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(box.left() + w * 0.25, box.top() + h * 0.5),
                     QPointF(box.left() + w * 0.47, box.top() + h * 0.72));
}

bool WriteLogo(const std::filesystem::path& path, const Palette& palette)
{
    const int width = 300, height = 110;
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawEmblem(painter, QRectF(8, 10, 80, 92));
        // The name at the largest size that fits its box whole.
        const QRectF nameBox(98, 18, 200, 50);
        const QString name = "Spritewright";
        QFont font("DejaVu Sans", -1, QFont::Bold);
        for (int pixels = 40; pixels > 8; --pixels) {
            font.setPixelSize(pixels);
            if (QFontMetrics(font).horizontalAdvance(name) <= nameBox.width())
                break;
        }
        painter.setFont(font);
        painter.setPen(QColor(240, 200, 80));
        painter.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, name);
        painter.setFont(QFont("DejaVu Sans", 12));
        painter.setPen(QColor(200, 200, 210));
        painter.drawText(QRectF(100, 66, 200, 30), Qt::AlignLeft | Qt::AlignVCenter,
                         "DC6 sprite editor");
    }

    CDC6File logo;
    logo.NewDC6(1, 1);
    logo.ResizeFrame(0, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb colour = picture.pixel(x, y);
            if (qAlpha(colour) < 128)
                continue;
            // The picture's top row is the frame's last row.
            logo.SetFramePixel(0, x, height - 1 - y, Nearest(palette, colour));
        }
    }
    if (!logo.SaveDC6(path)) {
        std::fprintf(stderr, "%s\n", logo.GetLastErrorText().c_str());
        return false;
    }
    return true;
}

// The emblem on a transparent square of size x size pixels.
bool WriteIcon(const std::filesystem::path& path, int size)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 64.0;
    DrawEmblem(painter, QRectF(6 * unit, 3 * unit, 52 * unit, 58 * unit));
    painter.end();
    return icon.save(QString::fromStdString(path.string()), "PNG");
}

// The desktop icons, one file a size: ICON_FOLDER/SIZE.png.
bool WriteDesktopIcons(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        if (!WriteIcon(folder / (std::to_string(size) + ".png"), size))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_FOLDER ICON_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path data = argv[1];
    const std::filesystem::path pal = data / "pal";
    std::filesystem::create_directories(pal);

    const std::pair<const char*, Palette> palettes[] = {
        {"sprites", SpritesPalette()},
        {"greys", GreysPalette()},
        {"cube", CubePalette()},
        {"earth", EarthPalette()},
    };
    std::ofstream catalogue(pal / "palettes.ini", std::ios::trunc);
    for (const auto& [name, palette] : palettes) {
        if (!WritePalette(pal / (std::string(name) + ".pal"), palette))
            return 1;
        catalogue << name << "\r\n";
    }
    if (!catalogue || !WriteLogo(data / "logo.dc6", palettes[0].second) ||
        !WriteIcon(data / "icon.png", 64) || !WriteDesktopIcons(argv[2]))
        return 1;
    return 0;
}
