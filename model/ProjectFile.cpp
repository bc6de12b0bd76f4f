// Reading and writing the project file (.kdp): the document is built from
// the file's records and written as records.
#include "common/ByteOrder.h"
#include "common/Crc32.h"
#include "common/RegularFile.h"
#include "model/ModelStrings.h"
#include "model/PageDoc.h"
#include "model/ProjectFormat.h"
#include "model/ProjectRecord.h"
#include "model/ProjectText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kdx {
namespace {

QString PageLocation(uint32_t number, uint32_t count)
{
    return QString::fromUtf16(u"第 %1 页（共 %2 页）").arg(number).arg(count);
}

QString ObjectLocation(uint32_t number, uint32_t count)
{
    return QString::fromUtf16(u"第 %1 个对象（共 %2 个）").arg(number).arg(count);
}

// Where the pages of a file stopped being readable and why, for the user.
QString DescribePageFault(const RecordFault& fault, size_t pagesRead)
{
    if (!fault.error)
        return QString::fromUtf16(u"内存不足");
    if (fault.part == RecordPart::PageCount)
        return QString::fromUtf16(u"页面数量：") + DescribeArchiveError(*fault.error);
    QString where = PageLocation(uint32_t(pagesRead), fault.pageCount);
    if (fault.objectNumber > 0 && fault.objectNumber <= fault.objectCount)
        where += ObjectLocation(fault.objectNumber, fault.objectCount);
    return where + QString::fromUtf16(u"：") + DescribeArchiveError(*fault.error);
}

} // namespace

QString ImagePath(const ImageEntry* image) { return image ? image->path : QString(); }

std::optional<SendBlockRecord> SendRecord(const SendDataEntry* data)
{
    if (!data)
        return std::nullopt;
    return SendBlockRecord{data->tag, data->bytes};
}

SendDataEntry* InternSendRecord(CPageDoc& doc, const std::optional<SendBlockRecord>& block)
{
    return block ? doc.InternSendData(block->bytes.data(), int(block->bytes.size()), block->tag) : nullptr;
}

// ---------------------------------------------------------------- writing

ProjectRecord CPageDoc::ToRecord() const
{
    ProjectRecord project;
    project.header = header;
    project.header.kind = FileHeader::kProjectKind;
    project.view = view;
    project.pages.reserve(m_pages.size());
    for (const auto& page : m_pages) {
        PageRecord& out = project.pages.emplace_back();
        out.pageId = page->pageId;
        out.name = page->name.toStdU16String();
        out.backgroundColor = page->backgroundColor;
        out.backgroundImage = ImagePath(page->backgroundImage).toStdU16String();
        out.loadSend = SendRecord(page->loadSend);
        out.unloadSend = SendRecord(page->unloadSend);
        out.objects.resize(page->objects.size());
        for (size_t i = 0; i < page->objects.size(); ++i)
            page->objects[i]->ToRecord(out.objects[i]);
    }
    return project;
}

std::vector<uint8_t> CPageDoc::SaveToBytes()
{
    std::vector<uint8_t> bytes = WriteProjectRecord(ToRecord());
    header.kind = FileHeader::kProjectKind;
    header.crc = LoadLE32(bytes.data() + kSealOffset);
    return bytes;
}

std::optional<ProjectError> CPageDoc::SaveProject(const QString& path)
{
    std::vector<uint8_t> bytes = SaveToBytes();
    if (IsProjectTextPath(path)) {
        ProjectRecord record = ToRecord();
        record.header.crc = header.crc;
        QByteArray text;
        if (std::optional<QString> error = WriteProjectText(record, text))
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
        ProjectRecord record;
        const std::optional<RecordFault> fault = ReadProjectParts(bytes, record, RecordStrictness::Strict);
        if (!fault || fault->part != RecordPart::Header)
            header = record.header;
        if (fault) {
            if (std::optional<ProjectError> error = FileFaultError(*fault))
                return error;
            return ProjectError{kStrCannotReadContent, {DescribePageFault(*fault, record.pages.size())}};
        }
        view = record.view;
        try {
            MakePages(record.pages);
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

void CPageDoc::MakePages(const std::vector<PageRecord>& pages)
{
    const LoadingScope loading(m_loading);
    m_pages.reserve(pages.size());
    for (const PageRecord& record : pages) {
        auto page = std::make_unique<CPage>(this);
        page->pageId = record.pageId;
        page->name = QString::fromStdU16String(record.name);
        page->backgroundColor = record.backgroundColor;
        page->backgroundImage = LoadImage(QString::fromStdU16String(record.backgroundImage));
        page->loadSend = InternSendRecord(*this, record.loadSend);
        page->unloadSend = InternSendRecord(*this, record.unloadSend);
        page->objects = MakeObjects(page.get(), record.objects);
        m_pages.push_back(std::move(page));
    }
}

std::vector<std::unique_ptr<CDrawObj>> CPageDoc::MakeObjects(CPage* page, std::span<const ObjectRecord> records)
{
    const LoadingScope loading(m_loading);
    std::vector<std::unique_ptr<CDrawObj>> objects;
    objects.reserve(records.size());
    for (const ObjectRecord& record : records) {
        std::unique_ptr<CDrawObj> object = CreateDrawObj(record.kind);
        object->AttachToPage(page);
        object->FromRecord(record);
        objects.push_back(std::move(object));
    }
    return objects;
}

} // namespace kdx
