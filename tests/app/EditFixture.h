#pragma once
#include "AppTestSupport.h"
#include "app/page/CDrawTextEdit.h"
#include "app/page/CPageView.h"
#include "app/frame/UndoHistory.h"
#include "app/props/PropIds.h"
#include "model/PageDoc.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <memory>
#include <vector>

namespace kdx::test {


// An editor frame with a page view showing a saved project of two pages:
// page 1 holds rectangles A (jumps to page 1) and B (jumps to page 2) and text T, page 2
// holds rectangle C. The project was opened from its file, so the history
// starts empty.
struct EditorFixture {
    TestFrame frame;
    CPageDoc& doc;
    CPageView* view = nullptr;
    QString path;

    explicit EditorFixture(const QString& file) : doc(frame.Document()), path(file)
    {
        view = new CPageView(doc);
        frame.SetPageView(view);
        CPage* one = doc.AddPage();
        CPage* two = doc.AddPage();
        doc.SetCurrentPage(one);
        Add<CDrawRect>({10, 10, 50, 30})->SetJumpTarget(one->PageId());
        Add<CDrawRect>({100, 100, 140, 130})->SetJumpTarget(two->PageId());
        Add<CDrawText>({200, 20, 300, 80});
        doc.SetCurrentPage(two);
        Add<CDrawRect>({20, 20, 60, 60});
        QVERIFY(frame.Documents().SaveAs(path));
        QVERIFY(frame.OpenDocumentFile(path));
        frame.show();
        QApplication::setActiveWindow(&frame);
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        wnd()->setFocus();
    }

    template <class T> T* Add(PageRect rect)
    {
        auto* object = static_cast<T*>(doc.AddObject(std::make_unique<T>(rect)));
        object->SetLineColor(0);
        return object;
    }
    CUndoHistory& history() { return frame.History(); }
    CPageWnd* wnd() const { return view->PageWindow(); }
    CPage* page(int index) const { return doc.PageAt(index); }
    CDrawObj* object(int page, int index) const { return doc.PageAt(page)->Objects()[size_t(index)].get(); }

    static QPoint At(int x, int y) { return {x + CPageWnd::kFrameWidth, y + CPageWnd::kFrameWidth}; }
    static QPoint At(QPoint p) { return At(p.x(), p.y()); }
    void Click(QPoint p, Qt::KeyboardModifiers mods = {}) { QTest::mouseClick(wnd(), Qt::LeftButton, mods, At(p)); }
    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(wnd(), Qt::LeftButton, {}, At(from));
        QTest::mouseMove(wnd(), At((from + to) / 2));
        QTest::mouseMove(wnd(), At(to));
        QTest::mouseRelease(wnd(), Qt::LeftButton, {}, At(to));
    }
    // Opens the in-place editor of the text object at a page point and
    // gives it the focus; null when it did not open.
    CDrawTextEdit* OpenTextEditor(QPoint p)
    {
        Click(p);
        QTest::mouseDClick(wnd(), Qt::LeftButton, {}, At(p));
        CDrawTextEdit* editor = view->TextEditing().Editor();
        if (!editor || !editor->isVisible())
            return nullptr;
        editor->setFocus();
        return QTest::qWaitFor([&] { return QApplication::focusWidget() == editor; }) ? editor : nullptr;
    }
    // Records what the test changed in the model directly (outside any
    // step); an action of the editor has recorded its step when it ended.
    void Settle()
    {
        history().Checkpoint();
        QVERIFY(!history().HasPendingChange());
    }
    QByteArray Save()
    {
        if (!frame.Documents().SaveAs(path))
            return {};
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::vector<uint8_t> Bytes() { return doc.SaveToBytes(); }
};


} // namespace kdx::test
