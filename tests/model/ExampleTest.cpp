#include "tests/support/ProgramRun.h"
#include "tests/support/SampleFiles.h"

#include "model/PageDoc.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using namespace kdx;
using namespace kdx::test;

namespace {

const QString kExampleDir = QStringLiteral(KDX_SOURCE_DIR "/examples/demo");


} // namespace

TEST(Example, RegeneratingGivesTheCommittedFiles)
{
    QTemporaryDir out;
    ASSERT_EQ(RunProgram("kdx_examplegen", {out.path()}).exitCode, 0);
    QStringList committed = QDir(kExampleDir).entryList(QDir::Files, QDir::Name);
    // The test script beside the project is written by hand, not generated.
    committed.removeIf([](const QString& name) { return name.endsWith(QLatin1String(".kdsim")); });
    ASSERT_EQ(QDir(out.path()).entryList(QDir::Files, QDir::Name), committed);
    for (const QString& name : committed)
        EXPECT_EQ(ReadFileBytes(PathIn(QDir(out.path()), name)), ReadFileBytes(PathIn(QDir(kExampleDir), name)))
            << name.toStdString() << " differs from the generator's output";
}

TEST(Example, OpensWithItsPicturesAndUsesEveryClass)
{
    CPageDoc doc;
    struct Notices : IDocObserver {
        int count = 0;
        void OnPictureUnreadable(const QString&) override { ++count; }
    } notices;
    doc.AddObserver(&notices);
    ASSERT_FALSE(doc.OpenProject(kExampleDir + "/demo.kdp"));
    EXPECT_EQ(notices.count, 0);
    EXPECT_GE(doc.PageCount(), 4u);
    std::set<std::string> classes;
    bool colourPage = false, picturePage = false, pageData = false;
    for (const auto& page : doc.Pages()) {
        colourPage |= page->BackgroundColor() != kNoColor;
        picturePage |= page->BackgroundImage() != nullptr;
        pageData |= page->LoadSend() && page->UnloadSend();
        for (const auto& obj : page->Objects()) {
            classes.insert(obj->ClassName());
            if (obj->JumpTarget() != kNoPage) {
                EXPECT_NE(doc.FindPage(obj->JumpTarget()), nullptr);
            }
        }
    }
    EXPECT_EQ(classes.size(), 7u);
    EXPECT_TRUE(colourPage && picturePage && pageData);
    for (const ImageEntry& image : doc.ImageTable())
        EXPECT_FALSE(image.bitmap.isNull()) << image.path.toStdString();
    // The two menu buttons share one send-data entry.
    EXPECT_TRUE(std::any_of(doc.SendDataTable().begin(), doc.SendDataTable().end(),
                            [](const SendDataEntry& e) { return e.refs >= 2; }));
}
