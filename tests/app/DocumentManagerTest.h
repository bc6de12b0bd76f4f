#pragma once
#include <QObject>

namespace kdx::test {

class DocumentManagerTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void unsavedChangesAreKeptUnlessSavedOrGivenUp();
    void unreadableFileKeepsTheOpenProject();
};

} // namespace kdx::test
