#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// The property pane on a real editor frame: which page shows when, the
// fields of each page, commits and refusals, the dialogs the links open,
// live reload, layout and accessibility.
class PropPaneTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void shownPageFollowsSelection();
    void pagePropertiesCommitAndRefuse();
    void pageLinksClearAndChoose();
    void pendingEditGoesToTheOldPage();
    void rectangleCornersParseAndRestore();
    void onlyChangedFieldsCommit();
    void fieldsFollowTheObjectLive();
    void colourLinkEditsFillOrLineByDepth();
    void lineEllipseTextAndCustomFields();
    void linkPageTargetsConditionsAndData();
    void imageToolAndImageLinksUseTheFileDialog();
    void controlsWidenAndCarryTheirLabels();
    void fieldsFollowOneTable();
    void savingAfterAnEditChangesOnlyThatField();

private:
    QTemporaryDir m_dir;
    QString m_red;
    QString m_blue;
};

} // namespace kdx::test
