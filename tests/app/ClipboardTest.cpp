#include "ClipboardTest.h"

#include "EditFixture.h"
#include "app/page/CDrawTextEdit.h"
#include "app/frame/CMyStatusBar.h"
#include "app/panes/CPaneCompile.h"
#include "app/frame/Commands.h"
#include "app/frame/Messages.h"
#include "app/page/ObjectClipboard.h"
#include "common/Archive.h"
#include "model/ObjectTransfer.h"

#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <set>

namespace kdx::test {
namespace {

const QString kCompiler = QStringLiteral(KDX_BIN_DIR "/KDX_TC");
const QString kMime = QLatin1String(CObjectClipboard::kMimeType);

QByteArray ClipboardObjects()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data ? data->data(kMime) : QByteArray();
}

void PutOnClipboard(const QByteArray& bytes)
{
    auto* data = new QMimeData;
    data->setData(kMime, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

std::set<uint32_t> ObjectIds(const CPageDoc& doc)
{
    std::set<uint32_t> ids;
    for (const auto& page : doc.Pages())
        for (const auto& object : page->Objects())
            ids.insert(object->ObjectId());
    return ids;
}

size_t ObjectCount(const CPageDoc& doc)
{
    size_t n = 0;
    for (const auto& page : doc.Pages())
        n += page->Objects().size();
    return n;
}

} // namespace

void ClipboardTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void ClipboardTest::copyPasteWithinAndBetweenPages()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("within.kdp")));
    f.frame.UpdateCommandUI();
    QVERIFY(!f.frame.Action(ID_EDIT_COPY)->isEnabled());
    QVERIFY(!f.frame.Action(ID_EDIT_CUT)->isEnabled());
    QGuiApplication::clipboard()->clear();
    f.frame.UpdateCommandUI();
    QVERIFY(!f.frame.Action(ID_EDIT_PASTE)->isEnabled());

    // Copy A and B: the clipboard holds them, and a description as text.
    f.Click({30, 20});
    f.Click({120, 115}, Qt::ControlModifier);
    f.frame.UpdateCommandUI();
    QVERIFY(f.frame.Action(ID_EDIT_COPY)->isEnabled());
    QTest::keyClick(f.wnd(), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(!ClipboardObjects().isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Rect (10, 10)-(50, 30)\nRect (100, 100)-(140, 130)\n"));
    f.frame.UpdateCommandUI();
    QVERIFY(f.frame.Action(ID_EDIT_PASTE)->isEnabled());
    QVERIFY(!f.doc.IsModified()); // copying changes nothing

    // Pasted onto the same page: one grid step away, new ids, on top and
    // selected; jumps to existing pages kept. One step undoes it.
    f.doc.view.gridWidth = 10;
    f.doc.view.gridHeight = 5;
    const std::set<uint32_t> idsBefore = ObjectIds(f.doc);
    QTest::keyClick(f.wnd(), Qt::Key_V, Qt::ControlModifier);
    f.Settle();
    QCOMPARE(f.page(0)->Objects().size(), size_t(5));
    CDrawObj* a2 = f.object(0, 3);
    CDrawObj* b2 = f.object(0, 4);
    QCOMPARE(a2->Bounds(), (PageRect{20, 15, 60, 35}));
    QCOMPARE(b2->Bounds(), (PageRect{110, 105, 150, 135}));
    QCOMPARE(a2->JumpTarget(), f.page(0)->PageId());
    QCOMPARE(b2->JumpTarget(), f.page(1)->PageId());
    QVERIFY(!idsBefore.count(a2->ObjectId()) && !idsBefore.count(b2->ObjectId()));
    QVERIFY(a2->ObjectId() != b2->ObjectId());
    QCOMPARE(f.view->SelectedObjectIndices(), (std::vector<int>{3, 4}));
    QCOMPARE(f.history().UndoCount(), 1);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.page(0)->Objects().size(), size_t(3));

    // Onto another page they keep their places.
    f.doc.SetCurrentPage(f.page(1));
    f.frame.ExecuteCommand(ID_EDIT_PASTE);
    QCOMPARE(f.page(1)->Objects().size(), size_t(3));
    QCOMPARE(f.object(1, 1)->Bounds(), (PageRect{10, 10, 50, 30}));
    QCOMPARE(f.object(1, 2)->Bounds(), (PageRect{100, 100, 140, 130}));

    // Cut takes C off page 2 in one step; pasted on page 1 it is where it was.
    f.Settle();
    const int steps = f.history().UndoCount();
    f.Click({40, 40});
    f.frame.ExecuteCommand(ID_EDIT_CUT);
    f.Settle();
    QCOMPARE(f.history().UndoCount(), steps + 1);
    QCOMPARE(f.page(1)->Objects().size(), size_t(2));
    f.doc.SetCurrentPage(f.page(0));
    f.frame.ExecuteCommand(ID_EDIT_PASTE);
    QCOMPARE(f.object(0, 3)->Bounds(), (PageRect{20, 20, 60, 60}));

    // A custom object pasted beside itself takes the next free custom id.
    auto* custom = f.Add<CDrawCustom>({300, 150, 340, 190});
    QCOMPARE(custom->CustomId(), 0u);
    f.view->SelectObjectIndices({4});
    f.frame.ExecuteCommand(ID_EDIT_COPY);
    f.frame.ExecuteCommand(ID_EDIT_PASTE);
    auto* copy = dynamic_cast<CDrawCustom*>(f.object(0, 5));
    QVERIFY(copy);
    QCOMPARE(copy->CustomId(), 1u);
}

void ClipboardTest::pasteIntoASecondEditor()
{
    // The first editor copies A (jumps to its page 1, id 0) and B (jumps to
    // its page 2, id 1).
    EditorFixture first(m_dir.filePath(QStringLiteral("first.kdp")));
    first.Click({30, 20});
    first.Click({120, 115}, Qt::ControlModifier);
    first.frame.ExecuteCommand(ID_EDIT_COPY);

    // The second editor's project has one page (id 0): B's target does not
    // exist there, and A's id 0 names an unrelated page of another project:
    // both jumps are cleared, and the status bar says so.
    TestFrame second;
    auto* view = new CPageView(second.Document());
    second.SetPageView(view);
    second.Document().AddPage();
    second.Document().SetCurrentPage(second.Document().PageAt(0));
    second.UpdateCommandUI();
    QVERIFY(second.Action(ID_EDIT_PASTE)->isEnabled());
    second.ExecuteCommand(ID_EDIT_PASTE);
    CPage* page = second.Document().PageAt(0);
    QCOMPARE(page->Objects().size(), size_t(2));
    QCOMPARE(page->Objects()[0]->Bounds(), (PageRect{10, 10, 50, 30}));
    QCOMPARE(page->Objects()[0]->JumpTarget(), kNoPage);
    QCOMPARE(page->Objects()[1]->JumpTarget(), kNoPage);
    QCOMPARE(second.StatusBar()->MessageText(), QStringLiteral("已清除 2 个粘贴对象的跳转目标（目标页面不在本工程中）"));
    QCOMPARE(page->Objects()[0]->ObjectId(), 1u); // ids of the second project
    QCOMPARE(page->Objects()[1]->ObjectId(), 2u);
    second.Document().SetModifiedFlag(false);
}

void ClipboardTest::pastedPictureCompilesTheSame()
{
    QVERIFY2(QFileInfo(kCompiler).isExecutable(), "the compiler of this build is missing");
    // A picture next to the project, referenced by a relative path.
    QDir(m_dir.path()).mkpath(QStringLiteral("pic"));
    QImage picture(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.setPixel(x, y, qRgb(x * 16, y * 16, 128));
    QVERIFY(picture.save(m_dir.filePath(QStringLiteral("pic/p.png"))));

    EditorFixture f(m_dir.filePath(QStringLiteral("pic/pictures.kdp")));
    CPaneCompile* pane = f.frame.CreateCompilePane();
    pane->SetCompilerPath(kCompiler);
    // Compiles; the size of the compiled file, or -1 when the compiler
    // failed or said anything about the pictures' objects.
    std::vector<uint32_t> pictureIds;
    const auto compile = [&](const QString& name) {
        f.frame.compileAnswer = m_dir.filePath(name);
        f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
        if (!QTest::qWaitFor([&] { return !pane->IsCompiling(); }, 60000))
            return qint64(-1);
        const QString text = pane->Text();
        if (text.contains(QStringLiteral("\r\n*")) || !text.contains(QStringLiteral(">已经生成文件")))
            return qint64(-1);
        for (uint32_t id : pictureIds)
            if (text.contains(QStringLiteral("(IID=%1)").arg(id, 0, 16).toUpper()))
                return qint64(-1);
        return QFileInfo(f.frame.compileAnswer).size();
    };

    auto* image = f.Add<CDrawImage>({300, 100, 316, 116});
    image->SetNormalImage(QStringLiteral("p.png"));
    QVERIFY(image->NormalImage());
    pictureIds.push_back(image->ObjectId());
    const qint64 alone = compile(QStringLiteral("alone.kdpbin"));
    QVERIFY(alone > 0);

    f.view->SelectObjectIndices({3});
    f.frame.ExecuteCommand(ID_EDIT_COPY);
    f.doc.SetCurrentPage(f.page(1));
    f.frame.ExecuteCommand(ID_EDIT_PASTE);
    auto* pasted = dynamic_cast<CDrawImage*>(f.object(1, 1));
    QVERIFY(pasted && pasted->NormalImage());
    QCOMPARE(pasted->NormalImage()->path, QStringLiteral("p.png"));
    pictureIds.push_back(pasted->ObjectId());
    const qint64 both = compile(QStringLiteral("both.kdpbin"));
    QVERIFY(both > alone);
    // The copy shares the picture: only its drawing record is added, not a
    // second 16 x 16 picture.
    QVERIFY2(both - alone < 16 * 16 * 2, qPrintable(QString::number(both - alone)));

    // Another editor whose project lies in another folder finds the same
    // file: the relative path becomes the absolute one.
    TestFrame other;
    QDir(m_dir.path()).mkpath(QStringLiteral("elsewhere"));
    other.Document().SetProjectFolder(m_dir.filePath(QStringLiteral("elsewhere")));
    other.Document().AddPage();
    other.Document().SetCurrentPage(other.Document().PageAt(0));
    other.ExecuteCommand(ID_EDIT_PASTE);
    auto* far = dynamic_cast<CDrawImage*>(other.Document().PageAt(0)->Objects()[0].get());
    QVERIFY(far && far->NormalImage());
    QCOMPARE(far->NormalImage()->path, m_dir.filePath(QStringLiteral("pic/p.png")));
    QVERIFY(!far->NormalImage()->bitmap.isNull());
    other.Document().SetModifiedFlag(false);
}

void ClipboardTest::damagedDataIsRefused()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("damaged.kdp")));
    auto* text = f.doc.PageAt(0)->Objects()[2].get();
    static_cast<CDrawText*>(text)->SetText(u"你好");
    f.view->SelectObjectIndices({0, 1, 2});
    f.frame.ExecuteCommand(ID_EDIT_COPY);
    const QByteArray good = ClipboardObjects();
    QVERIFY(good.size() > 40);
    f.Settle();
    const size_t count = ObjectCount(f.doc);

    const auto refused = [&](const QByteArray& bytes) {
        ShowStatusMessage(0, QString());
        PutOnClipboard(bytes);
        f.frame.ExecuteCommand(ID_EDIT_PASTE);
        const QString status = f.frame.StatusBar()->MessageText();
        return ObjectCount(f.doc) == count && status.contains(QStringLiteral("剪贴板中的对象数据已损坏"));
    };
    // Every shortened form, wrong magic, version and counts, bytes left over.
    for (qsizetype n = 0; n < good.size(); ++n)
        QVERIFY2(refused(good.left(n)), qPrintable(QString::number(n)));
    QByteArray bad = good;
    bad[0] = 'X';
    QVERIFY(refused(bad));
    bad = good;
    bad[4] = 2;
    QVERIFY(refused(bad));
    QVERIFY(refused(good + QByteArray(1, '\0')));
    ArchiveWriter huge;
    huge.U32(kObjectTransferMagic);
    huge.U32(kObjectTransferVersion);
    huge.String(u"x");
    huge.U32(0);
    huge.String(u"");
    huge.Count(0xFFFFFFF0u);
    QVERIFY(refused(QByteArray(reinterpret_cast<const char*>(huge.Data().data()), qsizetype(huge.Data().size()))));
    // Flipped bytes may read as other objects but never crash or half-paste.
    for (qsizetype i = 8; i < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(flipped[i] ^ 0xA5);
        PutOnClipboard(flipped);
        const size_t before = ObjectCount(f.doc);
        f.frame.ExecuteCommand(ID_EDIT_PASTE);
        const size_t added = ObjectCount(f.doc) - before;
        QVERIFY(added <= 3);
    }
    // The refusals added no steps of their own.
    PutOnClipboard(good.left(10));
    f.Settle();
    const int afterFlips = f.history().UndoCount();
    f.frame.ExecuteCommand(ID_EDIT_PASTE);
    f.Settle();
    QCOMPARE(f.history().UndoCount(), afterFlips);
    f.doc.SetModifiedFlag(false);
}

void ClipboardTest::textControlKeepsItsClipboard()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("textclip.kdp")));
    f.Click({30, 20});
    f.frame.ExecuteCommand(ID_EDIT_COPY);
    QVERIFY(!ClipboardObjects().isEmpty());

    // In the in-place editor, copy and paste are the text control's own.
    CDrawTextEdit* editor = f.OpenTextEditor({250, 50});
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("hi"));
    editor->SelectAll();
    f.frame.ExecuteCommand(ID_EDIT_COPY);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("hi"));
    QVERIFY(ClipboardObjects().isEmpty());
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor->LineText(0), QStringLiteral("hi"));
    QCOMPARE(f.page(0)->Objects().size(), size_t(3)); // no object was pasted
}

} // namespace kdx::test
