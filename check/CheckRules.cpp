// The rules of "kdx check": one table of id, level, description and check.
// Every check reuses the compiler's and the terminal's own rules (text
// preparation, fonts, code page 936, text layout, the compiler itself) so
// that the check cannot disagree with what the panel will do.
#include "check/CheckContext.h"

#include "common/Cp936.h"
#include "compile/CompileProject.h"
#include "terminal/TextLayout.h"
#include "terminal/FontTable.h"
#include "terminal/PixelConvert.h"
#include "terminal/TerminalPaint.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <limits>
#include <map>
#include <set>

namespace kdx::check {
namespace {

// Where a rule's findings go: the rule's id and level are added here.
class Emit {
public:
    Emit(const Context& context, std::vector<Finding>& out, const char* rule, Level level)
        : m_context(context), m_out(out), m_rule(rule), m_level(level)
    {
    }
    void Project(const QString& text) { Add(-1, -1, text); }
    void Page(size_t page, const QString& text) { Add(int(page), -1, text); }
    void Object(size_t page, size_t object, const QString& text) { Add(int(page), int(object), text); }

private:
    void Add(int page, int object, const QString& text)
    {
        Finding f;
        f.rule = m_rule;
        f.level = m_level;
        f.text = text;
        f.pageIndex = page;
        f.objectIndex = object;
        if (page >= 0) {
            const PageRecord& record = m_context.project.pages[size_t(page)];
            f.pageId = record.pageId;
            f.pageName = record.name;
            if (object >= 0)
                f.objectId = record.objects[size_t(object)].objectId;
        }
        m_out.push_back(std::move(f));
    }

    const Context& m_context;
    std::vector<Finding>& m_out;
    const char* m_rule;
    Level m_level;
};

using CheckFn = void (*)(Context&, Emit&);

struct Rule {
    const char* id;
    Level level;
    const char16_t* description;
    CheckFn check;
};

QString Path(const std::u16string& path) { return QString::fromStdU16String(path); }

// Calls fn(pageIndex, objectIndex, object) for every object of the project.
template <typename Fn>
void ForEachObject(const ProjectRecord& project, Fn&& fn)
{
    for (size_t p = 0; p < project.pages.size(); ++p)
        for (size_t o = 0; o < project.pages[p].objects.size(); ++o)
            fn(p, o, project.pages[p].objects[o]);
}

// Calls fn(pageIndex, objectIndex or -1, path, wanted size) for every
// picture reference: page backgrounds (the size of the screen) and the
// normal and pressed pictures of picture objects (the object's size).
template <typename Fn>
void ForEachPicture(const ProjectRecord& project, Fn&& fn)
{
    const QSize screen(project.header.width, project.header.height);
    for (size_t p = 0; p < project.pages.size(); ++p) {
        const PageRecord& page = project.pages[p];
        if (!page.backgroundImage.empty())
            fn(p, -1, page.backgroundImage, screen);
        for (size_t o = 0; o < page.objects.size(); ++o) {
            const ObjectRecord& object = page.objects[o];
            if (object.kind != ObjectKind::Image)
                continue;
            const QSize size(object.rect.Width(), object.rect.Height());
            for (const std::u16string* path : {&object.normalImage, &object.pressedImage})
                if (!path->empty())
                    fn(p, int(o), *path, size);
        }
    }
}

void EmitAt(Emit& out, size_t page, int object, const QString& text)
{
    if (object < 0)
        out.Page(page, text);
    else
        out.Object(page, size_t(object), text);
}

// The page a jump goes to: the first with that identifier, or -1.
int PageIndexOf(const ProjectRecord& project, uint32_t pageId)
{
    for (size_t i = 0; i < project.pages.size(); ++i)
        if (project.pages[i].pageId == pageId)
            return int(i);
    return -1;
}

bool InInt16(int64_t v) { return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max(); }

// Whether the coordinates fit the 16-bit fields of a drawing record (the
// terminal takes right and bottom inclusive for everything but lines).
bool CoordinatesFit(const ObjectRecord& o)
{
    const int64_t inclusive = o.kind == ObjectKind::Line ? 0 : 1;
    return InInt16(o.rect.left) && InInt16(o.rect.top) && InInt16(int64_t(o.rect.right) - inclusive) &&
           InInt16(int64_t(o.rect.bottom) - inclusive);
}

// The part of an object's rectangle on the screen, as the compiler judges
// visibility (the stored rectangle, not normalised); empty when none.
PageRect OnScreen(const ProjectRecord& project, const ObjectRecord& o)
{
    PageRect r = o.kind == ObjectKind::Line ? PageRect{o.rect.Normalized().left, o.rect.Normalized().top,
                                                       o.rect.Normalized().right + 1, o.rect.Normalized().bottom + 1}
                                            : o.rect;
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min<int32_t>(r.right, project.header.width);
    r.bottom = std::min<int32_t>(r.bottom, project.header.height);
    return r;
}

// A text's lines as the compiler keeps them: all of them, and those that
// fit the object's height. Nothing when the text cannot be laid out.
struct TextFit {
    int total = 0;
    int kept = 0;
};

int CountLines(const std::u16string& text)
{
    const size_t end = std::min(text.find(u'\0'), text.size());
    int lines = 0;
    size_t start = 0;
    while (start < end) {
        ++lines;
        const size_t next = text.find(u'\n', start);
        if (next >= end)
            break;
        start = next + 1;
    }
    return lines;
}

std::optional<TextFit> FitText(const ObjectRecord& o)
{
    if (o.kind != ObjectKind::Text || !o.text || !FindTerminalFont(o.fontId) || o.lineSpacing < 0 || o.tabSize < 0)
        return std::nullopt;
    const PreparedText all = PrepareText(*o.text, uint32_t(o.tabSize), o.fontId, uint32_t(o.lineSpacing),
                                         std::numeric_limits<int32_t>::max());
    const PreparedText fit = PrepareText(*o.text, uint32_t(o.tabSize), o.fontId, uint32_t(o.lineSpacing),
                                         int64_t(o.rect.bottom) - o.rect.top);
    if (all.error != TextLayoutError::None || fit.error != TextLayoutError::None)
        return std::nullopt;
    return TextFit{CountLines(all.text), CountLines(fit.text)};
}

bool HasTouchBehaviour(const ObjectRecord& o)
{
    if (o.kind == ObjectKind::Line)
        return false;
    return o.jumpTarget != kNoPage || o.sendData ||
           (o.kind == ObjectKind::Image && !o.normalImage.empty() && !o.pressedImage.empty());
}

// Whether the compiler keeps the object: on the screen and not empty.
bool IsKept(const ProjectRecord& project, const ObjectRecord& o)
{
    if (o.kind == ObjectKind::Line)
        return true;
    if (OnScreen(project, o).IsEmpty() || o.rect.IsEmpty())
        return false;
    if (o.kind == ObjectKind::Text) {
        if (!o.text)
            return false;
        const std::optional<TextFit> fit = FitText(o);
        return !fit || fit->kept > 0 || (o.text && !o.text->empty() && o.text->front() == u'\0');
    }
    if (o.kind == ObjectKind::Image)
        return !o.normalImage.empty() || !o.pressedImage.empty();
    return true;
}

// --- errors ---------------------------------------------------------------

void CheckJumpTargets(Context& c, Emit& out)
{
    ForEachObject(c.project, [&](size_t p, size_t i, const ObjectRecord& o) {
        if (o.kind != ObjectKind::Line && o.jumpTarget != kNoPage && PageIndexOf(c.project, o.jumpTarget) < 0)
            out.Object(p, i, QStringLiteral("跳转目标页面 %1 不存在").arg(o.jumpTarget));
    });
}

void CheckPictureFiles(Context& c, Emit& out)
{
    ForEachPicture(c.project, [&](size_t p, int o, const std::u16string& path, QSize) {
        const PictureInfo& info = c.Picture(path);
        if (info.state == PictureInfo::State::Missing)
            EmitAt(out, p, o, QStringLiteral("图片文件“%1”不存在").arg(Path(path)));
        else if (info.state == PictureInfo::State::Undecodable)
            EmitAt(out, p, o, QStringLiteral("图片文件“%1”无法解码").arg(Path(path)));
    });
}

void CheckValueRanges(Context& c, Emit& out)
{
    for (size_t p = 0; p < c.project.pages.size(); ++p)
        if (c.project.pages[p].pageId > kMaxPageId)
            out.Page(p, QStringLiteral("页面标识 %1 超出终端的范围（0–%2）").arg(c.project.pages[p].pageId).arg(kMaxPageId));
    ForEachObject(c.project, [&](size_t p, size_t i, const ObjectRecord& o) {
        if (!CoordinatesFit(o))
            out.Object(p, i, QStringLiteral("坐标（%1, %2, %3, %4）超出终端的16位范围（-32768–32767）")
                                  .arg(o.rect.left).arg(o.rect.top).arg(o.rect.right).arg(o.rect.bottom));
        if (o.kind == ObjectKind::Line)
            return;
        if (o.executeCondition > 15)
            out.Object(p, i, QStringLiteral("执行条件 %1 超出范围（0–15）").arg(o.executeCondition));
        if (o.kind != ObjectKind::Text)
            return;
        if (!FindTerminalFont(o.fontId))
            out.Object(p, i, QStringLiteral("字体 %1 不存在（终端只有字体 1–3）").arg(o.fontId));
        if (o.lineSpacing < 0 || o.lineSpacing > 255)
            out.Object(p, i, QStringLiteral("行间隔 %1 超出终端的范围（0–255）").arg(o.lineSpacing));
        if (o.charSpacing < 0 || o.charSpacing > 255)
            out.Object(p, i, QStringLiteral("字符间隔 %1 超出终端的范围（0–255）").arg(o.charSpacing));
    });
}

void CheckTextEncoding(Context& c, Emit& out)
{
    ForEachObject(c.project, [&](size_t p, size_t i, const ObjectRecord& o) {
        if (o.kind != ObjectKind::Text || !o.text)
            return;
        const std::u16string_view text(o.text->data(), std::min(o.text->find(u'\0'), o.text->size()));
        std::vector<size_t> unmapped;
        EncodeCp936(text, &unmapped);
        if (unmapped.empty())
            return;
        const QString all = QString::fromUtf16(text.data(), qsizetype(text.size()));
        QStringList shown;
        for (size_t k = 0; k < unmapped.size() && k < 3; ++k) {
            const char32_t code = all.mid(qsizetype(unmapped[k]), 2).toUcs4().value(0);
            shown << QStringLiteral("“%1”(U+%2)")
                         .arg(QString::fromUcs4(&code, 1), QString::number(uint32_t(code), 16).toUpper().rightJustified(4, u'0'));
        }
        out.Object(p, i, QStringLiteral("文本中有%1个字符不在代码页936中，终端无法显示：%2")
                              .arg(unmapped.size()).arg(shown.join(QStringLiteral("、"))));
    });
}

// A private reporter: the compile in memory only has to say how large the
// image would be; its messages belong to the compiler's own run.
class SilentReporter : public CompileReporter {
public:
    void EmitMessage(std::u16string_view text) override
    {
        if (!text.empty() && text[0] == u'*')
            throw CompileAbort{};
    }
    void CheckCancel() override {}
};

void CheckMemorySize(Context& c, Emit& out)
{
    if (!c.options.memoryBytes || c.options.projectPath.empty())
        return;
    SilentReporter reporter;
    CompileProject compile(reporter);
    try {
        compile.LoadProject(c.options.projectPath);
        compile.Optimize();
        compile.BuildMemoryImage();
    } catch (...) {
        return; // the project does not compile: the other rules say why
    }
    const uint64_t size = compile.MemoryImageSize();
    if (size > *c.options.memoryBytes)
        out.Project(QStringLiteral("编译后的内存影像共%1字节，超出终端内存%2字节").arg(size).arg(*c.options.memoryBytes));
}

// --- warnings -------------------------------------------------------------

void CheckTextLines(Context& c, Emit& out)
{
    ForEachObject(c.project, [&](size_t p, size_t i, const ObjectRecord& o) {
        const std::optional<TextFit> fit = FitText(o);
        if (fit && fit->kept < fit->total)
            out.Object(p, i, QStringLiteral("文本共%1行，对象的高度只放得下%2行，其余的行编译时被丢弃")
                                  .arg(fit->total).arg(fit->kept));
    });
}

void CheckTextWidth(Context& c, Emit& out)
{
    ForEachObject(c.project, [&](size_t p, size_t i, const ObjectRecord& o) {
        const std::optional<TextFit> fit = FitText(o);
        if (!fit)
            return;
        TextStyle style;
        style.font = FindTerminalFont(o.fontId);
        style.tabSize = o.tabSize;
        style.lineSpacing = o.lineSpacing;
        style.charSpacing = o.charSpacing;
        const std::vector<int> widths = TerminalTextLineWidths(*o.text, style);
        int widest = 0;
        for (size_t line = 0; line < widths.size() && line < size_t(fit->kept); ++line)
            widest = std::max(widest, widths[line]);
        if (widest > o.rect.Width())
            out.Object(p, i, QStringLiteral("文本最宽的一行宽%1像素，对象只有%2像素宽，超出的部分不显示")
                                  .arg(widest).arg(o.rect.Width()));
    });
}

void CheckOffScreen(Context& c, Emit& out)
{
    const int w = c.project.header.width, h = c.project.header.height;
    ForEachObject(c.project, [&](size_t p, size_t i, const ObjectRecord& o) {
        if (!CoordinatesFit(o))
            return; // reported as an error already
        const PageRect visible = OnScreen(c.project, o);
        if (o.kind != ObjectKind::Line && (visible.IsEmpty() || o.rect.IsEmpty())) {
            out.Object(p, i, QStringLiteral("对象完全在屏幕（%1 x %2）之外或大小为零，编译时被剔除").arg(w).arg(h));
            return;
        }
        const PageRect r = o.kind == ObjectKind::Line ? o.rect.Normalized() : o.rect;
        const int32_t lastX = o.kind == ObjectKind::Line ? w - 1 : w, lastY = o.kind == ObjectKind::Line ? h - 1 : h;
        if (o.kind == ObjectKind::Line && (r.right < 0 || r.bottom < 0 || r.left > lastX || r.top > lastY))
            out.Object(p, i, QStringLiteral("直线完全在屏幕（%1 x %2）之外").arg(w).arg(h));
        else if (r.left < 0 || r.top < 0 || r.right > lastX || r.bottom > lastY)
            out.Object(p, i, QStringLiteral("对象部分超出屏幕（%1 x %2）").arg(w).arg(h));
    });
}

void CheckCoveredTouch(Context& c, Emit& out)
{
    for (size_t p = 0; p < c.project.pages.size(); ++p) {
        const std::vector<ObjectRecord>& objects = c.project.pages[p].objects;
        for (size_t i = 0; i < objects.size(); ++i) {
            if (!HasTouchBehaviour(objects[i]) || !IsKept(c.project, objects[i]) || !CoordinatesFit(objects[i]))
                continue;
            const PageRect area = OnScreen(c.project, objects[i]);
            for (size_t j = i + 1; j < objects.size(); ++j) {
                const ObjectRecord& above = objects[j];
                if (!HasTouchBehaviour(above) || !IsKept(c.project, above))
                    continue;
                const PageRect cover = OnScreen(c.project, above);
                if (cover.left <= area.left && cover.top <= area.top && cover.right >= area.right &&
                    cover.bottom >= area.bottom) {
                    out.Object(p, i, QStringLiteral("触摸区域被上层的对象 %1 完全盖住，永远触摸不到").arg(above.objectId));
                    break;
                }
            }
        }
    }
}

void CheckReachablePages(Context& c, Emit& out)
{
    const std::vector<PageRecord>& pages = c.project.pages;
    if (pages.empty())
        return;
    std::vector<bool> reached(pages.size(), false);
    std::vector<size_t> todo{0};
    reached[0] = true;
    while (!todo.empty()) {
        const size_t p = todo.back();
        todo.pop_back();
        for (const ObjectRecord& o : pages[p].objects) {
            if (o.kind == ObjectKind::Line || o.jumpTarget == kNoPage || !IsKept(c.project, o))
                continue;
            const int target = PageIndexOf(c.project, o.jumpTarget);
            if (target >= 0 && !reached[size_t(target)]) {
                reached[size_t(target)] = true;
                todo.push_back(size_t(target));
            }
        }
    }
    for (size_t p = 0; p < pages.size(); ++p)
        if (!reached[p])
            out.Page(p, QStringLiteral("从第一个页面出发，没有任何跳转能到达这个页面"));
}

void CheckScaledPictures(Context& c, Emit& out)
{
    ForEachPicture(c.project, [&](size_t p, int o, const std::u16string& path, QSize wanted) {
        const PictureInfo& info = c.Picture(path);
        if (info.state != PictureInfo::State::Ok || info.size == wanted || wanted.isEmpty())
            return;
        EmitAt(out, p, o, QStringLiteral("图片“%1”为%2 x %3像素，%4为%5 x %6像素，在终端上被缩放")
                               .arg(Path(path)).arg(info.size.width()).arg(info.size.height())
                               .arg(o < 0 ? QStringLiteral("屏幕") : QStringLiteral("对象"))
                               .arg(wanted.width()).arg(wanted.height()));
    });
}

void CheckEmptyPages(Context& c, Emit& out)
{
    for (size_t p = 0; p < c.project.pages.size(); ++p) {
        const PageRecord& page = c.project.pages[p];
        if (page.backgroundColor != kNoColor || !page.backgroundImage.empty())
            continue;
        if (std::none_of(page.objects.begin(), page.objects.end(),
                         [&](const ObjectRecord& o) { return IsKept(c.project, o); }))
            out.Page(p, QStringLiteral("页面是空的：没有背景，也没有能显示的对象"));
    }
}

void CheckDuplicatePictures(Context& c, Emit& out)
{
    std::map<std::pair<QByteArray, QString>, QString> firstFile; // pixels -> first file with them
    std::set<QString> reported;
    ForEachPicture(c.project, [&](size_t p, int o, const std::u16string& path, QSize) {
        const PictureInfo& info = c.Picture(path);
        if (info.state != PictureInfo::State::Ok)
            return;
        const auto key = std::pair(info.digest, QStringLiteral("%1x%2").arg(info.size.width()).arg(info.size.height()));
        const auto [it, inserted] = firstFile.emplace(key, info.file);
        if (inserted || it->second == info.file || !reported.insert(info.file).second)
            return;
        EmitAt(out, p, o, QStringLiteral("图片“%1”与“%2”的像素完全相同，编译后存储两次")
                               .arg(QDir::toNativeSeparators(info.file), QDir::toNativeSeparators(it->second)));
    });
}

const Rule kRules[] = {
    {"jump-target", Level::Error, u"跳转到不存在的页面", CheckJumpTargets},
    {"picture-file", Level::Error, u"图片文件不存在或无法解码", CheckPictureFiles},
    {"value-range", Level::Error, u"终端保存不了的值：坐标超出16位、字体不是1–3、间隔超出0–255、执行条件超出0–15、页面标识超出0–65534",
     CheckValueRanges},
    {"text-encoding", Level::Error, u"文本中有代码页936编码不了的字符（终端无法显示）", CheckTextEncoding},
    {"memory-size", Level::Error, u"编译后的内存影像超过 --memory 给出的终端内存", CheckMemorySize},
    {"text-lines", Level::Warning, u"文本的行放不进对象（编译时丢弃）", CheckTextLines},
    {"text-width", Level::Warning, u"文本比对象宽", CheckTextWidth},
    {"off-screen", Level::Warning, u"对象全部或部分在屏幕之外", CheckOffScreen},
    {"touch-covered", Level::Warning, u"触摸区域被上层的触摸区域完全盖住（永远触摸不到）", CheckCoveredTouch},
    {"page-unreachable", Level::Warning, u"从第一个页面出发没有跳转能到达的页面", CheckReachablePages},
    {"picture-scaled", Level::Warning, u"图片大小与对象不同（在终端上被缩放）", CheckScaledPictures},
    {"empty-page", Level::Warning, u"空页面", CheckEmptyPages},
    {"picture-duplicate", Level::Warning, u"不同路径的图片像素完全相同（存储两次）", CheckDuplicatePictures},
};

} // namespace

std::vector<RuleInfo> Rules()
{
    std::vector<RuleInfo> rules;
    for (const Rule& rule : kRules)
        rules.push_back({rule.id, rule.level, rule.description});
    return rules;
}

void RunRules(Context& context, std::vector<Finding>& out)
{
    for (const Rule& rule : kRules) {
        if (context.options.disabled.count(rule.id))
            continue;
        Emit sink(context, out, rule.id, rule.level);
        rule.check(context, sink);
    }
}

const PictureInfo& Context::Picture(const std::u16string& path)
{
    QString file = QString::fromStdU16String(path);
    if (QDir::isRelativePath(file) && !options.projectFolder.isEmpty())
        file = QDir(options.projectFolder).filePath(file);
    file = QDir::cleanPath(file);
    auto it = m_pictures.find(file);
    if (it != m_pictures.end())
        return it->second;
    PictureInfo info;
    info.file = file;
    QImageReader reader(file);
    PreferSignatureFormat(reader);
    QImage image;
    if (!QFileInfo(file).isFile())
        info.state = PictureInfo::State::Missing;
    else if (!reader.read(&image))
        info.state = PictureInfo::State::Undecodable;
    if (info.state == PictureInfo::State::Ok) {
        info.size = image.size();
        image = image.convertToFormat(QImage::Format_ARGB32);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (int y = 0; y < image.height(); ++y)
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), qsizetype(image.width()) * 4));
        info.digest = hash.result();
    }
    return m_pictures.emplace(file, std::move(info)).first->second;
}

} // namespace kdx::check
