#include "RecordingObserver.h"

#include "terminal/TerminalPaint.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::test;

namespace {

// Drawing text needs the GUI application (fonts); made once for this file.
void EnsureGuiApplication()
{
    static int argc = 1;
    static char name[] = "test_model";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance())
        new QGuiApplication(argc, argv);
}

QImage Canvas()
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage Drawn(const CDrawObj& obj, QImage image = Canvas())
{
    QPainter p(&image);
    obj.Draw(p, DrawStyle());
    return image;
}

// The rectangle holding every pixel that is not white; empty when none.
QRect Ink(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(DrawPaint, OutlinedAndFilledShapesCoverTheirBounds)
{
    CDrawRect outlined(PageRect{10, 10, 30, 20});
    outlined.SetLineColor(0x000000FF); // red
    EXPECT_EQ(Ink(Drawn(outlined)), QRect(10, 10, 20, 10));
    EXPECT_EQ(Drawn(outlined).pixel(15, 15), qRgb(255, 255, 255)); // not filled

    CDrawRect filled(PageRect{10, 10, 30, 20});
    filled.SetFillColor(0x00FF0000); // blue
    QImage image = Drawn(filled);
    EXPECT_EQ(Ink(image), QRect(10, 10, 20, 10));
    EXPECT_EQ(image.pixel(29, 19), qRgb(0, 0, 255));

    CDrawEllipse ellipse(PageRect{10, 10, 50, 40});
    ellipse.SetFillColor(0x0000FF00);
    image = Drawn(ellipse);
    EXPECT_TRUE(QRect(10, 10, 40, 30).contains(Ink(image)));
    EXPECT_EQ(image.pixel(30, 25), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 255, 255)); // corners stay clear

    CDrawLine line;
    line.SetRect({100, 50, 10, 5});
    line.SetLineColor(0);
    EXPECT_TRUE(Drawn(line).pixel(100, 50) == qRgb(0, 0, 0));
}

TEST(DrawPaint, HandlesInvertAndRestore)
{
    CDrawRect rect(PageRect{20, 20, 60, 50});
    QImage image = Canvas();
    {
        QPainter p(&image);
        rect.DrawHandles(p);
    }
    EXPECT_EQ(image.pixel(15, 15), qRgb(0, 0, 0)); // inside handle 0
    {
        QPainter p(&image);
        rect.DrawHandles(p);
    }
    EXPECT_EQ(Ink(image), QRect());
}

TEST(DrawPaint, PlaceholdersAndPictures)
{
    EnsureGuiApplication();
    DocWithPage d;
    auto* image = d.Add<CDrawImage>(PageRect{10, 10, 110, 70});
    QImage placeholder = Drawn(*image);
    EXPECT_EQ(placeholder.pixel(10, 10), DrawStyle().grayText.rgb()); // outline
    EXPECT_NE(Ink(placeholder.copy(30, 30, 60, 20)), QRect());         // the label

    auto* custom = d.Add<CDrawCustom>(PageRect{20, 20, 80, 60});
    QImage marks = Drawn(*custom);
    EXPECT_EQ(marks.pixel(50, 40), qRgb(255, 255, 255)); // no fill
    EXPECT_NE(marks.pixel(14, 14), qRgb(255, 255, 255)); // handle 0's outline

    QTemporaryDir dir;
    QImage green(4, 4, QImage::Format_RGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(dir.filePath("g.png")));
    image->SetNormalImage(dir.filePath("g.png"));
    QImage picture = Drawn(*image);
    EXPECT_EQ(picture.pixel(60, 40), qRgb(0, 255, 0));
    EXPECT_EQ(Ink(picture), QRect(10, 10, 100, 60));
}

TEST(DrawPaint, TextLinesTabsAndEditing)
{
    EnsureGuiApplication();
    DocWithPage d;
    auto* text = d.Add<CDrawText>(PageRect{0, 0, 120, 80});
    text->SetLineColor(0);
    text->SetText(u"中");
    const QRect one = Ink(Drawn(*text));
    ASSERT_FALSE(one.isEmpty());

    text->SetText(u"中\r\n中");
    const QRect two = Ink(Drawn(*text));
    EXPECT_EQ(two.bottom(), one.bottom() + 16); // the second line one cell lower
    EXPECT_EQ(two.left(), one.left());

    text->SetTabSize(4);
    text->SetText(u"\t中");
    const QRect tabbed = Ink(Drawn(*text));
    EXPECT_GT(tabbed.left(), one.left());

    // A lone LF wraps without resetting the column: the tab after it stops
    // at the next multiple of the tab size counted from the unwrapped start.
    text->SetText(u"中中中\n\t中");
    const QRect wrapped = Ink(Drawn(*text).copy(0, one.bottom() + 1, 120, 16));
    text->SetText(u"中中中\r\n\t中");
    const QRect fresh = Ink(Drawn(*text).copy(0, one.bottom() + 1, 120, 16));
    EXPECT_LT(wrapped.left(), fresh.left());
}

// Each glyph drawn alone in its cell on black: every lit pixel lies inside
// the cell (half a cell for characters of one byte), in every terminal font,
// also for characters that reach far up, down or sideways.
TEST(DrawPaint, GlyphInkStaysInsideItsCell)
{
    EnsureGuiApplication();
    const std::u16string samples = u"AB中Wgj|_^Å@龘，」";
    for (const TerminalFont& font : TerminalFonts()) {
        for (char16_t c : samples) {
            SCOPED_TRACE(std::to_string(font.cellHeight) + " U+" + QString::number(c, 16).toStdString());
            const int width = c < 0x80 ? font.cellWidth / 2 : font.cellWidth;
            const QRect cell(font.cellWidth, font.cellHeight, width, font.cellHeight);
            QImage image(font.cellWidth * 4, font.cellHeight * 3, QImage::Format_RGB32);
            image.fill(Qt::black);
            {
                QPainter p(&image);
                TextStyle style;
                style.font = &font;
                // The text's rectangle is wider than the cell: only the cell rule keeps the ink in.
                PaintTerminalText(p, PageRect{cell.left(), cell.top(), image.width(), image.height()},
                                  std::u16string(1, c), style, Qt::white);
            }
            QRect ink;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) != qRgb(0, 0, 0))
                        ink |= QRect(x, y, 1, 1);
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_TRUE(cell.contains(ink)) << "ink " << ink.left() << "," << ink.top() << " " << ink.width()
                                            << "x" << ink.height();
        }
    }
}

// Only the lines the compiler keeps are drawn; a cut text carries a sign at
// its bottom edge in the editor and none where only the panel's pixels count.
TEST(DrawPaint, TextShowsTheLinesThatFitAndMarksTheCut)
{
    EnsureGuiApplication();
    DocWithPage d;
    auto* text = d.Add<CDrawText>(PageRect{0, 0, 100, 40});
    text->SetLineColor(0);
    text->SetLineSpacing(2); // pitch 18: two lines fit into 40, not three
    text->SetText(u"中\r\n中\r\n中");
    EXPECT_TRUE(text->ShownText().cut);
    const PageRect sign = text->CutSignRect();
    ASSERT_FALSE(sign.IsEmpty());
    EXPECT_EQ(sign.bottom, 40);

    DrawStyle plain;
    plain.editorMarks = false;
    QImage image = Canvas();
    {
        QPainter p(&image);
        text->Draw(p, plain);
    }
    EXPECT_LE(Ink(image).bottom(), 2 * 18); // no part of the third line
    const QImage marked = Drawn(*text);
    EXPECT_EQ(marked.pixel((sign.left + sign.right) / 2, sign.top + 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel((sign.left + sign.right) / 2, sign.top + 1), qRgb(255, 255, 255));

    text->SetRect(PageRect{0, 0, 100, 54}); // room for all three
    EXPECT_FALSE(text->ShownText().cut);
    EXPECT_TRUE(text->CutSignRect().IsEmpty());
    EXPECT_GT(Ink(Drawn(*text)).bottom(), 2 * 18);

    text->SetRect(PageRect{0, 0, 100, 10}); // not even one line: nothing on the panel
    EXPECT_TRUE(text->ShownText().text.empty());
}
