// The text form of a project: a deterministic JSON writer, and a strict reader
// that parses with QJsonDocument and finds the line and column of every value
// with a scan of its own, since Qt's parser reports positions only for
// syntax errors.
#include "model/ProjectText.h"

#include "common/Crc32.h"
#include "common/Hex.h"
#include "common/LocalPath.h"
#include "common/RegularFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <exception>
#include <span>
#include <initializer_list>
#include <string>

#include <sys/mman.h>

namespace kdx {
namespace {

constexpr int kTextFormVersion = 1;
constexpr size_t kSendBytesPerLine = 16;
constexpr size_t kReservedHeaderBytes = 34;



// ---------------------------------------------------------------- writing

void AppendEscape(std::string& out, char16_t unit)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(char(HexDigitChar((unit >> shift) & 0xF)));
}

// A JSON string that shows line breaks, tabs and other control characters
// as escapes and everything else as readable UTF-8. Unpaired surrogates are
// kept as \u escapes so that no unit is lost.
std::string Quote(std::u16string_view text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
        case u'"': out += "\\\""; continue;
        case u'\\': out += "\\\\"; continue;
        case u'\r': out += "\\r"; continue;
        case u'\n': out += "\\n"; continue;
        case u'\t': out += "\\t"; continue;
        default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendEscape(out, c);
        } else {
            AppendUtf8(out, c);
        }
    }
    out += '"';
    return out;
}

std::string Hex(uint32_t value, int digits)
{
    std::string out(size_t(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        out[size_t(i)] = char(HexDigitChar(int(value & 0xF)));
    return out;
}

std::string HexBytes(std::span<const uint8_t> bytes)
{
    std::string out;
    for (uint8_t b : bytes) {
        if (!out.empty())
            out += ' ';
        out += Hex(b, 2);
    }
    return out;
}

// "#RRGGBB" as people read colours, "#AARRGGBB" when the top byte is used,
// "none" for no colour.
std::string ColorText(Color c)
{
    if (c == kNoColor)
        return "\"none\"";
    const uint32_t rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    if ((c >> 24) == 0)
        return "\"#" + Hex(rgb, 6) + "\"";
    return "\"#" + Hex(c >> 24, 2) + Hex(rgb, 6) + "\"";
}

std::string RectText(const PageRect& r)
{
    return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + "]";
}

std::string Spaces(int n) { return std::string(size_t(n), ' '); }

// A list of values, one a line.
std::string ListText(const std::vector<std::string>& items, int indent)
{
    if (items.empty())
        return "[]";
    std::string out = "[\n";
    for (size_t i = 0; i < items.size(); ++i)
        out += Spaces(indent + 2) + items[i] + (i + 1 < items.size() ? ",\n" : "\n");
    return out + Spaces(indent) + "]";
}

// An object of fields whose keys stand at 'indent'.
std::string BlockText(const std::vector<FieldText>& fields, int indent)
{
    std::string out = "{\n";
    for (size_t i = 0; i < fields.size(); ++i)
        out += Spaces(indent) + "\"" + fields[i].key + "\": " + fields[i].value +
               (i + 1 < fields.size() ? ",\n" : "\n");
    return out + Spaces(indent - 2) + "}";
}

// How values are laid out: over several lines in the file, or each on one
// line (long send data shortened) where a comparison shows them.
struct Layout {
    int indent = 0; // of the fields being written
    bool oneLine = false;
};

std::string SendText(const std::optional<SendBlockRecord>& send, Layout layout)
{
    if (!send || send->bytes.empty())
        return "null";
    const std::span<const uint8_t> bytes(send->bytes);
    if (layout.oneLine) {
        constexpr size_t kShown = 32;
        if (bytes.size() <= kShown)
            return "{\"tag\": " + std::to_string(send->tag) + ", \"bytes\": \"" + HexBytes(bytes) + "\"}";
        return "{\"tag\": " + std::to_string(send->tag) + ", " + std::to_string(bytes.size()) + " bytes, CRC-32 0x" +
               Hex(ComputeCrc32(bytes), 8) + ": \"" + HexBytes(bytes.first(kShown)) + " ...\"}";
    }
    std::vector<std::string> lines;
    for (size_t at = 0; at < bytes.size(); at += kSendBytesPerLine)
        lines.push_back("\"" + HexBytes(bytes.subspan(at, std::min(kSendBytesPerLine, bytes.size() - at))) + "\"");
    const int inner = layout.indent + 2;
    return BlockText({{"tag", std::to_string(send->tag)}, {"bytes", ListText(lines, inner)}}, inner);
}

// A text as pieces that each end at a line break: CR LF ends a line, a lone
// LF is a wrap point inside one.
std::string TextPieces(std::u16string_view text, Layout layout)
{
    if (layout.oneLine)
        return Quote(text);
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == u'\n') {
            pieces.push_back(Quote(text.substr(start, i + 1 - start)));
            start = i + 1;
        }
    if (start < text.size() || pieces.empty())
        pieces.push_back(Quote(text.substr(start)));
    return ListText(pieces, layout.indent);
}

std::vector<FieldText> ObjectFieldList(const ObjectRecord& obj, Layout layout)
{
    std::vector<FieldText> f;
    f.push_back({"kind", std::string("\"") + ObjectKindKey(obj.kind) + "\""});
    if (obj.kind == ObjectKind::Line) {
        f.push_back({"lineColor", ColorText(obj.lineColor)});
        f.push_back({"line", RectText(obj.rect)});
        return f;
    }
    f.push_back({"id", std::to_string(obj.objectId)});
    f.push_back({"lineColor", ColorText(obj.lineColor)});
    f.push_back({"fillColor", ColorText(obj.fillColor)});
    f.push_back({"jumpTarget", obj.jumpTarget == kNoPage ? "null" : std::to_string(obj.jumpTarget)});
    f.push_back({"executeCondition", std::to_string(obj.executeCondition)});
    f.push_back({"rect", RectText(obj.rect)});
    f.push_back({"sendData", SendText(obj.sendData, layout)});
    switch (obj.kind) {
    case ObjectKind::RoundRect: f.push_back({"radius", std::to_string(obj.radius)}); break;
    case ObjectKind::Custom: f.push_back({"customId", std::to_string(obj.customId)}); break;
    case ObjectKind::Text: {
        f.push_back({"font", std::to_string(obj.fontId)});
        f.push_back({"tabSize", std::to_string(obj.tabSize)});
        f.push_back({"lineSpacing", std::to_string(obj.lineSpacing)});
        f.push_back({"charSpacing", std::to_string(obj.charSpacing)});
        std::u16string_view text = obj.text ? std::u16string_view(*obj.text) : std::u16string_view();
        if (!text.empty() && text.back() == u'\0')
            text.remove_suffix(1);
        f.push_back({"text", obj.text ? TextPieces(text, layout) : "null"});
        break;
    }
    case ObjectKind::Image:
        f.push_back({"normalImage", Quote(obj.normalImage)});
        f.push_back({"pressedImage", Quote(obj.pressedImage)});
        break;
    default: break;
    }
    return f;
}

std::vector<FieldText> PageFieldList(const PageRecord& page, Layout layout)
{
    return {
        {"id", std::to_string(page.pageId)},
        {"name", Quote(page.name)},
        {"backgroundColor", ColorText(page.backgroundColor)},
        {"backgroundImage", Quote(page.backgroundImage)},
        {"loadSend", SendText(page.loadSend, layout)},
        {"unloadSend", SendText(page.unloadSend, layout)},
    };
}

std::string PageText(const PageRecord& page, int indent)
{
    std::vector<FieldText> fields = PageFieldList(page, {indent, false});
    std::vector<std::string> objects;
    for (const ObjectRecord& obj : page.objects)
        objects.push_back(BlockText(ObjectFieldList(obj, {indent + 4, false}), indent + 4));
    fields.push_back({"objects", ListText(objects, indent)});
    return BlockText(fields, indent);
}

bool IsCanonicalRemark(const FileHeader& header)
{
    FileHeader canonical;
    canonical.SetRemark(header.Remark());
    return canonical.remarkRaw == header.remarkRaw;
}

// ---------------------------------------------------------------- positions

// Offsets of a value, and of its key when it is an object member.
struct Place {
    size_t value = 0;
    size_t key = 0;
    size_t end = 0;
};

// Finds where each value of a JSON text that Qt's parser accepted begins,
// by its path ("/pages/0/objects/2/rect"), and notes the first repeated key.
// The values are kept as a compact tree (a few words each, children of a
// container side by side) so that the positions of a large project cost
// little more than its text.
class JsonPositions {
public:
    explicit JsonPositions(std::string_view text) : m_text(text)
    {
        // A value takes a few bytes of text at the least: reserving for that
        // many spares most copies of a growing tree.
        m_nodes.reserve(1 + text.size() / kBytesPerValueEstimate);
        SkipSpace();
        m_nodes.emplace_back();
        Value(0, 0);
    }
    // Whether every number of the text is an integer of at most 15 digits
    // without fraction or exponent: such a number is what Qt's double holds
    // exactly, so its value can be taken without looking at its text.
    bool NumbersArePlainIntegers() const { return m_numbersArePlain; }
    std::optional<Place> Find(std::string_view path) const
    {
        uint32_t node = 0;
        while (!path.empty()) {
            path.remove_prefix(1); // '/'
            const size_t slash = path.find('/');
            const std::string_view segment = path.substr(0, slash);
            path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
            std::optional<uint32_t> child = Child(m_nodes[node], segment);
            if (!child)
                return std::nullopt;
            node = *child;
        }
        const Node& n = m_nodes[node];
        return Place{n.value, n.key, n.end};
    }
    std::string_view Raw(const Place& place) const { return m_text.substr(place.value, place.end - place.value); }
    std::optional<std::pair<size_t, std::string>> repeatedKey;

private:
    static constexpr size_t kBytesPerValueEstimate = 8;
    static constexpr size_t kMaxExactDigits = 15;

    struct Node {
        uint32_t value = 0, key = 0, end = 0;
        uint32_t firstChild = 0, childCount = 0; // into m_children
    };
    struct Key {
        std::string_view name;
        size_t at;
    };

    char Peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    void SkipSpace()
    {
        while (m_pos < m_text.size() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
            ++m_pos;
    }
    // The raw contents of the string at 'at' (its opening quote).
    std::string_view RawString(size_t at) const
    {
        size_t end = at + 1;
        while (end < m_text.size() && m_text[end] != '"')
            end += m_text[end] == '\\' ? 2 : 1;
        return m_text.substr(at + 1, std::min(end, m_text.size()) - at - 1);
    }
    std::optional<uint32_t> Child(const Node& node, std::string_view segment) const
    {
        const std::span<const uint32_t> children(m_children.data() + node.firstChild, node.childCount);
        if (m_text[node.value] == '[') {
            size_t index = 0;
            auto [end, ec] = std::from_chars(segment.data(), segment.data() + segment.size(), index);
            if (ec != std::errc() || end != segment.data() + segment.size() || index >= children.size())
                return std::nullopt;
            return children[index];
        }
        for (uint32_t child : children)
            if (m_text[node.value] == '{' && RawString(m_nodes[child].key) == segment)
                return child;
        return std::nullopt;
    }
    void Value(uint32_t index, size_t keyOffset)
    {
        Node node;
        node.value = uint32_t(m_pos);
        node.key = uint32_t(keyOffset);
        const char c = Peek();
        if (c == '{' || c == '[') {
            ++m_pos;
            // The children and keys of open containers are kept on two
            // stacks shared by all levels, so that a value costs no
            // allocation of its own.
            const size_t firstChild = m_childStack.size();
            const size_t firstKey = m_keyStack.size();
            for (;;) {
                SkipSpace();
                if (Peek() == '}' || Peek() == ']') {
                    ++m_pos;
                    break;
                }
                if (Peek() == ',') {
                    ++m_pos;
                    SkipSpace();
                }
                const uint32_t child = uint32_t(m_nodes.size());
                m_nodes.emplace_back();
                m_childStack.push_back(child);
                if (c == '{') {
                    const size_t keyAt = m_pos;
                    const std::string_view key = RawString(keyAt);
                    m_pos += key.size() + 2;
                    m_keyStack.push_back({key, keyAt});
                    SkipSpace();
                    ++m_pos; // ':'
                    SkipSpace();
                    Value(child, keyAt);
                } else {
                    Value(child, m_pos);
                }
            }
            node.firstChild = uint32_t(m_children.size());
            node.childCount = uint32_t(m_childStack.size() - firstChild);
            m_children.insert(m_children.end(), m_childStack.begin() + std::ptrdiff_t(firstChild), m_childStack.end());
            m_childStack.resize(firstChild);
            NoteRepeatedKey(firstKey);
            m_keyStack.resize(firstKey);
        } else if (c == '"') {
            m_pos += RawString(m_pos).size() + 2;
        } else {
            const size_t start = m_pos;
            while (m_pos < m_text.size() && std::string_view(",]} \t\r\n").find(Peek()) == std::string_view::npos)
                ++m_pos;
            NoteNumber(m_text.substr(start, m_pos - start));
        }
        node.end = uint32_t(m_pos);
        m_nodes[index] = node;
    }

    // The first repeated key of the object whose keys begin at 'firstKey' of
    // the key stack, if it comes before the one noted so far: the first in
    // the text is the one reported.
    void NoteRepeatedKey(size_t firstKey)
    {
        const auto begin = m_keyStack.begin() + std::ptrdiff_t(firstKey);
        if (m_keyStack.end() - begin < 2)
            return;
        std::sort(begin, m_keyStack.end(), [](const Key& a, const Key& b) {
            return a.name != b.name ? a.name < b.name : a.at < b.at;
        });
        for (auto it = begin + 1; it != m_keyStack.end(); ++it)
            if (it->name == (it - 1)->name && (!repeatedKey || it->at < repeatedKey->first))
                repeatedKey = {{it->at, std::string(it->name)}};
    }
    void NoteNumber(std::string_view token)
    {
        if (token.empty() || !(token[0] == '-' || (token[0] >= '0' && token[0] <= '9')))
            return; // true, false, null
        const std::string_view digits = token.substr(token[0] == '-');
        m_numbersArePlain = m_numbersArePlain && !digits.empty() && digits.size() <= kMaxExactDigits &&
                            std::all_of(digits.begin(), digits.end(), [](char d) { return d >= '0' && d <= '9'; });
    }

    std::string_view m_text;
    size_t m_pos = 0;
    std::vector<Node> m_nodes;
    std::vector<uint32_t> m_children;
    std::vector<uint32_t> m_childStack;
    std::vector<Key> m_keyStack;
    bool m_numbersArePlain = true;
};

TextFormError ErrorAt(std::string_view text, size_t offset, const QString& message)
{
    offset = std::min(offset, text.size());
    TextFormError e;
    e.line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i)
        if (text[i] == '\n') {
            ++e.line;
            lineStart = i + 1;
        }
    e.column = 1;
    for (size_t i = lineStart; i < offset; ++i)
        if ((uint8_t(text[i]) & 0xC0) != 0x80)
            ++e.column;
    e.message = message;
    return e;
}

// ---------------------------------------------------------------- reading

struct Failure {
    size_t offset;
    QString message;
};

bool IsHexDigit(char c) { return HexDigitValue(char16_t(static_cast<unsigned char>(c))) >= 0; }

// Qt's parser also takes escapes JSON does not have ("\x41", "\q") and raw
// control characters inside strings; the text form admits only JSON, so that
// any other reader takes a file the same way. Runs on a text Qt accepted.
std::optional<Failure> FindNonJsonString(std::string_view text)
{
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!inString) {
            inString = c == '"';
            continue;
        }
        if (c == '"') {
            inString = false;
        } else if (uint8_t(c) < 0x20) {
            const QString code = QStringLiteral("%1").arg(uint(uint8_t(c)), 4, 16, QLatin1Char('0')).toUpper();
            return Failure{i, QString::fromUtf16(u"字符串中不能有控制字符（U+%1），应写成转义 \\u%1").arg(code)};
        } else if (c == '\\') {
            const char e = i + 1 < text.size() ? text[i + 1] : '\0';
            bool ok = std::string_view("\"\\/bfnrt").find(e) != std::string_view::npos;
            if (e == 'u')
                ok = i + 5 < text.size() && std::all_of(text.begin() + i + 2, text.begin() + i + 6, IsHexDigit);
            if (!ok || e == '\0')
                return Failure{i, QString::fromUtf16(u"JSON 中没有转义“\\%1”").arg(QString::fromUtf8(&e, e ? 1 : 0))};
            i += e == 'u' ? 5 : 1;
        }
    }
    return std::nullopt;
}

QString Name(const char* key) { return QString::fromUtf16(u"“") + QLatin1String(key) + QString::fromUtf16(u"”"); }

// Where a value stands ("/pages/0/objects/2/rect/1"), put together only when
// a message or a position needs it: most values are read without either.
class ValuePath {
public:
    ValuePath(const char* whole) : m_parent(whole) {}
    ValuePath(const std::string& whole) : m_parent(whole) {}
    ValuePath(std::string_view parent, const char* key, int index = -1)
        : m_parent(parent), m_key(key), m_index(index)
    {
    }
    std::string Text() const
    {
        std::string text(m_parent);
        if (m_key)
            text.append("/").append(m_key);
        if (m_index >= 0)
            text.append("/").append(std::to_string(m_index));
        return text;
    }

private:
    std::string_view m_parent;
    const char* m_key = nullptr;
    int m_index = -1;
};

class TextReader {
    static constexpr qsizetype kPagesWorthThreads = 16;
    static constexpr int kMaxReadThreads = 4;

public:
    explicit TextReader(const JsonPositions& positions) : m_positions(positions) {}

    [[noreturn]] void Fail(const ValuePath& path, const QString& message, bool atKey = false) const
    {
        std::string p = path.Text();
        std::optional<Place> place;
        while (!(place = m_positions.Find(p)) && !p.empty())
            p.erase(p.rfind('/'));
        throw Failure{place ? (atKey ? place->key : place->value) : 0, message};
    }

    // An object with exactly the given keys (the optional ones may be absent).
    QJsonObject Object(const QJsonValue& v, const std::string& path, std::initializer_list<const char*> required,
                       std::initializer_list<const char*> optional = {}) const
    {
        return ObjectWithKeys(v, path, required, optional);
    }

    QJsonArray Array(const QJsonValue& v, const ValuePath& path) const
    {
        if (!v.isArray())
            Fail(path, QString::fromUtf16(u"应为数组（[…]）"));
        return v.toArray();
    }

    int64_t Integer(const QJsonValue& v, const ValuePath& at, int64_t min, int64_t max) const
    {
        if (v.isDouble() && m_positions.NumbersArePlainIntegers()) {
            const int64_t value = int64_t(v.toDouble());
            if (value < min || value > max)
                Fail(at, QString::fromUtf16(u"数值超出范围（%1 至 %2）").arg(min).arg(max));
            return value;
        }
        const std::string path = at.Text();
        const std::optional<Place> place = m_positions.Find(path);
        int64_t value = 0;
        bool ok = v.isDouble() && place;
        if (ok) {
            std::string_view raw = m_positions.Raw(*place);
            const bool digitsOnly = !raw.empty() && std::all_of(raw.begin() + (raw[0] == '-'), raw.end(),
                                                                [](char c) { return c >= '0' && c <= '9'; });
            auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), value);
            ok = digitsOnly && raw != "-" && ec != std::errc::invalid_argument;
            if (ok && (ec == std::errc::result_out_of_range || value < min || value > max))
                Fail(path, QString::fromUtf16(u"数值超出范围（%1 至 %2）").arg(min).arg(max));
            (void)end;
        }
        if (!ok)
            Fail(path, QString::fromUtf16(u"应为整数"));
        return value;
    }

    uint32_t U32(const QJsonObject& obj, const std::string& path, const char* key) const
    {
        return uint32_t(Integer(obj.value(QLatin1String(key)), {path, key}, 0, 0xFFFFFFFFll));
    }
    int32_t I32(const QJsonObject& obj, const std::string& path, const char* key) const
    {
        return int32_t(Integer(obj.value(QLatin1String(key)), {path, key}, INT32_MIN, INT32_MAX));
    }

    std::u16string String(const QJsonValue& v, const ValuePath& path) const
    {
        if (!v.isString())
            Fail(path, QString::fromUtf16(u"应为字符串"));
        return v.toString().toStdU16String();
    }
    std::u16string String(const QJsonObject& obj, const std::string& path, const char* key) const
    {
        return String(obj.value(QLatin1String(key)), {path, key});
    }

    Color ColorValue(const QJsonObject& obj, const std::string& path, const char* key) const
    {
        const ValuePath at(path, key);
        const QJsonValue v = obj.value(QLatin1String(key));
        const QString text = v.toString();
        if (v.isString() && text == QLatin1String("none"))
            return kNoColor;
        bool ok = v.isString() && text.startsWith(u'#') && (text.size() == 7 || text.size() == 9);
        uint32_t value = 0;
        for (qsizetype i = 1; ok && i < text.size(); ++i) {
            const int digit = HexDigitValue(text[i].unicode());
            ok = digit >= 0;
            value = (value << 4) | uint32_t(digit);
        }
        if (!ok)
            Fail(at, QString::fromUtf16(u"颜色格式错误：应为 \"#RRGGBB\"、\"#AARRGGBB\" 或 \"none\""));
        const uint32_t rgb = value & 0xFFFFFF;
        const uint32_t alpha = text.size() == 9 ? value >> 24 : 0;
        const Color color = (alpha << 24) | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
        if (color == kNoColor)
            Fail(at, QString::fromUtf16(u"没有颜色时应写 \"none\""));
        return color;
    }

    std::vector<uint8_t> HexBytesValue(const QJsonValue& v, const std::string& path) const
    {
        const std::u16string text = String(v, path);
        std::vector<uint8_t> bytes;
        size_t i = 0;
        while (i < text.size()) {
            if (text[i] == u' ') {
                ++i;
                continue;
            }
            const int hi = HexDigitValue(text[i]);
            const int lo = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
            if (hi < 0 || lo < 0 || (i + 2 < text.size() && text[i + 2] != u' '))
                Fail(path, QString::fromUtf16(u"字节应写成以空格分隔的两位十六进制数，例如 \"0A FF\""));
            bytes.push_back(uint8_t(hi * 16 + lo));
            i += 2;
        }
        return bytes;
    }

    std::optional<SendBlockRecord> Send(const QJsonObject& parent, const std::string& parentPath,
                                        const char* key) const
    {
        const std::string path = parentPath + "/" + key;
        const QJsonValue v = parent.value(QLatin1String(key));
        if (v.isNull())
            return std::nullopt;
        const QJsonObject obj = Object(v, path, {"tag", "bytes"});
        SendBlockRecord block;
        block.tag = U32(obj, path, "tag");
        const QJsonArray lines = Array(obj.value(QLatin1String("bytes")), path + "/bytes");
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const std::vector<uint8_t> bytes = HexBytesValue(lines[i], path + "/bytes/" + std::to_string(i));
            block.bytes.insert(block.bytes.end(), bytes.begin(), bytes.end());
            if (block.bytes.size() > kMaxSendDataBytes)
                Fail(path + "/bytes/" + std::to_string(i), QString::fromUtf16(u"发送数据超过 65535 字节"));
        }
        if (block.bytes.empty())
            Fail(path + "/bytes", QString::fromUtf16(u"发送数据为空：没有数据时应写 null"));
        return block;
    }

    PageRect Rect(const QJsonObject& obj, const std::string& path, const char* key) const
    {
        const QJsonArray values = Array(obj.value(QLatin1String(key)), {path, key});
        if (values.size() != 4)
            Fail(ValuePath(path, key), QString::fromUtf16(u"矩形应为四个整数 [左, 上, 右, 下]"));
        int32_t v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = int32_t(Integer(values[i], {path, key, i}, INT32_MIN, INT32_MAX));
        return {v[0], v[1], v[2], v[3]};
    }

    void Header(const QJsonValue& v, FileHeader& h) const
    {
        const std::string path = "/header";
        const QJsonObject obj =
            Object(v, path, {"version", "width", "height", "colorDepth", "hardwareId", "remark"},
                   {"remarkField", "reserved"});
        if (U32(obj, path, "version") != FileHeader::kVersion)
            Fail(path + "/version", QString::fromUtf16(u"版本不正确：只支持 1"));
        h.width = uint16_t(Integer(obj.value(QLatin1String("width")), path + "/width", 0, 0xFFFF));
        h.height = uint16_t(Integer(obj.value(QLatin1String("height")), path + "/height", 0, 0xFFFF));
        h.colorDepth = U32(obj, path, "colorDepth");
        if (h.colorDepth != 16 && h.colorDepth != 24)
            Fail(path + "/colorDepth", QString::fromUtf16(u"不支持的屏幕色深：应为 16 或 24"));
        const QString id = QString::fromStdU16String(String(obj, path, "hardwareId"));
        bool ok = id.startsWith(QLatin1String("0x")) && id.size() > 2 && id.size() <= 10;
        h.hardwareId = ok ? id.mid(2).toUInt(&ok, 16) : 0;
        if (!ok)
            Fail(path + "/hardwareId", QString::fromUtf16(u"硬件标识应写成十六进制，例如 \"0x0000001A\""));
        const std::u16string remark = String(obj, path, "remark");
        if (remark.size() > 64 || remark.find(u'\0') != std::u16string::npos)
            Fail(path + "/remark", QString::fromUtf16(u"工程备注最多 64 个字符，且不含 \\u0000"));
        h.SetRemark(remark);
        if (obj.contains(QLatin1String("remarkField"))) {
            const std::vector<uint8_t> raw = HexBytesValue(obj.value(QLatin1String("remarkField")), path + "/remarkField");
            if (raw.size() != h.remarkRaw.size())
                Fail(path + "/remarkField", QString::fromUtf16(u"备注字段应为 130 个字节"));
            std::copy(raw.begin(), raw.end(), h.remarkRaw.begin());
            if (h.Remark() != remark)
                Fail(path + "/remarkField", QString::fromUtf16(u"备注字段与“remark”不一致"));
        }
        if (obj.contains(QLatin1String("reserved"))) {
            const std::vector<uint8_t> raw = HexBytesValue(obj.value(QLatin1String("reserved")), path + "/reserved");
            if (raw.size() != h.reserved.size())
                Fail(path + "/reserved", QString::fromUtf16(u"保留字段应为 34 个字节"));
            std::copy(raw.begin(), raw.end(), h.reserved.begin());
        }
    }

    void View(const QJsonValue& v, ViewSettings& view) const
    {
        const std::string path = "/view";
        const QJsonObject obj = Object(v, path, {"lastObjectId", "gridWidth", "gridHeight", "gridColor"}, {"reserved"});
        view.lastObjectId = U32(obj, path, "lastObjectId");
        view.gridWidth = U32(obj, path, "gridWidth");
        view.gridHeight = U32(obj, path, "gridHeight");
        view.gridColor = ColorValue(obj, path, "gridColor");
        if (obj.contains(QLatin1String("reserved")))
            view.reserved = U32(obj, path, "reserved");
    }

    ObjectRecord PageObject(const QJsonValue& v, const std::string& path) const
    {
        if (!v.isObject())
            Fail(path, QString::fromUtf16(u"应为对象（{…}）"));
        const QJsonValue kindValue = v.toObject().value(QLatin1String("kind"));
        if (kindValue.isUndefined())
            Fail(path, QString::fromUtf16(u"缺少字段“kind”"));
        const QString kindText = QString::fromStdU16String(String(kindValue, path + "/kind"));
        const std::optional<ObjectKind> kind = ObjectKindOfKey(kindText.toStdString());
        if (!kind)
            Fail(path + "/kind", QString::fromUtf16(u"未知的对象类型“%1”：应为 line、rect、roundRect、ellipse、"
                                                    u"text、image 或 custom")
                                     .arg(kindText));
        ObjectRecord rec;
        rec.kind = *kind;
        if (rec.kind == ObjectKind::Line) {
            const QJsonObject obj = Object(v, path, {"kind", "lineColor", "line"});
            rec.lineColor = ColorValue(obj, path, "lineColor");
            rec.rect = Rect(obj, path, "line");
            return rec;
        }
        std::vector<const char*> keys = {"kind", "id", "lineColor", "fillColor", "jumpTarget",
                                         "executeCondition", "rect", "sendData"};
        switch (rec.kind) {
        case ObjectKind::RoundRect: keys.push_back("radius"); break;
        case ObjectKind::Custom: keys.push_back("customId"); break;
        case ObjectKind::Text: keys.insert(keys.end(), {"font", "tabSize", "lineSpacing", "charSpacing", "text"}); break;
        case ObjectKind::Image: keys.insert(keys.end(), {"normalImage", "pressedImage"}); break;
        default: break;
        }
        const QJsonObject obj = ObjectWithKeys(v, path, keys);
        rec.objectId = U32(obj, path, "id");
        rec.lineColor = ColorValue(obj, path, "lineColor");
        rec.fillColor = ColorValue(obj, path, "fillColor");
        const QJsonValue jump = obj.value(QLatin1String("jumpTarget"));
        rec.jumpTarget = jump.isNull() ? kNoPage : U32(obj, path, "jumpTarget");
        rec.executeCondition = U32(obj, path, "executeCondition");
        rec.rect = Rect(obj, path, "rect");
        rec.sendData = Send(obj, path, "sendData");
        switch (rec.kind) {
        case ObjectKind::RoundRect: rec.radius = I32(obj, path, "radius"); break;
        case ObjectKind::Custom: rec.customId = U32(obj, path, "customId"); break;
        case ObjectKind::Text: {
            rec.fontId = U32(obj, path, "font");
            rec.tabSize = I32(obj, path, "tabSize");
            rec.lineSpacing = I32(obj, path, "lineSpacing");
            rec.charSpacing = I32(obj, path, "charSpacing");
            const QJsonValue text = obj.value(QLatin1String("text"));
            if (!text.isNull()) {
                const QJsonArray pieces = Array(text, path + "/text");
                std::u16string units;
                for (qsizetype i = 0; i < pieces.size(); ++i)
                    units += String(pieces[i], path + "/text/" + std::to_string(i));
                units.push_back(u'\0');
                rec.text = std::move(units);
            }
            break;
        }
        case ObjectKind::Image:
            rec.normalImage = String(obj, path, "normalImage");
            rec.pressedImage = String(obj, path, "pressedImage");
            break;
        default: break;
        }
        return rec;
    }

    PageRecord Page(const QJsonValue& v, const std::string& path) const
    {
        const QJsonObject obj = Object(
            v, path, {"id", "name", "backgroundColor", "backgroundImage", "loadSend", "unloadSend", "objects"});
        PageRecord page;
        page.pageId = U32(obj, path, "id");
        page.name = String(obj, path, "name");
        page.backgroundColor = ColorValue(obj, path, "backgroundColor");
        page.backgroundImage = String(obj, path, "backgroundImage");
        page.loadSend = Send(obj, path, "loadSend");
        page.unloadSend = Send(obj, path, "unloadSend");
        const QJsonArray objects = Array(obj.value(QLatin1String("objects")), path + "/objects");
        if (size_t(objects.size()) > kMaxObjectsPerPage)
            Fail(path + "/objects", QString::fromUtf16(u"一页最多 65534 个对象"));
        for (qsizetype i = 0; i < objects.size(); ++i)
            page.objects.push_back(PageObject(objects[i], path + "/objects/" + std::to_string(i)));
        return page;
    }

    void Project(const QJsonValue& root, ProjectRecord& out) const
    {
        const QJsonObject obj = Object(root, "", {"kdpj", "header", "view", "pages"});
        if (Integer(obj.value(QLatin1String("kdpj")), "/kdpj", 0, INT32_MAX) != kTextFormVersion)
            Fail("/kdpj", QString::fromUtf16(u"不支持的文本格式版本：只支持 1"));
        Header(obj.value(QLatin1String("header")), out.header);
        View(obj.value(QLatin1String("view")), out.view);
        const QJsonArray pages = Array(obj.value(QLatin1String("pages")), "/pages");
        if (size_t(pages.size()) > kMaxPages)
            Fail("/pages", QString::fromUtf16(u"最多 65534 个页面"));
        ReadPages(pages, out.pages);
    }

private:
    // Pages are independent, so a large project's pages are read on all
    // cores; the first page in the file that fails is the one reported.
    void ReadPages(const QJsonArray& pages, std::vector<PageRecord>& out) const
    {
        const qsizetype count = pages.size();
        out.resize(size_t(count));
        std::vector<std::exception_ptr> failures(out.size());
        std::atomic<qsizetype> next{0};
        auto readSome = [&] {
            for (qsizetype i = next++; i < count; i = next++) {
                try {
                    out[size_t(i)] = Page(pages[i], "/pages/" + std::to_string(i));
                } catch (...) {
                    failures[size_t(i)] = std::current_exception();
                }
            }
        };
        const int helpers = count < kPagesWorthThreads ? 0 : std::min(QThread::idealThreadCount(), kMaxReadThreads) - 1;
        QThreadPool pool;
        pool.setMaxThreadCount(std::max(1, helpers));
        for (int h = 0; h < helpers; ++h)
            pool.start(readSome);
        readSome();
        pool.waitForDone();
        for (const std::exception_ptr& failure : failures)
            if (failure)
                std::rethrow_exception(failure);
    }

    QJsonObject ObjectWithKeys(const QJsonValue& v, const std::string& path, const std::vector<const char*>& keys,
                               const std::vector<const char*>& optional = {}) const
    {
        if (!v.isObject())
            Fail(path, QString::fromUtf16(u"应为对象（{…}）"));
        const QJsonObject obj = v.toObject();
        // Keys are unique by now: when all present ones are listed, no key
        // is unknown, and the keys need not be read one by one.
        auto present = [&](const std::vector<const char*>& list) {
            return std::count_if(list.begin(), list.end(), [&](const char* k) { return obj.contains(QLatin1String(k)); });
        };
        const qsizetype requiredPresent = present(keys);
        if (requiredPresent + present(optional) != obj.size())
            FailAtUnknownKey(obj, path, keys, optional);
        if (requiredPresent != qsizetype(keys.size()))
            for (const char* key : keys)
                if (!obj.contains(QLatin1String(key)))
                    Fail(path, QString::fromUtf16(u"缺少字段%1").arg(Name(key)));
        return obj;
    }

    // Reports the unknown key that comes first in the text.
    [[noreturn]] void FailAtUnknownKey(const QJsonObject& obj, const std::string& path,
                                       const std::vector<const char*>& keys,
                                       const std::vector<const char*>& optional) const
    {
        std::optional<std::pair<size_t, QString>> unknown;
        for (auto it = obj.begin(); it != obj.end(); ++it) {
            const QString name = it.key();
            auto listed = [&](const std::vector<const char*>& list) {
                return std::any_of(list.begin(), list.end(), [&](const char* k) { return name == QLatin1String(k); });
            };
            if (listed(keys) || listed(optional))
                continue;
            const std::optional<Place> place = m_positions.Find(path + "/" + name.toStdString());
            const size_t at = place ? place->key : 0;
            if (!unknown || at < unknown->first)
                unknown = {{at, it.key()}};
        }
        throw Failure{unknown ? unknown->first : 0, QString::fromUtf16(u"未知字段“%1”").arg(unknown ? unknown->second : QString())};
    }

    const JsonPositions& m_positions;
};

} // namespace

std::vector<FieldText> HeaderFieldTexts(const FileHeader& h)
{
    std::vector<FieldText> f = {
        {"version", std::to_string(h.version)},
        {"width", std::to_string(h.width)},
        {"height", std::to_string(h.height)},
        {"colorDepth", std::to_string(h.colorDepth)},
        {"hardwareId", "\"0x" + Hex(h.hardwareId, 8) + "\""},
        {"remark", Quote(h.Remark())},
    };
    if (!IsCanonicalRemark(h))
        f.push_back({"remarkField", "\"" + HexBytes(h.remarkRaw) + "\""});
    if (std::any_of(h.reserved.begin(), h.reserved.end(), [](uint8_t b) { return b != 0; }))
        f.push_back({"reserved", "\"" + HexBytes(h.reserved) + "\""});
    return f;
}

std::vector<FieldText> ViewFieldTexts(const ViewSettings& view)
{
    std::vector<FieldText> f = {
        {"lastObjectId", std::to_string(view.lastObjectId)},
        {"gridWidth", std::to_string(view.gridWidth)},
        {"gridHeight", std::to_string(view.gridHeight)},
        {"gridColor", ColorText(view.gridColor)},
    };
    if (view.reserved != 0)
        f.push_back({"reserved", std::to_string(view.reserved)});
    return f;
}

std::vector<FieldText> PageFieldTexts(const PageRecord& page) { return PageFieldList(page, {0, true}); }

std::vector<FieldText> ObjectFieldTexts(const ObjectRecord& obj) { return ObjectFieldList(obj, {0, true}); }

bool IsProjectTextPath(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("kdpj"), Qt::CaseInsensitive) == 0;
}

bool IsProjectText(std::span<const uint8_t> bytes)
{
    size_t i = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return i < bytes.size() && bytes[i] == '{';
}

QString TextFormError::Text() const
{
    return QString::fromUtf16(u"第 %1 行，第 %2 列：%3").arg(line).arg(column).arg(message);
}

std::optional<QString> WriteProjectText(const ProjectRecord& project, QByteArray& out)
{
    for (size_t p = 0; p < project.pages.size(); ++p)
        for (size_t o = 0; o < project.pages[p].objects.size(); ++o) {
            const ObjectRecord& obj = project.pages[p].objects[o];
            if (obj.text && (obj.text->empty() || obj.text->back() != u'\0'))
                return QString::fromUtf16(u"第 %1 页第 %2 个对象的文本没有结束符，无法写成文本形式")
                    .arg(p + 1)
                    .arg(o + 1);
        }
    std::vector<std::string> pages;
    for (const PageRecord& page : project.pages)
        pages.push_back(PageText(page, 6));
    const std::vector<FieldText> root = {
        {"kdpj", std::to_string(kTextFormVersion)},
        {"header", BlockText(HeaderFieldTexts(project.header), 4)},
        {"view", BlockText(ViewFieldTexts(project.view), 4)},
        {"pages", ListText(pages, 2)},
    };
    const std::string text = BlockText(root, 2) + "\n";
    out = QByteArray(text.data(), qsizetype(text.size()));
    return std::nullopt;
}

// Qt's JSON parser cannot report running out of memory (the program ends),
// so the memory a text of this size needs at most is asked for first:
// its document, the positions and the record take a few times the text.
constexpr size_t kReadBytesPerTextByte = 8;

bool CanReserve(size_t bytes)
{
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED)
        return false;
    munmap(block, bytes);
    return true;
}

std::optional<TextFormError> ReadProjectText(const QByteArray& text, ProjectRecord& out)
{
    out = ProjectRecord();
    if (size_t(text.size()) > kMaxToolFileBytes || !CanReserve(size_t(text.size()) * kReadBytesPerTextByte + 1))
        return TextFormError{1, 1, QString::fromUtf16(u"内存不足，无法读取这么大的文本形式")};
    const std::string_view all(text.constData(), size_t(text.size()));
    const size_t bom = all.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    const QByteArray json = bom ? text.mid(qsizetype(bom)) : text; // shared, not copied, without a mark
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Qt's offset lies just past the character it could not take; point at that character.
        size_t at = bom + size_t(std::max(0, parseError.offset));
        if (at > bom && at <= all.size() && std::string_view(" \t\r\n").find(all[at - 1]) == std::string_view::npos)
            --at;
        return ErrorAt(all, at, QString::fromUtf16(u"JSON 语法错误：") + parseError.errorString());
    }
    const std::string_view body = all.substr(bom);
    if (std::optional<Failure> f = FindNonJsonString(body))
        return ErrorAt(all, bom + f->offset, f->message);
    const JsonPositions positions(body);
    if (positions.repeatedKey)
        return ErrorAt(all, bom + positions.repeatedKey->first,
                       QString::fromUtf16(u"重复的字段“%1”").arg(QString::fromStdString(positions.repeatedKey->second)));
    const QJsonValue root = doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
    try {
        TextReader(positions).Project(root, out);
    } catch (const Failure& f) {
        out = ProjectRecord();
        return ErrorAt(all, bom + f.offset, f.message);
    }
    return std::nullopt;
}

std::optional<TextFormError> ProjectFileOfText(const QByteArray& text, std::vector<uint8_t>& file)
{
    ProjectRecord record;
    if (std::optional<TextFormError> error = ReadProjectText(text, record))
        return error;
    file = WriteProjectRecord(record);
    return std::nullopt;
}

std::optional<QString> ReadProjectAnyForm(std::span<const uint8_t> bytes, ProjectRecord& out)
{
    if (IsProjectText(bytes)) {
        const QByteArray text(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        if (std::optional<TextFormError> error = ReadProjectText(text, out))
            return error->Text();
        return std::nullopt;
    }
    if (std::optional<ProjectError> error = ReadProjectRecord(bytes, out))
        return error->Text();
    return std::nullopt;
}

} // namespace kdx
