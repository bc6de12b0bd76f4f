// The text form from the command line: "kdx convert" between the forms,
// "kdx compile" of a text project and "kdx diff".
#include "model/ProjectRecord.h"
#include "model/ProjectText.h"
#include "tests/support/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

kdx::test::ProgramRun Kdx(const QStringList& args) { return kdx::test::RunProgram("kdx", args, 120000); }

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// A copy of the example's folder, so that relative picture paths resolve.
class ExampleCopy : public testing::Test {
protected:
    void SetUp() override
    {
        const QDir source(QStringLiteral(KDX_SOURCE_DIR "/examples/demo"));
        for (const QString& name : source.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(source.filePath(name), Path(name)));
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ExampleCopy, ConvertsBothWaysToIdenticalBytes)
{
    kdx::test::ProgramRun r = Kdx({"convert", Path("demo.kdp"), Path("demo.kdpj")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray text = Contents(Path("demo.kdpj"));
    EXPECT_TRUE(text.startsWith("{\n  \"kdpj\": 1,\n"));
    EXPECT_TRUE(text.contains(QString::fromUtf16(u"\"name\": \"主页\"").toUtf8()));

    r = Kdx({"convert", Path("demo.kdpj"), Path("back.KDP")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Contents(Path("back.KDP")), Contents(Path("demo.kdp")));

    r = Kdx({"convert", Path("demo.kdpj"), Path("again.kdpj")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Contents(Path("again.kdpj")), text);
}

TEST_F(ExampleCopy, ConvertRefusesABadTextWithItsPositionAndWritesNothing)
{
    ASSERT_EQ(Kdx({"convert", Path("demo.kdp"), Path("demo.kdpj")}).exitCode, 0);
    QByteArray text = Contents(Path("demo.kdpj"));
    const qsizetype at = text.indexOf("\"fillColor\"");
    ASSERT_GT(at, 0);
    const int line = int(text.left(at).count('\n')) + 1;
    const int column = int(at - text.lastIndexOf('\n', at));
    text.replace(at, 11, "\"fillColour\"");
    Write(Path("bad.kdpj"), text);
    Write(Path("existing.kdp"), "old");

    kdx::test::ProgramRun r = Kdx({"convert", Path("bad.kdpj"), Path("out.kdp")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("bad.kdpj:%1:%2: ").arg(line).arg(column))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf16(u"未知字段“fillColour”"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(Path("out.kdp")));

    r = Kdx({"convert", Path("bad.kdpj"), Path("existing.kdp")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Contents(Path("existing.kdp")), QByteArray("old"));

    r = Kdx({"convert", Path("demo.kdp"), Path("demo.json")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(QFile::exists(Path("demo.json")));
}

TEST_F(ExampleCopy, CompilesTheTextFormAsTheProjectFile)
{
    ASSERT_EQ(Kdx({"convert", Path("demo.kdp"), Path("demo.kdpj")}).exitCode, 0);
    kdx::test::ProgramRun fromFile = Kdx({"compile", Path("demo.kdp"), Path("a.kdpbin")});
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.out.toStdString() << fromFile.err.toStdString();
    kdx::test::ProgramRun fromText = Kdx({"compile", Path("demo.kdpj"), Path("b.kdpbin")});
    ASSERT_EQ(fromText.exitCode, 0) << fromText.out.toStdString() << fromText.err.toStdString();
    EXPECT_EQ(Contents(Path("a.kdpbin")), Contents(Path("b.kdpbin")));

    QByteArray text = Contents(Path("demo.kdpj"));
    text.replace("\"colorDepth\": 16", "\"colorDepth\": \"16\"");
    Write(Path("bad.kdpj"), text);
    kdx::test::ProgramRun bad = Kdx({"compile", Path("bad.kdpj"), Path("c.kdpbin")});
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE((bad.out + bad.err).contains(QString::fromUtf16(u"列：应为整数"))) << (bad.out + bad.err).toStdString();
    EXPECT_FALSE(QFile::exists(Path("c.kdpbin")));
}

namespace {

using kdx::ObjectKind;
using kdx::ObjectRecord;
using kdx::PageRecord;
using kdx::ProjectRecord;

ObjectRecord Shape(ObjectKind kind, uint32_t id, kdx::PageRect rect)
{
    ObjectRecord obj;
    obj.kind = kind;
    obj.objectId = id;
    obj.rect = rect;
    obj.lineColor = 0x000000FF;
    return obj;
}

ProjectRecord TwoPages()
{
    ProjectRecord p;
    p.view.lastObjectId = 4;
    PageRecord a;
    a.pageId = 0;
    a.name = u"甲";
    a.objects = {Shape(ObjectKind::Rect, 1, {0, 0, 10, 10}), Shape(ObjectKind::Line, 0, {0, 0, 10, 10}),
                 Shape(ObjectKind::Ellipse, 2, {5, 5, 9, 9}), Shape(ObjectKind::Text, 3, {1, 1, 2, 2})};
    a.objects[3].text = std::u16string(u"行\r\n\0", 4);
    PageRecord b;
    b.pageId = 5;
    b.name = u"B";
    b.objects = {Shape(ObjectKind::Custom, 4, {0, 0, 1, 1})};
    p.pages = {a, b};
    return p;
}

void WriteRecord(const QString& path, const ProjectRecord& project)
{
    const std::vector<uint8_t> bytes = kdx::WriteProjectRecord(project);
    Write(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

} // namespace

TEST_F(ExampleCopy, DiffShowsExactlyAMovedObject)
{
    ASSERT_EQ(Kdx({"convert", Path("demo.kdp"), Path("demo.kdpj")}).exitCode, 0);
    kdx::test::ProgramRun same = Kdx({"diff", Path("demo.kdp"), Path("demo.kdpj")});
    EXPECT_EQ(same.exitCode, 0) << same.err.toStdString();
    EXPECT_EQ(same.out, QString());

    ProjectRecord project;
    const QByteArray file = Contents(Path("demo.kdp"));
    ASSERT_FALSE(kdx::ReadProjectRecord(std::span(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size())),
                                        project));
    PageRecord& page = project.pages.at(1);
    auto moved = std::find_if(page.objects.begin(), page.objects.end(),
                              [](const ObjectRecord& o) { return o.kind != ObjectKind::Line; });
    ASSERT_NE(moved, page.objects.end());
    const kdx::PageRect before = moved->rect;
    moved->rect = {before.left + 7, before.top - 3, before.right + 7, before.bottom - 3};
    WriteRecord(Path("moved.kdp"), project);

    kdx::test::ProgramRun r = Kdx({"diff", Path("demo.kdpj"), Path("moved.kdp")});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QString expected =
        QStringLiteral("page %1 \"%2\"\n  %3 id %4: changed\n    rect: [%5, %6, %7, %8] -> [%9, %10, %11, %12]\n")
            .arg(page.pageId)
            .arg(QString::fromStdU16String(page.name))
            .arg(QLatin1String(kdx::ObjectKindKey(moved->kind)))
            .arg(moved->objectId)
            .arg(before.left).arg(before.top).arg(before.right).arg(before.bottom)
            .arg(moved->rect.left).arg(moved->rect.top).arg(moved->rect.right).arg(moved->rect.bottom);
    EXPECT_EQ(r.out, expected);
}

TEST_F(ExampleCopy, DiffNamesAddedRemovedRestackedAndChangedParts)
{
    const ProjectRecord a = TwoPages();
    ProjectRecord b = a;
    b.view.lastObjectId = 6;
    PageRecord& first = b.pages[0];
    first.objects = {a.pages[0].objects[2], a.pages[0].objects[0], a.pages[0].objects[1],
                     Shape(ObjectKind::Rect, 6, {3, 3, 4, 4})};
    first.objects[2].rect.right = 20;
    PageRecord c;
    c.pageId = 7;
    c.name = u"C";
    b.pages = {first, c};
    WriteRecord(Path("a.kdp"), a);
    WriteRecord(Path("b.kdp"), b);
    ASSERT_EQ(Kdx({"convert", Path("b.kdp"), Path("b.kdpj")}).exitCode, 0);

    kdx::test::ProgramRun r = Kdx({"diff", Path("a.kdp"), Path("b.kdpj")});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n');
    const QStringList expected = {
        "view",
        "  lastObjectId: 4 -> 6",
        QString::fromUtf16(u"page 0 \"甲\""),
        "  ellipse id 2: moved in drawing order from #3 to #1",
        "  line #3: changed",
        "    line: [0, 0, 10, 10] -> [0, 0, 20, 10]",
        "  rect id 6: added",
        "    kind: \"rect\"",
        "    id: 6",
        "    lineColor: \"#FF0000\"",
        "    fillColor: \"none\"",
        "    jumpTarget: null",
        "    executeCondition: 0",
        "    rect: [3, 3, 4, 4]",
        "    sendData: null",
        "  text id 3: removed",
    };
    ASSERT_GE(lines.size(), expected.size()) << r.out.toStdString();
    EXPECT_EQ(lines.mid(0, expected.size()), expected) << r.out.toStdString();
    EXPECT_TRUE(lines.contains(QString::fromUtf16(u"    text: \"行\\r\\n\""))) << r.out.toStdString();
    EXPECT_TRUE(lines.contains("page 7 \"C\": added with 0 objects")) << r.out.toStdString();
    EXPECT_TRUE(lines.contains("page 5 \"B\": removed with 1 objects")) << r.out.toStdString();

    // As git's external diff driver: the seven arguments, and exit 0.
    r = Kdx({"diff", "--git", "p.kdp", Path("a.kdp"), "0", "100644", Path("b.kdpj"), "0", "100644"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("kdx diff p.kdp\nview\n")) << r.out.toStdString();

    Write(Path("broken.kdpj"), "{\n  \"kdpj\": 1,\n}");
    r = Kdx({"diff", Path("a.kdp"), Path("broken.kdpj")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("broken.kdpj:3:1: ")) << r.err.toStdString();
}

TEST_F(ExampleCopy, DiffOfAPageOfChangedLinesPairsThemInOrderAndEndsSoon)
{
    // 65,534 distinct lines; in b all but two change colour. Each line of b
    // is matched to the first equal one of a, the rest pair up in order.
    ProjectRecord a;
    PageRecord page;
    page.name = u"L";
    for (int32_t i = 0; i < 65534; ++i)
        page.objects.push_back(Shape(ObjectKind::Line, 0, {i % 1000, i / 1000, i % 1000 + 5, i / 1000 + 5}));
    a.pages = {page};
    ProjectRecord b = a;
    for (size_t i = 0; i < b.pages[0].objects.size(); ++i)
        if (i != 10 && i != 60000)
            b.pages[0].objects[i].lineColor = 0x00FF00;
    WriteRecord(Path("a.kdp"), a);
    WriteRecord(Path("b.kdp"), b);

    // A generous guard against a quadratic match, not a measure.
    const kdx::test::ProgramRun r = kdx::test::RunProgram("kdx", {"diff", Path("a.kdp"), Path("b.kdp")}, 30000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.filter(": changed").size(), 65532);
    EXPECT_TRUE(lines.contains("  line #1: changed"));
    EXPECT_FALSE(lines.contains("  line #11: changed"));
    EXPECT_FALSE(lines.contains("  line #60001: changed"));
    EXPECT_TRUE(lines.filter("moved").isEmpty() && lines.filter("added").isEmpty());
}
