#pragma once
#include "model/ModelTypes.h"
#include "model/ObjectKind.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kdx {

class CompileDocument;
struct CompilePage;
struct ObjectRecord;

// The compiler's slim forms of the seven page-object classes: they only take
// their stored values, check whether the terminal can show them and append
// their drawing records. They share the stored form (the object record), the
// kinds and constants with the editor's model, nothing else.
namespace compiler {

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int64_t Width() const { return int64_t(right) - left; }
    int64_t Height() const { return int64_t(bottom) - top; }
};

// "No jump" as the memory image holds it.
inline constexpr uint32_t kNoJump = image_layout::kNoPage;

class CDrawObj {
public:
    virtual ~CDrawObj() = default;
    // Takes the object's stored values; pools are filled on the way.
    virtual void Load(const ObjectRecord& record, CompileDocument& doc) = 0;
    // Refuses coordinates the terminal's 16-bit record fields cannot hold
    // (only a hand-edited or foreign file has them).
    virtual void CheckRange(CompileDocument& doc, const CompilePage& page) const;
    // Whether the terminal keeps the object; prints the warnings of dropping.
    virtual bool Check(CompileDocument& doc, const CompilePage& page);
    // Appends the object's colour and drawing records to its page.
    virtual void Compile(CompileDocument& doc, CompilePage& page) = 0;
    // Gives back the object's pool references (when it is dropped).
    virtual void Release(CompileDocument& doc);

    uint32_t objectId = 0;
    uint32_t lineColor = kNoColor;
    uint32_t fillColor = kNoColor;
    uint32_t jumpTarget = kNoJump;
    uint32_t executeCondition = 0;
    uint32_t sendData = 0; // send-data pool id
    Rect bounds;           // for a line: x1, y1, x2, y2 as stored

protected:
    void LoadCommon(const ObjectRecord& record, CompileDocument& doc);
    bool IsVisible(CompileDocument& doc, const CompilePage& page);
    void AddRecord(CompileDocument& doc, CompilePage& page, uint16_t drawType, uint32_t value);
    // The colour of an outline-or-filled shape and its draw type.
    uint16_t ShapeType(uint16_t outlineType, uint32_t* color) const;
};

class CDrawLine : public CDrawObj {
public:
    void Load(const ObjectRecord& record, CompileDocument& doc) override;
    void CheckRange(CompileDocument& doc, const CompilePage& page) const override;
    bool Check(CompileDocument&, const CompilePage&) override { return true; }
    void Compile(CompileDocument& doc, CompilePage& page) override;
};

class CDrawRect : public CDrawObj {
public:
    void Load(const ObjectRecord& record, CompileDocument& doc) override { LoadCommon(record, doc); }
    void Compile(CompileDocument& doc, CompilePage& page) override;
};

class CDrawRoundRect : public CDrawObj {
public:
    void Load(const ObjectRecord& record, CompileDocument& doc) override;
    void Compile(CompileDocument& doc, CompilePage& page) override;
    uint32_t radius = 5;
};

class CDrawEllipse : public CDrawObj {
public:
    void Load(const ObjectRecord& record, CompileDocument& doc) override { LoadCommon(record, doc); }
    void Compile(CompileDocument& doc, CompilePage& page) override;
};

class CDrawText : public CDrawObj {
public:
    void Load(const ObjectRecord& record, CompileDocument& doc) override;
    bool Check(CompileDocument& doc, const CompilePage& page) override;
    void Compile(CompileDocument& doc, CompilePage& page) override;
    void Release(CompileDocument& doc) override;
    uint32_t fontId = 1, tabSize = 8, lineSpacing = 0, charSpacing = 0;
    uint32_t textId = 0;
};

class CDrawImage : public CDrawObj {
public:
    void Load(const ObjectRecord& record, CompileDocument& doc) override;
    bool Check(CompileDocument& doc, const CompilePage& page) override;
    void Compile(CompileDocument& doc, CompilePage& page) override;
    void Release(CompileDocument& doc) override;
    uint32_t pictureId = 0;
};

class CDrawCustom : public CDrawObj {
public:
    void Load(const ObjectRecord& record, CompileDocument& doc) override;
    void Compile(CompileDocument& doc, CompilePage& page) override;
    uint32_t customId = 0;
};

std::unique_ptr<CDrawObj> CreateObject(ObjectKind kind);

} // namespace compiler
} // namespace kdx
