// Rendering: colour rules, transitions, nine-patch and image strips, GIF
// frames (one frame never animates), text, and the BMP writer.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/backend/MImage.h"
#include "ui/render/CGifPicture.h"
#include "ui/render/MImageList.h"
#include "ui/render/MRender.h"

using namespace uitest;

namespace {

// Writes a GIF of `frames` frames, frame i filled with palette colour i.
std::string WriteGif(const std::string& name, int frames, int w = 4, int h = 4) {
    const std::string path = testenv::MakeTempDir("gif") + "/" + name;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return path;
    GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifPutScreenDesc(gif, w, h, 2, 0, map);
    for (int f = 0; f < frames; ++f) {
        EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr);
        std::vector<GifPixelType> line(static_cast<size_t>(w), static_cast<GifPixelType>(f % 4));
        for (int y = 0; y < h; ++y) EGifPutLine(gif, line.data(), w);
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return path;
}

std::string WriteStrip(int frames, int frameWidth, int height) {
    const std::string path = testenv::MakeTempDir("strip") + "/strip.png";
    MCanvas c(frames * frameWidth, height);
    const ARGB colors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
    for (int f = 0; f < frames; ++f) c.ClearRect(CRect(f * frameWidth, 0, (f + 1) * frameWidth, height), colors[f % 4]);
    c.SavePng(path);
    return path;
}

}  // namespace

TEST(RenderTest, CheckAlphaColorOnlyTouchesBlack) {
    struct Case {
        DWORD in, out;
    } cases[] = {
        {0xFF000000, 0xFF000001}, {0x00000000, 0x00000001}, {0xFF000001, 0xFF000001}, {0x80102030, 0x80102030}};
    for (auto c : cases) {
        DWORD v = c.in;
        MRender::CheckAlphaColor(v);
        EXPECT_EQ(v, c.out);
    }
}

TEST(RenderTest, TransitionOfEightyPercentBlendsAtAlpha51) {
    MCanvas dst(10, 10);
    MCanvas src(10, 10);
    dst.ClearRect(dst.Bounds(), 0xFF000000);
    src.ClearRect(src.Bounds(), 0xFFFFFFFF);
    HDC d = &dst;
    HDC s = &src;
    EXPECT_EQ(MRender::DrawVerticalTransition(d, s, dst.Bounds(), src.Bounds(), 80, 80), 51);
    for (int y : {0, 5, 9}) EXPECT_NEAR(static_cast<int>(dst.GetPixel(3, y) & 0xFF), 51, 1) << y;
    // A ramp from opaque to clear, column by column.
    dst.ClearRect(dst.Bounds(), 0xFF000000);
    EXPECT_EQ(MRender::DrawHorizontalTransition(d, s, dst.Bounds(), src.Bounds(), 0, 100), 0);
    EXPECT_NEAR(static_cast<int>(dst.GetPixel(0, 4) & 0xFF), 255, 1);
    EXPECT_NEAR(static_cast<int>(dst.GetPixel(9, 4) & 0xFF), 0, 1);
}

TEST(RenderTest, TransparentColoursDrawNothing) {
    MCanvas c(8, 8);
    c.ClearRect(c.Bounds(), 0xFF102030);
    MRender::DrawColor(&c, c.Bounds(), 0x00FFFFFF);
    MRender::DrawGradient(&c, c.Bounds(), 0x00FFFFFF, 0x00000000, true, 8);
    EXPECT_EQ(c.GetPixel(4, 4), 0xFF102030u);
    MRender::DrawGradient(&c, c.Bounds(), 0xFFFF0000, 0xFF0000FF, true, 8);
    EXPECT_GT(c.GetPixel(4, 0) & 0x00FF0000, c.GetPixel(4, 7) & 0x00FF0000);
}

TEST(RenderTest, OriginPointsFollowTheAlignment) {
    EXPECT_EQ(MRender::GetOriginPoint(100, 50, 20, 10, 1, 4), CPoint(40, 20));
    EXPECT_EQ(MRender::GetOriginPoint(100, 50, 20, 10, 2, 8), CPoint(80, 40));
    EXPECT_EQ(MRender::GetOriginPoint(100, 50, 20, 10, 0, 0), CPoint(0, 0));
    EXPECT_EQ(MRender::GetOriginPoint(CRect(10, 10, 110, 60), 20, 10, 1, 4), CPoint(50, 32));
}

TEST(RenderTest, NinePatchKeepsCornersAndStretchesTheMiddle) {
    auto image = MImage::FromFile(WriteStrip(3, 4, 12));  // 12 x 12: three 4-pixel columns
    ASSERT_NE(image, nullptr);
    MCanvas c(40, 40);
    HDC hdc = &c;
    MRender::DrawImageFrame(hdc, image.get(), CRect(0, 0, 40, 40), 0, 0, 12, 12, 4);
    EXPECT_EQ(c.GetPixel(1, 1), 0xFFFF0000u);    // left column colour in the corner
    EXPECT_EQ(c.GetPixel(20, 20), 0xFF00FF00u);  // the centre column stretched
    EXPECT_EQ(c.GetPixel(38, 38), 0xFF0000FFu);  // right column in the far corner
}

TEST(RenderTest, ImageListDrawsTheLastFramePastTheEndAndKeepsMissingImages) {
    MImageList list;
    const std::string strip = WriteStrip(3, 5, 5);
    EXPECT_EQ(list.AddImage(Utf8ToUtf16(strip).c_str(), 10, 3), 0);
    EXPECT_EQ(list.AddImage(u"/no/such/file.png", 11, 4), 1);  // keeps its place
    EXPECT_EQ(list.GetImageCount(), 2);
    EXPECT_EQ(list.InsertImage(-1, u"/no/a.png", 12, 1), 2);
    EXPECT_EQ(list.InsertImage(0, u"/no/b.png", 13, 1), -1);
    EXPECT_EQ(list.GetImageCount(), 4);
    EXPECT_EQ(list.InsertImage(9, u"/no/c.png", 14, 1), -1);
    EXPECT_EQ(list.InsertImage(-2, u"/no/c.png", 14, 1), -1);
    EXPECT_EQ(list.InsertImage(0, nullptr, 14, 1), -1);
    EXPECT_EQ(list.GetImageCount(), 4);
    EXPECT_EQ(list.GetImageDataByID(10), list.GetItemImageData(1));
    EXPECT_EQ(list.GetItemImageData(4), nullptr);
    EXPECT_EQ(list.GetImagePathByID(12), CString(u"/no/a.png"));

    MCanvas c(10, 10);
    list.DrawItemIcon(&c, CRect(0, 0, 10, 10), 1, 7);  // state beyond the last frame
    EXPECT_EQ(c.GetPixel(5, 5), 0xFF0000FFu);
    list.DrawItemIcon(&c, CRect(0, 0, 10, 10), 1);
    EXPECT_EQ(c.GetPixel(5, 5), 0xFFFF0000u);
    list.DrawItemIcon(&c, CRect(0, 0, 10, 10), 2, 0);  // no image: nothing drawn
    EXPECT_EQ(c.GetPixel(5, 5), 0xFFFF0000u);
}

TEST(RenderTest, GifFramesAndAOneFrameGifNeverAnimates) {
    auto three = MImage::FromFile(WriteGif("three.gif", 3));
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->GetFrameCount(), 3);
    three->SelectActiveFrame(2);
    EXPECT_EQ(three->GetPixel(1, 1), 0xFF0000FFu);

    CGifPicture one(nullptr, 1, CRect(0, 0, 4, 4));
    auto oneImage = MImage::FromFile(WriteGif("one.gif", 1));
    ASSERT_NE(oneImage, nullptr);
    EXPECT_EQ(oneImage->GetFrameCount(), 1);
    // Hostile and truncated inputs give null, never a crash.
    const std::string bytes = testenv::ReadFile(WriteGif("cut.gif", 2, 64, 64));
    for (size_t cut : {size_t{6}, size_t{13}, size_t{40}, bytes.size() / 2, bytes.size() - 2}) {
        auto partial = MImage::FromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), cut);
        EXPECT_TRUE(!partial || partial->GetFrameCount() < 2) << cut;
    }
    EXPECT_EQ(MImage::FromFile("/no/such.gif"), nullptr);
}

TEST(RenderTest, GifPictureAdvancesEveryFifthTickOnlyWhenAnimated) {
    UseHeadless();
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    const std::string folder = testenv::MakeTempDir("gifroot");
    testenv::RunProcess({"mkdir", "-p", folder + "/skins/theme1/loading"});
    testenv::RunProcess({"cp", WriteGif("a.gif", 3), folder + "/skins/theme1/loading/anim.gif"});
    testenv::RunProcess({"cp", WriteGif("b.gif", 1), folder + "/skins/theme1/loading/still.gif"});
    setenv("TASTRA_DATA_ROOT", folder.c_str(), 1);
    auto* anim = static_cast<CGifPicture*>(dialog.CreateControl(u"CGifPicture", 1, CRect(0, 0, 4, 4), u""));
    auto* still = static_cast<CGifPicture*>(dialog.CreateControl(u"CGifPicture", 2, CRect(8, 0, 12, 4), u""));
    anim->SetImage(u"loading\\anim.gif", 0);
    still->SetImage(u"loading//still.gif", 0);
    unsetenv("TASTRA_DATA_ROOT");
    EXPECT_EQ(anim->GetFrameCount(), 3);
    EXPECT_EQ(still->GetFrameCount(), 1);
    EXPECT_EQ(still->SetRunState(1, 0), 0);
    EXPECT_EQ(anim->SetRunState(1, 0), 1);
    for (int i = 0; i < 4; ++i) anim->OnControlTimer();
    EXPECT_EQ(anim->GetCurrentFrame(), 0);
    anim->OnControlTimer();
    EXPECT_EQ(anim->GetCurrentFrame(), 1);
    for (int i = 0; i < 10; ++i) anim->OnControlTimer();
    EXPECT_EQ(anim->GetCurrentFrame(), 0);  // wrapped after the last
    for (int i = 0; i < 10; ++i) still->OnControlTimer();
    EXPECT_EQ(still->GetCurrentFrame(), 0);
}

TEST(RenderTest, TextIsMeasuredAlignedAndWrapped) {
    MCanvas c(200, 100);
    const MFont font{u"SourceHanSansCN-Regular", 14, FontStyleRegular};
    const CSize one = c.MeasureString(u"Profile", font);
    EXPECT_GT(one.cx, 20);
    EXPECT_GT(one.cy, 10);
    const CSize wrapped = c.MeasureString(u"one two three four five six seven", font, 60, kTextWordWrap);
    EXPECT_LE(wrapped.cx, 60);
    EXPECT_GT(wrapped.cy, one.cy * 2);
    const CSize single = c.MeasureString(u"one two three four five six seven", font, 60, kTextNoWrap);
    EXPECT_GT(single.cx, 60);
    // Right-aligned text ends at the right edge; nothing left of the middle.
    c.ClearRect(c.Bounds(), 0xFF000000);
    c.DrawString(u"abc", CRect(0, 0, 200, 40), font, 0xFFFFFFFF, kAlignRight, kAlignVCenter);
    int leftInk = 0;
    int rightInk = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) (c.GetPixel(x, y) & 0xFF) > 128 ? (x < 100 ? ++leftInk : ++rightInk) : 0;
    EXPECT_EQ(leftInk, 0);
    EXPECT_GT(rightInk, 0);
}

TEST(RenderTest, SavesBitmapFiles) {
    MCanvas c(3, 2);
    c.ClearRect(c.Bounds(), 0xFF112233);
    const std::string path = testenv::MakeTempDir("bmp") + "/out.bmp";
    ASSERT_TRUE(MRender::SaveBitmapToFile(c, Utf8ToUtf16(path)));
    const std::string bytes = testenv::ReadFile(path);
    ASSERT_EQ(bytes.size(), 14u + 40u + 2u * 12u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<uint8_t>(bytes[54]), 0x33);  // blue first
    EXPECT_FALSE(MRender::SaveBitmapToFile(c, u"/no/such/folder/x.bmp"));
}

TEST(RenderTest, RoundedOutlineRadiusComesFromTheDivisor) {
    // r = 12 on a 48-pixel key gives 2-pixel corners: the corner pixel is
    // only partly covered while the edge beside it is drawn.
    MCanvas c(60, 60);
    MRender::DrawRoundRectange(&c, 0.0f, 0.0f, 48.0f, 48.0f, 12.0f, 0xFFFFFFFF, 1.0f, true, 0xFFFFFFFF);
    EXPECT_LT(c.GetPixel(0, 0) >> 24, 0xFFu);
    EXPECT_EQ(c.GetPixel(24, 1) >> 24, 0xFFu);
    EXPECT_EQ(c.GetPixel(24, 24), 0xFFFFFFFFu);
    MCanvas big(60, 60);
    MRender::DrawRoundRectange(&big, 0.0f, 0.0f, 48.0f, 48.0f, 12.0f, 0xFFFFFFFF);  // radius 12
    EXPECT_EQ(big.GetPixel(2, 2) >> 24, 0u);
    EXPECT_EQ(big.GetPixel(24, 2) >> 24, 0xFFu);
}
