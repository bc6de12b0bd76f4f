#pragma once
#include "app/props/CPropBase.h"

namespace kdx {

class CPage;

// The properties of a page: name, id, the bytes sent when it is loaded and
// left, and its background image or colour.
class CPropPageGlobal : public CPropBase {
    Q_OBJECT
public:
    static constexpr int kDialogId = 122;
    static constexpr int kMaxNameLength = 63;
    explicit CPropPageGlobal(CPropList* list);

    CPage* Page() const { return m_page; }
    // Binds the page (nullptr detaches) and shows its values.
    void Attach(CPage* page);
    bool IsAttached() const override { return m_page != nullptr; }
    void Load() override;

private:
    void CommitName();
    void CommitPageId();
    void OnSendLink(const QString& id, bool load);
    void OnImageLink(const QString& id);
    void OnColorLink(const QString& id);

    CPage* m_page = nullptr;
    CPropCtrlEdit* m_name = nullptr;
    CPropCtrlEdit* m_pageId = nullptr;
    CPropCtrlLink* m_loadSend = nullptr;
    CPropCtrlLink* m_unloadSend = nullptr;
    CPropCtrlLink* m_image = nullptr;
    CPropCtrlLink* m_color = nullptr;
};

} // namespace kdx
