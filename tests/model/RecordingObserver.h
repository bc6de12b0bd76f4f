#pragma once
#include "model/PageDoc.h"

#include <utility>
#include <vector>

namespace kdx::test {

// Records what a document reports, in order.
struct RecordingObserver : IDocObserver {
    std::vector<bool> modified;
    std::vector<std::pair<UpdateHint, CDrawObj*>> updates;
    std::vector<std::pair<CDrawObj*, uint32_t>> changes;
    std::vector<std::pair<CPage*, CPage*>> currentPages;
    std::vector<QString> unreadablePictures;
    int pagesChanged = 0;

    void OnModifiedChanged(bool m) override { modified.push_back(m); }
    void OnUpdate(UpdateHint hint, CDrawObj* obj) override { updates.emplace_back(hint, obj); }
    void OnObjectChanged(CDrawObj* obj, uint32_t flags) override { changes.emplace_back(obj, flags); }
    void OnCurrentPageChanged(CPage* o, CPage* n) override { currentPages.emplace_back(o, n); }
    void OnPagesChanged() override { ++pagesChanged; }
    void OnPictureUnreadable(const QString& path) override { unreadablePictures.push_back(path); }
    void Clear() { *this = RecordingObserver(); }
};

// A document with one current page, observed from the start.
struct DocWithPage {
    CPageDoc doc;
    RecordingObserver seen;
    CPage* page;
    DocWithPage()
    {
        page = doc.AddPage();
        doc.SetCurrentPage(page);
        doc.SetModifiedFlag(false);
        doc.AddObserver(&seen);
    }
    template <typename T>
    T* Add(PageRect rect = {10, 10, 50, 40})
    {
        return static_cast<T*>(doc.AddObject(std::make_unique<T>(rect)));
    }
};

} // namespace kdx::test
