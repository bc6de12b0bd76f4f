#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// Cut, copy and paste of page objects through the system clipboard: within
// a page, between pages and into a second editor; pictures that compile the
// same; damaged clipboard data refused.
class ClipboardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void copyPasteWithinAndBetweenPages();
    void pasteIntoASecondEditor();
    void pastedPictureCompilesTheSame();
    void damagedDataIsRefused();
    void textControlKeepsItsClipboard();

private:
    QTemporaryDir m_dir;
};

} // namespace kdx::test
