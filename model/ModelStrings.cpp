#include "model/ModelStrings.h"

#include "terminal/FontTable.h"
#include "model/ProjectError.h"

#include <QStringList>

#include <map>

namespace kdx {
namespace {

const std::map<int, const char16_t*>& Table()
{
    static const std::map<int, const char16_t*> table = {
        {kStrOpenImageFailed, u"打开图象文件错误 %s"},
        {kStrNotProjectFile, u"不是KDX触屏工程文件\r\n"},
        {kStrBadVersion, u"版本不正确，无法读取该文件\r\n"},
        {kStrFileDamaged, u"文件已经损坏\r\n"},
        {kStrBadColorDepth, u"不支持的屏幕色深\r\n"},
        {kStrNoJumpTarget, u"无目标"},
        {20801, u"触摸放开后执行"},
        {20802, u"延时0.25秒后放开执行"},
        {20803, u"延时0.50秒后放开执行"},
        {20804, u"延时0.75秒后放开执行"},
        {20805, u"延时1.00秒后放开执行"},
        {20806, u"延时1.25秒后放开执行"},
        {20807, u"延时1.50秒后放开执行"},
        {20808, u"延时1.75秒后放开执行"},
        {20809, u"触摸就直接执行"},
        {20810, u"延时0.25秒后直接执行"},
        {20811, u"延时0.50秒后直接执行"},
        {20812, u"延时0.75秒后直接执行"},
        {20813, u"延时1.00秒后直接执行"},
        {20814, u"延时1.25秒后直接执行"},
        {20815, u"延时1.50秒后直接执行"},
        {20816, u"延时1.75秒后直接执行"},
        {kStrStatusVersion, u" 版本：%d.%d "},
        {kStrStatusResolution, u" 分辨率：%d x %d "},
        {kStrStatusColorDepth, u" 色深：%d "},
        {kStrCannotReadFile, u"无法打开文件 %s：%s"},
        {kStrCannotReadContent, u"无法读取工程文件的内容：%s"},
        {kStrCannotSaveFile, u"无法保存文件 %s：%s"},
        {kStrCannotCopyPicture, u"无法复制图象文件 %s：%s"},
        {kStrCannotMakeFolder, u"无法创建文件夹 %s"},
    };
    return table;
}

} // namespace

QString ModelString(int id)
{
    for (const TerminalFont& font : TerminalFonts()) // the font names live with the fonts
        if (font.nameStringId == id)
            return QString::fromUtf16(font.name);
    auto found = Table().find(id);
    return found == Table().end() ? QString() : QString::fromUtf16(found->second);
}

QString FormatModelString(int id, const QStringList& args)
{
    QString format = ModelString(id);
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() &&
            (format[i + 1] == u's' || format[i + 1] == u'd') && next < args.size()) {
            out += args[next++];
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

QString ProjectError::Text() const { return FormatModelString(stringId, args); }

QString PictureUnreadableText(const QString& path)
{
    return FormatModelString(kStrOpenImageFailed, {path});
}

QString ExecuteConditionText(uint32_t condition)
{
    return condition < 16 ? ModelString(kStrFirstExecuteCondition + int(condition)) : QString();
}

} // namespace kdx
