#pragma once
#include "common/FrameCache.h"

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <string>
#include <vector>

namespace kdx {

// An ordered list of distinct entries shared by the objects that refer to
// them. Ids are 1-based and given as "entries present + 1" when an entry is
// created; registration stops before anything is released, so ids stay unique.
template <class Entry>
class Pool {
public:
    // Returns the id of an entry equal to 'probe' (counting one more
    // reference) or 0 when there is none.
    template <class Equal>
    uint32_t Share(Equal equal)
    {
        for (auto& entry : m_entries)
            if (equal(*entry)) {
                ++entry->refs;
                return entry->id;
            }
        return 0;
    }

    uint32_t Add(std::unique_ptr<Entry> entry)
    {
        entry->id = uint32_t(m_entries.size() + 1);
        entry->refs = 1;
        m_byId[entry->id] = entry.get();
        m_entries.push_back(std::move(entry));
        return m_entries.back()->id;
    }

    Entry* Find(uint32_t id) const
    {
        auto found = m_byId.find(id);
        return found == m_byId.end() ? nullptr : found->second;
    }

    // Drops one reference; an entry nobody refers to any more is removed.
    void Release(uint32_t id)
    {
        Entry* entry = Find(id);
        if (!entry || --entry->refs > 0)
            return;
        m_byId.erase(id);
        std::erase_if(m_entries, [entry](const auto& e) { return e.get() == entry; });
    }

    const std::vector<std::unique_ptr<Entry>>& Entries() const { return m_entries; }
    size_t Count() const { return m_entries.size(); }

private:
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::map<uint32_t, Entry*> m_byId;
};

struct PoolEntryBase {
    uint32_t id = 0;
    uint32_t offset = 0; // offset of its block in the memory image, once written
    uint32_t refs = 0;
};

struct SendDataPoolEntry : PoolEntryBase {
    uint32_t tag = 0;
    std::vector<uint8_t> bytes; // at most 65535
};

struct TextPoolEntry : PoolEntryBase {
    std::u16string text; // prepared text with one more terminating zero
    uint32_t fontId = 0;
    uint32_t lineSpacing = 0;
    uint32_t charSpacing = 0;
};

struct PicturePoolEntry : PoolEntryBase {
    std::u16string normalPath; // as stored in the project
    std::u16string pressedPath;
    int width = 0;
    int height = 0;
    uint8_t depth = 0;
    static constexpr uint64_t kNoFrame = ~uint64_t(0);
    // Where one frame waits until the file is written: a slot of the
    // FrameStore, or an entry of the frame cache that passed its checks.
    struct Frame {
        uint64_t storeAt = kNoFrame;
        std::shared_ptr<const CachedBytes> cached;
        uint32_t crc = 0; // CRC-32 of the frame, for the file's seal
    };
    Frame normalFrame;
    Frame pressedFrame;
    Frame& FrameOf(bool pressed) { return pressed ? pressedFrame : normalFrame; }
    const Frame& FrameOf(bool pressed) const { return pressed ? pressedFrame : normalFrame; }
    size_t frameSize = 0;
    uint64_t BlockSize() const { return 7 + uint64_t(FrameCount()) * (4 + frameSize); }
    int FrameCount() const { return int(!normalPath.empty()) + int(!pressedPath.empty()); }
};

// One frame of a picture: the picture and whether it is the pressed one.
using FrameOfPicture = std::pair<const PicturePoolEntry*, bool>;

using SendDataPool = Pool<SendDataPoolEntry>;
using TextPool = Pool<TextPoolEntry>;
using PicturePool = Pool<PicturePoolEntry>;

} // namespace kdx
