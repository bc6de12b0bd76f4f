// Every page of the example project drawn by the renderer from the compiled
// file and by the editor's page drawing from the project agree: no pixel
// differs at the project's colour depth, except inside text objects, where
// at least 99% of pixels agree.
#include "tests/render/RenderTestSupport.h"

#include "model/DrawObj.h"
#include "model/PageDoc.h"
#include "model/PagePaint.h"
#include "render/PageRenderer.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

const QString kExampleDir = QStringLiteral(KDX_SOURCE_DIR "/examples/demo");

// A pixel cut to the bits a 16-bit or 24-bit terminal keeps.
QRgb Reduced(QRgb pixel, int depth)
{
    if (depth == 24)
        return pixel & 0xFFFFFF;
    return qRgb(qRed(pixel) & 0xF8, qGreen(pixel) & 0xFC, qBlue(pixel) & 0xF8);
}

TEST(Parity, ExamplePagesLookAsTheEditorDrawsThem)
{
    EnsureGuiApplication();
    CPageDoc doc;
    ASSERT_FALSE(doc.OpenProject(kExampleDir + "/demo.kdp"));
    const QSize size(int(doc.header.width), int(doc.header.height));
    const int depth = int(doc.header.colorDepth);

    // The compiler takes image paths relative to its working folder.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(kExampleDir);
    Workspace workspace;
    CompileOutcome outcome = CompileFile((kExampleDir + "/demo.kdp").toStdString(), workspace.Path("demo.kdpbin"));
    QDir::setCurrent(previous);
    ASSERT_TRUE(outcome.written);
    const auto image = Load(outcome.file);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Pages().size(), doc.PageCount());

    for (size_t index = 0; index < doc.PageCount(); ++index) {
        SCOPED_TRACE("page " + std::to_string(index));
        const CPage& page = *doc.PageAt(index);
        QImage editor(size, QImage::Format_RGB32);
        editor.fill(Qt::black);
        {
            QPainter painter(&editor);
            PaintPageContent(painter, page, size, DrawStyle(), PageMarks::Hidden);
        }
        const QImage terminal = render::RenderPage(*image, int(index));

        std::vector<QRect> texts;
        for (const auto& object : page.Objects())
            if (dynamic_cast<const CDrawText*>(object.get())) {
                const PageRect& b = object->Bounds();
                texts.emplace_back(b.left, b.top, b.Width(), b.Height());
            }
        int outsideDiffs = 0, textPixels = 0, textDiffs = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const bool differ = Reduced(editor.pixel(x, y), depth) != Reduced(terminal.pixel(x, y), depth);
                const bool inText = std::any_of(texts.begin(), texts.end(), [&](const QRect& r) { return r.contains(x, y); });
                if (inText) {
                    ++textPixels;
                    textDiffs += differ;
                } else {
                    outsideDiffs += differ;
                }
            }
        EXPECT_EQ(outsideDiffs, 0);
        if (textPixels > 0) {
            EXPECT_LE(textDiffs * 100, textPixels) << textDiffs << " of " << textPixels;
        }
    }
}

} // namespace
} // namespace kdx::testing
