// Reading and writing the project file (.kdp).
#include "common/Archive.h"
#include "common/ByteOrder.h"
#include "common/Crc32.h"
#include "common/RegularFile.h"
#include "model/ModelStrings.h"
#include "model/ObjectCodec.h"
#include "model/PageDoc.h"
#include "model/ProjectFormat.h"
#include "model/ProjectText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kdx {
namespace {

// The smallest forms a page and an object can take in a file, used to
// refuse counts that the remaining bytes cannot hold before reading on.
// Damage found while reading, described for the user.
struct ContentError {
    QString text;
};

QString PageLocation(uint32_t number, uint32_t count)
{
    return QString::fromUtf16(u"第 %1 页（共 %2 页）").arg(number).arg(count);
}

QString ObjectLocation(uint32_t number, uint32_t count)
{
    return QString::fromUtf16(u"第 %1 个对象（共 %2 个）").arg(number).arg(count);
}

} // namespace

QString DescribeArchiveError(const ArchiveError& e)
{
    const char16_t* text = u"数据错误";
    switch (e.Fault()) {
    case ArchiveFault::EndsEarly: text = u"文件意外结束"; break;
    case ArchiveFault::StringTooLong: text = u"字符串长度超出文件"; break;
    case ArchiveFault::BackReference: text = u"不支持的对象引用"; break;
    case ArchiveFault::UnknownClass: text = u"未知的对象类型"; break;
    case ArchiveFault::BadClassName: text = u"对象类名错误"; break;
    case ArchiveFault::SendDataTooLong: text = u"发送数据超过65535字节"; break;
    case ArchiveFault::OddTextLength: text = u"文本长度错误"; break;
    case ArchiveFault::BadCount: text = u"数量超出文件大小"; break;
    case ArchiveFault::Misplaced: break;
    }
    return QString::fromUtf16(text) + u'（' + QString::fromStdString(e.what()) + u'）';
}

// ---------------------------------------------------------------- shared encodings

void WriteSendDataBlock(ArchiveWriter& out, const SendDataEntry* data)
{
    if (data)
        WriteSendBlock(out, {data->tag, data->bytes});
    else
        WriteSendBlock(out, {});
}

SendDataEntry* ReadSendDataBlock(ArchiveReader& in, CPageDoc& doc)
{
    const SendBlock block = ReadSendBlock(in, kMaxSendDataBytes);
    if (block.bytes.empty())
        return nullptr;
    return doc.InternSendData(block.bytes.data(), int(block.bytes.size()), block.tag);
}

QString ImagePath(const ImageEntry* image) { return image ? image->path : QString(); }

// ---------------------------------------------------------------- writing

void CPageDoc::WritePage(ArchiveWriter& out, const CPage& page) const
{
    out.U32(page.pageId);
    out.String(page.name.toStdU16String());
    out.U32(page.backgroundColor);
    out.String(ImagePath(page.backgroundImage).toStdU16String());
    WriteSendDataBlock(out, page.loadSend);
    WriteSendDataBlock(out, page.unloadSend);
    out.Count(uint32_t(page.objects.size()));
    for (const auto& obj : page.objects) {
        out.ObjectTag(obj->ClassName());
        obj->Write(out);
    }
}

std::vector<uint8_t> CPageDoc::SaveToBytes()
{
    header.kind = FileHeader::kProjectKind;
    ArchiveWriter out;
    out.Bytes(header.Bytes());
    out.U32(view.size);
    out.U32(view.lastObjectId);
    out.U32(view.gridWidth);
    out.U32(view.gridHeight);
    out.U32(view.gridColor);
    out.U32(view.reserved);
    out.Count(uint32_t(m_pages.size()));
    for (const auto& page : m_pages)
        WritePage(out, *page);
    std::vector<uint8_t>& bytes = out.Data();
    SealBytes(bytes);
    header.crc = LoadLE32(bytes.data() + kSealOffset);
    return std::move(bytes);
}

std::optional<ProjectError> CPageDoc::SaveProject(const QString& path)
{
    std::vector<uint8_t> bytes = SaveToBytes();
    if (IsProjectTextPath(path)) {
        ProjectRecord record;
        QByteArray text;
        std::optional<QString> error;
        if (std::optional<ProjectError> readError = ReadProjectRecord(bytes, record))
            error = readError->Text();
        else
            error = WriteProjectText(record, text);
        if (error)
            return ProjectError{kStrCannotSaveFile, {path, *error}};
        bytes.assign(text.begin(), text.end());
    }
    // The bytes go to a temporary file that replaces the old one only once
    // it is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ProjectError{kStrCannotSaveFile, {path, file.errorString()}};
    if (file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()) ||
        !file.commit()) {
        QString reason = file.errorString();
        file.cancelWriting();
        return ProjectError{kStrCannotSaveFile, {path, reason}};
    }
    m_folder = QFileInfo(path).absolutePath();
    SetModifiedFlag(false);
    return std::nullopt;
}

// ---------------------------------------------------------------- reading

std::optional<ProjectError> CPageDoc::OpenProject(const QString& path)
{
    // Only a regular file of a size a project can have is read: a FIFO or a
    // device would block or never end.
    const FileReadResult file = ReadRegularFile(QFile::encodeName(path).toStdString());
    if (file.error != FileReadError::None) {
        DeleteContents();
        return ProjectError{kStrCannotReadFile, {path, FileReadReason(file)}};
    }
    m_folder = QFileInfo(path).absolutePath();
    const std::span<const uint8_t> bytes(file.bytes);
    if (IsProjectText(bytes)) {
        // The text form stands for the project file it converts to.
        ProjectRecord record;
        const QByteArray text(reinterpret_cast<const char*>(file.bytes.data()), qsizetype(file.bytes.size()));
        if (std::optional<TextFormError> error = ReadProjectText(text, record)) {
            DeleteContents();
            SetModifiedFlag(false);
            return ProjectError{kStrCannotReadContent, {error->Text()}};
        }
        return LoadFromBytes(WriteProjectRecord(record));
    }
    return LoadFromBytes(bytes);
}

std::optional<ProjectError> CPageDoc::LoadFromBytes(std::span<const uint8_t> bytes)
{
    for (const ImageEntry& entry : m_images)
        m_reusablePictures.insert(entry.path, entry);
    std::optional<ProjectError> error = ReadFromBytes(bytes);
    m_reusablePictures.clear();
    return error;
}

std::optional<ProjectError> CPageDoc::ReadFromBytes(std::span<const uint8_t> bytes)
{
    DeleteContents();
    std::optional<ProjectError> error = [&]() -> std::optional<ProjectError> {
        if (bytes.empty()) {
            // Nothing to read: a project without pages.
            header = FileHeader();
            return std::nullopt;
        }
        FileHeader read;
        switch (CheckProjectFile(bytes, &read)) {
        case ProjectCheck::NotProject: return ProjectError{kStrNotProjectFile, {}};
        case ProjectCheck::BadVersion: return ProjectError{kStrBadVersion, {}};
        case ProjectCheck::Damaged: return ProjectError{kStrFileDamaged, {}};
        case ProjectCheck::BadDepth: return ProjectError{kStrBadColorDepth, {}};
        case ProjectCheck::Ok: break;
        }
        header = read;
        ArchiveReader in(bytes.subspan(FileHeader::kSize));
        if (in.Remaining() < ViewSettings::kSize)
            return ProjectError{kStrBadVersion, {}};
        ViewSettings settings;
        settings.size = in.U32();
        settings.lastObjectId = in.U32();
        settings.gridWidth = in.U32();
        settings.gridHeight = in.U32();
        settings.gridColor = in.U32();
        settings.reserved = in.U32();
        if (settings.size != ViewSettings::kSize)
            return ProjectError{kStrBadVersion, {}};
        view = settings;
        struct LoadingScope {
            bool& flag;
            explicit LoadingScope(bool& f) : flag(f) { flag = true; }
            ~LoadingScope() { flag = false; }
        } loading(m_loading);
        try {
            ReadPages(in);
        } catch (const ContentError& e) {
            return ProjectError{kStrCannotReadContent, {e.text}};
        } catch (const std::bad_alloc&) {
            return ProjectError{kStrCannotReadContent, {QString::fromUtf16(u"内存不足")}};
        } catch (const std::exception& e) {
            return ProjectError{kStrCannotReadContent, {QString::fromLocal8Bit(e.what())}};
        }
        return std::nullopt;
    }();
    if (error) {
        DeleteContents(); // no half-read project
    } else {
        NotifyPagesChanged();
    }
    SetModifiedFlag(false);
    return error;
}

void CPageDoc::ReadPages(ArchiveReader& in)
{
    uint32_t count = 0;
    try {
        count = in.Count();
        if (count > in.Remaining() / kMinPageBytes)
            throw ArchiveError(ArchiveFault::BadCount, "too many pages (" + std::to_string(count) + ") for the file");
    } catch (const ArchiveError& e) {
        throw ContentError{QString::fromUtf16(u"页面数量：") + DescribeArchiveError(e)};
    }
    m_pages.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        m_pages.push_back(ReadPage(in, i + 1, count));
}

std::unique_ptr<CPage> CPageDoc::ReadPage(ArchiveReader& in, uint32_t number, uint32_t pageCount)
{
    auto page = std::make_unique<CPage>(this);
    uint32_t objectNumber = 0, objectCount = 0;
    try {
        page->pageId = in.U32();
        page->name = QString::fromStdU16String(in.String());
        page->backgroundColor = in.U32();
        page->backgroundImage = LoadImage(QString::fromStdU16String(in.String()));
        page->loadSend = ReadSendDataBlock(in, *this);
        page->unloadSend = ReadSendDataBlock(in, *this);
        objectCount = in.Count();
        if (objectCount > in.Remaining() / kMinObjectBytes)
            throw ArchiveError(ArchiveFault::BadCount, "too many objects (" + std::to_string(objectCount) + ") for the file");
        for (objectNumber = 1; objectNumber <= objectCount; ++objectNumber)
            if (std::unique_ptr<CDrawObj> obj = ReadObject(in, page.get()))
                page->objects.push_back(std::move(obj));
    } catch (const ArchiveError& e) {
        QString where = PageLocation(number, pageCount);
        if (objectNumber > 0 && objectNumber <= objectCount)
            where += ObjectLocation(objectNumber, objectCount);
        throw ContentError{where + QString::fromUtf16(u"：") + DescribeArchiveError(e)};
    }
    return page;
}

std::unique_ptr<CDrawObj> CPageDoc::ReadObject(ArchiveReader& in, CPage* page)
{
    const std::string className = in.ObjectTag();
    if (className.empty())
        return nullptr; // a null object
    std::unique_ptr<CDrawObj> obj = CreateDrawObj(className);
    if (!obj)
        throw ArchiveError(ArchiveFault::UnknownClass, "unknown class name \"" + className + "\"");
    obj->AttachToPage(page);
    obj->Read(in);
    return obj;
}

std::vector<std::unique_ptr<CDrawObj>> CPageDoc::ReadObjects(ArchiveReader& in, CPage* page, uint32_t count)
{
    if (count > in.Remaining() / kMinObjectBytes)
        throw ArchiveError(ArchiveFault::BadCount, "too many objects (" + std::to_string(count) + ") for the data");
    const bool wasLoading = m_loading;
    m_loading = true;
    std::vector<std::unique_ptr<CDrawObj>> objects;
    try {
        for (uint32_t i = 0; i < count; ++i)
            if (std::unique_ptr<CDrawObj> obj = ReadObject(in, page))
                objects.push_back(std::move(obj));
    } catch (...) {
        m_loading = wasLoading;
        throw;
    }
    m_loading = wasLoading;
    return objects;
}

} // namespace kdx
