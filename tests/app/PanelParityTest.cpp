#include "PanelParityTest.h"

#include "app/page/CPageView.h"
#include "model/DrawObj.h"
#include "model/PageDoc.h"
#include "tests/support/ProgramRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace kdx::test {
namespace {

// A pixel cut to the bits a terminal of the project's colour depth keeps.
QRgb Reduced(QRgb pixel, uint32_t depth)
{
    if (depth == 24)
        return pixel & 0xFFFFFF;
    return qRgb(qRed(pixel) & 0xF8, qGreen(pixel) & 0xFC, qBlue(pixel) & 0xF8);
}

// Where the editor draws marks the panel does not show.
std::vector<QRect> EditorMarks(const CPage& page)
{
    std::vector<QRect> marks;
    auto add = [&](const PageRect& r) { marks.emplace_back(r.left, r.top, r.Width(), r.Height()); };
    for (const auto& object : page.Objects()) {
        if (dynamic_cast<const CDrawCustom*>(object.get())) {
            for (int h = 0; h < object->GetHandleCount(); ++h)
                add(object->GetHandleRect(h));
        } else if (const auto* text = dynamic_cast<const CDrawText*>(object.get())) {
            add(text->CutSignRect());
        }
    }
    return marks;
}

// Compiles and renders the project with the command-line companion, from
// the project's folder (pictures are found relative to it).
bool RenderWithKdx(const QString& project, const QDir& out)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QFileInfo(project).absolutePath());
    const ProgramRun compiled = RunProgram(QStringLiteral("kdx"), {QStringLiteral("compile"), project,
                                                                   out.filePath(QStringLiteral("p.kdpbin"))});
    const ProgramRun rendered = RunProgram(QStringLiteral("kdx"), {QStringLiteral("render"),
                                                                   out.filePath(QStringLiteral("p.kdpbin")),
                                                                   out.filePath(QStringLiteral("page.png"))});
    QDir::setCurrent(previous);
    if (compiled.exitCode != 0 || rendered.exitCode != 0) {
        qWarning("%s%s", qPrintable(compiled.out + compiled.err), qPrintable(rendered.out + rendered.err));
        return false;
    }
    return true;
}

// Every page of the project shown by the editor against its rendering.
void ComparePages(CPageDoc& doc, const QDir& rendered)
{
    CPageView view(doc);
    view.resize(int(doc.header.width) + 100, int(doc.header.height) + 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QSize size(int(doc.header.width), int(doc.header.height));
    QVERIFY(!view.IsGridShown());
    for (size_t index = 0; index < doc.PageCount(); ++index) {
        const CPage* page = doc.PageAt(int(index));
        doc.SetCurrentPage(const_cast<CPage*>(page));
        const QImage shot = view.PageWindow()->grab().toImage().copy(
            QRect(QPoint(CPageWnd::kFrameWidth, CPageWnd::kFrameWidth), size));
        const QImage panel(rendered.filePath(QStringLiteral("page-%1.png").arg(index)));
        QCOMPARE(panel.size(), size);
        const std::vector<QRect> marks = EditorMarks(*page);
        int differing = 0;
        QPoint first;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                if (Reduced(shot.pixel(x, y), doc.header.colorDepth) ==
                    Reduced(panel.pixel(x, y), doc.header.colorDepth))
                    continue;
                if (std::any_of(marks.begin(), marks.end(), [&](const QRect& r) { return r.contains(x, y); }))
                    continue;
                if (differing++ == 0)
                    first = QPoint(x, y);
            }
        QVERIFY2(differing == 0, qPrintable(QStringLiteral("page %1: %2 pixels differ, the first at %3,%4")
                                                .arg(index).arg(differing).arg(first.x()).arg(first.y())));
    }
}

} // namespace

void PanelParityTest::examplePagesMatchTheRenderedPanel()
{
    const QString project = QStringLiteral(KDX_SOURCE_DIR "/examples/demo/demo.kdp");
    CPageDoc doc;
    doc.SetProjectFolder(QFileInfo(project).absolutePath());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(doc.ProjectFolder());
    const auto error = doc.OpenProject(project);
    QDir::setCurrent(previous);
    QVERIFY(!error);
    QVERIFY(doc.PageCount() > 1);
    QTemporaryDir out;
    QVERIFY(RenderWithKdx(project, QDir(out.path())));
    ComparePages(doc, QDir(out.path()));
}

void PanelParityTest::blackShapesOnAPageWithoutBackground()
{
    QTemporaryDir out;
    CPageDoc doc;
    CPage* page = doc.AddPage();
    doc.SetCurrentPage(page);
    QCOMPARE(page->BackgroundColor(), kNoColor);
    auto add = [&](std::unique_ptr<CDrawObj> object) { return doc.AddObject(std::move(object)); };
    add(std::make_unique<CDrawRect>(PageRect{10, 10, 60, 40}))->SetLineColor(0);
    add(std::make_unique<CDrawRect>(PageRect{70, 10, 120, 40}))->SetFillColor(0);
    add(std::make_unique<CDrawEllipse>(PageRect{130, 10, 180, 60}))->SetLineColor(0);
    add(std::make_unique<CDrawLine>(PageRect{10, 80, 200, 90}))->SetLineColor(0);
    add(std::make_unique<CDrawRect>(PageRect{200, 100, 300, 200}))->SetFillColor(0x00F8FCF8);
    auto* black = static_cast<CDrawText*>(add(std::make_unique<CDrawText>(PageRect{210, 110, 290, 150})));
    black->SetLineColor(0);
    black->SetText(u"黑字AB");
    // Three lines, room for two: the third is neither drawn nor compiled.
    auto* cut = static_cast<CDrawText*>(add(std::make_unique<CDrawText>(PageRect{10, 100, 150, 150})));
    cut->SetLineColor(0x00F8FCF8);
    cut->SetFontId(2);
    cut->SetText(u"第一行\r\n第二行\r\nthird");
    QVERIFY(cut->ShownText().cut);
    const QString project = QDir(out.path()).filePath(QStringLiteral("black.kdp"));
    QVERIFY(!doc.SaveProject(project));
    QVERIFY(RenderWithKdx(project, QDir(out.path())));
    ComparePages(doc, QDir(out.path()));
}

void PanelParityTest::shapesWithBothColoursShowTheirOutlineOnly()
{
    // Projects made outside the editor may give a shape both colours; the
    // panel draws its outline only, and so must the page.
    QTemporaryDir out;
    CPageDoc doc;
    CPage* page = doc.AddPage();
    doc.SetCurrentPage(page);
    doc.SetPageBackgroundColor(page, 0x00404040);
    auto both = [&](std::unique_ptr<CDrawObj> object) {
        CDrawObj* added = doc.AddObject(std::move(object));
        added->SetLineColor(0x000000FF);
        added->SetFillColor(0x00FF8040);
    };
    both(std::make_unique<CDrawRect>(PageRect{10, 10, 90, 60}));
    both(std::make_unique<CDrawRoundRect>(PageRect{100, 10, 180, 60}));
    both(std::make_unique<CDrawEllipse>(PageRect{190, 10, 270, 60}));
    const QString project = QDir(out.path()).filePath(QStringLiteral("both.kdp"));
    QVERIFY(!doc.SaveProject(project));
    QVERIFY(RenderWithKdx(project, QDir(out.path())));
    ComparePages(doc, QDir(out.path()));
}

} // namespace kdx::test
