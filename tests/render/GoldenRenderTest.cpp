// Small projects compiled by the real compiler, drawn by the renderer, and
// checked pixel by pixel.
#include "tests/render/RenderTestSupport.h"

#include "terminal/MemoryImageLayout.h"
#include "render/PageRenderer.h"

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

using render::RenderPage;
using render::TerminalImage;

const QRgb kBlack = qRgb(0, 0, 0);

// What a colour looks like after the terminal's reduction to a depth.
QRgb AtDepth(int r, int g, int b, int depth)
{
    if (depth == 24)
        return qRgb(r, g, b);
    const int r5 = r >> 3, g6 = g >> 2, b5 = b >> 3;
    return qRgb(r5 << 3 | r5 >> 2, g6 << 2 | g6 >> 4, b5 << 3 | b5 >> 2);
}

// The smallest rectangle holding every pixel that is not black.
QRect Ink(const QImage& image, const QRect& area)
{
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != kBlack)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

int RecordIndexOfType(const TerminalImage& image, int page, uint16_t type)
{
    const auto& records = image.Pages()[size_t(page)].records;
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].drawType == type)
            return int(i);
    return -1;
}

class GoldenShapes : public ::testing::TestWithParam<int> {};

TEST_P(GoldenShapes, OutlinedAndFilledShapesInTheCurrentColour)
{
    EnsureGuiApplication();
    const int depth = GetParam();
    ProjectDesc project = SmallProject(depth);
    PageDesc page;
    ObjectDesc filled = Shape("CDrawRect", 1, 10, 10, 20, 20);
    filled.fillColor = Rgb(200, 100, 50);
    ObjectDesc outlined = Shape("CDrawRect", 2, 30, 5, 40, 15);
    outlined.lineColor = Rgb(20, 220, 90);
    ObjectDesc line = Shape("CDrawLine", 0, 0, 40, 20, 40);
    line.lineColor = Rgb(0, 0, 255);
    ObjectDesc ellipse = Shape("CDrawEllipse", 3, 44, 20, 60, 36);
    ellipse.fillColor = Rgb(255, 255, 0);
    ObjectDesc round = Shape("CDrawRoundRect", 4, 44, 2, 62, 18);
    round.lineColor = Rgb(255, 0, 255);
    round.extra = 4;
    // No colour of its own: drawn in the colour still current (the round
    // rectangle's).
    ObjectDesc inherits = Shape("CDrawRect", 5, 2, 2, 6, 6);
    page.objects = {filled, outlined, line, ellipse, round, inherits};
    project.pages = {page};
    Workspace workspace;
    const auto image = Load(CompileToBytes(workspace, project));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Depth(), depth);
    const QImage screen = RenderPage(*image, 0);
    ASSERT_EQ(screen.size(), QSize(64, 48));

    const QRgb orange = AtDepth(200, 100, 50, depth);
    EXPECT_EQ(screen.pixel(10, 10), orange);
    EXPECT_EQ(screen.pixel(19, 19), orange);
    EXPECT_EQ(screen.pixel(20, 20), kBlack);
    EXPECT_EQ(Ink(screen, QRect(8, 8, 14, 14)), QRect(10, 10, 10, 10));

    const QRgb green = AtDepth(20, 220, 90, depth);
    EXPECT_EQ(screen.pixel(30, 5), green);
    EXPECT_EQ(screen.pixel(39, 14), green);
    EXPECT_EQ(screen.pixel(35, 10), kBlack); // outline only
    EXPECT_EQ(screen.pixel(40, 15), kBlack);

    EXPECT_EQ(screen.pixel(0, 40), AtDepth(0, 0, 255, depth));
    EXPECT_EQ(screen.pixel(20, 40), AtDepth(0, 0, 255, depth)); // both end points
    EXPECT_EQ(screen.pixel(21, 40), kBlack);

    EXPECT_EQ(screen.pixel(52, 28), AtDepth(255, 255, 0, depth));
    EXPECT_EQ(screen.pixel(44, 20), kBlack); // outside the ellipse's corner

    const QRgb magenta = AtDepth(255, 0, 255, depth);
    EXPECT_EQ(screen.pixel(53, 2), magenta);  // top edge
    EXPECT_EQ(screen.pixel(44, 2), kBlack);   // rounded corner
    EXPECT_EQ(screen.pixel(53, 10), kBlack);  // inside
    EXPECT_EQ(screen.pixel(4, 4), magenta);
    EXPECT_EQ(Ink(screen, QRect(0, 0, 8, 8)), QRect(2, 2, 4, 4));
}

INSTANTIATE_TEST_SUITE_P(Depths, GoldenShapes, ::testing::Values(16, 24));

TEST(GoldenRender, BackgroundColourAndPageOrder)
{
    EnsureGuiApplication();
    ProjectDesc project = SmallProject(24);
    PageDesc first, second;
    first.pageId = 7;
    first.backgroundColor = Rgb(10, 20, 30);
    second.pageId = 3;
    project.pages = {first, second};
    second.objects.clear();
    Workspace workspace;
    const auto image = Load(CompileToBytes(workspace, project));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Pages().size(), 2u);
    EXPECT_EQ(image->Pages()[0].id, 7);
    EXPECT_EQ(RenderPage(*image, 0).pixel(63, 47), qRgb(10, 20, 30));
    EXPECT_EQ(RenderPage(*image, 1).pixel(0, 0), kBlack); // an empty page is black
}

TEST(GoldenRender, TwoFramePictureReleasedAndPressed)
{
    EnsureGuiApplication();
    Workspace workspace;
    ProjectDesc project = SmallProject(16);
    PageDesc page;
    ObjectDesc button = Shape("CDrawImage", 1, 5, 6, 25, 16);
    button.normalImage = workspace.SolidImage("n.png", 20, 10, QColor(255, 0, 0));
    button.pressedImage = workspace.SolidImage("p.png", 7, 3, QColor(0, 0, 255)); // scaled to the object
    ObjectDesc single = Shape("CDrawImage", 2, 30, 6, 40, 16);
    single.pressedImage = workspace.SolidImage("only.png", 10, 10, QColor(0, 255, 0));
    page.objects = {button, single};
    project.pages = {page};
    const auto image = Load(CompileToBytes(workspace, project));
    ASSERT_TRUE(image);
    const int index = RecordIndexOfType(*image, 0, image_layout::kDrawPicture);
    ASSERT_GE(index, 0);

    const QImage released = RenderPage(*image, 0);
    EXPECT_EQ(Ink(released, QRect(0, 0, 28, 20)), QRect(5, 6, 20, 10));
    EXPECT_EQ(released.pixel(5, 6), qRgb(255, 0, 0));
    EXPECT_EQ(released.pixel(24, 15), qRgb(255, 0, 0));
    const QImage pressed = RenderPage(*image, 0, index);
    EXPECT_EQ(pressed.pixel(5, 6), qRgb(0, 0, 255));
    EXPECT_EQ(pressed.pixel(24, 15), qRgb(0, 0, 255));
    EXPECT_EQ(pressed.pixel(25, 15), kBlack);
    // A picture with only a pressed image has one frame, shown always.
    EXPECT_EQ(released.pixel(35, 10), qRgb(0, 255, 0));
    EXPECT_EQ(RenderPage(*image, 0, index + 1).pixel(35, 10), qRgb(0, 255, 0));
}

// A text object of the given font and spacing in white on an empty page.
QImage RenderText(const std::u16string& text, uint32_t font, uint32_t charSpacing = 0, uint32_t lineSpacing = 0)
{
    ProjectDesc project = SmallProject(24, 200, 120);
    PageDesc page;
    ObjectDesc item = Shape("CDrawText", 1, 10, 10, 190, 110);
    item.lineColor = Rgb(255, 255, 255);
    item.fontId = font;
    item.charSpacing = charSpacing;
    item.lineSpacing = lineSpacing;
    item.text = text;
    page.objects = {item};
    project.pages = {page};
    Workspace workspace;
    const auto image = Load(CompileToBytes(workspace, project));
    return image ? RenderPage(*image, 0) : QImage();
}

TEST(GoldenRender, TextInEachFontUsesHalfAndWholeCells)
{
    EnsureGuiApplication();
    const QRect all(0, 0, 200, 120);
    for (uint32_t font : {1u, 2u, 3u}) {
        const int cell = 8 + 8 * int(font);
        SCOPED_TRACE(cell);
        // One whole-width character stays inside its cell.
        const QRect wide = Ink(RenderText(u"国", font), all);
        ASSERT_FALSE(wide.isEmpty());
        EXPECT_GE(wide.left(), 10);
        EXPECT_LE(wide.right(), 10 + cell - 1);
        EXPECT_GE(wide.top(), 10);
        EXPECT_LE(wide.bottom(), 10 + cell + cell / 4);
        EXPECT_GT(wide.width(), cell / 2); // the glyph is of the cell's size
        // After a half-width character the same glyph is half a cell further right.
        const QRect afterHalf = Ink(RenderText(u" 国", font), all);
        EXPECT_EQ(afterHalf.left(), wide.left() + cell / 2);
        // Each character is followed by the character spacing.
        const QRect spaced = Ink(RenderText(u" 国", font, 5), all);
        EXPECT_EQ(spaced.left(), wide.left() + cell / 2 + 5);
        // Lines are a cell plus the line spacing apart.
        const QRect twoLines = Ink(RenderText(u"国\r\n国", font, 0, 6), all);
        EXPECT_EQ(twoLines.bottom() - twoLines.top(), wide.height() - 1 + cell + 6);
    }
}

TEST(GoldenRender, TextTakesTheCurrentColourAndStaysInItsObject)
{
    EnsureGuiApplication();
    const QImage screen = RenderText(u"国国国国国国国国国国国国国国国国国国国国国国国国国", 3);
    // The line is longer than the object: cut at the object's right edge.
    EXPECT_LE(Ink(screen, QRect(0, 0, 200, 120)).right(), 189);
    bool white = false;
    for (int x = 10; x < 40 && !white; ++x)
        for (int y = 10; y < 42 && !white; ++y)
            white = screen.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_TRUE(white);
}

} // namespace
} // namespace kdx::testing
