#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// Pictures travel with the project: chosen inside its folder they are kept
// relative, saving elsewhere keeps them found, collecting copies them in.
class ProjectPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void chosenInsideTheFolderIsStoredRelative();
    void savingElsewhereKeepsEveryStateFindingThePictures();
    void aFailedSaveLeavesThePathsAlone();
    void collectingIsOneStepAndSaysWhatWasCopied();

private:
    QTemporaryDir m_dir;
};

} // namespace kdx::test
