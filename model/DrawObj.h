#pragma once
#include "model/ModelTypes.h"
#include "model/ObjectKind.h"

#include <QColor>
#include <QFont>

class QPainter;

#include <memory>
#include <string_view>

namespace kdx {

class CPage;
class CPageDoc;
struct ObjectRecord;

// Colours and font of the editor's drawing that come from its palette; the
// defaults are the usual system colours.
struct DrawStyle {
    QColor grayText = QColor(109, 109, 109);
    QColor buttonShadow = QColor(160, 160, 160);
    QFont placeholderFont; // the default GUI font
    bool editorMarks = true; // signs the terminal does not show (cut text)
};

// Change flags passed to OnChanged, one bit per field.
enum ChangeFlag : uint32_t {
    kChangedObjectId = 0x1,
    kChangedPosition = 0x2,
    kChangedSize = 0x4,
    kChangedLineColor = 0x8,
    kChangedFillColor = 0x10,
    kChangedJumpTarget = 0x20,
    kChangedExecuteCondition = 0x40,
    kChangedSendData = 0x80,
    kChangedKindField1 = 0x2000, // radius, text, normal image or custom id
    kChangedKindField2 = 0x4000, // font id or pressed image
    kChangedTabSize = 0x8000,
    kChangedLineSpacing = 0x10000,
    kChangedCharSpacing = 0x20000,
};

// A page object. The list order of a page is the drawing order. Setters do
// nothing when the value is unchanged; otherwise they store it, repaint the
// object where that is visible, mark the document modified and report the
// field's change flag.
class CDrawObj {
public:
    CDrawObj();
    explicit CDrawObj(const PageRect& rect);
    virtual ~CDrawObj();
    CDrawObj(const CDrawObj&) = delete;
    CDrawObj& operator=(const CDrawObj&) = delete;

    virtual ObjectKind Kind() const = 0;
    // The run-time class name stored in the project file.
    const char* ClassName() const { return ObjectClassName(Kind()); }

    // The stored values, as the project file holds them.
    virtual void ToRecord(ObjectRecord& out) const;
    // Takes stored values as they were read; the object must already belong
    // to a page so that references go into the page's document.
    virtual void FromRecord(const ObjectRecord& in);

    CPage* Page() const { return m_page; }
    CPageDoc* Document() const;
    void AttachToPage(CPage* page) { m_page = page; }

    bool IsLinkable() const { return m_linkable; }
    Color LineColor() const { return m_lineColor; }
    Color FillColor() const { return m_fillColor; }
    uint32_t ObjectId() const { return m_objectId; }
    uint32_t JumpTarget() const { return m_jumpTarget; }
    uint32_t ExecuteCondition() const { return m_executeCondition; }
    const SendDataEntry* SendData() const { return m_sendData; }
    const PageRect& Bounds() const { return m_bounds; }
    const PageRect& RawRect() const { return m_rawRect; }

    void SetObjectId(uint32_t id);
    void SetJumpTarget(uint32_t pageId);
    void SetExecuteCondition(uint32_t value);
    // A null pointer or length <= 0 means no data.
    void SetSendData(const uint8_t* bytes, int length, uint32_t tag = 0);

    // Also make the colour the document's current one, changed or not.
    virtual void SetLineColor(Color color);
    virtual void SetFillColor(Color color);

    virtual void SetRect(const PageRect& rect);
    virtual void SetSize(int32_t width, int32_t height);
    virtual void MoveTo(int32_t x, int32_t y);

    // Hit test against a rectangle (a 1 x 1 rectangle for a point).
    virtual bool Intersects(const PageRect& rect) const;

    // Selection handles: 8 around a rectangle, 2 at a line's ends.
    virtual int GetHandleCount() const { return 8; }
    PageRect GetHandleRect(int handle) const { return HandleRectAround(m_rawRect, handle); }
    // The handle squares this kind of object puts around `rect`; a scaled
    // view passes the rectangle as shown to get squares of screen size.
    virtual PageRect HandleRectAround(const PageRect& rect, int handle) const;
    int HitTestHandle(int32_t x, int32_t y) const;
    virtual bool MoveHandleTo(int handle, int32_t x, int32_t y);

    // Reports a change to the document's observers.
    virtual void OnChanged(uint32_t flags);

    // Draws the object in page pixels as the editor shows it.
    virtual void Draw(QPainter& painter, const DrawStyle& style) const = 0;
    // Inverts every handle square (the selection marks).
    void DrawHandles(QPainter& painter) const;

protected:
    void Changed(uint32_t flags, bool repaint);
    void Repaint();
    void MarkModified();

    CPage* m_page = nullptr;
    bool m_linkable = true;
    Color m_lineColor = kNoColor;
    Color m_fillColor = kNoColor;
    uint32_t m_objectId = 0;
    uint32_t m_jumpTarget = kNoPage;
    uint32_t m_executeCondition = 0;
    SendDataEntry* m_sendData = nullptr;
    PageRect m_bounds;
    PageRect m_rawRect;
};

class CDrawLine : public CDrawObj {
public:
    CDrawLine();
    explicit CDrawLine(const PageRect& rect);
    ObjectKind Kind() const override { return ObjectKind::Line; }
    void ToRecord(ObjectRecord& out) const override;
    void FromRecord(const ObjectRecord& in) override;
    void SetSize(int32_t, int32_t) override {}
    void MoveTo(int32_t x, int32_t y) override;
    bool Intersects(const PageRect& rect) const override;
    int GetHandleCount() const override { return 2; }
    PageRect HandleRectAround(const PageRect& rect, int handle) const override;
    bool MoveHandleTo(int handle, int32_t x, int32_t y) override;
    void Draw(QPainter& painter, const DrawStyle& style) const override;
};

class CDrawRect : public CDrawObj {
public:
    using CDrawObj::CDrawObj;
    ObjectKind Kind() const override { return ObjectKind::Rect; }
    void Draw(QPainter& painter, const DrawStyle& style) const override;
};

class CDrawEllipse : public CDrawObj {
public:
    using CDrawObj::CDrawObj;
    ObjectKind Kind() const override { return ObjectKind::Ellipse; }
    void Draw(QPainter& painter, const DrawStyle& style) const override;
};

class CDrawRoundRect : public CDrawObj {
public:
    using CDrawObj::CDrawObj;
    ObjectKind Kind() const override { return ObjectKind::RoundRect; }
    void Draw(QPainter& painter, const DrawStyle& style) const override;
    void ToRecord(ObjectRecord& out) const override;
    void FromRecord(const ObjectRecord& in) override;

    int32_t Radius() const { return m_radius; }
    void SetRadius(int32_t radius);

private:
    int32_t m_radius = 5;
};

class CDrawText : public CDrawObj {
public:
    using CDrawObj::CDrawObj;
    ~CDrawText() override;
    ObjectKind Kind() const override { return ObjectKind::Text; }
    void Draw(QPainter& painter, const DrawStyle& style) const override;
    void ToRecord(ObjectRecord& out) const override;
    void FromRecord(const ObjectRecord& in) override;

    uint32_t FontId() const { return m_fontId; }
    int32_t TabSize() const { return m_tabSize; }
    int32_t LineSpacing() const { return m_lineSpacing; }
    int32_t CharSpacing() const { return m_charSpacing; }
    const TextEntry* TextRef() const { return m_text; }
    // The text without its terminating zero; empty when there is none.
    std::u16string Text() const;
    // The text as the compiler prepares it for the terminal: tabs expanded,
    // only the lines that fit the height. 'cut' tells that lines were dropped.
    struct Shown {
        std::u16string text;
        bool cut = false;
    };
    Shown ShownText() const;
    // Where the editor marks a text whose lines were cut; empty when none were.
    PageRect CutSignRect() const;

    // An empty text means none. Texts of more than 1023 characters are refused
    // by the document's text table and leave no text.
    void SetText(std::u16string_view text);
    void SetFontId(uint32_t id);
    void SetTabSize(int32_t n);
    void SetLineSpacing(int32_t n);
    void SetCharSpacing(int32_t n);

    // The stored wrap points (lone LFs) follow the width, the font and the
    // character spacing: a change of one wraps the text anew as the
    // terminal measures it, before the change is reported.
    void OnChanged(uint32_t flags) override;

private:
    void Rewrap();

    uint32_t m_fontId = 1;
    int32_t m_tabSize = 8;
    int32_t m_lineSpacing = 0;
    int32_t m_charSpacing = 0;
    TextEntry* m_text = nullptr;
};

class CDrawImage : public CDrawObj {
public:
    using CDrawObj::CDrawObj;
    ~CDrawImage() override;
    ObjectKind Kind() const override { return ObjectKind::Image; }
    void Draw(QPainter& painter, const DrawStyle& style) const override;
    void ToRecord(ObjectRecord& out) const override;
    void FromRecord(const ObjectRecord& in) override;

    const ImageEntry* NormalImage() const { return m_normalImage; }
    const ImageEntry* PressedImage() const { return m_pressedImage; }
    // An empty path means none. A file that cannot be loaded leaves none.
    void SetNormalImage(const QString& path);
    void SetPressedImage(const QString& path);
    void ClearPressedImage() { SetPressedImage(QString()); }
    // Asks the user for the normal image, starting from the one held; a
    // chosen file becomes the normal image.
    void ChooseNormalImage();

private:
    void SetImage(ImageEntry*& slot, const QString& path, uint32_t flag);

    ImageEntry* m_normalImage = nullptr;
    ImageEntry* m_pressedImage = nullptr;
};

class CDrawCustom : public CDrawObj {
public:
    using CDrawObj::CDrawObj;
    ObjectKind Kind() const override { return ObjectKind::Custom; }
    void Draw(QPainter& painter, const DrawStyle& style) const override;
    void ToRecord(ObjectRecord& out) const override;
    void FromRecord(const ObjectRecord& in) override;

    uint32_t CustomId() const { return m_customId; }
    // False when the id is above 65534 or another custom object of the page has it.
    bool SetCustomId(uint32_t id);
    // True when no custom object of the page (this one included) has the id.
    bool IsCustomIdFree(uint32_t id) const;
    // The smallest id not used by another custom object of the page (65534
    // when all below are taken); -1 when the object has no page.
    int FindFreeCustomId() const;

private:
    uint32_t m_customId = 0;
};

std::unique_ptr<CDrawObj> CreateDrawObj(ObjectKind kind);
// Creates an object by its stored class name; nullptr for an unknown name.
std::unique_ptr<CDrawObj> CreateDrawObj(std::string_view className);

} // namespace kdx
