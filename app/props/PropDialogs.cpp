#include "app/props/PropDialogs.h"

#include "app/dialogs/CDlgLinkData.h"
#include "app/frame/EditorStrings.h"
#include "app/props/PropValues.h"
#include "terminal/ColorDepth.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QStringList>

namespace kdx {
namespace {

QColor ToQColor(Color c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

Color ToColorRef(const QColor& c)
{
    return Color(c.red()) | Color(c.green()) << 8 | Color(c.blue()) << 16;
}

QString BuildImageFilter()
{
    const QMimeDatabase mimes;
    QStringList all;
    QStringList entries;
    for (const QByteArray& name : QImageReader::supportedMimeTypes()) {
        const QMimeType mime = mimes.mimeTypeForName(QString::fromLatin1(name));
        QStringList patterns;
        for (const QString& glob : mime.globPatterns())
            if (!all.contains(glob))
                patterns << glob;
        if (!mime.isValid() || patterns.isEmpty())
            continue;
        all << patterns;
        const QString list = patterns.join(u' ');
        entries << mime.comment() + QStringLiteral(" (") + list + u')';
    }
    entries.prepend(EditorString(IDS_IMAGE_FILTER_ALL) + QStringLiteral(" (") + all.join(u' ') + u')');
    return entries.join(QStringLiteral(";;"));
}

} // namespace

std::optional<Color> ChooseColor(QWidget* parent, Color initial, uint32_t colorDepth)
{
    QColorDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ColorChooser"));
    dialog.setCurrentColor(initial == kNoColor ? QColor(Qt::white) : ToQColor(initial));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return KeptColor(ToColorRef(dialog.selectedColor()), colorDepth);
}

const QString& ImageFileFilter()
{
    static const QString filter = BuildImageFilter();
    return filter;
}

std::optional<QString> ChooseImageFile(QWidget* parent, const QString& currentPath, QString& lastFolder)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ImageFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(ImageFileFilter());
    if (!lastFolder.isEmpty())
        dialog.setDirectory(lastFolder);
    // A full path names its folder too, as the current image's does.
    if (!currentPath.isEmpty()) {
        const QFileInfo current(currentPath);
        if (current.isAbsolute() && current.dir().exists())
            dialog.setDirectory(current.dir());
        dialog.selectFile(current.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

std::optional<QByteArray> EditLinkData(QWidget* parent, const QByteArray& data)
{
    CDlgLinkData dialog(data, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.data();
}

} // namespace kdx
