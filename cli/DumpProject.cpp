// "kdx dump FILE.kdp": every field of a project file, one item per line,
// read through the model's own reader.
#include "cli/Command.h"

#include "model/PageDoc.h"

#include <QStringList>

#include <cstdio>

namespace kdx::cli {
namespace {

void Line(const QString& text) { PrintUtf16((text + u'\n').toStdU16String()); }

QString Hex32(uint32_t v) { return QStringLiteral("0x") + QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper(); }

QString HexBytes(std::span<const uint8_t> bytes)
{
    QString out;
    out.reserve(qsizetype(bytes.size() * 3));
    for (uint8_t b : bytes) {
        if (!out.isEmpty())
            out += u' ';
        out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

// A text in double quotes with control characters spelled out.
QString Quoted(std::u16string_view text)
{
    QString out = QStringLiteral("\"");
    for (char16_t c : text) {
        switch (c) {
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\0': out += QStringLiteral("\\0"); break;
        case u'"': out += QStringLiteral("\\\""); break;
        case u'\\': out += QStringLiteral("\\\\"); break;
        default:
            if (c < 0x20)
                out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
            else
                out += QChar(c);
        }
    }
    return out + u'"';
}

QString Quoted(const QString& text) { return Quoted(std::u16string_view(text.toStdU16String())); }

QString Rect(const PageRect& r) { return QStringLiteral("%1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom); }

QString SendData(const SendDataEntry* data)
{
    if (!data)
        return QStringLiteral("none");
    return QStringLiteral("length=%1 tag=%2 bytes=%3").arg(data->bytes.size()).arg(Hex32(data->tag)).arg(HexBytes(data->bytes));
}

QString Image(const ImageEntry* image) { return image ? Quoted(image->path) : QStringLiteral("none"); }

void DumpObject(const QString& indent, const CDrawObj& obj)
{
    auto field = [&](const char* name, const QString& value) { Line(indent + QLatin1String(name) + u' ' + value); };
    if (dynamic_cast<const CDrawLine*>(&obj)) {
        field("lineColor", Hex32(obj.LineColor()));
        field("line", Rect(obj.RawRect()));
        return;
    }
    field("objectId", QString::number(obj.ObjectId()));
    field("lineColor", Hex32(obj.LineColor()));
    field("fillColor", Hex32(obj.FillColor()));
    field("jumpTarget", Hex32(obj.JumpTarget()));
    field("executeCondition", QString::number(obj.ExecuteCondition()));
    field("bounds", Rect(obj.Bounds()));
    field("sendData", SendData(obj.SendData()));
    if (auto* round = dynamic_cast<const CDrawRoundRect*>(&obj)) {
        field("radius", QString::number(round->Radius()));
    } else if (auto* custom = dynamic_cast<const CDrawCustom*>(&obj)) {
        field("customId", QString::number(custom->CustomId()));
    } else if (auto* text = dynamic_cast<const CDrawText*>(&obj)) {
        field("fontId", QString::number(text->FontId()));
        field("tabSize", QString::number(text->TabSize()));
        field("lineSpacing", QString::number(text->LineSpacing()));
        field("charSpacing", QString::number(text->CharSpacing()));
        field("text", text->TextRef() ? Quoted(text->TextRef()->text) : QStringLiteral("none"));
    } else if (auto* image = dynamic_cast<const CDrawImage*>(&obj)) {
        field("normalImage", Image(image->NormalImage()));
        field("pressedImage", Image(image->PressedImage()));
    }
}

int DumpProject(const std::string& path, const std::vector<uint8_t>& bytes)
{
    CPageDoc doc;
    doc.SetImageDecoding(false);
    if (std::optional<ProjectError> error = doc.LoadFromBytes(bytes)) {
        QString text = error->Text();
        while (text.endsWith(u'\n') || text.endsWith(u'\r'))
            text.chop(1);
        std::fprintf(stderr, "kdx dump: %s: %s\n", path.c_str(), text.toUtf8().constData());
        return 1;
    }
    const FileHeader& h = doc.header;
    Line(QStringLiteral("project %1").arg(QString::fromStdString(path)));
    Line(QStringLiteral("header.kind %1").arg(h.kind));
    Line(QStringLiteral("header.version %1 (%2.%3)").arg(Hex32(h.version)).arg(h.MajorVersion()).arg(h.MinorVersion()));
    Line(QStringLiteral("header.width %1").arg(h.width));
    Line(QStringLiteral("header.height %1").arg(h.height));
    Line(QStringLiteral("header.colorDepth %1").arg(h.colorDepth));
    Line(QStringLiteral("header.hardwareId %1").arg(Hex32(h.hardwareId)));
    Line(QStringLiteral("header.crc %1").arg(Hex32(h.crc)));
    Line(QStringLiteral("header.reserved %1").arg(HexBytes(h.reserved)));
    Line(QStringLiteral("header.remark %1").arg(Quoted(h.Remark())));
    Line(QStringLiteral("header.remarkBytes %1").arg(HexBytes(h.remarkRaw)));
    const ViewSettings& v = doc.view;
    Line(QStringLiteral("view.size %1").arg(v.size));
    Line(QStringLiteral("view.lastObjectId %1").arg(v.lastObjectId));
    Line(QStringLiteral("view.grid %1 x %2").arg(v.gridWidth).arg(v.gridHeight));
    Line(QStringLiteral("view.gridColor %1").arg(Hex32(v.gridColor)));
    Line(QStringLiteral("view.reserved %1").arg(Hex32(v.reserved)));
    Line(QStringLiteral("pages %1").arg(doc.PageCount()));
    for (size_t i = 0; i < doc.PageCount(); ++i) {
        const CPage& page = *doc.PageAt(int(i));
        Line(QStringLiteral("page %1").arg(i));
        Line(QStringLiteral("  pageId %1").arg(page.PageId()));
        Line(QStringLiteral("  name %1").arg(Quoted(page.Name())));
        Line(QStringLiteral("  backgroundColor %1").arg(Hex32(page.BackgroundColor())));
        Line(QStringLiteral("  backgroundImage %1").arg(Image(page.BackgroundImage())));
        Line(QStringLiteral("  loadSend %1").arg(SendData(page.LoadSend())));
        Line(QStringLiteral("  unloadSend %1").arg(SendData(page.UnloadSend())));
        Line(QStringLiteral("  objects %1").arg(page.Objects().size()));
        for (size_t j = 0; j < page.Objects().size(); ++j) {
            const CDrawObj& obj = *page.Objects()[j];
            Line(QStringLiteral("  object %1 %2").arg(j).arg(QLatin1String(obj.ClassName())));
            DumpObject(QStringLiteral("    "), obj);
        }
    }
    return 0;
}

Registrar reg(Dumper{FileHeader::kProjectKind, DumpProject});

} // namespace
} // namespace kdx::cli
