#include "model/PicturePaths.h"

#include "model/ModelStrings.h"
#include "model/PageDoc.h"
#include "model/ProjectFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace kdx {
namespace {

// Whether `file` (absolute, clean) lies in `folder` or below.
bool LiesIn(const QString& file, const QString& folder)
{
    const QString root = QDir::cleanPath(QDir(folder).absolutePath());
    return file.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

bool SameContents(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 kChunk = 1 << 16;
    while (!fa.atEnd())
        if (fa.read(kChunk) != fb.read(kChunk))
            return false;
    return true;
}

// A name in `folder` for a copy of `source`: its own file name, or with
// "_2", "_3", ... before the suffix when another file has it. A file of the
// same contents already there is used as it is (`reuse`).
QString CopyNameFor(const QString& source, const QDir& folder, bool& reuse)
{
    const QFileInfo info(source);
    const QString base = info.completeBaseName(), suffix = info.suffix();
    for (int n = 1;; ++n) {
        QString name = n == 1 ? info.fileName() : QStringLiteral("%1_%2").arg(base).arg(n);
        if (n > 1 && !suffix.isEmpty())
            name += u'.' + suffix;
        const QString target = folder.filePath(name);
        if (!QFileInfo::exists(target)) {
            reuse = false;
            return name;
        }
        if (QFileInfo(target).isFile() && SameContents(source, target)) {
            reuse = true;
            return name;
        }
    }
}

} // namespace

QString ResolvedPicturePath(const QString& path, const QString& folder)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path) || folder.isEmpty())
        return path;
    return QDir::cleanPath(QDir(folder).filePath(path));
}

QString StoredPicturePath(const QString& file, const QString& folder)
{
    if (file.isEmpty() || folder.isEmpty() || !QDir::isAbsolutePath(file))
        return file;
    const QString clean = QDir::cleanPath(file);
    return LiesIn(clean, folder) ? QDir(folder).relativeFilePath(clean) : file;
}

QString MovedPicturePath(const QString& path, const QString& from, const QString& to)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path) || from.isEmpty() ||
        QDir::cleanPath(from) == QDir::cleanPath(to))
        return path;
    const QString file = ResolvedPicturePath(path, from);
    return to.isEmpty() ? file : StoredPicturePath(file, to);
}

int CPageDoc::RewritePicturePaths(const std::function<QString(const QString&)>& map)
{
    int rewritten = 0;
    const auto rewrite = [&](const ImageEntry* entry, const std::function<void(const QString&)>& set) {
        if (!entry)
            return;
        const QString path = map(entry->path);
        if (path == entry->path)
            return;
        set(path);
        ++rewritten;
    };
    bool backgrounds = false;
    for (const auto& page : m_pages) {
        // The background keeps its stored colour, which setting a picture
        // through the page's own operation would clear.
        rewrite(page->backgroundImage, [&](const QString& path) {
            ImageEntry* entry = LoadImage(path);
            ReleaseImage(page->backgroundImage);
            page->backgroundImage = entry;
            backgrounds = true;
        });
        for (const auto& object : page->objects)
            if (auto* image = dynamic_cast<CDrawImage*>(object.get())) {
                rewrite(image->NormalImage(), [image](const QString& path) { image->SetNormalImage(path); });
                rewrite(image->PressedImage(), [image](const QString& path) { image->SetPressedImage(path); });
            }
    }
    if (backgrounds) {
        UpdateAllViews(UpdateHint::RepaintPage);
        SetModifiedFlag(true);
        NotifyPagesChanged();
    }
    return rewritten;
}

CollectedPictures CPageDoc::CollectPictures()
{
    CollectedPictures result;
    if (m_folder.isEmpty())
        return result;
    const QDir target(QDir(m_folder).filePath(QString::fromLatin1(kCollectedPictureFolder)));
    // The paths in the order pages and objects use them (a mapping that
    // changes nothing), so that the first user's picture keeps its name.
    QStringList used;
    RewritePicturePaths([&used](const QString& path) {
        if (!used.contains(path))
            used << path;
        return path;
    });
    QHash<QString, QString> moved; // stored path -> path into the folder
    for (const QString& path : used) {
        const QString source = ResolvedPicturePath(path, m_folder);
        if (LiesIn(QDir::cleanPath(source), m_folder))
            continue;
        if (!QFileInfo(source).isFile()) {
            result.failures << FormatModelString(kStrCannotCopyPicture, {path, QStringLiteral("文件不存在")});
            continue;
        }
        if (!target.exists() && !QDir().mkpath(target.path())) {
            result.failures << FormatModelString(kStrCannotMakeFolder, {target.path()});
            break;
        }
        bool reuse = false;
        const QString name = CopyNameFor(source, target, reuse);
        QFile file(source);
        if (!reuse && !file.copy(target.filePath(name))) {
            result.failures << FormatModelString(kStrCannotCopyPicture, {path, file.errorString()});
            continue;
        }
        if (!reuse)
            result.copied << name;
        moved.insert(path, QString::fromLatin1(kCollectedPictureFolder) + u'/' + name);
    }
    result.rewritten = RewritePicturePaths([&moved](const QString& path) { return moved.value(path, path); });
    return result;
}

} // namespace kdx
