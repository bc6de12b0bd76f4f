#pragma once
#include <QObject>

namespace kdx::test {

// The page list in the editor's frame: it follows the document, makes the
// selected page current, and carries out menu 141 through the document.
class PageListTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void listFollowsTheDocumentWithoutCopies();
    void selectingAnItemMakesItsPageCurrent();
    void menuEnableRulesFollowCountAndSelection();
    void addAndMoveKeepTheCurrentPage();
    void deletingPagesMovesTheSelection();
    void deleteAllAsksFirst();
    void renameInPlaceRefusesBadNames();
    void menuOpensFromRightClickAndCaptionButton();
    void rowsKeepOneHeightWhateverTheNames();
};

} // namespace kdx::test
