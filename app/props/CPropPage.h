#pragma once
#include "app/props/CPropBase.h"

#include <functional>

namespace kdx {

class CDrawObj;

// A property page attached to one object at a time. Besides its own
// fields it offers the rows most object pages share: the size,
// the top-left point, the inclusive bottom-right corner and the colour link.
class CPropPage : public CPropBase {
    Q_OBJECT
public:
    using CPropBase::CPropBase;

    CDrawObj* Object() const { return m_object; }
    // Binds the object and shows its values; nullptr detaches, after which
    // commits do nothing.
    void Attach(CDrawObj* object);
    void Detach() { m_object = nullptr; }
    bool IsAttached() const override { return m_object != nullptr; }
    void Load() override;

protected:
    // The page's own fields; called only while attached.
    virtual void LoadFields() = 0;

    void AddSizeRow(PropId id);
    void AddTopLeftRow(PropId id);
    void AddBottomRightRow(PropId id);
    void AddColorRow(PropId id);

    // Parses a point field and hands it to 'apply'; an unreadable point, or
    // one that 'apply' refuses, restores the fields and shows "坐标错误".
    void CommitPoint(CPropCtrlEdit* edit, bool corner, const std::function<bool(int32_t, int32_t)>& apply);
    // The same for a count field with "数值错误".
    void CommitCount(CPropCtrlEdit* edit, const std::function<void(int32_t)>& apply);
    // The same with values above 'maximum' refused.
    void CommitCount(CPropCtrlEdit* edit, int32_t maximum, const std::function<void(int32_t)>& apply);

private:
    void ChooseColor();

    CDrawObj* m_object = nullptr;
    CPropCtrlEdit* m_size = nullptr;
    CPropCtrlEdit* m_topLeft = nullptr;
    CPropCtrlEdit* m_bottomRight = nullptr;
    CPropCtrlLink* m_color = nullptr;
};

} // namespace kdx
