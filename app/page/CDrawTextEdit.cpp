#include "app/page/CDrawTextEdit.h"

#include "edit/EditStrings.h"
#include "edit/TextMetrics.h"
#include "model/PageDoc.h"
#include "model/PagePaint.h"
#include "terminal/TerminalPaint.h"
#include "terminal/TerminalFontLookup.h"
#include "terminal/TextWrap.h"

#include <QFontDatabase>
#include <QtMath>
#include <QKeyEvent>
#include <QMouseEvent>

#include <utility>

namespace kdx {

namespace {

constexpr int kWordWrapAtWidth = 1;

// Removes the wrap points (lone LFs); CR LF pairs and everything else stay.
std::u16string WithoutWrapPoints(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != u'\n' || (i > 0 && text[i - 1] == u'\r'))
            out += text[i];
    return out;
}

std::u16string FitToLimit(std::u16string text)
{
    return FitWrappedText(std::move(text), size_t(CDrawTextEdit::kMaxTextUnits));
}

const TerminalFont* TerminalFontOf(const CDrawText& object)
{
    const CPageDoc* doc = object.Document();
    return doc ? doc->GetFont(object.FontId()) : nullptr;
}

} // namespace

// ------------------------------------------------------------ editor window

CDrawTextEdit::CDrawTextEdit(QWidget* parent) : CMyEdit(parent, false)
{
    setObjectName(QStringLiteral("DrawTextEdit"));
    ShowRuler(false);
    ShowLineNumbers(false);
    HighlightCurrentLine(false);
    SetWrapMode(kWordWrapAtWidth);
    SetTextLimit(kMaxTextUnits);
}

std::vector<int> CDrawTextEdit::MenuItems() const
{
    using namespace text_control;
    return {ID_EDIT_UNDO, ID_EDIT_REDO, 0,
            ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_CLEAR, 0,
            ID_EDIT_SELECT_ALL, 0,
            ID_EDIT_SHOW_WHITESPACE};
}

void CDrawTextEdit::Layout()
{
    // The whole window is text: no ruler, no margin. The window's own size
    // counts, so that a hidden window already wraps at its new width.
    const QRect client(QPoint(0, 0), m_textSize.isValid() ? m_textSize : size());
    SetAreas(QRect(0, 0, client.width(), 0), QRect(0, 0, 0, client.height()), client);
}

void CDrawTextEdit::TakeStyleFrom(const CDrawText& object)
{
    if (Metrics().LineSpacing() != object.LineSpacing())
        SetLineSpacing(object.LineSpacing());
    if (TabSize() != object.TabSize())
        SetTabSize(object.TabSize());
    // Rows stand at the terminal's cell pitch, as on the page and the terminal.
    const TerminalFont* terminal = TerminalFontOf(object);
    const QFont font = terminal ? TerminalQFont(*terminal) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const int cellHeight = terminal ? terminal->cellHeight : 0;
    const int cellWidth = terminal ? terminal->cellWidth : 0;
    if (Metrics().Font() != font || (cellHeight > 0 && Metrics().FontHeight() != cellHeight) ||
        Metrics().CellWidth() != cellWidth)
        SetFont(font, cellHeight, cellWidth);
    // Characters stand as far apart as on the page and the panel.
    SetCharSpacing(object.CharSpacing());
    const Color c = object.LineColor();
    const QColor colour = c == kNoColor ? palette().color(QPalette::Text) : QColorOf(c);
    if (Colour(COLOUR_TEXT) != colour)
        SetColour(COLOUR_TEXT, colour);
    // The text is typed over what the page shows around it, black on a page
    // without background as on the panel.
    if (const CPage* page = object.Page()) {
        SetFollowSystemBackground(false);
        const QColor background = PageBackgroundColor(*page);
        if (Colour(COLOUR_BACKGROUND) != background)
            SetColour(COLOUR_BACKGROUND, background);
    }
}

void CDrawTextEdit::PlaceOver(const QRect& rect)
{
    PlaceOver(rect, rect, ViewScale());
}

void CDrawTextEdit::PlaceOver(const QRect& shown, const QRect& page, const ViewScale& scale)
{
    m_textSize = scale.IsOneToOne() ? QSize() : page.size();
    SetPaintScale(scale, page.topLeft());
    setGeometry(shown);
    ApplySizeNow();
    update();
}

QMouseEvent CDrawTextEdit::Unscaled(const QMouseEvent& event) const
{
    const QPoint inWindow(qFloor(event.position().x()), qFloor(event.position().y()));
    const ViewScale& scale = PaintScale();
    const QPointF local = scale.ToPage(scale.ToScreen(PaintOrigin()) + inWindow) - PaintOrigin();
    return QMouseEvent(event.type(), local, event.scenePosition(), event.globalPosition(), event.button(),
                       event.buttons(), event.modifiers(), event.pointingDevice());
}

void CDrawTextEdit::keyPressEvent(QKeyEvent* event)
{
    // Escape first drops the selection, and once none is left ends editing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && !HasSelection()) {
        event->accept();
        emit FinishRequested();
        return;
    }
    CMyEdit::keyPressEvent(event);
}

void CDrawTextEdit::mousePressEvent(QMouseEvent* event)
{
    if (PaintScale().IsOneToOne())
        return CMyEdit::mousePressEvent(event);
    QMouseEvent local = Unscaled(*event);
    CMyEdit::mousePressEvent(&local);
    event->setAccepted(local.isAccepted());
}

void CDrawTextEdit::mouseMoveEvent(QMouseEvent* event)
{
    if (PaintScale().IsOneToOne())
        return CMyEdit::mouseMoveEvent(event);
    QMouseEvent local = Unscaled(*event);
    CMyEdit::mouseMoveEvent(&local);
    event->setAccepted(local.isAccepted());
}

void CDrawTextEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (PaintScale().IsOneToOne())
        return CMyEdit::mouseReleaseEvent(event);
    QMouseEvent local = Unscaled(*event);
    CMyEdit::mouseReleaseEvent(&local);
    event->setAccepted(local.isAccepted());
}

void CDrawTextEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (PaintScale().IsOneToOne())
        return CMyEdit::mouseDoubleClickEvent(event);
    QMouseEvent local = Unscaled(*event);
    CMyEdit::mouseDoubleClickEvent(&local);
    event->setAccepted(local.isAccepted());
}

void CDrawTextEdit::LoadFromObject(const CDrawText& object)
{
    // A text read from a file may be longer than typing may make it.
    const int limit = TextLimit();
    SetTextLimit(0);
    DeleteRange(0, 0, -1, 0);
    const std::u16string text = WithoutWrapPoints(object.Text());
    InsertText(-1, -1, text.data(), int(text.size()));
    SetTextLimit(limit);
    ResetUndo();
    SetModified(false);
}

std::u16string CDrawTextEdit::ObjectText() const
{
    const TextStore& store = Store();
    std::u16string text;
    text.reserve(size_t(WrappedLength()));
    for (int i = 0; i < store.RowCount(); ++i) {
        const RowEntry& row = store.Row(i);
        text.append(row.text ? row.text : u"", size_t(row.length));
        if (i + 1 < store.RowCount())
            text += store.Row(i + 1).IsContinuation() ? u"\n" : u"\r\n";
    }
    return text;
}

void CDrawTextEdit::SaveToObject(CDrawText& object) const
{
    const std::u16string text = FitToLimit(ObjectText());
    // Only a text read from a file can still be too long; the object then
    // keeps its stored text rather than losing it.
    if (text.size() > size_t(kMaxTextUnits))
        return;
    object.SetText(text);
}

// ------------------------------------------------------------ session

CTextEditSession::CTextEditSession(CPageDoc& doc, QWidget* host, QPoint origin)
    : m_doc(doc), m_host(host), m_origin(origin)
{
    m_doc.AddObserver(this);
}

CTextEditSession::~CTextEditSession()
{
    // The view is going: the text still goes back into its object.
    EndCurrent();
    m_doc.RemoveObserver(this);
}

CDrawTextEdit* CTextEditSession::EnsureEditor()
{
    if (!m_editor && m_host) {
        m_editor = new CDrawTextEdit(m_host);
        QObject::connect(m_editor, &CDrawTextEdit::FinishRequested, m_editor, [this] { EndCurrent(); });
        m_editor->hide();
        m_editor->setGeometry(QRect());
    }
    return m_editor;
}

QRect CTextEditSession::Displayed(const CDrawText& object) const
{
    const PageRect& r = object.Bounds();
    return m_scale.ToScreen(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top)).translated(m_origin);
}

void CTextEditSession::PlaceOn(const CDrawText& object)
{
    const PageRect& r = object.Bounds();
    m_editor->PlaceOver(Displayed(object), QRect(r.left, r.top, r.Width(), r.Height()), m_scale);
}

void CTextEditSession::SetScale(const ViewScale& scale)
{
    m_scale = scale;
    if (m_object && m_editor)
        PlaceOn(*m_object);
}

bool CTextEditSession::Begin(CDrawText& object)
{
    if (m_object == &object)
        return true;
    EndCurrent(); // one editor window: another text gets its text back first
    CDrawTextEdit* editor = EnsureEditor();
    if (!editor)
        return false;
    editor->TakeStyleFrom(object);
    PlaceOn(object);
    editor->LoadFromObject(object);
    editor->SetCaret(0, 0);
    m_object = &object;
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void CTextEditSession::EndCurrent()
{
    CDrawText* object = std::exchange(m_object, nullptr);
    if (!object || !m_editor)
        return;
    const bool hadFocus = m_editor->hasFocus();
    m_editor->hide();
    if (hadFocus && m_host)
        m_host->setFocus(Qt::OtherFocusReason);
    const CPageDoc::StepScope step(m_doc, QString::fromUtf16(kStepName));
    m_editor->SaveToObject(*object);
}

void CTextEditSession::WriteBack()
{
    if (m_object && m_editor) {
        const CPageDoc::StepScope step(m_doc, QString::fromUtf16(kStepName));
        m_editor->SaveToObject(*m_object);
    }
}

void CTextEditSession::OnObjectChanged(CDrawObj* object, uint32_t flags)
{
    auto* text = dynamic_cast<CDrawText*>(object);
    // A changed text is what writing back reports: nothing to follow.
    if (!text || (flags & kChangedKindField1) || text != m_object || !m_editor)
        return;
    m_editor->TakeStyleFrom(*text);
    if (flags & (kChangedPosition | kChangedSize))
        PlaceOn(*text);
    else
        m_editor->RewrapNow();
    m_editor->repaint();
}

void CTextEditSession::OnUpdate(UpdateHint hint, CDrawObj* object)
{
    // An object removed while edited gets its text back before it goes.
    if (hint == UpdateHint::RemoveObject && object && object == m_object)
        EndCurrent();
    // The page's background changed while typing: the text stands on it.
    if (hint == UpdateHint::RepaintPage && m_object && m_editor) {
        m_editor->TakeStyleFrom(*m_object);
        m_editor->update();
    }
}

void CTextEditSession::OnCurrentPageChanged(CPage*, CPage*)
{
    EndCurrent();
}

bool CTextEditSession::OnCommitEdits()
{
    WriteBack();
    return true;
}

bool CTextEditSession::HasPendingEdits() const
{
    return m_object && m_editor && m_editor->ObjectText() != m_object->Text();
}

} // namespace kdx
