#include "edit/EditDragDrop.h"

#include <QApplication>
#include <QMimeData>
#include <unistd.h>

namespace kdx {

QString EditDragDrop::SourceToken() const
{
    return QStringLiteral("%1:%2").arg(getpid()).arg(reinterpret_cast<quintptr>(m_owner), 0, 16);
}

QMimeData* EditDragDrop::CreateMimeData(const QString& text, bool columnBlock) const
{
    auto* data = new QMimeData;
    data->setText(text);
    if (columnBlock)
        data->setData(kColumnBlockMime, QStringLiteral("%1:%2").arg(SourceToken()).arg(text.size()).toUtf8());
    return data;
}

QMimeData* EditDragDrop::CreateDragMimeData(const QString& text, bool columnBlock) const
{
    QMimeData* data = CreateMimeData(text, columnBlock);
    data->setData(kDragSourceMime, SourceToken().toUtf8());
    return data;
}

void EditDragDrop::RememberBlock(const QMimeData* data)
{
    m_blockToken = data->hasFormat(kColumnBlockMime) ? QString::fromUtf8(data->data(kColumnBlockMime)) : QString();
}

bool EditDragDrop::IsOwnColumnBlock(const QMimeData* data) const
{
    return data && !m_blockToken.isEmpty() && data->hasFormat(kColumnBlockMime)
           && QString::fromUtf8(data->data(kColumnBlockMime)) == m_blockToken
           && data->text().size() == m_blockToken.section(':', 2).toInt();
}

bool EditDragDrop::IsFromSelf(const QMimeData* data) const
{
    return data->hasFormat(kDragSourceMime) && QString::fromUtf8(data->data(kDragSourceMime)) == SourceToken();
}

std::u16string EditDragDrop::PlainText(const QMimeData* data)
{
    const QString text = data->text();
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

std::u16string EditDragDrop::ForeignText(const QMimeData* data)
{
    const std::u16string text = PlainText(data);
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            out += u'\r';
        out += text[i];
    }
    return out;
}

TextPos EditDragDrop::MoveTarget(TextPos at, TextPos start, TextPos end)
{
    if (at < end)
        return at;
    if (at.line == end.line)
        return {start.line, start.column + at.column - end.column};
    return {at.line - (end.line - start.line), at.column};
}

bool EditDragDrop::FarEnough(QPoint pos) const
{
    return (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance();
}

} // namespace kdx
