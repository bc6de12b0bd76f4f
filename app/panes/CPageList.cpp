#include "app/panes/CPageList.h"

#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "model/PageDoc.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyledItemDelegate>

#include <optional>

namespace kdx {

namespace {

// Rows are as high as a row of Chinese text, whatever the names: a Latin
// name such as "Page 1" must not make every row lower.
class UniformRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        QStyleOptionViewItem sample = option;
        initStyleOption(&sample, index);
        sample.text = QStringLiteral("页面Ag");
        const QWidget* widget = option.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        size.setHeight(style->sizeFromContents(QStyle::CT_ItemViewItem, &sample, QSize(), widget).height());
        return size;
    }
};

} // namespace

// ------------------------------------------------------------ rows

void CPageListModel::Refresh()
{
    const int count = doc_ ? int(doc_->PageCount()) : 0;
    if (count != count_) {
        beginResetModel();
        count_ = count;
        endResetModel();
    } else if (count_ > 0) {
        emit dataChanged(index(0), index(count_ - 1), {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole});
    }
}

int CPageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

QVariant CPageListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    // Between a change of the pages and the refresh that follows it the
    // stored count may exceed the document's pages.
    const CPage* page = doc_ && index.isValid() ? doc_->PageAt(index.row()) : nullptr;
    return page ? QVariant(page->Name()) : QVariant();
}

QVariant CPageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return EditorString(IDS_PAGE_LIST_COLUMN);
    return {};
}

Qt::ItemFlags CPageListModel::flags(const QModelIndex& index) const
{
    // Pages are dragged between rows (never onto one) to reorder them.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
}

QStringList CPageListModel::mimeTypes() const
{
    return {QLatin1String(kPageRowMime)};
}

QMimeData* CPageListModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty() || !doc_)
        return nullptr;
    auto* data = new QMimeData;
    data->setData(QLatin1String(kPageRowMime), PageRowData(*doc_, indexes.first().row()));
    return data;
}

Qt::DropActions CPageListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QByteArray PageRowData(const CPageDoc& doc, int row)
{
    // The process and the document: a row means nothing in another list.
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(quintptr(&doc)) + ':' + QByteArray::number(row);
}

std::optional<int> PageRowFrom(const CPageDoc& doc, const QMimeData* data)
{
    if (!data || !data->hasFormat(QLatin1String(kPageRowMime)))
        return std::nullopt;
    const QList<QByteArray> parts = data->data(QLatin1String(kPageRowMime)).split(':');
    bool ok = false;
    const int row = parts.size() == 3 ? parts[2].toInt(&ok) : -1;
    if (!ok || parts[0] != QByteArray::number(QCoreApplication::applicationPid()) ||
        parts[1] != QByteArray::number(quintptr(&doc)) || row < 0 || size_t(row) >= doc.PageCount())
        return std::nullopt;
    return row;
}

bool CPageListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !doc_ || !index.isValid())
        return false;
    CPage* page = doc_->PageAt(index.row());
    const CPageDoc::StepScope step(*doc_, QStringLiteral("重命名页面"));
    return page && doc_->RenamePage(page, value.toString());
}

QModelIndexList CPageListModel::match(const QModelIndex&, int role, const QVariant& value, int,
                                      Qt::MatchFlags) const
{
    if (!doc_ || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int row = doc_->IndexOfPageName(value.toString());
    if (row < 0 || row >= count_)
        return {};
    return {index(row)};
}

// ------------------------------------------------------------ the list

CPageList::CPageList(QWidget* parent) : QListView(parent), model_(new CPageListModel(this))
{
    setObjectName(QStringLiteral("PageList"));
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setUniformItemSizes(true);
    setItemDelegate(new UniformRowDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(EditorString(IDS_PAGE_LIST_COLUMN));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

void CPageList::dragEnterEvent(QDragEnterEvent* event)
{
    if (doc_ && PageRowFrom(*doc_, event->mimeData()))
        QListView::dragEnterEvent(event);
    else
        event->ignore();
}

void CPageList::dragMoveEvent(QDragMoveEvent* event)
{
    if (doc_ && PageRowFrom(*doc_, event->mimeData()))
        QListView::dragMoveEvent(event);
    else
        event->ignore();
}

int CPageList::DropPosition(const QPoint& pos) const
{
    // The row the dropped page goes before, counted in the list before the move.
    const QModelIndex at = indexAt(pos);
    if (!at.isValid())
        return model_->rowCount();
    const QRect row = visualRect(at);
    return pos.y() < row.center().y() ? at.row() : at.row() + 1;
}

void CPageList::dropEvent(QDropEvent* event)
{
    const auto from = doc_ ? PageRowFrom(*doc_, event->mimeData()) : std::nullopt;
    if (!from) {
        event->ignore();
        return;
    }
    // The page itself moves, as one step; the drag has nothing to remove.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const int before = DropPosition(event->position().toPoint());
    const int to = before > *from ? before - 1 : before;
    CPage* page = doc_->PageAt(*from);
    if (!page || to == *from)
        return;
    const CPageDoc::StepScope step(*doc_, UndoStepName(ID_PAGE_MOVE_UP));
    doc_->MovePageTo(page, to);
    doc_->SetCurrentPage(page);
}

CPageList::~CPageList()
{
    if (doc_)
        doc_->RemoveObserver(this);
}

void CPageList::SetDocument(CPageDoc* doc)
{
    if (doc_ == doc)
        return;
    if (doc_)
        doc_->RemoveObserver(this);
    doc_ = doc;
    model_->SetDocument(doc);
    if (doc_)
        doc_->AddObserver(this);
    Refresh();
}

int CPageList::SelectedIndex() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CPageList::Refresh()
{
    if (!doc_)
        return;
    model_->Refresh();
    const int count = model_->rowCount();
    if (count == 0)
        return;
    const CPage* current = doc_->CurrentPage();
    int row = current ? doc_->IndexOfPage(current->PageId()) : 0;
    if (row < 0 || row >= count)
        row = 0;
    SelectRow(row);
    // The item is selected again even when it already was: after the
    // current page was deleted the first page becomes current.
    MakeSelectedPageCurrent();
}

void CPageList::SelectRow(int row)
{
    const bool wasSelecting = selecting_;
    selecting_ = true;
    const QModelIndex index = model_->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    selecting_ = wasSelecting;
}

void CPageList::MakeSelectedPageCurrent()
{
    if (!doc_ || selecting_)
        return;
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        return;
    if (CPage* page = doc_->PageAt(current.row())) {
        selecting_ = true;
        doc_->SetCurrentPage(page);
        selecting_ = false;
    }
}

void CPageList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    MakeSelectedPageCurrent();
}

void CPageList::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    // Assistive technology selects an item through the selection alone,
    // without moving the focus to it; the selected item then becomes the
    // focused one, which makes its page current as a click does.
    const QModelIndexList rows = selected.indexes();
    if (!selecting_ && rows.size() == 1 && rows.first() != currentIndex()) {
        selectionModel()->setCurrentIndex(rows.first(), QItemSelectionModel::NoUpdate);
        return;
    }
    MakeSelectedPageCurrent();
}

void CPageList::OnPagesChanged()
{
    Refresh();
}

void CPageList::OnCurrentPageChanged(CPage*, CPage* newPage)
{
    // Another window picked the page (the compile pane locating one): its
    // item becomes the selected one. No page current leaves the selection
    // to the refresh that follows.
    if (selecting_ || !doc_ || !newPage)
        return;
    const int row = doc_->IndexOfPage(newPage->PageId());
    if (row >= 0 && row < model_->rowCount())
        SelectRow(row);
}

// ------------------------------------------------------------ menu 141

std::vector<int> CPageList::MenuItems()
{
    return {ID_PAGE_ADD, ID_PAGE_RENAME, 0,
            ID_PAGE_MOVE_FIRST, ID_PAGE_MOVE_UP, ID_PAGE_MOVE_DOWN, ID_PAGE_MOVE_LAST, 0,
            ID_PAGE_DELETE, ID_PAGE_DELETE_ALL};
}

bool CPageList::IsCommandEnabled(int id) const
{
    if (!doc_)
        return false;
    const int count = model_->rowCount();
    const int selected = SelectedIndex();
    const bool hasSelection = selected >= 0;
    switch (id) {
    case ID_PAGE_ADD:
        return true;
    case ID_PAGE_RENAME:
    case ID_PAGE_DELETE:
        return hasSelection;
    case ID_PAGE_MOVE_FIRST:
    case ID_PAGE_MOVE_UP:
        return hasSelection && selected > 0;
    case ID_PAGE_MOVE_DOWN:
    case ID_PAGE_MOVE_LAST:
        return hasSelection && selected < count - 1;
    case ID_PAGE_DELETE_ALL:
        return count > 0;
    default:
        return false;
    }
}

void CPageList::ExecuteCommand(int id)
{
    // A value typed for the page goes into it first; a refused one (its
    // message shows) stops the command.
    if (!IsCommandEnabled(id) || !doc_->CommitEdits() || !IsCommandEnabled(id))
        return;
    std::optional<CPageDoc::StepScope> step;
    if (const QString name = UndoStepName(id); !name.isEmpty())
        step.emplace(*doc_, name);
    CPage* selected = doc_->PageAt(SelectedIndex());
    switch (id) {
    case ID_PAGE_ADD:
        doc_->AddPage(); // none when the project is full
        break;
    case ID_PAGE_RENAME:
        edit(model_->index(SelectedIndex()));
        break;
    case ID_PAGE_MOVE_FIRST:
        MoveSelected(CPageDoc::kMoveToFront);
        break;
    case ID_PAGE_MOVE_UP:
        MoveSelected(CPageDoc::kMoveForward);
        break;
    case ID_PAGE_MOVE_DOWN:
        MoveSelected(CPageDoc::kMoveBackward);
        break;
    case ID_PAGE_MOVE_LAST:
        MoveSelected(CPageDoc::kMoveToEnd);
        break;
    case ID_PAGE_DELETE:
        if (selected)
            if (const int cleared = doc_->DeletePage(selected); cleared > 0)
                ShowStatusMessage(kStatusInfo, IDS_PAGE_JUMPS_CLEARED, {cleared});
        break;
    case ID_PAGE_DELETE_ALL:
        DeleteAllPages();
        break;
    default:
        break;
    }
}

void CPageList::MoveSelected(int how)
{
    CPage* page = doc_->PageAt(SelectedIndex());
    if (page && doc_->PageCount() >= 2)
        doc_->MovePage(page, how);
}

void CPageList::DeleteAllPages()
{
    const auto answer = ShowMessageBox(this, IDS_CONFIRM_DELETE_ALL_PAGES, QMessageBox::Question,
                                       QMessageBox::Ok | QMessageBox::Cancel);
    // The question is modal: the document may have lost its pages meanwhile.
    if (answer == QMessageBox::Ok && doc_ && doc_->PageCount() > 0)
        doc_->DeleteAllPages();
}

QMenu* CPageList::CreateMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QString::number(kMenuId));
    for (int id : MenuItems()) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(EditorString(id));
        action->setData(id);
        action->setEnabled(IsCommandEnabled(id));
        // Queued: the menu has closed before a command opens its question.
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); }, Qt::QueuedConnection);
    }
    return menu;
}

void CPageList::ShowMenu(const QPoint& globalPos)
{
    QMenu* menu = CreateMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void CPageList::contextMenuEvent(QContextMenuEvent* event)
{
    ShowMenu(event->globalPos());
    event->accept();
}

// ------------------------------------------------------------ the pane

CPaneWorkspace::CPaneWorkspace(int id, const QSize& defaultSize, CPageDoc* doc, QWidget* parent)
    : CPaneBase(id, defaultSize, parent), list_(new CPageList(this))
{
    list_->setProperty("childId", CPageList::kChildId);
    AddTab(list_, EditorString(IDS_PAGE_LIST_TAB));
    SelectTab(0);
    list_->SetDocument(doc);
}

bool CPaneWorkspace::ShowButtonMenu(int buttonId, const QPoint& globalPos)
{
    if (buttonId != kMenuButtonId)
        return false;
    list_->ShowMenu(globalPos);
    return true;
}

} // namespace kdx
