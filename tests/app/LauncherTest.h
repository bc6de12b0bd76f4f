#pragma once
#include <QObject>
#include <QTemporaryDir>
#include <memory>

namespace kdx::test {

// Finding and starting the uploader and the simulator; the desktop file types.
class LauncherTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void searchesExecutableFolderThenCurrentThenPath();
    void startsProgramDetachedWithoutArguments();
    void missingProgramShowsItsName();
    void uploadAndSimulateTakeTheLastCompiledFile();
    void fileTypesAreRecognised();

private:
    QString WriteScript(const QString& folder, const QString& name, const QString& body = {});
    std::unique_ptr<QTemporaryDir> dir_;
    QString oldPath_;
    QString oldCurrent_;
};

} // namespace kdx::test
