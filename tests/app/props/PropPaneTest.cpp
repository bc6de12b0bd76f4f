#include "PropPaneTest.h"

#include "AppTestSupport.h"
#include "app/dialogs/CDlgLinkData.h"
#include "app/frame/CMyStatusBar.h"
#include "edit/CMyEdit.h"
#include "app/page/CPageView.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "app/props/CPaneProp.h"
#include "app/props/CPropCtrls.h"
#include "app/props/CPropLink.h"
#include "app/props/CPropList.h"
#include "app/props/CPropPageCustom.h"
#include "app/props/CPropPageEllipse.h"
#include "app/props/CPropPageGlobal.h"
#include "app/props/CPropPageImage.h"
#include "app/props/CPropPageLine.h"
#include "app/props/CPropPageRect.h"
#include "app/props/CPropPageRoundRect.h"
#include "app/props/CPropPageText.h"
#include "model/PageDoc.h"

#include <QAccessible>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QLabel>
#include <QTest>

namespace kdx::test {
namespace {

// An editor frame with a page view and a project of two pages, the first
// one current.
struct PaneFixture {
    TestFrame frame;
    CPageDoc& doc;
    CPageView* view = nullptr;
    CPropList* list = nullptr;
    CPage* page1 = nullptr;
    CPage* page2 = nullptr;

    explicit PaneFixture(uint32_t depth = 16) : doc(frame.Document())
    {
        view = new CPageView(doc);
        frame.SetPageView(view);
        doc.header.colorDepth = depth;
        page1 = doc.AddPage();
        page2 = doc.AddPage();
        doc.SetCurrentPage(page1);
        frame.show();
        QApplication::setActiveWindow(&frame);
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        list = frame.findChild<CPaneProp*>()->List();
        doc.SetModifiedFlag(false);
    }
    ~PaneFixture() { doc.SetModifiedFlag(false); }

    template <class T = CDrawRect> T* Add(PageRect rect)
    {
        auto* object = static_cast<T*>(doc.AddObject(std::make_unique<T>(rect)));
        object->SetLineColor(0);
        return object;
    }
    CPropBase* Shown() const { return list->ShownPage(); }
    CPropCtrlEdit* Edit(PropId id, CPropBase* page = nullptr) const
    {
        return qobject_cast<CPropCtrlEdit*>((page ? page : Shown())->Control(id));
    }
    CPropCtrlLink* Link(PropId id, CPropBase* page = nullptr) const
    {
        return qobject_cast<CPropCtrlLink*>((page ? page : Shown())->Control(id));
    }
    QComboBox* Combo(PropId id, CPropBase* page) const { return qobject_cast<QComboBox*>(page->Control(id)); }
    QString Status() const { return frame.StatusBar()->MessageText(); }
    void ClearStatus() const { ShowStatusMessage(0, QString()); }

    // Types a new text into the field and presses Enter.
    void Enter(CPropCtrlEdit* edit, const QString& text)
    {
        QVERIFY(edit);
        Type(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void Type(CPropCtrlEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        // One key event per character, Chinese ones included.
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
};

// Handlers for the modal dialogs the links open.
ModalDriver::Handler PickColor(QColor color)
{
    return [color](QWidget* window) {
        auto* dialog = qobject_cast<QColorDialog*>(window);
        QVERIFY(dialog);
        dialog->setCurrentColor(color);
        dialog->accept();
    };
}

void Reject(QWidget* window)
{
    auto* dialog = qobject_cast<QDialog*>(window);
    QVERIFY(dialog);
    dialog->reject();
}

QString ImagePathOf(const ImageEntry* image) { return image ? image->path : QString(); }

} // namespace

void PropPaneTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_red = m_dir.filePath(QStringLiteral("red.png"));
    m_blue = m_dir.filePath(QStringLiteral("pics/blue.png"));
    QDir(m_dir.path()).mkdir(QStringLiteral("pics"));
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(m_red));
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QVERIFY(blue.save(m_blue));
}

void PropPaneTest::shownPageFollowsSelection()
{
    PaneFixture f;
    auto* global = f.list->GlobalPage();
    QCOMPARE(f.Shown(), global);
    QVERIFY(global->isVisible());
    QVERIFY(!f.list->LinkPage()->isVisible());
    QCOMPARE(f.Edit(PropId::PageName)->text(), QStringLiteral("页面 1"));

    CDrawObj* rect = f.Add({10, 10, 50, 30});
    CDrawObj* line = f.Add<CDrawLine>({100, 50, 10, 5});
    QVERIFY(f.view->SelectOnly(rect));
    QVERIFY(qobject_cast<CPropPageRect*>(f.Shown()));
    QVERIFY(f.list->LinkPage()->isVisible());
    QVERIFY(!global->isVisible());
    // The link page sits on top at its own height; the object's page below.
    QCOMPARE(f.list->LinkPage()->geometry().top(), 0);
    QCOMPARE(f.Shown()->geometry().top(), f.list->LinkPage()->geometry().bottom() + 1);

    // A line has no touch behaviour: no link page.
    QVERIFY(f.view->SelectOnly(line));
    QVERIFY(qobject_cast<CPropPageLine*>(f.Shown()));
    QVERIFY(!f.list->LinkPage()->isVisible());

    // Two selected objects show the page properties again, as does none.
    f.view->PageWindow()->SelectObject(rect, true);
    QCOMPARE(f.Shown(), global);
    QVERIFY(f.view->SelectOnly(rect));
    f.view->PageWindow()->ClearSelection();
    QCOMPARE(f.Shown(), global);
    QVERIFY(global->isVisible());
    QVERIFY(!f.list->LinkPage()->isVisible());
    QVERIFY(!f.list->LinkPage()->IsAttached());

    // The pages are made once and kept.
    QVERIFY(f.view->SelectOnly(rect));
    CPropBase* rectPage = f.Shown();
    f.view->PageWindow()->ClearSelection();
    QVERIFY(f.view->SelectOnly(rect));
    QCOMPARE(f.Shown(), rectPage);

    // No current page: nothing is shown.
    f.doc.SetCurrentPage(nullptr);
    QCOMPARE(f.Shown(), nullptr);
    QVERIFY(!global->IsAttached());
    f.doc.SetCurrentPage(f.page2);
    QCOMPARE(f.Shown(), global);
    QCOMPARE(f.Edit(PropId::PageName)->text(), QStringLiteral("页面 2"));
}

void PropPaneTest::pagePropertiesCommitAndRefuse()
{
    PaneFixture f;
    CPropCtrlEdit* name = f.Edit(PropId::PageName);
    CPropCtrlEdit* id = f.Edit(PropId::PageId);
    QCOMPARE(id->text(), QStringLiteral("0"));
    QCOMPARE(name->maxLength(), 63);

    // The name of another page, or none, is refused and restored.
    f.Enter(name, QStringLiteral("页面 2"));
    QCOMPARE(f.page1->Name(), QStringLiteral("页面 1"));
    QCOMPARE(name->text(), QStringLiteral("页面 1"));
    QCOMPARE(f.Status(), QStringLiteral("页面名称错误(存在相同)"));
    QVERIFY(!f.doc.IsModified());
    f.ClearStatus();
    f.Enter(name, QString());
    QCOMPARE(name->text(), QStringLiteral("页面 1"));
    QCOMPARE(f.Status(), QStringLiteral("页面名称错误(存在相同)"));
    f.Enter(name, QStringLiteral("主页"));
    QCOMPARE(f.page1->Name(), QStringLiteral("主页"));
    QVERIFY(f.doc.IsModified());

    // A used or out-of-range id is refused, offering the first free one;
    // a free one renumbers the page and the jumps to it.
    CDrawObj* button = f.Add({0, 0, 10, 10});
    button->SetJumpTarget(0);
    f.Enter(id, QStringLiteral("1"));
    QCOMPARE(f.page1->PageId(), 0u);
    QCOMPARE(id->text(), QStringLiteral("0"));
    QCOMPARE(f.Status(), QStringLiteral("页面标识无效[存在相同或者数值错误(0-65534)]，您可以考虑使用“2”这个数值"));
    f.ClearStatus();
    f.Enter(id, QStringLiteral("65535"));
    QCOMPARE(f.page1->PageId(), 0u);
    QVERIFY(f.Status().startsWith(QStringLiteral("页面标识无效")));
    f.Enter(id, QStringLiteral("-7")); // the field takes digits only
    QCOMPARE(f.page1->PageId(), 7u);
    QCOMPARE(button->JumpTarget(), 7u);
    QCOMPARE(id->text(), QStringLiteral("7"));
}

void PropPaneTest::pageLinksClearAndChoose()
{
    PaneFixture f;
    CPropCtrlLink* color = f.Link(PropId::PageColor);
    CPropCtrlLink* image = f.Link(PropId::PageImage);
    CPropCtrlLink* load = f.Link(PropId::PageLoadSend);
    CPropCtrlLink* unload = f.Link(PropId::PageUnloadSend);
    QCOMPARE(color->text(), QStringLiteral("<a href=\"Link\">设置...</a>"));
    QCOMPARE(color->LinkIds(), QStringList{QStringLiteral("Link")});

    // 16-bit project: white is stored with 5-6-5 precision.
    ModalDriver driver;
    driver.Then(PickColor(QColor(255, 255, 255)));
    driver.Run([&] { QVERIFY(color->Activate(QStringLiteral("Link"))); });
    QCOMPARE(driver.unused(), 0);
    QCOMPARE(f.page1->BackgroundColor(), Color(0x00F8FCF8));
    QCOMPARE(color->Value(), QStringLiteral("#F8FCF8"));
    // The value link stays where "设置..." was; "清除" comes after it.
    QCOMPARE(color->LinkIds(), (QStringList{QStringLiteral("Link"), QStringLiteral("Clear")}));
    QCOMPARE(color->text(),
             QStringLiteral("<a href=\"Link\">#F8FCF8</a>&nbsp;&nbsp;<a href=\"Clear\">清除</a>"));
    // Cancel changes nothing; Clear removes the colour.
    driver.Then(Reject);
    driver.Run([&] { color->Activate(QStringLiteral("Link")); });
    QCOMPARE(f.page1->BackgroundColor(), Color(0x00F8FCF8));
    QVERIFY(color->Activate(QStringLiteral("Clear")));
    QCOMPARE(f.page1->BackgroundColor(), kNoColor);
    QCOMPARE(color->Value(), QString());
    QCOMPARE(f.Status(), QStringLiteral("已清除背景颜色“#F8FCF8”，可用撤消恢复"));
    QVERIFY(!color->Activate(QStringLiteral("Clear"))); // not shown any more

    // The background image comes from the image dialog and replaces the colour.
    f.doc.SetPageBackgroundColor(f.page1, 0x000000FF);
    driver.Then(PickFile(m_red));
    driver.Run([&] { image->Activate(QStringLiteral("Link")); });
    QCOMPARE(driver.unused(), 0);
    QCOMPARE(ImagePathOf(f.page1->BackgroundImage()), m_red);
    QCOMPARE(image->Value(), m_red);
    QCOMPARE(color->Value(), QString());
    // A colour replaces the image, and says so.
    driver.Then(PickColor(QColor(255, 255, 255)));
    driver.Run([&] { color->Activate(QStringLiteral("Link")); });
    QCOMPARE(f.page1->BackgroundImage(), nullptr);
    QCOMPARE(f.Status(), QStringLiteral("背景颜色取代了背景图象“%1”").arg(m_red));
    driver.Then(PickFile(m_red));
    driver.Run([&] { image->Activate(QStringLiteral("Link")); });
    image->Activate(QStringLiteral("Clear"));
    QCOMPARE(f.page1->BackgroundImage(), nullptr);
    QCOMPARE(f.Status(), QStringLiteral("已清除背景图象“%1”，可用撤消恢复").arg(m_red));

    // Send data shows 16 bytes and "..." for more; Clear removes it.
    std::vector<uint8_t> bytes(20, 0xAA);
    f.doc.SetPageLoadSend(f.page1, bytes.data(), 20);
    QCOMPARE(load->Value(), QStringLiteral("AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA..."));
    f.doc.SetPageUnloadSend(f.page1, bytes.data(), 16);
    QCOMPARE(unload->Value(), QStringLiteral("AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA"));
    driver.Then([](QWidget* window) {
        auto* dialog = qobject_cast<CDlgLinkData*>(window);
        QVERIFY(dialog);
        dialog->Editor()->DeleteRange(0, 0, -1, 0);
        dialog->Editor()->InsertText(0, 0, QStringLiteral("AA 55"));
        dialog->accept();
    });
    driver.Run([&] { unload->Activate(QStringLiteral("Link")); });
    QCOMPARE(unload->Value(), QStringLiteral("AA 55"));
    load->Activate(QStringLiteral("Clear"));
    QCOMPARE(f.page1->LoadSend(), nullptr);
    QVERIFY(f.Status().startsWith(QStringLiteral("已清除加载发送“AA AA")));
    QCOMPARE(load->Value(), QString());
    QVERIFY(f.page1->UnloadSend());
}

void PropPaneTest::pendingEditGoesToTheOldPage()
{
    PaneFixture f;
    CPropCtrlEdit* name = f.Edit(PropId::PageName);
    f.Type(name, QStringLiteral("Alpha"));
    QVERIFY(name->hasFocus());
    // The page changes while the field still has the focus (as through the
    // page list's keyboard): the typed name goes to the page it was typed for.
    f.doc.SetCurrentPage(f.page2);
    QCOMPARE(f.page1->Name(), QStringLiteral("Alpha"));
    QCOMPARE(f.page2->Name(), QStringLiteral("页面 2"));
    QCOMPARE(name->text(), QStringLiteral("页面 2"));
    QVERIFY(!name->isModified());
}

void PropPaneTest::rectangleCornersParseAndRestore()
{
    PaneFixture f;
    CDrawObj* rect = f.Add({10, 10, 50, 30});
    QVERIFY(f.view->SelectOnly(rect));
    QCOMPARE(f.Edit(PropId::RectSize)->text(), QStringLiteral("40 x 20"));
    QCOMPARE(f.Edit(PropId::RectTopLeft)->text(), QStringLiteral("10,10"));
    QCOMPARE(f.Edit(PropId::RectBottomRight)->text(), QStringLiteral("49,29"));

    f.Enter(f.Edit(PropId::RectBottomRight), QStringLiteral("99,99"));
    QCOMPARE(rect->Bounds(), (PageRect{10, 10, 100, 100}));
    QCOMPARE(f.Edit(PropId::RectSize)->text(), QStringLiteral("90 x 90"));

    // The top-left corner moves; the opposite corner stays.
    f.Enter(f.Edit(PropId::RectTopLeft), QStringLiteral("-5 , 10"));
    QCOMPARE(rect->Bounds(), (PageRect{-5, 10, 100, 100}));
    QCOMPARE(f.Edit(PropId::RectTopLeft)->text(), QStringLiteral("-5,10"));

    f.ClearStatus();
    f.Enter(f.Edit(PropId::RectTopLeft), QStringLiteral("5;10"));
    QCOMPARE(rect->Bounds(), (PageRect{-5, 10, 100, 100}));
    QCOMPARE(f.Edit(PropId::RectTopLeft)->text(), QStringLiteral("-5,10"));
    QCOMPARE(f.Status(), QStringLiteral("坐标错误"));
    f.ClearStatus();
    f.Enter(f.Edit(PropId::RectBottomRight), QStringLiteral("2147483647,5"));
    QCOMPARE(f.Edit(PropId::RectBottomRight)->text(), QStringLiteral("99,99"));
    QCOMPARE(f.Status(), QStringLiteral("坐标错误"));

    // The size field resizes around the top-left corner.
    f.Enter(f.Edit(PropId::RectSize), QStringLiteral("30x 12"));
    QCOMPARE(rect->Bounds(), (PageRect{-5, 10, 25, 22}));
    QCOMPARE(f.Edit(PropId::RectSize)->text(), QStringLiteral("30 x 12"));
    QCOMPARE(f.Edit(PropId::RectBottomRight)->text(), QStringLiteral("24,21"));
    f.ClearStatus();
    f.Enter(f.Edit(PropId::RectSize), QStringLiteral("30,12"));
    QCOMPARE(f.Edit(PropId::RectSize)->text(), QStringLiteral("30 x 12"));
    QCOMPARE(f.Status(), QStringLiteral("数值错误"));
    f.ClearStatus();
    f.Enter(f.Edit(PropId::RectSize), QStringLiteral("99999999999 x 1"));
    QCOMPARE(rect->Bounds(), (PageRect{-5, 10, 25, 22}));
    QCOMPARE(f.Status(), QStringLiteral("数值错误"));
}

void PropPaneTest::onlyChangedFieldsCommit()
{
    PaneFixture f;
    CDrawObj* rect = f.Add({10, 10, 50, 30});
    QVERIFY(f.view->SelectOnly(rect));
    f.doc.SetModifiedFlag(false);
    CPropCtrlEdit* topLeft = f.Edit(PropId::RectTopLeft);

    // Entering and leaving, or pressing Enter, without a change commits nothing.
    topLeft->setFocus();
    QTest::keyClick(topLeft, Qt::Key_Return);
    f.Edit(PropId::RectBottomRight)->setFocus();
    QVERIFY(!f.doc.IsModified());

    // A value set by the model is no change either: a refused one restored
    // by the field is not committed when the field is left.
    rect->MoveTo(20, 20);
    f.doc.SetModifiedFlag(false);
    topLeft->setFocus();
    f.Edit(PropId::RectBottomRight)->setFocus();
    QVERIFY(!f.doc.IsModified());

    // A changed field commits when left for the page view.
    f.Type(topLeft, QStringLiteral("0,0"));
    QTest::mouseClick(f.view->PageWindow(), Qt::LeftButton, {}, QPoint(400, 250));
    QCOMPARE(rect->Bounds(), (PageRect{0, 0, 60, 40}));
    QVERIFY(f.doc.IsModified());
    // The click deselected the rectangle: the page properties show again.
    QCOMPARE(f.Shown(), f.list->GlobalPage());
}

void PropPaneTest::fieldsFollowTheObjectLive()
{
    PaneFixture f;
    CDrawObj* rect = f.Add({10, 10, 50, 30});
    QVERIFY(f.view->SelectOnly(rect));
    rect->MoveTo(100, 50);
    QCOMPARE(f.Edit(PropId::RectTopLeft)->text(), QStringLiteral("100,50"));
    QCOMPARE(f.Edit(PropId::RectBottomRight)->text(), QStringLiteral("139,69"));

    // A mouse drag in the page updates the fields at every move.
    CPageWnd* wnd = f.view->PageWindow();
    const QPoint at(CPageWnd::kFrameWidth, CPageWnd::kFrameWidth);
    QTest::mousePress(wnd, Qt::LeftButton, {}, at + QPoint(110, 60));
    QTest::mouseMove(wnd, at + QPoint(120, 65));
    QCOMPARE(f.Edit(PropId::RectTopLeft)->text(), QStringLiteral("110,55"));
    QTest::mouseMove(wnd, at + QPoint(130, 70));
    QCOMPARE(f.Edit(PropId::RectTopLeft)->text(), QStringLiteral("120,60"));
    QTest::mouseRelease(wnd, Qt::LeftButton, {}, at + QPoint(130, 70));
    // A deselected object's changes no longer reach its page.
    wnd->ClearSelection();
    rect->MoveTo(0, 0);
    CPropBase* rectPage = f.list->FindPage<CPropPageRect>();
    QCOMPARE(f.Edit(PropId::RectTopLeft, rectPage)->text(), QStringLiteral("120,60"));
}

void PropPaneTest::colourLinkEditsFillOrLineByDepth()
{
    PaneFixture f;
    CDrawObj* filled = f.Add({10, 10, 50, 30});
    filled->SetLineColor(kNoColor);
    filled->SetFillColor(0x000000FF);
    CDrawObj* outline = f.Add({60, 10, 90, 30});
    outline->SetLineColor(0x0000FF00);

    ModalDriver driver;
    QVERIFY(f.view->SelectOnly(filled));
    QCOMPARE(f.Link(PropId::RectColor)->Value(), QStringLiteral("#FF0000")); // red, as people write it
    QColor started;
    driver.Then([&](QWidget* window) {
        auto* dialog = qobject_cast<QColorDialog*>(window);
        QVERIFY(dialog);
        started = dialog->currentColor();
        dialog->setCurrentColor(QColor(255, 255, 255));
        dialog->accept();
    });
    driver.Run([&] { f.Link(PropId::RectColor)->Activate(QStringLiteral("Link")); });
    QCOMPARE(started, QColor(255, 0, 0));
    QCOMPARE(filled->FillColor(), Color(0x00F8FCF8));
    QCOMPARE(filled->LineColor(), kNoColor);
    QCOMPARE(f.doc.currentFillColor, Color(0x00F8FCF8));

    QVERIFY(f.view->SelectOnly(outline));
    QCOMPARE(f.Link(PropId::RectColor)->Value(), QStringLiteral("#00FF00"));
    f.doc.header.colorDepth = 24;
    driver.Then(PickColor(QColor(1, 2, 3)));
    driver.Run([&] { f.Link(PropId::RectColor)->Activate(QStringLiteral("Link")); });
    QCOMPARE(outline->LineColor(), Color(0x00030201));
    QCOMPARE(outline->FillColor(), kNoColor);

    // Any other depth: the dialog's colour is not taken.
    f.doc.header.colorDepth = 8;
    driver.Then(PickColor(QColor(200, 0, 0)));
    driver.Run([&] { f.Link(PropId::RectColor)->Activate(QStringLiteral("Link")); });
    QCOMPARE(driver.unused(), 0);
    QCOMPARE(outline->LineColor(), Color(0x00030201));
}

void PropPaneTest::lineEllipseTextAndCustomFields()
{
    PaneFixture f;
    // Line: the end points as set, not normalised.
    CDrawObj* line = f.Add<CDrawLine>({10, 5, 10, 5});
    line->SetRect({100, 50, 10, 5});
    QVERIFY(f.view->SelectOnly(line));
    QCOMPARE(f.Edit(PropId::LineStart)->text(), QStringLiteral("100,50"));
    QCOMPARE(f.Edit(PropId::LineEnd)->text(), QStringLiteral("10,5"));
    f.Enter(f.Edit(PropId::LineEnd), QStringLiteral("0, 0"));
    QCOMPARE(line->RawRect(), (PageRect{100, 50, 0, 0}));

    // Ellipse: the centre moves it, width and height resize it.
    CDrawObj* ellipse = f.Add<CDrawEllipse>({10, 10, 50, 30});
    QVERIFY(f.view->SelectOnly(ellipse));
    QCOMPARE(f.Edit(PropId::EllipseCenter)->text(), QStringLiteral("30,20"));
    f.Enter(f.Edit(PropId::EllipseCenter), QStringLiteral("100,100"));
    QCOMPARE(ellipse->Bounds(), (PageRect{80, 90, 120, 110}));
    f.Enter(f.Edit(PropId::EllipseWidth), QStringLiteral("60"));
    f.Enter(f.Edit(PropId::EllipseHeight), QStringLiteral("7"));
    QCOMPARE(ellipse->Bounds(), (PageRect{80, 90, 140, 97}));
    f.ClearStatus();
    f.Enter(f.Edit(PropId::EllipseHeight), QString());
    QCOMPARE(f.Edit(PropId::EllipseHeight)->text(), QStringLiteral("7"));
    QCOMPARE(f.Status(), QStringLiteral("数值错误"));

    // Rounded rectangle: the radius.
    auto* round = f.Add<CDrawRoundRect>({0, 0, 40, 40});
    QVERIFY(f.view->SelectOnly(round));
    QCOMPARE(f.Edit(PropId::RoundRectRadius)->text(), QStringLiteral("5"));
    f.Enter(f.Edit(PropId::RoundRectRadius), QStringLiteral("12"));
    QCOMPARE(round->Radius(), 12);

    // Text: font list, tab size (0 stores 1), line spacing; the character
    // spacing is shown only.
    auto* text = f.Add<CDrawText>({0, 0, 100, 40});
    text->SetCharSpacing(3);
    QVERIFY(f.view->SelectOnly(text));
    QComboBox* font = f.Combo(PropId::TextFont, f.Shown());
    QCOMPARE(font->count(), 3);
    QCOMPARE(font->itemText(2), QStringLiteral("32x32"));
    QCOMPARE(font->currentIndex(), 0);
    font->setFocus();
    QTest::keyClick(font, Qt::Key_Down);
    QCOMPARE(text->FontId(), 2u);
    f.Enter(f.Edit(PropId::TextTabSize), QStringLiteral("0"));
    QCOMPARE(text->TabSize(), 1);
    QCOMPARE(f.Edit(PropId::TextTabSize)->text(), QStringLiteral("1"));
    f.Enter(f.Edit(PropId::TextLineSpacing), QStringLiteral("4"));
    QCOMPARE(text->LineSpacing(), 4);
    QCOMPARE(f.Edit(PropId::TextCharSpacing)->text(), QStringLiteral("3"));
    // The character spacing is one byte of the compiled text.
    f.Enter(f.Edit(PropId::TextCharSpacing), QStringLiteral("255"));
    QCOMPARE(text->CharSpacing(), 255);
    f.ClearStatus();
    f.Enter(f.Edit(PropId::TextCharSpacing), QStringLiteral("256"));
    QCOMPARE(text->CharSpacing(), 255);
    QCOMPARE(f.Edit(PropId::TextCharSpacing)->text(), QStringLiteral("255"));
    QCOMPARE(f.Status(), QStringLiteral("数值错误"));
    f.Enter(f.Edit(PropId::TextCharSpacing), QStringLiteral("0"));
    QCOMPARE(text->CharSpacing(), 0);

    // Custom object: a taken id is refused, offering a free one.
    auto* first = f.Add<CDrawCustom>({0, 0, 10, 10});
    auto* second = f.Add<CDrawCustom>({20, 0, 30, 10});
    QCOMPARE(first->CustomId(), 0u);
    QCOMPARE(second->CustomId(), 1u);
    first->SetCustomId(2);
    QVERIFY(f.view->SelectOnly(second));
    f.Enter(f.Edit(PropId::CustomId), QStringLiteral("2"));
    QCOMPARE(second->CustomId(), 1u);
    QCOMPARE(f.Edit(PropId::CustomId)->text(), QStringLiteral("1"));
    QCOMPARE(f.Status(), QStringLiteral("自定标识无效[存在相同或者数值错误(0-65534)]，您可以考虑使用“0”这个数值"));
    f.Enter(f.Edit(PropId::CustomId), QStringLiteral("65535"));
    QCOMPARE(second->CustomId(), 1u);
    f.Enter(f.Edit(PropId::CustomId), QStringLiteral("9"));
    QCOMPARE(second->CustomId(), 9u);
    f.Enter(f.Edit(PropId::CustomBottomRight), QStringLiteral("39,19"));
    QCOMPARE(second->Bounds(), (PageRect{20, 0, 40, 20}));
}

void PropPaneTest::linkPageTargetsConditionsAndData()
{
    PaneFixture f;
    CDrawObj* button = f.Add({10, 10, 50, 30});
    QVERIFY(f.view->SelectOnly(button));
    CPropLink* link = f.list->LinkPage();
    QComboBox* target = f.Combo(PropId::LinkTarget, link);
    QComboBox* condition = f.Combo(PropId::LinkCondition, link);
    QCOMPARE(target->count(), 3);
    QCOMPARE(target->itemText(0), QStringLiteral("无目标"));
    QCOMPARE(target->itemText(2), QStringLiteral("页面 2"));
    QCOMPARE(target->currentIndex(), 0);
    QCOMPARE(condition->count(), 16);
    QCOMPARE(condition->itemText(8), QStringLiteral("触摸就直接执行"));

    target->setFocus();
    QTest::keyClick(target, Qt::Key_Down);
    QTest::keyClick(target, Qt::Key_Down);
    QCOMPARE(button->JumpTarget(), f.page2->PageId());
    condition->setFocus();
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(condition, Qt::Key_Down);
    QCOMPARE(button->ExecuteCondition(), 8u);

    // The list follows the pages: a renamed and an added page show, and a
    // deleted target falls back to "无目标".
    f.doc.RenamePage(f.page2, QStringLiteral("设置"));
    f.doc.AddPage();
    QCOMPARE(target->count(), 4);
    QCOMPARE(target->itemText(2), QStringLiteral("设置"));
    QCOMPARE(target->currentIndex(), 2);
    f.doc.DeletePage(f.page2);
    QCOMPARE(target->count(), 3);
    QCOMPARE(target->currentIndex(), 0);
    QCOMPARE(button->JumpTarget(), kNoPage);

    // A target naming no page (a hand-edited or foreign file) shows as
    // such, not as "无目标", until it is changed.
    button->SetJumpTarget(77);
    QCOMPARE(target->currentText(), QStringLiteral("页面 77（不存在）"));
    QCOMPARE(target->count(), 4);
    button->SetJumpTarget(kNoPage);
    QCOMPARE(target->currentIndex(), 0);
    QCOMPARE(target->count(), 3);

    // A condition out of range selects nothing.
    button->SetExecuteCondition(16);
    QCOMPARE(condition->currentIndex(), -1);

    // Custom data: its value text, and Clear.
    CPropCtrlLink* data = f.Link(PropId::LinkData, link);
    QCOMPARE(data->Value(), QString());
    std::vector<uint8_t> bytes(20, 0x01);
    button->SetSendData(bytes.data(), 20);
    QCOMPARE(data->Value(), QStringLiteral("01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01..."));
    // "Link" edits a copy in the custom data dialog; OK stores it, Cancel not.
    ModalDriver driver;
    driver.Then([](QWidget* window) {
        auto* dialog = qobject_cast<CDlgLinkData*>(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->data(), QByteArray(20, 0x01));
        dialog->Editor()->InsertText(0, 0, QStringLiteral("B 2 "));
        dialog->accept();
    });
    driver.Then(Reject);
    driver.Run([&] {
        data->Activate(QStringLiteral("Link"));
        data->Activate(QStringLiteral("Link"));
    });
    QCOMPARE(driver.unused(), 0);
    QVERIFY(button->SendData());
    QCOMPARE(button->SendData()->bytes.size(), size_t(22));
    QCOMPARE(button->SendData()->bytes[0], uint8_t(0x0B));
    QCOMPARE(button->SendData()->tag, 0u);
    QVERIFY(data->Value().startsWith(QStringLiteral("0B 02 01")));
    QVERIFY(data->Activate(QStringLiteral("Clear")));
    QCOMPARE(button->SendData(), nullptr);
    QVERIFY(f.Status().startsWith(QStringLiteral("已清除自定数据“0B 02 01")));
    QCOMPARE(data->text(), QStringLiteral("<a href=\"Link\">设置...</a>"));
}

void PropPaneTest::imageToolAndImageLinksUseTheFileDialog()
{
    PaneFixture f;
    CPageWnd* wnd = f.view->PageWindow();
    const QPoint at(CPageWnd::kFrameWidth, CPageWnd::kFrameWidth);
    const auto drawImage = [&](QPoint from, QPoint to) {
        f.view->OnPageCommand(40402);
        QTest::mousePress(wnd, Qt::LeftButton, {}, at + from);
        QTest::mouseMove(wnd, at + to);
        QTest::mouseRelease(wnd, Qt::LeftButton, {}, at + to);
    };

    // Cancelling the dialog leaves no object.
    ModalDriver driver;
    driver.Then(Reject);
    driver.Run([&] { drawImage({10, 10}, {60, 40}); });
    QCOMPARE(driver.unused(), 0);
    QCOMPARE(f.page1->Objects().size(), size_t(0));

    // Choosing a picture keeps the object, which shows its image page.
    driver.Then(PickFile(m_red));
    driver.Run([&] { drawImage({10, 10}, {60, 40}); });
    QCOMPARE(f.page1->Objects().size(), size_t(1));
    auto* image = static_cast<CDrawImage*>(f.page1->Objects().front().get());
    QCOMPARE(ImagePathOf(image->NormalImage()), m_red);
    QVERIFY(!f.view->EditedText());
    QCOMPARE(f.frame.Folders().imageFolder, QFileInfo(m_red).absolutePath());
    QVERIFY(qobject_cast<CPropPageImage*>(f.Shown()));
    QCOMPARE(f.Link(PropId::ImageNormal)->Value(), m_red);
    QCOMPARE(f.Link(PropId::ImageNormal)->LinkIds(), QStringList{QStringLiteral("Link")});
    QCOMPARE(f.Link(PropId::ImagePressed)->Value(), QString());

    // A double click opens the dialog at the current image.
    QString startFolder;
    driver.Then(PickFile(m_blue, &startFolder));
    driver.Run([&] { QTest::mouseDClick(wnd, Qt::LeftButton, {}, at + QPoint(20, 20)); });
    QCOMPARE(driver.unused(), 0);
    QCOMPARE(startFolder, QFileInfo(m_red).absolutePath());
    QCOMPARE(ImagePathOf(image->NormalImage()), m_blue);
    QCOMPARE(f.Link(PropId::ImageNormal)->Value(), m_blue);

    // The pressed image: chosen through its link, then cleared.
    driver.Then(PickFile(m_red, &startFolder));
    driver.Run([&] { f.Link(PropId::ImagePressed)->Activate(QStringLiteral("Link")); });
    QCOMPARE(startFolder, QFileInfo(m_blue).absolutePath()); // the folder used last
    QCOMPARE(ImagePathOf(image->PressedImage()), m_red);
    QCOMPARE(f.Link(PropId::ImagePressed)->LinkIds(), (QStringList{QStringLiteral("Link"), QStringLiteral("Clear")}));
    f.Link(PropId::ImagePressed)->Activate(QStringLiteral("Clear"));
    QCOMPARE(image->PressedImage(), nullptr);
    QCOMPARE(ImagePathOf(image->NormalImage()), m_blue);
}

void PropPaneTest::controlsWidenAndCarryTheirLabels()
{
    PaneFixture f;
    const std::vector<CPropBase*> pages = {
        f.list->GlobalPage(), f.list->LinkPage(), f.list->FindPage<CPropPageLine>(),
        f.list->FindPage<CPropPageRect>(), f.list->FindPage<CPropPageRoundRect>(),
        f.list->FindPage<CPropPageEllipse>(), f.list->FindPage<CPropPageText>(),
        f.list->FindPage<CPropPageImage>(), f.list->FindPage<CPropPageCustom>()};
    int fields = 0;
    for (CPropBase* page : pages) {
        for (QWidget* control : page->ValueControls()) {
            const PropId id = PropId(control->objectName().toInt());
            QLabel* label = page->Label(id);
            QVERIFY(label);
            QCOMPARE(label->buddy(), control);
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QCOMPARE(accessible->text(QAccessible::Name), label->text());
            ++fields;
        }
        // Wide enough: every value control reaches the right edge; narrower
        // than 120 pixels they keep their own width.
        page->show();
        page->resize(300, page->sizeHint().height());
        for (QWidget* control : page->ValueControls())
            QCOMPARE(control->geometry().right() + 1, 300 - CPropBase::kMargin);
        page->resize(110, page->sizeHint().height());
        for (QWidget* control : page->ValueControls())
            QCOMPARE(control->width(), CPropBase::kNaturalControlWidth);
    }
    QCOMPARE(fields, 6 + 3 + 3 + 4 + 5 + 5 + 8 + 5 + 4);

    // A link control offers its links as actions; doing one is a click.
    CPropCtrlLink* color = f.Link(PropId::PageColor, f.list->GlobalPage());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(color);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    QVERIFY(actions);
    QCOMPARE(actions->actionNames(), QStringList{QStringLiteral("Link")});
    QCOMPARE(actions->localizedActionName(QStringLiteral("Link")), QStringLiteral("设置..."));
    ModalDriver driver;
    driver.Then(PickColor(QColor(0, 0, 255)));
    driver.Run([&] { actions->doAction(QStringLiteral("Link")); });
    QCOMPARE(f.page1->BackgroundColor(), Color(0x00F80000));
    QCOMPARE(actions->actionNames(), (QStringList{QStringLiteral("Link"), QStringLiteral("Clear")}));
    QCOMPARE(accessible->text(QAccessible::Value), QStringLiteral("#0000F8  清除"));
    actions->doAction(QStringLiteral("Clear"));
    QCOMPARE(f.page1->BackgroundColor(), kNoColor);
}

void PropPaneTest::fieldsFollowOneTable()
{
    // Every page's fields in order with their labels; all of them take input.
    struct Field {
        PropId id;
        const char16_t* label;
    };
    PaneFixture f;
    const struct {
        CPropBase* page;
        std::vector<Field> fields;
    } table[] = {
        {f.list->GlobalPage(), {{PropId::PageName, u"页面名称："}, {PropId::PageId, u"自定标识："}, {PropId::PageLoadSend, u"加载发送："},
                                {PropId::PageUnloadSend, u"卸载发送："}, {PropId::PageImage, u"背景图象："}, {PropId::PageColor, u"背景颜色："}}},
        {f.list->LinkPage(), {{PropId::LinkTarget, u"跳转目标："}, {PropId::LinkCondition, u"执行条件："}, {PropId::LinkData, u"自定数据："}}},
        {f.list->FindPage<CPropPageLine>(), {{PropId::LineStart, u"第一点(x,y)："}, {PropId::LineEnd, u"第二点(x,y)："}, {PropId::LineColor, u"绘制颜色："}}},
        {f.list->FindPage<CPropPageRect>(), {{PropId::RectSize, u"尺寸："}, {PropId::RectTopLeft, u"左上角(x,y)："}, {PropId::RectBottomRight, u"右下角(x,y)："},
                                             {PropId::RectColor, u"绘制颜色："}}},
        {f.list->FindPage<CPropPageRoundRect>(), {{PropId::RoundRectSize, u"尺寸："}, {PropId::RoundRectTopLeft, u"左上角(x,y)："}, {PropId::RoundRectBottomRight, u"右下角(x,y)："},
                                                  {PropId::RoundRectRadius, u"圆角半径："}, {PropId::RoundRectColor, u"绘制颜色："}}},
        {f.list->FindPage<CPropPageEllipse>(), {{PropId::EllipseSize, u"尺寸："}, {PropId::EllipseCenter, u"中心(x,y)："}, {PropId::EllipseWidth, u"宽度："},
                                                {PropId::EllipseHeight, u"高度："}, {PropId::EllipseColor, u"绘制颜色："}}},
        {f.list->FindPage<CPropPageText>(), {{PropId::TextSize, u"尺寸："}, {PropId::TextTopLeft, u"左上角(x,y)："}, {PropId::TextBottomRight, u"右下角(x,y)："},
                                             {PropId::TextFont, u"字体："}, {PropId::TextTabSize, u"制表大小："}, {PropId::TextLineSpacing, u"行间隔："},
                                             {PropId::TextCharSpacing, u"字符间隔："}, {PropId::TextColor, u"绘制颜色："}}},
        {f.list->FindPage<CPropPageImage>(), {{PropId::ImageSize, u"尺寸："}, {PropId::ImageTopLeft, u"左上角(x,y)："}, {PropId::ImageBottomRight, u"右下角(x,y)："},
                                              {PropId::ImageNormal, u"正常图象："}, {PropId::ImagePressed, u"按下图象："}}},
        {f.list->FindPage<CPropPageCustom>(), {{PropId::CustomSize, u"尺寸："}, {PropId::CustomId, u"自定标识："}, {PropId::CustomTopLeft, u"左上角(x,y)："},
                                               {PropId::CustomBottomRight, u"右下角(x,y)："}}},
    };
    for (const auto& row : table) {
        QVERIFY(row.page);
        const std::vector<QWidget*>& controls = row.page->ValueControls();
        QCOMPARE(controls.size(), row.fields.size());
        for (size_t i = 0; i < controls.size(); ++i) {
            QCOMPARE(controls[i]->objectName().toInt(), int(row.fields[i].id));
            QCOMPARE(row.page->Label(row.fields[i].id)->text(), QString::fromUtf16(row.fields[i].label));
            if (auto* edit = qobject_cast<CPropCtrlEdit*>(controls[i]))
                QVERIFY2(!edit->isReadOnly(), qPrintable(QString::number(int(row.fields[i].id))));
        }
    }

    // Colours read as #RRGGBB on every colour link, pages included.
    const struct {
        Color stored;
        const char* shown;
    } colours[] = {{0x000000FF, "#FF0000"}, {0x0000FF00, "#00FF00"}, {0x00FF0000, "#0000FF"}, {0x00123456, "#563412"}};
    CDrawObj* rect = f.Add({10, 10, 50, 30});
    for (const auto& c : colours) {
        rect->SetLineColor(c.stored);
        QVERIFY(f.view->SelectOnly(rect));
        QCOMPARE(f.Link(PropId::RectColor)->Value(), QString::fromLatin1(c.shown));
        f.view->PageWindow()->ClearSelection();
        f.doc.SetPageBackgroundColor(f.page1, c.stored);
        QCOMPARE(f.Link(PropId::PageColor, f.list->GlobalPage())->Value(), QString::fromLatin1(c.shown));
    }
}

void PropPaneTest::savingAfterAnEditChangesOnlyThatField()
{
    const QString path = m_dir.filePath(QStringLiteral("one-field.kdp"));
    {
        CPageDoc doc;
        doc.header.SetRemark(u"备注");
        doc.header.hardwareId = 0x1234;
        CPage* page = doc.AddPage();
        doc.AddPage();
        doc.SetCurrentPage(page);
        CDrawObj* rect = doc.AddObject(std::make_unique<CDrawRect>(PageRect{10, 10, 50, 30}));
        rect->SetFillColor(0x00123456);
        rect->SetJumpTarget(1);
        const uint8_t bytes[] = {1, 2, 3};
        rect->SetSendData(bytes, 3);
        doc.AddObject(std::make_unique<CDrawText>(PageRect{0, 40, 100, 80}));
        QVERIFY(!doc.SaveProject(path));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    PaneFixture f;
    QVERIFY(f.frame.OpenDocumentFile(path));
    CDrawObj* rect = f.doc.CurrentPage()->Objects().front().get();
    QVERIFY(f.view->SelectOnly(rect));
    f.Enter(f.Edit(PropId::RectBottomRight), QStringLiteral("79,29"));
    QCOMPARE(rect->Bounds(), (PageRect{10, 10, 80, 30}));
    QVERIFY(f.frame.Documents().Save());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    QCOMPARE(after.size(), before.size());
    // Besides the seal at 40-43 only the right edge of the stored bounds
    // changed, from 50 to 80 (one byte of its little-endian number).
    QList<int> changed;
    for (int i = 0; i < before.size(); ++i)
        if (before[i] != after[i] && (i < 40 || i >= 44))
            changed << i;
    QCOMPARE(changed.size(), 1);
    QCOMPARE(quint8(before[changed.front()]), quint8(50));
    QCOMPARE(quint8(after[changed.front()]), quint8(80));
}

} // namespace kdx::test
