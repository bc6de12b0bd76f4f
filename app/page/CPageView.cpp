#include "app/page/CPageView.h"

#include "app/page/CDrawTextEdit.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "model/MakeOfKind.h"
#include "model/PageDoc.h"
#include "model/PagePaint.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>
#include <algorithm>
#include <utility>
#include <vector>

namespace kdx {

namespace {

QColor ToQColor(Color c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QRect ToQRect(const PageRect& r)
{
    const PageRect n = r.Normalized();
    return QRect(n.left, n.top, n.Width(), n.Height());
}

PageRect ToPageRect(const QRect& r)
{
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

bool IsPointInObject(const CDrawObj* object, const QPoint& p)
{
    return object->Intersects({p.x(), p.y(), p.x() + 1, p.y() + 1});
}

// The sizing cursor shown over a selection handle: a line's two ends take
// the cross; the eight handles around a rectangle size along their edge or
// diagonal, counted clockwise from the top-left corner. None for other numbers.
std::optional<Qt::CursorShape> HandleCursor(const CDrawObj& object, int handle)
{
    if (object.Kind() == ObjectKind::Line)
        return handle == 0 || handle == 1 ? std::optional(Qt::CrossCursor) : std::nullopt;
    switch (handle) {
    case 0: case 4: return Qt::SizeFDiagCursor;
    case 1: case 5: return Qt::SizeVerCursor;
    case 2: case 6: return Qt::SizeBDiagCursor;
    case 3: case 7: return Qt::SizeHorCursor;
    default: return std::nullopt;
    }
}

std::unique_ptr<CDrawObj> MakeObjectForTool(PageTool tool, const PageRect& rect)
{
    const std::optional<ObjectKind> kind = ToolInfo(tool).kind;
    if (!kind)
        return nullptr;
    return MakeOfKind<CDrawObj, CDrawLine, CDrawRect, CDrawRoundRect, CDrawEllipse, CDrawText, CDrawImage,
                      CDrawCustom>(*kind, rect);
}

// The filled shapes take the fill colour; images and custom objects none.
enum class ToolColor { kNone, kLine, kFill };
ToolColor ColorForTool(PageTool tool)
{
    const PageToolInfo& info = ToolInfo(tool);
    if (info.kind == ObjectKind::Image || info.kind == ObjectKind::Custom)
        return ToolColor::kNone;
    return info.filled ? ToolColor::kFill : ToolColor::kLine;
}

} // namespace

// ------------------------------------------------------------ page window

CPageWnd::CPageWnd(CPageDoc& doc, CPageView* view) : QWidget(view->viewport()), doc_(doc), view_(view)
{
    setObjectName(QStringLiteral("PageWnd"));
    setAttribute(Qt::WA_OpaquePaintEvent); // painting covers everything
    // A click takes the focus in mousePressEvent, once a value typed into a
    // field has been committed (not before, as click focus would).
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
}

QPoint CPageWnd::ToPage(const QPoint& widgetPoint) const
{
    return m_scale.ToPage(widgetPoint - QPoint(kFrameWidth, kFrameWidth));
}

QRect CPageWnd::ToWidget(const QRect& pageRect) const
{
    return m_scale.ToScreen(pageRect).translated(kFrameWidth, kFrameWidth);
}

QSize CPageWnd::OuterSize() const
{
    return m_scale.ToScreen(PageSize()) + QSize(2 * kFrameWidth, 2 * kFrameWidth);
}

void CPageWnd::SetScalePercent(int percent)
{
    m_scale.SetPercent(percent);
    m_pointerKnown = false;
    update();
}

QRect CPageWnd::HandleOnScreen(const CDrawObj* object, int handle) const
{
    // The object's rectangle as shown, corner by corner so that a flipped
    // rectangle stays flipped; the object puts its squares around it.
    const PageRect& raw = object->RawRect();
    const QRect on = ToWidget(ToQRect(raw));
    const int x[2] = {on.left(), on.left() + on.width()};
    const int y[2] = {on.top(), on.top() + on.height()};
    const bool flipX = raw.left > raw.right;
    const bool flipY = raw.top > raw.bottom;
    const PageRect shown{x[flipX], y[flipY], x[!flipX], y[!flipY]};
    const PageRect square = object->HandleRectAround(shown, handle);
    return QRect(square.left, square.top, square.right - square.left, square.bottom - square.top);
}

int CPageWnd::HandleAt(const CDrawObj* object, const QPoint& widgetPoint) const
{
    for (int h = 0; h < object->GetHandleCount(); ++h)
        if (HandleOnScreen(object, h).contains(widgetPoint))
            return h;
    return -1;
}

CDrawObj* CPageWnd::ObjectAtScreen(const QPoint& widgetPoint) const
{
    const CPage* page = doc_.CurrentPage();
    if (!page)
        return nullptr;
    // A reduced page puts several page pixels under one screen pixel and
    // makes thin objects hard to aim at: the tolerance is in screen pixels.
    const int tolerance = m_scale.Percent() < ViewScale::kFullPercent ? kReducedHitTolerance : 0;
    const QPoint s = widgetPoint - QPoint(kFrameWidth, kFrameWidth);
    const QRect area =
        m_scale.PageCovering(QRect(s.x() - tolerance, s.y() - tolerance, 2 * tolerance + 1, 2 * tolerance + 1));
    const PageRect hit = ToPageRect(area);
    const auto& objects = page->Objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if ((*it)->Intersects(hit))
            return it->get();
    return nullptr;
}

QPoint CPageWnd::PointerFor(const QPoint& p) const
{
    if (m_pointerKnown && ToPage(m_pointer) == p)
        return m_pointer;
    const QRect shown = ToWidget(QRect(p, QSize(1, 1)));
    return shown.topLeft() + QPoint(shown.width() / 2, shown.height() / 2);
}

QSize CPageWnd::PageSize() const
{
    return {int(doc_.header.width), int(doc_.header.height)};
}

CDrawObj* CPageWnd::SingleSelection() const
{
    return selection_.size() == 1 ? *selection_.begin() : nullptr;
}

void CPageWnd::SetGridShown(bool shown)
{
    gridShown_ = shown;
    update();
}

void CPageWnd::SetTool(PageTool tool)
{
    tool_ = tool;
}

void CPageWnd::InvalidateObject(const CDrawObj* object)
{
    const QRect r = ToQRect(object->Bounds());
    if (m_scale.IsOneToOne()) {
        update(ToWidget(r.adjusted(-kHandleMargin, -kHandleMargin, kHandleMargin, kHandleMargin)));
        return;
    }
    // The handles keep their screen size; what an object draws around its
    // rectangle (the marks of a custom object) grows with the page.
    const int margin = std::max(kHandleMargin, m_scale.ToScreen(kHandleMargin)) + 1;
    update(ToWidget(r).adjusted(-margin, -margin, margin, margin));
}

// ------------------------------------------------------------ selection

void CPageWnd::SelectObject(CDrawObj* object, bool add)
{
    if (!object)
        return;
    if (object != creating_)
        EndCreationDrag();
    if (!add)
        ClearSelection();
    if (selection_.contains(object))
        return;
    selection_.insert(object);
    InvalidateObject(object);
    if (selection_.size() == 1) {
        primary_ = object;
        ShowInProperties(object);
    } else {
        // Several objects selected: the property pane shows none of them.
        ShowInProperties(nullptr);
    }
}

void CPageWnd::ShowInProperties(CDrawObj* object)
{
    if (object == m_propertyObject)
        return;
    if (CDrawObj* shown = std::exchange(m_propertyObject, nullptr))
        emit view_->PropertyObjectChanged(shown, false);
    m_propertyObject = object;
    if (object)
        emit view_->PropertyObjectChanged(object, true);
}

void CPageWnd::EditObject(CDrawObj* object)
{
    if (auto* image = dynamic_cast<CDrawImage*>(object))
        image->ChooseNormalImage();
    else if (auto* text = dynamic_cast<CDrawText*>(object))
        view_->TextEditing().Begin(*text);
}

CDrawText* CPageWnd::EditedObject() const
{
    return view_->EditedText();
}

void CPageWnd::DeselectObject(CDrawObj* object)
{
    if (!selection_.remove(object))
        return;
    if (object == creating_)
        creating_ = nullptr;
    if (object == m_pressedObject)
        m_pressedObject = nullptr;
    InvalidateObject(object);
    if (object == m_propertyObject)
        ShowInProperties(nullptr);
    if (object == EditedObject())
        view_->TextEditing().EndCurrent();
    if (primary_ == object)
        primary_ = FirstSelectedInPageOrder();
    if (primary_)
        InvalidateObject(primary_); // its handles become filled
}

CDrawObj* CPageWnd::FirstSelectedInPageOrder() const
{
    if (selection_.isEmpty() || !doc_.CurrentPage())
        return nullptr;
    for (const auto& object : doc_.CurrentPage()->Objects())
        if (selection_.contains(object.get()))
            return object.get();
    return nullptr;
}

void CPageWnd::SetPrimaryObject(CDrawObj* object)
{
    if (!object || !selection_.contains(object) || object == primary_)
        return;
    if (primary_)
        InvalidateObject(primary_);
    primary_ = object;
    InvalidateObject(object);
}

void CPageWnd::ClearSelection()
{
    while (!selection_.isEmpty())
        DeselectObject(*selection_.begin());
}

void CPageWnd::SelectWithinRect(const QRect& rect, bool add)
{
    CPage* page = doc_.CurrentPage();
    if (!page)
        return;
    EndCreationDrag();
    if (!add)
        ClearSelection();
    const PageRect area = ToPageRect(rect.normalized());
    std::vector<CDrawObj*> hits;
    for (const auto& object : page->Objects())
        if (object->Intersects(area))
            hits.push_back(object.get());
    for (CDrawObj* object : hits)
        SelectObject(object, true);
}

void CPageWnd::SelectAll()
{
    CPage* page = doc_.CurrentPage();
    if (!page)
        return;
    EndCreationDrag();
    std::vector<CDrawObj*> objects;
    for (const auto& object : page->Objects())
        objects.push_back(object.get());
    for (CDrawObj* object : objects)
        SelectObject(object, true);
}

void CPageWnd::DeleteSelection()
{
    while (!selection_.isEmpty()) {
        CDrawObj* object = *selection_.begin();
        doc_.RemoveObject(object); // sends hint 2, which deselects it
        // An object the document did not remove must not keep this loop going.
        DeselectObject(object);
    }
}

void CPageWnd::MoveSelection(int dx, int dy)
{
    if (selection_.isEmpty() || (dx == 0 && dy == 0))
        return;
    const auto objects = selection_.values();
    for (CDrawObj* object : objects)
        object->MoveTo(object->Bounds().left + dx, object->Bounds().top + dy);
}

// ------------------------------------------------------------ painting

void CPageWnd::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect();
    if (area.isEmpty())
        return;
    QPainter painter(this);
    const QColor window = palette().color(QPalette::Base);
    if (!doc_.CurrentPage()) {
        painter.fillRect(area, window);
        return;
    }
    painter.fillRect(area, QColor(128, 128, 128));
    doc_.RequestPictures(*doc_.CurrentPage());
    if (!m_scale.IsOneToOne()) {
        PaintScaled(painter, area);
        return;
    }
    const QRect pageArea = area.intersected(ToWidget(QRect(QPoint(0, 0), PageSize())));
    if (pageArea.isEmpty())
        return;
    painter.setClipRect(pageArea);
    painter.translate(kFrameWidth, kFrameWidth);
    PaintPage(painter, pageArea.translated(-kFrameWidth, -kFrameWidth));
}

void CPageWnd::PaintPage(QPainter& painter, const QRect& area)
{
    const CPage* page = doc_.CurrentPage();
    PaintPageBackground(painter, *page, PageSize(), area);
    if (gridShown_)
        PaintGrid(painter, area);

    PaintObjects(painter, true);
    if (!band_.isEmpty())
        PaintBand(painter, band_.intersected(area));
}

void CPageWnd::PaintObjects(QPainter& painter, bool withHandles)
{
    DrawStyle style;
    style.grayText = palette().color(QPalette::Disabled, QPalette::Text);
    style.buttonShadow = palette().color(QPalette::Dark);
    style.placeholderFont = QApplication::font();
    // The text being edited is shown by its editor, which lies over it.
    const CDrawObj* edited = EditedObject();
    for (const auto& object : doc_.CurrentPage()->Objects()) {
        if (object.get() != edited) {
            painter.save();
            object->Draw(painter, style);
            painter.restore();
        }
        if (withHandles && selection_.contains(object.get()))
            for (int h = 0; h < object->GetHandleCount(); ++h)
                PaintHandle(painter, ToQRect(object->GetHandleRect(h)), object.get());
    }
}

void CPageWnd::PaintHandle(QPainter& painter, const QRect& square, const CDrawObj* object) const
{
    // Inverted, so that handles show on any colour. With several objects
    // selected only the key object's squares are filled, the others are
    // rings, so that the user sees what align and same size follow.
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (selection_.size() < 2 || object == primary_) {
        painter.fillRect(square, Qt::white);
    } else {
        painter.fillRect(square.left(), square.top(), square.width(), 1, Qt::white);
        painter.fillRect(square.left(), square.bottom(), square.width(), 1, Qt::white);
        painter.fillRect(square.left(), square.top() + 1, 1, square.height() - 2, Qt::white);
        painter.fillRect(square.right(), square.top() + 1, 1, square.height() - 2, Qt::white);
    }
    painter.restore();
}

void CPageWnd::PaintBand(QPainter& painter, const QRect& band)
{
    const QColor highlight = palette().color(QPalette::Highlight);
    QColor fill = highlight;
    fill.setAlpha(64);
    painter.fillRect(band, fill);
    painter.setPen(highlight);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(band.adjusted(0, 0, -1, -1));
}

void CPageWnd::PaintScaled(QPainter& painter, const QRect& area)
{
    // The page is composed at its own size for the page pixels the update
    // area shows, then scaled: the user sees the terminal's pixels enlarged.
    // Handles and the rubber band are drawn afterwards at screen size.
    const QRect shown = area.intersected(ToWidget(QRect(QPoint(0, 0), PageSize())));
    if (shown.isEmpty())
        return;
    const QRect screenArea = shown.translated(-kFrameWidth, -kFrameWidth);
    const QRect pageArea = m_scale.PageCovering(screenArea).intersected(QRect(QPoint(0, 0), PageSize()));
    if (pageArea.isEmpty())
        return;
    QImage page(pageArea.size(), QImage::Format_RGB32);
    {
        QPainter pagePainter(&page);
        pagePainter.translate(-pageArea.topLeft());
        PaintPageBackground(pagePainter, *doc_.CurrentPage(), PageSize(), pageArea);
        if (gridShown_)
            PaintGrid(pagePainter, pageArea);
        PaintObjects(pagePainter, false);
    }
    painter.drawImage(shown.topLeft(), m_scale.ScaleImage(page, pageArea.topLeft(), screenArea));
    painter.setClipRect(shown);
    for (const auto& object : doc_.CurrentPage()->Objects()) {
        if (!selection_.contains(object.get()))
            continue;
        for (int h = 0; h < object->GetHandleCount(); ++h)
            PaintHandle(painter, HandleOnScreen(object.get(), h), object.get());
    }
    if (!band_.isEmpty())
        PaintBand(painter, ToWidget(band_).intersected(shown));
}

void CPageWnd::PaintGrid(QPainter& painter, const QRect& area)
{
    // Each cell is w by h pixels with a one-pixel line between cells and no
    // line before the first cell.
    const QColor color = ToQColor(doc_.view.gridColor);
    const QSize size = PageSize();
    const int stepX = int(doc_.view.gridWidth) + 1;
    const int stepY = int(doc_.view.gridHeight) + 1;
    if (stepX > 1)
        for (int k = std::max(area.left() / stepX, 1), x = k * stepX - 1; x <= area.right(); x += stepX)
            painter.fillRect(x, 0, 1, size.height(), color);
    if (stepY > 1)
        for (int k = std::max(area.top() / stepY, 1), y = k * stepY - 1; y <= area.bottom(); y += stepY)
            painter.fillRect(0, y, size.width(), 1, color);
}

void CPageWnd::SetBand(const QRect& band)
{
    const QRect old = band_;
    band_ = band;
    if (!old.isEmpty())
        update(ToWidget(old).adjusted(-1, -1, 1, 1));
    if (!band_.isEmpty())
        update(ToWidget(band_).adjusted(-1, -1, 1, 1));
}

// ------------------------------------------------------------ mouse and keys

void CPageWnd::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    m_snapSuspended = event->modifiers() & Qt::AltModifier;
    m_pointer = event->position().toPoint();
    m_pointerKnown = true;
    // A click acts on the page as the typed values have made it; a refused
    // value (its message shows) keeps the click from acting.
    if (!doc_.CommitEdits())
        return;
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton && doc_.CurrentPage())
        ToolPress(ToPage(event->position().toPoint()), event->modifiers());
}

void CPageWnd::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    m_snapSuspended = event->modifiers() & Qt::AltModifier;
    m_pointer = event->position().toPoint();
    m_pointerKnown = true;
    // A drag whose button is no longer down, under a popup that opened
    // meanwhile or while another window grabs the mouse lost its capture.
    const QWidget* grabber = QWidget::mouseGrabber();
    if (capturing_ && (!(event->buttons() & Qt::LeftButton) || QApplication::activePopupWidget()
                       || (grabber && grabber != this)))
        CaptureLost();
    if (doc_.CurrentPage()) {
        const QPoint at = ToPage(event->position().toPoint());
        emit view_->PointerMoved(at);
        ToolMove(at);
    }
}

void CPageWnd::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    m_snapSuspended = event->modifiers() & Qt::AltModifier;
    m_pointer = event->position().toPoint();
    m_pointerKnown = true;
    if (QApplication::activePopupWidget())
        CaptureLost();
    if (event->button() == Qt::LeftButton && doc_.CurrentPage())
        ToolRelease(ToPage(event->position().toPoint()));
}

void CPageWnd::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (!doc_.CurrentPage() || capturing_)
        return;
    setFocus(Qt::MouseFocusReason); // its commands act on the page, not on a field
    // The menu acts on what was clicked: an object outside the selection
    // becomes the selection, a click on the empty page clears it.
    CDrawObj* object = ObjectAtScreen(event->pos());
    if (!object)
        ClearSelection();
    else if (!selection_.contains(object))
        SelectObject(object, false);
    emit view_->ContextMenuRequested(event->globalPos());
}

void CPageWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && doc_.CurrentPage())
        ToolDoubleClick();
}

void CPageWnd::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event->key(), event->modifiers(), event->isAutoRepeat()))
        QWidget::keyPressEvent(event);
}

void CPageWnd::focusOutEvent(QFocusEvent* event)
{
    // Focus going elsewhere in the middle of a drag means another window or
    // a popup took the mouse.
    CaptureLost();
    QWidget::focusOutEvent(event);
}

void CPageWnd::hideEvent(QHideEvent* event)
{
    CaptureLost();
    QWidget::hideEvent(event);
}

bool CPageWnd::event(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        emit view_->PointerMoved(std::nullopt);
    if (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::UngrabMouse)
        CaptureLost();
    return QWidget::event(event);
}

bool CPageWnd::HandleKey(int key, Qt::KeyboardModifiers modifiers, bool repeat)
{
    // Ctrl moves by one grid step, so that objects go from line to line.
    const bool byGrid = modifiers & Qt::ControlModifier;
    const int dx = byGrid ? int(doc_.view.gridWidth) + 1 : 1;
    const int dy = byGrid ? int(doc_.view.gridHeight) + 1 : 1;
    const auto move = [&](int x, int y) {
        const CPageDoc::StepScope step(doc_, UndoStep{QStringLiteral("移动"), key, repeat});
        MoveSelection(x, y);
        return true;
    };
    switch (key) {
    case Qt::Key_Left: return move(-dx, 0);
    case Qt::Key_Right: return move(dx, 0);
    case Qt::Key_Up: return move(0, -dy);
    case Qt::Key_Down: return move(0, dy);
    case Qt::Key_Delete: {
        const CPageDoc::StepScope step(doc_, UndoStepName(ID_EDIT_CLEAR));
        DeleteSelection();
        return true;
    }
    case Qt::Key_Escape:
        ToolCancel();
        ClearSelection();
        return true;
    default: return false;
    }
}

// ------------------------------------------------------------ tools

void CPageWnd::ReleaseCapture()
{
    if (!capturing_)
        return;
    capturing_ = false;
    ToolCaptureLost();
}

void CPageWnd::ToolPress(const QPoint& p, Qt::KeyboardModifiers modifiers)
{
    // A drag is one undo step, named by what it does, closed when it ends.
    if (tool_ == PageTool::Select) {
        SelectPress(p, modifiers);
        if (capturing_ && (mode_ == kModeMove || mode_ == kModeResize))
            m_dragStep.emplace(doc_, mode_ == kModeMove ? QStringLiteral("移动") : QStringLiteral("改变大小"));
        return;
    }
    const MenuItem* item = FindMenuItem(CommandForTool(tool_));
    m_dragStep.emplace(doc_, QStringLiteral("添加") + (item ? MenuItemText(*item) : QString()));
    CreatePress(Snapped(p));
    if (!capturing_)
        m_dragStep.reset();
}

bool CPageWnd::Snapping() const
{
    return m_snapToGrid && gridShown_ && !m_snapSuspended;
}

QPoint CPageWnd::Snapped(const QPoint& p) const
{
    if (!Snapping())
        return p;
    // The grid lines stand at k x step - 1; the page edge counts as one.
    const auto snap = [](int v, int step) {
        if (step <= 1)
            return v;
        const int k = int(std::lround((v + 1) / double(step)));
        return std::max(k * step - 1, 0);
    };
    return {snap(p.x(), int(doc_.view.gridWidth) + 1), snap(p.y(), int(doc_.view.gridHeight) + 1)};
}

void CPageWnd::ToolMove(const QPoint& p)
{
    if (!capturing_) {
        HoverCursor(p);
        return;
    }
    if (tool_ == PageTool::Select) {
        SelectMove(p);
        return;
    }
    const QPoint to = Snapped(p);
    if (CDrawObj* object = SingleSelection())
        object->MoveHandleTo(CreationHandle(), to.x(), to.y());
    last_ = to;
    setCursor(Qt::CrossCursor);
}

void CPageWnd::ToolRelease(const QPoint& p)
{
    if (!capturing_)
        return;
    if (tool_ != PageTool::Select) {
        CreateRelease(Snapped(p));
        return;
    }
    if (mode_ == kModeBand)
        SelectWithinRect(ToQRect(PageRect{down_.x(), down_.y(), last_.x(), last_.y()}), true);
    // A click that moved nothing makes the object the one the layout
    // commands follow.
    if (mode_ == kModeMove && m_pressedObject && m_pressedWasSelected && p == down_ && last_ == down_)
        SetPrimaryObject(m_pressedObject);
    m_pressedObject = nullptr;
    ReleaseCapture();
}

void CPageWnd::ToolDoubleClick()
{
    if (tool_ != PageTool::Select)
        return;
    // Editing an image chooses its picture; a text opens its editor and
    // makes its step when the text is written back.
    CDrawObj* object = SingleSelection();
    if (!object)
        return;
    std::optional<CPageDoc::StepScope> step;
    if (object->Kind() == ObjectKind::Image)
        step.emplace(doc_, QStringLiteral("修改图象"));
    EditObject(object);
}

void CPageWnd::CaptureLost()
{
    if (capturing_)
        ToolCaptureLost();
}

void CPageWnd::EndCreationDrag()
{
    if (creating_ && capturing_)
        ToolCaptureLost();
    creating_ = nullptr;
}

void CPageWnd::ToolCaptureLost()
{
    // The drag ends here: later moves only hover.
    capturing_ = false;
    if (CDrawObj* made = std::exchange(creating_, nullptr); made && last_ == down_)
        doc_.RemoveObject(made); // an interrupted creation leaves no 0 x 0 object
    if (tool_ == PageTool::Select) {
        if (mode_ == kModeBand)
            SetBand(QRect());
        mode_ = kModeNone;
    } else if (tool_ != PageTool::Line) {
        // Every shape tool but the line falls back to selecting after one object.
        SetTool(PageTool::Select);
    }
    m_dragStep.reset();
}

void CPageWnd::ToolCancel()
{
    // A shape tool deletes only the object of a creation drag in progress,
    // so that Escape after a finished line keeps that line.
    if (tool_ != PageTool::Select && capturing_)
        DeleteSelection();
    ReleaseCapture();
}

void CPageWnd::SelectPress(const QPoint& p, Qt::KeyboardModifiers modifiers)
{
    const bool adding = modifiers & (Qt::ControlModifier | Qt::ShiftModifier);
    handle_ = -1;
    mode_ = kModeNone;
    m_pressedObject = nullptr;
    if (CDrawObj* single = SingleSelection())
        handle_ = HandleAt(single, PointerFor(p));
    if (handle_ >= 0) {
        mode_ = kModeResize;
    } else if (CDrawObj* object = ObjectAtScreen(PointerFor(p))) {
        mode_ = kModeMove;
        m_pressedObject = object;
        m_pressedWasSelected = selection_.contains(object) && !adding;
        if (selection_.contains(object) && adding) {
            DeselectObject(object); // Ctrl or Shift takes it out again
            m_pressedObject = nullptr;
            mode_ = kModeNone;
        } else if (!selection_.contains(object)) {
            SelectObject(object, adding);
        }
        if (m_pressedObject)
            m_dragStart = QPoint(object->Bounds().left, object->Bounds().top);
        setCursor(Qt::SizeAllCursor);
    } else {
        if (!adding)
            ClearSelection();
        mode_ = kModeBand;
        SetBand(QRect(p, QSize(0, 0)));
    }
    down_ = last_ = p;
    capturing_ = true;
}

void CPageWnd::SelectMove(const QPoint& p)
{
    switch (mode_) {
    case kModeBand: {
        last_ = p;
        const QRect band = ToQRect(PageRect{down_.x(), down_.y(), p.x(), p.y()});
        SetBand(band.intersected(QRect(QPoint(0, 0), PageSize())));
        setCursor(Qt::ArrowCursor);
        break;
    }
    case kModeMove:
        if (m_pressedObject && Snapping()) {
            // The object under the mouse lands its top-left corner on the
            // grid; the rest of the selection keeps its distance to it.
            const QPoint corner = Snapped(m_dragStart + (p - down_));
            const PageRect& now = m_pressedObject->Bounds();
            MoveSelection(corner.x() - now.left, corner.y() - now.top);
        } else {
            MoveSelection(p.x() - last_.x(), p.y() - last_.y());
        }
        last_ = p;
        setCursor(Qt::SizeAllCursor);
        break;
    case kModeResize:
        if (CDrawObj* object = SingleSelection()) {
            const QPoint to = Snapped(p);
            object->MoveHandleTo(handle_, to.x(), to.y());
            if (const auto shape = HandleCursor(*object, handle_))
                setCursor(*shape);
        }
        last_ = p;
        break;
    default: break;
    }
}

void CPageWnd::HoverCursor(const QPoint& p)
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (tool_ != PageTool::Select) {
        shape = Qt::CrossCursor;
    } else if (CDrawObj* single = SingleSelection()) {
        const auto handleShape = HandleCursor(*single, HandleAt(single, PointerFor(p)));
        if (handleShape)
            shape = *handleShape;
        else if (IsPointInObject(single, p))
            shape = Qt::SizeAllCursor;
    } else if (!selection_.isEmpty() && ObjectAtScreen(PointerFor(p))) {
        shape = Qt::SizeAllCursor;
    }
    setCursor(shape);
}

int CPageWnd::CreationHandle() const
{
    if (tool_ == PageTool::Line)
        return 1; // the end point
    if (tool_ == PageTool::Rect)
        return 0; // top-left corner
    return 4;     // bottom-right corner
}

void CPageWnd::CreatePress(const QPoint& p)
{
    auto made = MakeObjectForTool(tool_, PageRect{p.x(), p.y(), p.x(), p.y()});
    if (!made)
        return;
    CDrawObj* object = nullptr;
    try {
        object = doc_.AddObject(std::move(made));
    } catch (const NotSupportedError&) {
        ShowMessageBox(this, IDS_TOO_MANY_OBJECTS, QMessageBox::Warning);
        return;
    }
    if (!object)
        return;
    switch (ColorForTool(tool_)) {
    case ToolColor::kLine: object->SetLineColor(doc_.currentLineColor); break;
    case ToolColor::kFill: object->SetFillColor(doc_.currentFillColor); break;
    case ToolColor::kNone: break;
    }
    SelectObject(object, false);
    down_ = last_ = p;
    capturing_ = true;
    creating_ = object;
}

void CPageWnd::CreateRelease(const QPoint& p)
{
    CDrawObj* object = SingleSelection();
    creating_ = nullptr;
    if (!object) {
        ReleaseCapture();
        return;
    }
    capturing_ = false;
    if (p == down_) {
        // A click without a drag leaves no empty object behind.
        DeleteSelection();
    } else {
        EditObject(object);
        const auto* image = dynamic_cast<CDrawImage*>(object);
        if (tool_ == PageTool::Image && image && !image->NormalImage())
            DeleteSelection();
    }
    update();
    ToolCaptureLost();
}

// ------------------------------------------------------------ view

CPageView::CPageView(CPageDoc& doc, QWidget* parent) : CMyView(parent), doc_(doc)
{
    setObjectName(QStringLiteral("PageView"));
    setFocusPolicy(Qt::TabFocus); // as the page window: clicks focus it in mousePressEvent
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    pageWnd_ = new CPageWnd(doc_, this);
    doc_.AddObserver(this);
    m_textEditing = std::make_unique<CTextEditSession>(
        doc_, pageWnd_, QPoint(CPageWnd::kFrameWidth, CPageWnd::kFrameWidth));
    OnUpdate(UpdateHint::PageSize, nullptr);
    AddZoomShortcuts();
}

CPageView::~CPageView()
{
    doc_.RemoveObserver(this);
}

CDrawText* CPageView::EditedText() const
{
    return m_textEditing ? m_textEditing->EditedObject() : nullptr;
}

bool CPageView::SelectOnly(CDrawObj* object)
{
    if (!object || !doc_.CurrentPage() || doc_.CurrentPage()->IndexOfObject(object) < 0)
        return false;
    pageWnd_->SelectObject(object, false);
    EnsureVisible(object);
    return true;
}

void CPageView::SetZoomPercent(int percent, std::optional<QPoint> anchor)
{
    const QPoint at = anchor.value_or(viewport()->rect().center());
    const QPoint frame(CPageWnd::kFrameWidth, CPageWnd::kFrameWidth);
    const ViewScale before = pageWnd_->Scale();
    ViewScale wanted = before;
    if (!wanted.SetPercent(percent))
        return;
    const QPoint local = at - pageWnd_->pos() - frame;
    pageWnd_->SetScalePercent(wanted.Percent());
    UpdateLayout();
    const QPoint now = pageWnd_->pos() + frame + wanted.KeepAnchor(local, before);
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + now.x() - at.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() + now.y() - at.y());
    PlacePageWindow();
    m_textEditing->SetScale(pageWnd_->Scale());
    emit ZoomChanged(wanted.Percent());
}

void CPageView::ZoomIn()
{
    SetZoomPercent(ViewScale::NextPercent(ZoomPercent()));
}

void CPageView::ZoomOut()
{
    SetZoomPercent(ViewScale::PreviousPercent(ZoomPercent()));
}

void CPageView::ZoomToFit()
{
    SetZoomPercent(ViewScale::FitPercent(pageWnd_->PageSize(), maximumViewportSize(), CPageWnd::kFrameWidth));
}

void CPageView::EnsureVisible(const CDrawObj* object)
{
    const int margin = CPageWnd::kHandleMargin + 2;
    const QRect shown = pageWnd_->ToWidget(ToQRect(object->Bounds()))
                            .translated(pageWnd_->pos())
                            .adjusted(-margin, -margin, margin, margin);
    const QRect room = viewport()->rect();
    // The shortest scroll that shows the object; its top-left corner first
    // when it is larger than the view.
    const auto delta = [](int low, int high, int roomLow, int roomHigh) {
        if (low < roomLow || high - low > roomHigh - roomLow)
            return low - roomLow;
        if (high > roomHigh)
            return high - roomHigh;
        return 0;
    };
    const int dx = delta(shown.left(), shown.right(), room.left(), room.right());
    const int dy = delta(shown.top(), shown.bottom(), room.top(), room.bottom());
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
}

void CPageView::AddZoomShortcuts()
{
    // "+" needs Shift on many layouts: Ctrl+= zooms in as well.
    const auto add = [this](QKeyCombination key, void (CPageView::*slot)()) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    add(Qt::CTRL | Qt::Key_Plus, &CPageView::ZoomIn);
    add(Qt::CTRL | Qt::Key_Equal, &CPageView::ZoomIn);
    add(Qt::CTRL | Qt::Key_Minus, &CPageView::ZoomOut);
    add(Qt::CTRL | Qt::Key_0, &CPageView::ZoomToFit);
}

void CPageView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        CMyView::wheelEvent(event);
        return;
    }
    event->accept();
    // One notch (120 eighths of a degree) is one step; fine-grained wheels
    // and touchpads add up until a notch is reached.
    m_wheelSteps += event->angleDelta().y();
    const QPoint at = event->position().toPoint();
    while (m_wheelSteps >= 120) {
        m_wheelSteps -= 120;
        SetZoomPercent(ViewScale::NextPercent(ZoomPercent()), at);
    }
    while (m_wheelSteps <= -120) {
        m_wheelSteps += 120;
        SetZoomPercent(ViewScale::PreviousPercent(ZoomPercent()), at);
    }
}

void CPageView::UpdateLayout()
{
    const QSize outer = pageWnd_->OuterSize();
    pageWnd_->resize(outer);
    SetTotalSize(outer);
    PlacePageWindow();
    viewport()->update();
    pageWnd_->update();
}

void CPageView::PlacePageWindow()
{
    const QSize outer = pageWnd_->size();
    const QSize client = viewport()->size();
    const int x = outer.width() < client.width() ? (client.width() - outer.width()) / 2 : 0;
    const int y = outer.height() < client.height() ? (client.height() - outer.height()) / 2 : 0;
    pageWnd_->move(QPoint(x, y) - ScrollPosition());
}

QPoint CPageView::ToPage(const QPoint& viewportPoint)
{
    // The tools ask where the pointer is in screen pixels (handles, hit tolerance).
    pageWnd_->m_pointer = viewportPoint - pageWnd_->pos();
    pageWnd_->m_pointerKnown = true;
    return pageWnd_->ToPage(viewportPoint - pageWnd_->pos());
}

void CPageView::resizeEvent(QResizeEvent* event)
{
    CMyView::resizeEvent(event);
    PlacePageWindow();
}

void CPageView::scrollContentsBy(int dx, int dy)
{
    PlacePageWindow();
    CMyView::scrollContentsBy(dx, dy);
}

// A press beside the page still reaches the tool, so that a rubber band may
// start outside the page; the moves and release of that drag follow it.
void CPageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && doc_.CurrentPage() && doc_.CommitEdits()) {
        pageWnd_->setFocus(Qt::MouseFocusReason);
        pageWnd_->ToolPress(ToPage(event->position().toPoint()), event->modifiers());
    }
}

void CPageView::mouseMoveEvent(QMouseEvent* event)
{
    if (pageWnd_->IsCapturing() && !(event->buttons() & Qt::LeftButton))
        pageWnd_->CaptureLost();
    if (doc_.CurrentPage() && pageWnd_->IsCapturing())
        pageWnd_->ToolMove(ToPage(event->position().toPoint()));
}

void CPageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && doc_.CurrentPage())
        pageWnd_->ToolRelease(ToPage(event->position().toPoint()));
}

void CPageView::keyPressEvent(QKeyEvent* event)
{
    if (!pageWnd_->HandleKey(event->key(), event->modifiers(), event->isAutoRepeat()))
        CMyView::keyPressEvent(event);
}

void CPageView::OnUpdate(UpdateHint hint, CDrawObj* object)
{
    switch (hint) {
    case UpdateHint::RepaintObject:
        if (object)
            pageWnd_->InvalidateObject(object);
        break;
    case UpdateHint::RemoveObject:
        if (object)
            pageWnd_->DeselectObject(object);
        break;
    case UpdateHint::PageSize:
        UpdateLayout();
        break;
    case UpdateHint::CurrentPage:
        pageWnd_->ClearSelection();
        // A newly opened project may have another resolution.
        UpdateLayout();
        break;
    default:
        if (pageWnd_->OuterSize() != pageWnd_->size())
            UpdateLayout();
        pageWnd_->update();
        break;
    }
}

// ------------------------------------------------------------ commands

int CPageView::SelectionCount() const { return int(pageWnd_->Selection().size()); }
bool CPageView::IsGridShown() const { return pageWnd_->IsGridShown(); }
int CPageView::CurrentToolCommand() const { return CommandForTool(pageWnd_->Tool()); }

std::vector<int> CPageView::SelectedObjectIndices() const
{
    std::vector<int> indices;
    if (const CPage* page = doc_.CurrentPage())
        for (CDrawObj* object : pageWnd_->Selection())
            if (const int index = page->IndexOfObject(object); index >= 0)
                indices.push_back(index);
    std::sort(indices.begin(), indices.end());
    return indices;
}

void CPageView::SelectObjectIndices(const std::vector<int>& indices)
{
    pageWnd_->ClearSelection();
    const CPage* page = doc_.CurrentPage();
    if (!page)
        return;
    for (int index : indices)
        if (index >= 0 && size_t(index) < page->Objects().size())
            pageWnd_->SelectObject(page->Objects()[size_t(index)].get(), true);
}

bool CPageView::IsDragging() const { return pageWnd_->IsCapturing(); }

void CPageView::OnPageCommand(int commandId)
{
    if (commandId == ID_EDIT_CLEAR) {
        pageWnd_->DeleteSelection();
        return;
    }
    // A new or opened project starts with the select tool, page or not.
    if (commandId == ID_TOOL_SELECT) {
        pageWnd_->SetTool(PageTool::Select);
        return;
    }
    if (!doc_.CurrentPage())
        return;
    if (const std::optional<PageTool> tool = ToolForCommand(commandId)) {
        pageWnd_->SetTool(*tool);
        return;
    }
    switch (commandId) {
    case ID_LAYOUT_UP:
    case ID_LAYOUT_DOWN:
    case ID_LAYOUT_TOP:
    case ID_LAYOUT_BOTTOM:
        if (CDrawObj* object = pageWnd_->SingleSelection())
            doc_.RestackObject(object, commandId - ID_LAYOUT_UP);
        break;
    case ID_ALIGN_LEFT:
    case ID_ALIGN_RIGHT:
    case ID_ALIGN_TOP:
    case ID_ALIGN_BOTTOM: Align(commandId - ID_ALIGN_LEFT); break;
    case ID_CENTER_VERT: CenterVertically(); break;
    case ID_CENTER_HORZ: CenterHorizontally(); break;
    case ID_SPACE_ACROSS: Distribute(true); break;
    case ID_SPACE_DOWN: Distribute(false); break;
    case ID_SAME_WIDTH:
    case ID_SAME_HEIGHT:
    case ID_SAME_SIZE: SameSize(commandId - ID_SAME_WIDTH); break;
    case ID_GRID_SHOW: pageWnd_->SetGridShown(!pageWnd_->IsGridShown()); break;
    case ID_EDIT_SELECT_ALL: pageWnd_->SelectAll(); break;
    default: break;
    }
}

void CPageView::Align(int how)
{
    const CDrawObj* primary = pageWnd_->PrimaryObject();
    if (pageWnd_->Selection().size() < 2 || !primary || !pageWnd_->IsSelected(const_cast<CDrawObj*>(primary)))
        return;
    const PageRect ref = primary->Bounds();
    for (CDrawObj* object : pageWnd_->Selection().values()) {
        const PageRect r = object->Bounds();
        switch (how) {
        case 0: object->MoveTo(ref.left, r.top); break;
        case 1: object->MoveTo(r.left + (ref.right - r.right), r.top); break;
        case 2: object->MoveTo(r.left, ref.top); break;
        case 3: object->MoveTo(r.left, r.top + (ref.bottom - r.bottom)); break;
        default: break;
        }
    }
}

void CPageView::CenterVertically()
{
    const int height = pageWnd_->PageSize().height();
    for (CDrawObj* object : pageWnd_->Selection().values()) {
        const PageRect r = object->Bounds();
        object->MoveTo(r.left, (r.top + height - r.bottom) / 2);
    }
}

void CPageView::CenterHorizontally()
{
    const int width = pageWnd_->PageSize().width();
    for (CDrawObj* object : pageWnd_->Selection().values()) {
        const PageRect r = object->Bounds();
        object->MoveTo((width - r.right + r.left) / 2, r.top);
    }
}

void CPageView::Distribute(bool horizontally)
{
    std::vector<CDrawObj*> objects(pageWnd_->Selection().begin(), pageWnd_->Selection().end());
    const int n = int(objects.size());
    if (n < 3)
        return;
    PageRect all = objects.front()->Bounds();
    int sumWidth = 0, sumHeight = 0;
    for (const CDrawObj* object : objects) {
        const PageRect& r = object->Bounds();
        all = {std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
               std::max(all.bottom, r.bottom)};
        sumWidth += r.Width();
        sumHeight += r.Height();
    }
    const int gap = horizontally ? (all.right - sumWidth - all.left) / (n - 1)
                                 : (all.bottom - all.top - sumHeight) / (n - 1);
    std::stable_sort(objects.begin(), objects.end(), [horizontally](CDrawObj* a, CDrawObj* b) {
        return horizontally ? a->Bounds().left < b->Bounds().left : a->Bounds().top < b->Bounds().top;
    });
    int next = (horizontally ? objects.front()->Bounds().right : objects.front()->Bounds().bottom) + gap;
    for (int i = 1; i < n; ++i) {
        CDrawObj* object = objects[size_t(i)];
        const PageRect r = object->Bounds();
        if (horizontally) {
            object->MoveTo(next, r.top);
            next += r.Width() + gap;
        } else {
            object->MoveTo(r.left, next);
            next += r.Height() + gap;
        }
    }
}

void CPageView::SameSize(int how)
{
    const CDrawObj* primary = pageWnd_->PrimaryObject();
    if (pageWnd_->Selection().size() < 2 || !primary)
        return;
    const PageRect ref = primary->Bounds();
    for (CDrawObj* object : pageWnd_->Selection().values()) {
        const PageRect r = object->Bounds();
        const int width = how == 1 ? r.Width() : ref.Width();
        const int height = how == 0 ? r.Height() : ref.Height();
        object->SetSize(width, height);
    }
}

} // namespace kdx
