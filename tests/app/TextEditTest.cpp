#include "TextEditTest.h"

#include "AppTestSupport.h"
#include "PageViewFixture.h"
#include "app/page/CDrawTextEdit.h"
#include "app/page/CPageView.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "edit/EditStrings.h"
#include "model/PageDoc.h"
#include "terminal/TerminalFontLookup.h"
#include "terminal/TerminalPaint.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace kdx::test {

namespace {

struct Fixture : PageViewFixture {
    CDrawTextEdit* editor() const { return view->TextEditing().Editor(); }

    CDrawText* AddText(PageRect rect, std::u16string_view text)
    {
        auto* object = static_cast<CDrawText*>(doc.AddObject(std::make_unique<CDrawText>(rect)));
        object->SetLineColor(0);
        object->SetText(text);
        return object;
    }
};

// Pixel width of a text in a terminal font, as the text control measures it.
int WidthOf(const QString& text, uint32_t fontId = 1)
{
    TextMetrics metrics;
    const TerminalFont& font = *FindTerminalFont(fontId);
    metrics.SetFont(TerminalQFont(font), font.cellHeight, font.cellWidth);
    int width = 0;
    for (QChar c : text)
        width += metrics.UnitWidth(c.unicode());
    return width;
}

// An object exactly wide enough for `fits` on one row (a row may be one
// pixel narrower than its object).
PageRect WideFor(const QString& fits, int top = 10)
{
    return {10, top, 10 + WidthOf(fits) + 1, top + 60};
}

} // namespace

void TextEditTest::loadsAndSavesBreaks()
{
    Fixture f;
    CDrawText* wide = f.AddText({10, 10, 300, 100}, u"ab\r\ncd");
    f.doc.SetModifiedFlag(false);
    f.wnd()->EditObject(wide);
    QVERIFY(f.wnd()->EditedObject() == wide);
    QCOMPARE(f.editor()->GetLineCount(), 2);
    QCOMPARE(f.editor()->LineText(0), QString("ab"));
    QCOMPARE(f.editor()->LineText(1), QString("cd"));
    f.view->TextEditing().EndCurrent();
    QCOMPARE(wide->Text(), std::u16string(u"ab\r\ncd"));
    QVERIFY(!f.doc.IsModified()); // the same text is no change

    // A wrap point joins its neighbours and comes back where the row wraps.
    CDrawText* narrow = f.AddText(WideFor("ab", 120), u"ab\ncd");
    f.wnd()->EditObject(narrow);
    QCOMPARE(f.editor()->GetLineCount(), 1);
    QCOMPARE(f.editor()->LineText(0), QString("abcd"));
    QCOMPARE(f.editor()->Store().RowCount(), 2);
    f.view->TextEditing().EndCurrent();
    QCOMPARE(narrow->Text(), std::u16string(u"ab\ncd"));

    // A lone CR is a character of its line.
    CDrawText* cr = f.AddText({10, 200, 300, 260}, u"a\rb");
    f.wnd()->EditObject(cr);
    QCOMPARE(f.editor()->GetLineCount(), 1);
    QCOMPARE(f.editor()->GetLineLength(0), 3);
    f.view->TextEditing().EndCurrent();
    QCOMPARE(cr->Text(), std::u16string(u"a\rb"));
}

void TextEditTest::editorLiesOverTheObjectInItsStyle()
{
    Fixture f;
    CDrawText* text = f.AddText({40, 30, 200, 90}, u"你好\tab");
    text->SetFontId(2);
    text->SetLineSpacing(3);
    text->SetTabSize(4);
    text->SetLineColor(0x000000FF);
    f.wnd()->EditObject(text);

    CDrawTextEdit* editor = f.editor();
    QVERIFY(editor);
    QCOMPARE(editor->parentWidget(), static_cast<QWidget*>(f.wnd()));
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->geometry(), QRect(Fixture::At(40, 30), QSize(160, 60)));
    QCOMPARE(editor->Metrics().Font(), TerminalQFont(*FindTerminalFont(2)));
    QCOMPARE(editor->Metrics().LineSpacing(), 3);
    QCOMPARE(editor->Metrics().RowHeight(), 24 + 3); // the terminal's cell pitch, as on the page
    QCOMPARE(editor->TabSize(), 4);
    QCOMPARE(editor->Colour(COLOUR_TEXT), QColor(255, 0, 0));
    QVERIFY(!editor->RulerShown());
    QVERIFY(!editor->LineNumbersShown());
    QVERIFY(!editor->CurrentLineHighlighted());
    QCOMPARE(editor->WrapMode(), 1);
    QCOMPARE(editor->TextRect(), editor->rect());
    QCOMPARE(editor->GetCaret().line, 0);
    QCOMPARE(editor->GetCaret().column, 0);

    // The page draws nothing of an edited text; the editor shows it in red.
    const QImage shot = f.wnd()->grab().toImage();
    bool red = false;
    for (int y = 35; y < 95 && !red; ++y)
        for (int x = 45; x < 205 && !red; ++x)
            red = qRed(shot.pixel(x, y)) > 200 && qGreen(shot.pixel(x, y)) < 80;
    QVERIFY(red);
}

void TextEditTest::followsTheObjectWhileEditing()
{
    Fixture f;
    CDrawText* text = f.AddText(WideFor("abcd"), u"abcd");
    f.wnd()->EditObject(text);
    CDrawTextEdit* editor = f.editor();
    QCOMPARE(editor->Store().RowCount(), 1);

    // Moved and narrowed: the editor follows and wraps at the new width,
    // as the model does with the stored text at once.
    const int narrow = WidthOf("ab") + 1;
    text->SetRect({30, 40, 30 + narrow, 100});
    QCOMPARE(editor->geometry(), QRect(Fixture::At(30, 40), QSize(narrow, 60)));
    QCOMPARE(editor->Store().RowCount(), 2);
    QCOMPARE(text->Text(), std::u16string(u"ab\ncd\n"));

    text->SetLineColor(0x00FF0000);
    QCOMPARE(editor->Colour(COLOUR_TEXT), QColor(0, 0, 255));
    text->SetTabSize(3);
    QCOMPARE(editor->TabSize(), 3);
    text->SetFontId(3);
    QCOMPARE(editor->Metrics().Font(), TerminalQFont(*FindTerminalFont(3)));
    QVERIFY(editor->Store().RowCount() >= 2);
    text->SetFontId(1);

    // The page behind it: black without background, then its new colour.
    QCOMPARE(editor->Colour(COLOUR_BACKGROUND), QColor(Qt::black));
    f.doc.SetPageBackgroundColor(text->Page(), 0x0000FF00);
    QCOMPARE(editor->Colour(COLOUR_BACKGROUND), QColor(0, 255, 0));

    f.view->TextEditing().EndCurrent();
    QCOMPARE(text->Text(), std::u16string(u"ab\ncd"));
}

void TextEditTest::reflowsWhenResizedWhileNotEditing()
{
    Fixture f;
    CDrawText* text = f.AddText({10, 10, 400, 100}, u"ab cd\r\nef");
    // Narrower: the row breaks after the blank; CR LF stays, the text ends
    // in a wrap point.
    text->SetSize(WidthOf("ab ") + 1, 90);
    QCOMPARE(text->Text(), std::u16string(u"ab \ncd\r\nef\n"));
    // Wider again: the wrap points go.
    text->SetSize(300, 90);
    QCOMPARE(text->Text(), std::u16string(u"ab cd\r\nef\n"));
    // Without a blank the row breaks where it is full.
    CDrawText* word = f.AddText({10, 120, 400, 200}, u"abcdef");
    word->SetSize(WidthOf("abcd") + 1, 80);
    QCOMPARE(word->Text(), std::u16string(u"abcd\nef\n"));
    // A larger font wraps sooner.
    word->SetSize(WidthOf("abcdef") + 1, 80);
    QCOMPARE(word->Text(), std::u16string(u"abcdef\n"));
    word->SetFontId(3);
    QVERIFY(word->Text().find(u'\n') < 6);
    // Moving alone changes nothing.
    const std::u16string before = word->Text();
    word->MoveTo(50, 150);
    QCOMPARE(word->Text(), before);
    // The re-wrapped text reads back as the same lines.
    f.wnd()->EditObject(word);
    QCOMPARE(f.editor()->GetLineCount(), 1);
    QCOMPARE(f.editor()->LineText(0), QString("abcdef"));
    f.view->TextEditing().EndCurrent();

    // Character spacing widens every character, on the page, the panel and
    // in the wrap: four letters that fit without it wrap after two with 4.
    CDrawText* spaced = f.AddText(WideFor("abcd", 200), u"abcd");
    spaced->SetCharSpacing(4);
    QCOMPARE(spaced->Text(), std::u16string(u"ab\ncd\n"));
    f.wnd()->EditObject(spaced);
    QCOMPARE(f.editor()->Metrics().CharSpacing(), 4);
    QCOMPARE(f.editor()->Store().RowCount(), 2);
    spaced->SetCharSpacing(0); // while editing the editor follows
    QCOMPARE(f.editor()->Store().RowCount(), 1);
    f.view->TextEditing().EndCurrent();
    QCOMPARE(spaced->Text(), std::u16string(u"abcd"));
}

void TextEditTest::wrapPointsFollowTheTerminalCells()
{
    // Rows hold as many characters as the terminal's cells allow, whatever
    // the desktop font that stands for the terminal font measures: five
    // whole cells or ten half cells per row, at every font and spacing.
    Fixture f;
    const struct {
        std::u16string_view text;
        std::u16string_view wrapped;
    } cases[] = {
        {u"中中中中中中中中中中中中", u"中中中中中\n中中中中中\n中中\n"},
        {u"aaaaaaaaaaaaaaaaaaaaaa", u"aaaaaaaaaa\naaaaaaaaaa\naa\n"},
    };
    for (uint32_t fontId : {1u, 2u, 3u}) {
        for (int spacing : {0, 3}) {
            for (const auto& c : cases) {
                const TerminalFont& font = *FindTerminalFont(fontId);
                const int unit = c.text[0] < 0x80 ? font.cellWidth / 2 : font.cellWidth;
                const int perRow = unit == font.cellWidth ? 5 : 10;
                const int width = perRow * (unit + spacing) + 1;
                const QString where = QStringLiteral("font %1 spacing %2").arg(fontId).arg(spacing);
                CDrawText* text = f.AddText({0, 0, 2000, 400}, c.text);
                text->SetFontId(fontId);
                text->SetCharSpacing(spacing);
                text->SetSize(width, 400);
                QVERIFY2(text->Text() == c.wrapped, qPrintable(where));
                // The rows as the page and the panel draw them fit the object.
                TextStyle style;
                style.font = &font;
                style.charSpacing = spacing;
                for (int lineWidth : TerminalTextLineWidths(text->Text(), style))
                    QVERIFY2(lineWidth <= width, qPrintable(where));
                // The editor measures as the wrap does.
                f.wnd()->EditObject(text);
                QCOMPARE(f.editor()->Metrics().UnitWidth(c.text[0]), unit + spacing);
                QCOMPARE(f.editor()->Store().RowCount(), 3);
                f.view->TextEditing().EndCurrent();
                f.doc.RemoveObject(text);
            }
        }
    }
}

void TextEditTest::undoAfterBeginDoesNothingAndMenuIsOwn()
{
    Fixture f;
    CDrawText* text = f.AddText({10, 10, 300, 100}, u"ab");
    f.wnd()->EditObject(text);
    CDrawTextEdit* editor = f.editor();
    QVERIFY(!editor->CanUndo());
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->LineText(0), QString("ab"));
    QVERIFY(!editor->IsCommandEnabled(text_control::ID_EDIT_UNDO));

    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "xy");
    QCOMPARE(editor->LineText(0), QString("abxy"));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->LineText(0), QString("ab"));
    // Escape with a text selection clears the selection only; editing goes on.
    QTest::keyClick(editor, Qt::Key_Home, Qt::ShiftModifier);
    QVERIFY(editor->HasSelection());
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(!editor->HasSelection());
    QVERIFY(f.wnd()->EditedObject() == text);
    QVERIFY(editor->isVisible());

    std::unique_ptr<QMenu> menu(editor->CreateContextMenu(nullptr));
    QCOMPARE(MenuTexts(menu.get()),
             (QStringList{"撤消(&U)", "恢复(&R)", "", "复制(&C)", "剪切(&T)", "粘贴(&S)", "清空(&D)", "",
                          "全选(&A)", "", "显示空白字符(&W)"}));
    f.view->TextEditing().EndCurrent();
}

void TextEditTest::typingIsLimitedToWhatAnObjectHolds()
{
    Fixture f;
    CDrawText* text = f.AddText({10, 10, 470, 260}, u"abc");
    f.wnd()->EditObject(text);
    CDrawTextEdit* editor = f.editor();
    QApplication::clipboard()->setText(QString(2000, u'x'));
    QTest::keyClick(editor, Qt::Key_End);
    QVERIFY(editor->Paste());
    QVERIFY(editor->WrappedLength() <= CDrawTextEdit::kMaxTextUnits);
    QVERIFY(editor->WrappedLength() >= CDrawTextEdit::kMaxTextUnits - 1);
    QTest::keyClicks(editor, "yyy");
    QVERIFY(editor->WrappedLength() <= CDrawTextEdit::kMaxTextUnits);
    f.view->TextEditing().EndCurrent();
    QVERIFY(text->TextRef()); // stored, not refused as too long
    QVERIFY(text->Text().starts_with(u"abcxxx"));
    QVERIFY(text->Text().size() <= size_t(CDrawTextEdit::kMaxTextUnits));

    // Narrowing a full text while not editing keeps the text; only wrap
    // points that no longer fit are left out.
    text->SetSize(60, 250);
    QVERIFY(text->TextRef());
    QVERIFY(text->Text().size() <= size_t(CDrawTextEdit::kMaxTextUnits));
    QVERIFY(text->Text().starts_with(u"abc"));
}

void TextEditTest::clickElsewhereAndPageChangeWriteBack()
{
    Fixture f;
    CDrawText* text = f.AddText({10, 10, 200, 60}, u"ab");
    f.doc.SetModifiedFlag(false);
    f.Click(50, 30);
    QTest::mouseDClick(f.wnd(), Qt::LeftButton, {}, Fixture::At(50, 30));
    QVERIFY(f.wnd()->EditedObject() == text);
    CDrawTextEdit* editor = f.editor();
    QVERIFY(editor->isVisible());
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "xy");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "z");
    QVERIFY(!f.doc.IsModified()); // typing stays in the editor until written back

    f.Click(400, 250);
    QVERIFY(f.wnd()->EditedObject() != text);
    QVERIFY(!editor->isVisible());
    QCOMPARE(text->Text(), std::u16string(u"abxy\r\nz"));
    QVERIFY(f.doc.IsModified());

    // A change of the current page ends editing too.
    f.view->SelectOnly(text);
    f.wnd()->EditObject(text);
    QTest::keyClicks(editor, "q");
    CPage* other = f.doc.AddPage();
    f.doc.SetCurrentPage(other);
    QVERIFY(f.wnd()->EditedObject() != text);
    QCOMPARE(text->Text(), std::u16string(u"qabxy\r\nz"));

    // An object removed while edited leaves the editor free.
    f.doc.SetCurrentPage(f.page);
    f.wnd()->EditObject(text);
    f.doc.RemoveObject(text);
    QVERIFY(!f.view->TextEditing().EditedObject());
    QVERIFY(!editor->isVisible());
}

void TextEditTest::drawingATextOpensTheEditor()
{
    Fixture f;
    f.view->OnPageCommand(ID_TOOL_TEXT);
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(100, 100));
    QTest::mouseMove(f.wnd(), Fixture::At(150, 120));
    QTest::mouseMove(f.wnd(), Fixture::At(200, 140));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(200, 140));
    QCOMPARE(f.page->Objects().size(), size_t(1));
    auto* text = dynamic_cast<CDrawText*>(f.page->Objects().front().get());
    QVERIFY(text);
    QVERIFY(f.wnd()->EditedObject() == text);
    QVERIFY(f.editor()->isVisible());
    QCOMPARE(f.editor()->geometry(), QRect(Fixture::At(100, 100), QSize(100, 40)));
    QCOMPARE(f.view->CurrentToolCommand(), 40401);
    QTest::keyClicks(f.editor(), "hi");
    f.Click(400, 250);
    QCOMPARE(text->Text(), std::u16string(u"hi"));
}

void TextEditTest::saveCompileAndCloseWriteBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("edit.kdp");
    TestFrame frame;
    auto* view = new CPageView(frame.Document());
    frame.SetPageView(view);
    CPageDoc& doc = frame.Document();
    CPage* page = doc.AddPage();
    doc.SetCurrentPage(page);
    auto* text = static_cast<CDrawText*>(doc.AddObject(std::make_unique<CDrawText>(PageRect{10, 10, 300, 60})));
    frame.saveAnswer = path;
    QVERIFY(frame.Documents().SaveAs({}));

    const auto storedText = [&] {
        CPageDoc reread;
        reread.SetImageDecoding(false);
        if (reread.OpenProject(path) || reread.PageCount() != 1 || reread.PageAt(0)->Objects().empty())
            return std::u16string(u"<unreadable>");
        return static_cast<CDrawText*>(reread.PageAt(0)->Objects().front().get())->Text();
    };

    view->PageWindow()->EditObject(text);
    QTest::keyClicks(view->TextEditing().Editor(), "hello");
    QVERIFY(frame.Documents().Save());
    QCOMPARE(storedText(), std::u16string(u"hello"));
    QVERIFY(view->EditedText() == text); // saving does not end the edit

    // Compiling saves what was typed before it asks for the output file.
    QTest::keyClicks(view->TextEditing().Editor(), "!");
    frame.compileAnswer.clear();
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QCOMPARE(frame.compileQuestions, 1);
    QCOMPARE(storedText(), std::u16string(u"hello!"));

    // Closing asks about the typed text; cancelling keeps the edit going.
    QTest::keyClicks(view->TextEditing().Editor(), "?");
    ModalDriver driver;
    driver.Answer(QMessageBox::Cancel);
    driver.Run([&] { frame.close(); });
    QCOMPARE(driver.boxes.size(), size_t(1));
    QVERIFY(view->EditedText() == text);
    QCOMPARE(text->Text(), std::u16string(u"hello!?"));
}

void TextEditTest::lostGrabEndsResizeDrag()
{
    Fixture f;
    CDrawObj* rect = f.AddRect({100, 100, 150, 150});
    f.Click(120, 120);
    // Window deactivated during a resize drag.
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(150, 150));
    QTest::mouseMove(f.wnd(), Fixture::At(170, 170));
    QCOMPARE(rect->Bounds(), (PageRect{100, 100, 170, 170}));
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(f.wnd(), &deactivate);
    QVERIFY(!f.wnd()->IsCapturing());
    QTest::mouseMove(f.wnd(), Fixture::At(200, 200));
    QTest::mouseMove(f.wnd(), Fixture::At(210, 190));
    QCOMPARE(rect->Bounds(), (PageRect{100, 100, 170, 170}));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(210, 190));
    QCOMPARE(rect->Bounds(), (PageRect{100, 100, 170, 170}));

    // A move that arrives with the button already up (a popup took the
    // mouse) ends a move drag where it is.
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(120, 120));
    QTest::mouseMove(f.wnd(), Fixture::At(130, 120));
    QCOMPARE(rect->Bounds(), (PageRect{110, 100, 180, 170}));
    QMouseEvent upMove(QEvent::MouseMove, Fixture::At(160, 160), f.wnd()->mapToGlobal(Fixture::At(160, 160)),
                       Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.wnd(), &upMove);
    QTest::mouseMove(f.wnd(), Fixture::At(170, 170));
    QCOMPARE(rect->Bounds(), (PageRect{110, 100, 180, 170}));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(170, 170));

    // A popup that opens during a drag takes the mouse.
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(180, 170));
    QTest::mouseMove(f.wnd(), Fixture::At(190, 180));
    QCOMPARE(rect->Bounds(), (PageRect{110, 100, 190, 180}));
    QMenu popup;
    popup.addAction(QStringLiteral("x"));
    popup.popup(f.wnd()->mapToGlobal(QPoint(0, 0)));
    QTest::mouseMove(f.wnd(), Fixture::At(220, 220));
    popup.close();
    QTest::mouseMove(f.wnd(), Fixture::At(230, 230));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(230, 230));
    QCOMPARE(rect->Bounds(), (PageRect{110, 100, 190, 180}));

    // So does another window that grabs the mouse.
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(150, 150));
    QTest::mouseMove(f.wnd(), Fixture::At(160, 150));
    QCOMPARE(rect->Bounds(), (PageRect{120, 100, 200, 180}));
    QWidget grabber;
    grabber.show();
    grabber.grabMouse();
    QTest::mouseMove(f.wnd(), Fixture::At(170, 150));
    grabber.releaseMouse();
    QTest::mouseMove(f.wnd(), Fixture::At(180, 150));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(180, 150));
    QCOMPARE(rect->Bounds(), (PageRect{120, 100, 200, 180}));

    // A creation drag that loses the mouse before it moved leaves nothing
    // and falls back to the select tool.
    f.view->OnPageCommand(ID_TOOL_RECT);
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(300, 200));
    QCOMPARE(f.page->Objects().size(), size_t(2));
    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.wnd(), &focusOut);
    QCOMPARE(f.page->Objects().size(), size_t(1));
    QCOMPARE(f.view->CurrentToolCommand(), 40401);
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(300, 200));
}

void TextEditTest::selectionChangeDuringCreationLeavesNoEmptyObject()
{
    Fixture f;
    CDrawObj* other = f.AddRect({300, 200, 350, 250});
    f.view->OnPageCommand(ID_TOOL_RECT);
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(50, 50));
    f.view->OnPageCommand(ID_EDIT_SELECT_ALL);
    QCOMPARE(f.page->Objects().size(), size_t(1));
    QCOMPARE(f.view->CurrentToolCommand(), 40401);
    QCOMPARE(f.view->SelectionCount(), 1);
    QTest::mouseMove(f.wnd(), Fixture::At(80, 80));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(80, 80));
    QCOMPARE(f.page->Objects().size(), size_t(1));
    QCOMPARE(other->Bounds(), (PageRect{300, 200, 350, 250}));

    // An object already dragged out is kept and selected with the rest.
    f.view->OnPageCommand(ID_EDIT_CLEAR);
    f.view->OnPageCommand(ID_TOOL_RECT);
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(50, 50));
    QTest::mouseMove(f.wnd(), Fixture::At(80, 70));
    f.AddRect({400, 10, 420, 30});
    f.view->OnPageCommand(ID_EDIT_SELECT_ALL);
    QCOMPARE(f.page->Objects().size(), size_t(2));
    QCOMPARE(f.view->SelectionCount(), 2);
    QTest::mouseMove(f.wnd(), Fixture::At(120, 120));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(120, 120));
    QCOMPARE(f.page->Objects().front()->Bounds(), (PageRect{50, 50, 80, 70}));
}

void TextEditTest::newAndOpenSelectTheSelectTool()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("two.kdp");
    WriteProject(path, 320, 240, 16, 2);
    TestFrame frame;
    auto* view = new CPageView(frame.Document());
    frame.SetPageView(view);
    frame.Document().SetCurrentPage(frame.Document().AddPage());
    frame.Document().SetModifiedFlag(false);
    view->OnPageCommand(ID_TOOL_RECT);
    QCOMPARE(view->CurrentToolCommand(), ID_TOOL_RECT);
    QVERIFY(frame.OpenDocumentFile(path));
    QCOMPARE(view->CurrentToolCommand(), 40401);
    view->OnPageCommand(ID_TOOL_TEXT);
    QCOMPARE(view->CurrentToolCommand(), ID_TOOL_TEXT);
    frame.Documents().NewBlankProject();
    QCOMPARE(view->CurrentToolCommand(), 40401);
}

void TextEditTest::unreadableFileKeepsTheOpenProject()
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.kdp");
    WriteProject(good, 320, 240, 16, 2);
    const QString picture = dir.filePath("picture.kdp");
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture, "PNG"));

    TestFrame frame;
    QVERIFY(frame.OpenDocumentFile(good));
    bool opened = true;
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok);
    driver.Run([&] { opened = frame.OpenDocumentFile(picture); });
    QVERIFY(!opened);
    QCOMPARE(driver.boxes.size(), size_t(1));
    QCOMPARE(driver.boxes.front().icon, QMessageBox::Critical);
    QCOMPARE(frame.Document().PageCount(), size_t(2));
    QCOMPARE(frame.Document().header.width, uint16_t(320));
    QCOMPARE(frame.PathName(), QFileInfo(good).absoluteFilePath());
    QVERIFY(frame.Document().CurrentPage());
}

} // namespace kdx::test
