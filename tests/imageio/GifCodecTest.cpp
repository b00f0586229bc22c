// Gif codec tests.

#include "Image.h"
#include "ImageCodecs.h"
#include "ImageGIF.h"
#include "TestUtil.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Table = std::vector<GifColorType>;

// One image of a GIF made with giflib directly: pixels top row first.
struct GifPart {
    int left, top, width, height;
    Bytes pixels;
    int disposal = DISPOSE_DO_NOT;
    int transparent = NO_TRANSPARENT_COLOR;
    Table local{};
    bool interlace = false;
};

int AppendBytes(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

Bytes MakeGif(int width, int height, const Table& global, int background,
              const std::vector<GifPart>& parts)
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map =
        global.empty() ? nullptr : GifMakeMapObject(int(global.size()), global.data());
    EXPECT_EQ(EGifPutScreenDesc(gif, width, height, 8, background, map), GIF_OK);
    GifFreeMapObject(map);
    for (const GifPart& part : parts) {
        GraphicsControlBlock gcb{part.disposal, false, 0, part.transparent};
        GifByteType block[4];
        EGifGCBToExtension(&gcb, block);
        EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block), GIF_OK);
        ColorMapObject* local = part.local.empty()
                                    ? nullptr
                                    : GifMakeMapObject(int(part.local.size()), part.local.data());
        EXPECT_EQ(EGifPutImageDesc(gif, part.left, part.top, part.width, part.height,
                                   part.interlace, local),
                  GIF_OK);
        GifFreeMapObject(local);
        std::vector<int> order;
        if (part.interlace) {
            for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < part.height; y += step)
                    order.push_back(y);
        } else {
            for (int y = 0; y < part.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            Bytes row(part.pixels.begin() + y * part.width,
                      part.pixels.begin() + (y + 1) * part.width);
            EXPECT_EQ(EGifPutLine(gif, row.data(), part.width), GIF_OK);
        }
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    return out;
}

const Table kFour = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

// Index of the screen pixel (x, y), y counted from the top.
int At(const CImage& image, int x, int y)
{
    return image.GetBits(image.GetHeight() - 1 - y)[x];
}

CImage DecodeFrame(const Bytes& bytes, int frame)
{
    CImage image;
    image.SetFrame(frame);
    EXPECT_TRUE(image.Decode(bytes, IMAGE_TYPE_GIF)) << frame << ": " << image.GetLastError();
    return image;
}

CImage IndexedPicture(int w, int h, int seed)
{
    CImage image;
    image.Create(w, h, 8, IMAGE_TYPE_GIF);
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{uint8_t(i * seed), uint8_t(255 - i), uint8_t(i ^ seed), 0};
    image.SetPalette(palette.data(), 256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.GetBits(y)[x] = uint8_t(x * 7 + y * 13 + seed);
    return image;
}

bool SameIndices(const CImage& a, const CImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetBits(y), b.GetBits(y), a.GetEffWidth()) != 0)
            return false;
    return true;
}

} // namespace

TEST(GifCodecTest, IndexedPicturesRoundTripIndexForIndex)
{
    CImage image = IndexedPicture(37, 23, 3);
    image.SetTransIndex(9);
    Bytes bytes;
    ASSERT_TRUE(image.Encode(bytes, IMAGE_TYPE_GIF)) << image.GetLastError();
    CImage back = DecodeFrame(bytes, 0);
    ASSERT_EQ(back.GetBpp(), 8);
    EXPECT_EQ(back.GetNumFrames(), 1);
    EXPECT_EQ(back.GetTransIndex(), 9);
    EXPECT_TRUE(SameIndices(back, image));
    ASSERT_EQ(back.GetPalette().size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(std::memcmp(&back.GetPalette()[i], &image.GetPalette()[i], 3), 0) << i;

    // A 1-bit picture keeps its two entries and indices; no transparency.
    CImage mono;
    mono.Create(9, 5, 1, IMAGE_TYPE_GIF);
    const RGBQUAD two[] = {{10, 20, 30, 0}, {200, 100, 50, 0}};
    mono.SetPalette(two, 2);
    for (int i = 0; i < 45; ++i)
        mono.GetBits(i / 9)[i % 9] = uint8_t(i % 3 == 0);
    ASSERT_TRUE(mono.Encode(bytes, IMAGE_TYPE_GIF));
    back = DecodeFrame(bytes, 0);
    EXPECT_EQ(back.GetTransIndex(), -1);
    ASSERT_EQ(back.GetPalette().size(), 2u);
    EXPECT_EQ(back.GetPalette()[1].rgbBlue, 200);
    for (int i = 0; i < 45; ++i)
        EXPECT_EQ(back.GetBits(i / 9)[i % 9], i % 3 == 0);
}

TEST(GifCodecTest, TrueColourPicturesOfFewColoursOnly)
{
    CImage image;
    image.Create(20, 10, 24, IMAGE_TYPE_GIF);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            uint8_t* p = image.GetBits(y) + 3 * x;
            p[0] = uint8_t(x * 12);
            p[1] = uint8_t(y * 25);
            p[2] = uint8_t(x + y);
        }
    image.CreateAlpha();
    image.GetAlphaBits(4)[4] = 0;
    Bytes bytes;
    ASSERT_TRUE(image.Encode(bytes, IMAGE_TYPE_GIF)) << image.GetLastError();
    CImage back = DecodeFrame(bytes, 0);
    ASSERT_EQ(back.GetBpp(), 8);
    ASSERT_GE(back.GetTransIndex(), 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const int index = back.GetBits(y)[x];
            if (x == 4 && y == 4) {
                EXPECT_EQ(index, back.GetTransIndex());
                continue;
            }
            const RGBQUAD c = back.GetPalette()[index];
            EXPECT_EQ(std::memcmp(&c, image.GetBits(y) + 3 * x, 3), 0) << x << "," << y;
        }

    CImage many;
    many.Create(30, 10, 24, IMAGE_TYPE_GIF); // 300 colours
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 30; ++x)
            std::memcpy(many.GetBits(y) + 3 * x,
                        std::array<uint8_t, 3>{uint8_t(x), uint8_t(y), 0}.data(), 3);
    EXPECT_FALSE(many.Encode(bytes, IMAGE_TYPE_GIF));
    EXPECT_NE(many.GetLastError().find("256 colours"), std::string::npos) << many.GetLastError();
}

TEST(GifCodecTest, ComposesEarlierImagesWithTheirDisposal)
{
    // Image 0 fills the screen with 1; image 1 paints 2 over part of it
    // (3 is its transparency index); image 2 paints nothing and shows what
    // image 1's disposal left.
    const GifPart first{0, 0, 6, 4, Bytes(24, 1)};
    GifPart second{2, 1, 3, 2, {2, 3, 2, 3, 2, 2}};
    second.transparent = 3;
    GifPart third{0, 0, 1, 1, {0}};
    third.transparent = 0;
    auto painted = [](int x, int y) {
        static const bool mask[2][3] = {{true, false, true}, {false, true, true}};
        return x >= 2 && x < 5 && y >= 1 && y < 3 && mask[y - 1][x - 2];
    };
    for (int disposal : {DISPOSE_DO_NOT, DISPOSE_BACKGROUND, DISPOSE_PREVIOUS}) {
        SCOPED_TRACE(disposal);
        second.disposal = disposal;
        const Bytes bytes = MakeGif(6, 4, kFour, 0, {first, second, third});
        const CImage shown0 = DecodeFrame(bytes, 0);
        const CImage shown1 = DecodeFrame(bytes, 1);
        const CImage shown2 = DecodeFrame(bytes, 2);
        EXPECT_EQ(shown1.GetNumFrames(), 3);
        ASSERT_EQ(shown2.GetBpp(), 8);
        EXPECT_EQ(shown1.GetTransIndex(), 3);
        EXPECT_EQ(shown2.GetTransIndex(), 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                EXPECT_EQ(At(shown0, x, y), 1);
                EXPECT_EQ(At(shown1, x, y), painted(x, y) ? 2 : 1) << x << "," << y;
                const bool inRect = x >= 2 && x < 5 && y >= 1 && y < 3;
                int expected = 1;
                if (disposal == DISPOSE_DO_NOT)
                    expected = painted(x, y) ? 2 : 1;
                else if (disposal == DISPOSE_BACKGROUND && inRect)
                    expected = 0; // cleared: image 2's transparency index
                EXPECT_EQ(At(shown2, x, y), expected) << x << "," << y;
            }
    }
}

TEST(GifCodecTest, ClipsInterlacedImagesToTheScreen)
{
    // A 7 x 9 interlaced image at (1, 1) on a 5 x 5 screen whose background
    // index is 4: pixel (x, y) of the image is x + 7 * y.
    GifPart part{1, 1, 7, 9, {}};
    part.interlace = true;
    for (int i = 0; i < 63; ++i)
        part.pixels.push_back(uint8_t(i));
    Table table(64, GifColorType{1, 2, 3});
    const CImage shown = DecodeFrame(MakeGif(5, 5, table, 4, {part}), 0);
    ASSERT_EQ(shown.GetWidth(), 5);
    ASSERT_EQ(shown.GetHeight(), 5);
    EXPECT_EQ(shown.GetTransIndex(), -1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(At(shown, x, y), x == 0 || y == 0 ? 4 : (x - 1) + 7 * (y - 1))
                << x << "," << y;
}

TEST(GifCodecTest, AnimationsReadBackImageByImage)
{
    CImage f0 = IndexedPicture(10, 8, 1);
    CImage f1 = IndexedPicture(10, 8, 1);
    f1.GetBits(3)[3] = 77;
    CImage f2 = IndexedPicture(7, 5, 5); // other colours: a local table
    f2.SetTransIndex(4);
    const CImage* frames[] = {&f0, &f1, &f2};
    Bytes bytes;
    std::string error;
    ASSERT_TRUE(EncodeGifAnimation(frames, DISPOSE_BACKGROUND, 7, bytes, error)) << error;
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), "NETSCAPE2.0", "NETSCAPE2.0" + 11),
              bytes.end());

    EXPECT_TRUE(SameIndices(DecodeFrame(bytes, 0), f0));
    EXPECT_TRUE(SameIndices(DecodeFrame(bytes, 1), f1));
    const CImage shown2 = DecodeFrame(bytes, 2);
    ASSERT_EQ(shown2.GetWidth(), 10);
    EXPECT_EQ(shown2.GetTransIndex(), 4);
    EXPECT_EQ(shown2.GetPalette()[9].rgbBlue, f2.GetPalette()[9].rgbBlue);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(At(shown2, x, y), x < 7 && y < 5 ? At(f2, x, y) : 4) << x << "," << y;

    // What giflib itself makes of the file.
    struct Reader {
        const Bytes* bytes;
        size_t pos;
    } reader{&bytes, 0};
    int code = 0;
    GifFileType* gif = DGifOpen(
        &reader,
        [](GifFileType* g, GifByteType* buf, int n) {
            auto* r = static_cast<Reader*>(g->UserData);
            n = int(std::min<size_t>(n, r->bytes->size() - r->pos));
            std::memcpy(buf, r->bytes->data() + r->pos, n);
            r->pos += n;
            return n;
        },
        &code);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 3);
    EXPECT_EQ(gif->SWidth, 10);
    EXPECT_EQ(gif->SHeight, 8);
    for (int i = 0; i < 3; ++i) {
        GraphicsControlBlock gcb;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
        EXPECT_EQ(gcb.DisposalMode, DISPOSE_BACKGROUND);
        EXPECT_EQ(gcb.DelayTime, 7);
        EXPECT_EQ(gcb.TransparentColor, i == 2 ? 4 : NO_TRANSPARENT_COLOR);
        EXPECT_EQ(gif->SavedImages[i].ImageDesc.ColorMap != nullptr, i == 2);
    }
    DGifCloseFile(gif, &code);
}

TEST(GifCodecTest, ImageGifWritesFilesWithoutDamagingOldOnes)
{
    testutil::TempDir dir;
    CImage a = IndexedPicture(12, 9, 2);
    CImage b = IndexedPicture(12, 9, 2);
    b.GetBits(0)[0] = 3;
    CImageGIF gif;
    gif.SetDisposalMethod(DISPOSE_DO_NOT);
    ASSERT_TRUE(gif.Begin(dir / "anim.gif", 12, 9)) << gif.GetLastError();
    ASSERT_TRUE(gif.Add(a) && gif.Add(b) && gif.End()) << gif.GetLastError();
    CImage back;
    back.SetFrame(1);
    ASSERT_TRUE(back.Load(dir / "anim.gif", IMAGE_TYPE_NONE)) << back.GetLastError();
    EXPECT_EQ(back.GetNumFrames(), 2);
    EXPECT_TRUE(SameIndices(back, b));

    const Bytes before = testutil::ReadFile(dir / "anim.gif");
    CImage many;
    many.Create(300, 1, 24, IMAGE_TYPE_BMP);
    for (int x = 0; x < 300; ++x) {
        many.GetBits(0)[3 * x] = uint8_t(x);
        many.GetBits(0)[3 * x + 1] = uint8_t(x >> 8);
    }
    ASSERT_TRUE(gif.Begin(dir / "anim.gif", 12, 9)) << gif.GetLastError();
    ASSERT_TRUE(gif.Add(a));
    EXPECT_FALSE(gif.Add(many));
    EXPECT_NE(gif.GetLastError().find("more than 256 colours"), std::string::npos)
        << gif.GetLastError();
    EXPECT_FALSE(gif.End()) << "a failed animation is dropped";
    // Pictures larger than the screen given at the start do not fit.
    ASSERT_TRUE(gif.Begin(dir / "anim.gif", 10, 9));
    EXPECT_FALSE(gif.Add(a));
    EXPECT_NE(gif.GetLastError().find("larger than the GIF's screen"), std::string::npos)
        << gif.GetLastError();
    EXPECT_EQ(testutil::ReadFile(dir / "anim.gif"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left";
}

TEST(GifCodecTest, RefusesDamagedAndHugeFiles)
{
    const GifPart one{0, 0, 6, 4, Bytes(24, 2)};
    GifPart two{1, 1, 2, 2, {1, 0, 1, 0}};
    const Bytes bytes = MakeGif(6, 4, kFour, 0, {one, two});
    CImage image;
    image.SetFrame(5);
    EXPECT_FALSE(image.Decode(bytes, IMAGE_TYPE_GIF));
    EXPECT_EQ(image.GetNumFrames(), 2);
    EXPECT_NE(image.GetLastError().find("no image 5"), std::string::npos) << image.GetLastError();

    // Every cut before the end of image 1 fails; the cuts after it are
    // files without their trailer.
    for (int frame : {0, 1}) {
        image.SetFrame(frame);
        for (size_t cut = 0; cut + 1 < bytes.size(); ++cut) {
            const Bytes part(bytes.begin(), bytes.begin() + cut);
            const bool ok = image.Decode(part, IMAGE_TYPE_GIF);
            if (frame == 1) {
                EXPECT_FALSE(ok) << cut;
            }
            if (!ok) {
                EXPECT_FALSE(image.GetLastError().empty());
            }
        }
    }

    // A screen of 65535 x 65535, and a 65535 x 65535 image on a small screen
    // with almost no data.
    testutil::ByteBuilder huge;
    huge.U8({'G',  'I',  'F',  '8',  '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0,
             0,    0,    0,    0,    255, 255, 255,  0x2C, 0,    0,    0,    0,
             0xFF, 0xFF, 0xFF, 0xFF, 0,   2,   2,    0x4C, 0x01, 0,    0x3B});
    image.SetFrame(0);
    EXPECT_FALSE(image.Decode(huge.Get(), IMAGE_TYPE_GIF));
    EXPECT_NE(image.GetLastError().find("limit"), std::string::npos) << image.GetLastError();
    Bytes tall = huge.Get();
    tall[6] = tall[8] = 2;
    tall[7] = tall[9] = 0;
    EXPECT_FALSE(image.Decode(tall, IMAGE_TYPE_GIF));
    EXPECT_FALSE(image.GetLastError().empty());
    EXPECT_FALSE(image.Decode(Bytes{'G', 'I', 'F', '8', '9', 'a'}, IMAGE_TYPE_GIF));
}

TEST(GifCodecTest, ReadsImageMagickAnimation)
{
    // Red screen; a 2 x 2 blue image at (2, 1) disposed to the background;
    // a 1 x 1 lime image at (0, 0). The later images have local tables.
    const auto path = testutil::DataDir() / "images/libs/disposal.gif";
    auto colour = [](const CImage& image, int x, int y) {
        const uint8_t* p = image.GetBits(image.GetHeight() - 1 - y) + 3 * x;
        return std::array<int, 4>{p[2], p[1], p[0],
                                  image.GetAlphaBits(image.GetHeight() - 1 - y)[x]};
    };
    CImage image;
    image.SetFrame(1);
    ASSERT_TRUE(image.Load(path, IMAGE_TYPE_GIF)) << image.GetLastError();
    EXPECT_EQ(image.GetNumFrames(), 3);
    ASSERT_EQ(image.GetBpp(), 24);
    using C = std::array<int, 4>;
    EXPECT_EQ(colour(image, 0, 0), (C{255, 0, 0, 255}));
    EXPECT_EQ(colour(image, 3, 2), (C{0, 0, 255, 255}));
    EXPECT_EQ(colour(image, 4, 2), (C{255, 0, 0, 255}));
    image.SetFrame(2);
    ASSERT_TRUE(image.Load(path, IMAGE_TYPE_GIF)) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(colour(image, 0, 0), (C{0, 255, 0, 255}));
    EXPECT_EQ(colour(image, 2, 1)[3], 0); // cleared
    EXPECT_EQ(colour(image, 3, 2)[3], 0);
    EXPECT_EQ(colour(image, 5, 3), (C{255, 0, 0, 255}));
}

TEST(GifRead, AllImagesInOnePassMatchOneAtATime)
{
    const auto path = testutil::DataDir() / "images" / "libs" / "disposal.gif";
    std::vector<CImage> all;
    const auto keep = [&](CImage& image) {
        all.push_back(image);
        return true;
    };
    CImage loader;
    ASSERT_TRUE(loader.LoadAll(path, IMAGE_TYPE_GIF, keep)) << loader.GetLastError();
    ASSERT_EQ(all.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        CImage one;
        one.SetFrame(i);
        ASSERT_TRUE(one.Load(path, IMAGE_TYPE_GIF));
        const CImage& same = all[static_cast<size_t>(i)];
        ASSERT_EQ(same.GetBpp(), one.GetBpp()) << i;
        EXPECT_EQ(same.GetFrame(), i);
        EXPECT_EQ(same.GetTransIndex(), one.GetTransIndex()) << i;
        EXPECT_EQ(same.GetPalette().size(), one.GetPalette().size()) << i;
        for (int y = 0; y < one.GetHeight(); ++y) {
            ASSERT_EQ(0, std::memcmp(same.GetBits(y), one.GetBits(y), one.GetEffWidth())) << i;
            if (one.HasAlpha()) {
                ASSERT_EQ(0, std::memcmp(same.GetAlphaBits(y), one.GetAlphaBits(y),
                                         static_cast<size_t>(one.GetWidth())))
                    << i;
            }
        }
    }
    // The taker may stop the reading.
    int taken = 0;
    ASSERT_TRUE(loader.LoadAll(path, IMAGE_TYPE_GIF, [&](CImage&) { return ++taken < 2; }));
    EXPECT_EQ(taken, 2);

    // Any other type gives its one image.
    CImage png;
    png.Create(2, 2, 8, IMAGE_TYPE_PNG);
    testutil::TempDir dir;
    ASSERT_TRUE(png.Save(dir / "one.png", IMAGE_TYPE_PNG));
    all.clear();
    ASSERT_TRUE(loader.LoadAll(dir / "one.png", IMAGE_TYPE_PNG, keep));
    EXPECT_EQ(all.size(), 1u);
}
