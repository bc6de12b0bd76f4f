#include "app/panes/CPaneCompile.h"

#include "app/frame/Messages.h"
#include "edit/EditStrings.h"

#include "channel/CompileSession.h"
#include "common/LocateMarker.h"
#include "model/PageDoc.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPalette>
#include <QThread>

namespace kdx {
namespace {

// A start failure that arrives as an exception shows at most this much.
constexpr qsizetype kMaxStartErrorUnits = 520;
// The compiler's message for a jump to a page that does not exist.
constexpr char16_t kMissingPageMessage[] = u"*发生未知错误，无法匹配页面对象";

} // namespace

// Hands each text of the compilation to the pane on the user-interface
// thread and returns only once it is in the pane: the compiler's message
// slot is reused as soon as this returns.
class CPaneCompile::Sink : public CompileSession::Sink {
public:
    explicit Sink(CPaneCompile* pane) : pane_(pane) {}

    void Deliver(std::u16string_view text) override
    {
        const QString copy = QString::fromUtf16(text.data(), qsizetype(text.size()));
        if (QThread::currentThread() == pane_->thread())
            pane_->Deliver(copy);
        else
            QMetaObject::invokeMethod(pane_, [this, &copy] { pane_->Deliver(copy); },
                                      Qt::BlockingQueuedConnection);
    }

private:
    CPaneCompile* pane_;
};

CPaneCompile::CPaneCompile(QWidget* parent)
    : CMyEdit(parent, true),
      sink_(std::make_unique<Sink>(this)),
      session_(std::make_unique<CompileSession>(*sink_, uint64_t(reinterpret_cast<uintptr_t>(this))))
{
    SetReadOnly(true);
    SetUndoEnabled(false);
    ShowRuler(false);
    ShowLineNumbers(true);
    HighlightCurrentLine(false);
    SetFollowSystemBackground(true);
    SetColour(COLOUR_LINE_NUMBERS, QColor(0, 128, 128));
    SetColour(COLOUR_NUMBER_BACKGROUND, palette().color(QPalette::Base));
    // Messages, not a text being edited: no marks for line ends or blanks.
    ShowLineEnds(false);
    ShowSpacesAndTabs(false);
    SetLineColourRule([this](int line) { return MessageColour(LineText(line)); });
}

QColor CPaneCompile::MessageColour(const QString& line)
{
    // Errors start with "*", warnings with "!".
    if (line.startsWith(u'*'))
        return ErrorColour();
    if (line.startsWith(u'!'))
        return WarningColour();
    return {};
}

CPaneCompile::~CPaneCompile()
{
    // The monitor's last texts come through this window: it must be gone
    // before the window is.
    CancelCompile();
    session_.reset();
}

bool CPaneCompile::MonitorRunning() const
{
    return session_->MonitorRunning();
}

bool CPaneCompile::IsCompiling() const
{
    // From the start until the monitor has released the channel and the
    // compiler, the pane is not free for another compilation.
    return MonitorRunning();
}

void CPaneCompile::StartCompile(const QString& projectPath, const QString& outputPath)
{
    if (IsCompiling()) {
        // The running compilation and its output stay as they are.
        ShowStatusMessage(kStatusError, IDS_NO_COMPILE_PANE);
        return;
    }
    WaitForMonitor();
    ClearAll();
    try {
        session_->Start(projectPath.toStdU16String(), outputPath.toStdU16String(),
                        QFile::encodeName(compilerPath_).toStdString());
    } catch (const std::exception& error) {
        AppendText(QString::fromLocal8Bit(error.what()).left(kMaxStartErrorUnits));
    }
}

void CPaneCompile::ShowReport(const QString& text, bool replace)
{
    if (replace)
        ClearAll();
    AppendText(text);
}

void CPaneCompile::CancelCompile()
{
    session_->RequestCancel();
    WaitForMonitor();
}

void CPaneCompile::WaitForMonitor()
{
    // The monitor is blocked until the text being appended now is in the
    // pane; it ends by itself once this call has returned.
    if (delivering_)
        return;
    // The monitor's final texts are appended on this thread: keep taking
    // events until it is done. It sees the cancel flag on its next pass, so
    // the wait is short; user input waits meanwhile.
    while (session_->MonitorRunning()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (session_->MonitorRunning())
            QThread::msleep(1);
    }
    session_->Join();
}

void CPaneCompile::Deliver(const QString& text)
{
    delivering_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{delivering_};
    AppendText(text);
}

void CPaneCompile::ClearAll()
{
    SetReadOnly(false);
    DeleteRange(0, 0, -1, 0);
    SetReadOnly(true);
}

void CPaneCompile::AppendText(const QString& text)
{
    if (text.isEmpty())
        return;
    // Inserting replaces a selection; the user's selection must not take
    // output with it.
    ClearSelection();
    SetReadOnly(false);
    InsertText(-1, -1, text);
    SetReadOnly(true);
    emit TextAppended(text);
}

// ------------------------------------------------------------- locating

bool CPaneCompile::LocateFromLine(int line)
{
    const QString text = LineText(line);
    if (const auto picture = PictureOfMessage(text))
        return LocatePicture(*picture);
    if (text.startsWith(QString::fromUtf16(kMissingPageMessage)))
        return LocateMissingJump();
    const std::optional<LocateRef> ref = ParseLocateLine(text.toStdU16String());
    if (!ref)
        return false;
    return ref->target == LocateTarget::Object ? LocateObject(ref->id) : LocatePage(ref->id);
}

std::optional<QString> CPaneCompile::PictureOfMessage(const QString& line)
{
    // "*未能加载图象文件“PATH”：REASON" and "*图象文件“PATH”过大…": the path
    // runs to the last closing quote (a path may hold quotes, a reason not).
    for (const char16_t* prefix : {u"*未能加载图象文件“", u"*图象文件“"}) {
        const QString start = QString::fromUtf16(prefix);
        const qsizetype end = line.lastIndexOf(u'”');
        if (line.startsWith(start) && end >= start.size())
            return line.mid(start.size(), end - start.size());
    }
    return std::nullopt;
}

bool CPaneCompile::LocatePicture(const QString& shownPath)
{
    if (!doc_)
        return false;
    // The compiler shows a NUL in a path as "\0".
    const auto uses = [&shownPath](const ImageEntry* image) {
        return image && QString(image->path).replace(QChar(0), QStringLiteral("\\0")) == shownPath;
    };
    for (const auto& page : doc_->Pages()) {
        if (uses(page->BackgroundImage()))
            return LocatePage(page->PageId());
        for (const auto& object : page->Objects())
            if (const auto* image = dynamic_cast<const CDrawImage*>(object.get());
                image && (uses(image->NormalImage()) || uses(image->PressedImage())))
                return LocateObject(*page, object.get());
    }
    ShowStatusMessage(kStatusInfo, IDS_OBJECT_NOT_FOUND);
    return false;
}

bool CPaneCompile::LocateMissingJump()
{
    if (!doc_)
        return false;
    for (const auto& page : doc_->Pages())
        for (const auto& object : page->Objects())
            if (object->JumpTarget() != kNoPage && !doc_->FindPage(object->JumpTarget()))
                return LocateObject(*page, object.get());
    ShowStatusMessage(kStatusInfo, IDS_OBJECT_NOT_FOUND);
    return false;
}

bool CPaneCompile::LocatePage(uint32_t pageId)
{
    if (!doc_)
        return false;
    CPage* page = doc_->FindPage(pageId);
    if (!page) {
        ShowStatusMessage(kStatusInfo, IDS_PAGE_NOT_FOUND);
        return false;
    }
    // The page list follows the document's current page.
    doc_->SetCurrentPage(page);
    return doc_->CurrentPage() == page;
}

bool CPaneCompile::LocateObject(uint32_t objectId)
{
    if (!doc_)
        return false;
    CDrawObj* object = nullptr;
    CPage* page = nullptr;
    if (!doc_->FindObject(objectId, &object, &page) || !object || !page) {
        ShowStatusMessage(kStatusInfo, IDS_OBJECT_NOT_FOUND);
        return false;
    }
    return LocateObject(*page, object);
}

bool CPaneCompile::LocateObject(const CPage& page, CDrawObj* object)
{
    if (!LocatePage(page.PageId()))
        return false;
    return selectObject_ && selectObject_(object);
}

void CPaneCompile::mouseDoubleClickEvent(QMouseEvent* event)
{
    CMyEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        LocateFromLine(GetCaret().line);
}

// ------------------------------------------------------------ menu 142

std::vector<int> CPaneCompile::MenuItems() const
{
    using namespace text_control;
    return {ID_CANCEL_COMPILE, 0,
            ID_EDIT_COPY, ID_CLEAR_ALL, 0,
            ID_EDIT_SELECT_ALL, ID_EDIT_COLUMN_SELECT, 0,
            ID_EDIT_TOGGLE_BOOKMARK, ID_EDIT_NEXT_BOOKMARK, ID_EDIT_PREVIOUS_BOOKMARK,
            ID_EDIT_CLEAR_BOOKMARKS, 0,
            ID_EDIT_SHOW_LINE_NUMBERS, ID_EDIT_SHOW_WHITESPACE};
}

bool CPaneCompile::IsCommandEnabled(int id) const
{
    switch (id) {
    case ID_CANCEL_COMPILE:
        return MonitorRunning();
    case ID_CLEAR_ALL:
        // The pane is read-only to the user, yet its output may be cleared.
        return TextLength() > 0;
    default:
        return CMyEdit::IsCommandEnabled(id);
    }
}

bool CPaneCompile::OnCommand(int id)
{
    switch (id) {
    case ID_CANCEL_COMPILE:
        CancelCompile();
        return true;
    case ID_CLEAR_ALL:
        ClearAll();
        return true;
    default:
        return CMyEdit::OnCommand(id);
    }
}

QMenu* CPaneCompile::CreatePaneMenu(QWidget* parent)
{
    QMenu* menu = CreateContextMenu(parent);
    menu->setObjectName(QString::number(kMenuId));
    // The pane's own items have their texts in the editor's table.
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->text().isEmpty())
            action->setText(EditorString(action->data().toInt()));
    return menu;
}

bool CPaneCompile::ShowPaneMenu(const QPoint& globalPos)
{
    QMenu* menu = CreatePaneMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
    return true;
}

void CPaneCompile::ShowContextMenu(const QPoint& globalPos)
{
    ShowPaneMenu(globalPos);
}

} // namespace kdx
