#pragma once
#include "app/panes/CPaneBase.h"
#include "model/DocObserver.h"

#include <QAbstractListModel>
#include <QListView>

#include <optional>

class QMenu;
class QMimeData;

namespace kdx {

class CPageDoc;

// A page row dragged in the page list: the row, with the process and the
// document it belongs to, so that a drop from elsewhere is refused.
inline constexpr char kPageRowMime[] = "application/x-kdx-page-row";
QByteArray PageRowData(const CPageDoc& doc, int row);
std::optional<int> PageRowFrom(const CPageDoc& doc, const QMimeData* data);

// The rows of the page list: one per page of the document, in page order.
// Only the row count is stored; every text is asked of the document when a
// row is drawn, so the list never holds a copy of a page name.
class CPageListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CPageListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void SetDocument(CPageDoc* doc) { doc_ = doc; }
    // Takes the document's page count; rows keep their places when it is
    // unchanged (a rename or a move), so an open label editor survives.
    void Refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A dragged row carries the page's row in this list (kPageRowMime).
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    // A finished label edit renames the page; a refused name keeps the old one.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Type-ahead search finds a page by its whole name.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

private:
    CPageDoc* doc_ = nullptr;
    int count_ = 0;
};

// The list of the project's pages. The selected item is the current page:
// selecting an item makes its page current, and the list follows the
// document when pages change or another window picks the current page.
// Menu 141 offers adding, renaming, reordering and deleting pages.
class CPageList : public QListView, public IDocObserver {
    Q_OBJECT
public:
    static constexpr int kMenuId = 141;
    static constexpr int kChildId = 1;

    explicit CPageList(QWidget* parent = nullptr);
    ~CPageList() override;

    void SetDocument(CPageDoc* doc);
    CPageDoc* Document() const { return doc_; }
    CPageListModel* Model() const { return model_; }

    // Rebuilds the item count and selects the current page's item (the
    // first item when no page is current), which makes that page current.
    void Refresh();
    // The selected item, or -1.
    int SelectedIndex() const;

    static std::vector<int> MenuItems();
    bool IsCommandEnabled(int id) const;
    // Runs a command of menu 141; disabled commands do nothing.
    void ExecuteCommand(int id);
    QMenu* CreateMenu(QWidget* parent);
    void ShowMenu(const QPoint& globalPos);

    // IDocObserver
    void OnPagesChanged() override;
    void OnCurrentPageChanged(CPage* oldPage, CPage* newPage) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Dragging a page between rows moves it there.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void SelectRow(int row);
    int DropPosition(const QPoint& pos) const;
    void MakeSelectedPageCurrent();
    void MoveSelected(int how);
    void DeleteAllPages();

    CPageDoc* doc_ = nullptr;
    CPageListModel* model_;
    bool selecting_ = false;
};

// The left docking pane: one tab holding the page list; its caption's menu
// button opens the page list's menu.
class CPaneWorkspace : public CPaneBase {
    Q_OBJECT
public:
    CPaneWorkspace(int id, const QSize& defaultSize, CPageDoc* doc, QWidget* parent = nullptr);

    CPageList* PageList() const { return list_; }

protected:
    bool ShowButtonMenu(int buttonId, const QPoint& globalPos) override;

private:
    CPageList* list_;
};

} // namespace kdx
