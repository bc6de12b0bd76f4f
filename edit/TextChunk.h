#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace kdx {

// A large block of UTF-16 storage shared by the runs of many lines. Runs are
// cut from the end of the block; released runs are only counted, and the
// block is compacted once a tenth of it is dead.
struct TextChunk {
    int freedUnits = 0;
    int compactThreshold = 0;
    int freeUnits = 0;
    int capacity = 0;
    char16_t* nextFree = nullptr;
    TextChunk* next = nullptr;
    TextChunk* prev = nullptr;
    bool compactPending = false;

    char16_t* storage();
    int liveUnits() const { return capacity - freeUnits - freedUnits; }
    bool owns(const char16_t* p) const;
};

// The list of text chunks, newest first.
class TextChunkPool {
public:
    // Units of the block header: the header lives in front of the storage.
    static constexpr int kHeaderUnits = 28;

    // Called when a block is being compacted: the owner moves every run that
    // lies in `from` into `to` (with AllocateIn) and releases nothing itself.
    using Relocator = std::function<void(TextChunk* from, TextChunk* to)>;

    TextChunkPool() = default;
    TextChunkPool(const TextChunkPool&) = delete;
    TextChunkPool& operator=(const TextChunkPool&) = delete;
    ~TextChunkPool();

    void SetRelocator(Relocator relocator) { relocator_ = std::move(relocator); }

    // Total units of a new block for a request of n units, header included.
    static int BlockUnitsFor(int n);

    char16_t* Allocate(int n, TextChunk*& block);
    // Cuts n units from the end of a given block that has room for them.
    static char16_t* AllocateIn(TextChunk* block, int n);
    // Resizes a run of oldLength units to newLength units, keeping its text
    // up to the smaller length; text and block are updated. The old run may
    // be released, so callers must not hold other pointers into it.
    void Resize(char16_t*& text, TextChunk*& block, int oldLength, int newLength);
    // Releases a run; a block left without live runs is freed at once.
    void Release(char16_t* text, TextChunk* block, int n);
    // Compacts every block whose dead units reached its threshold. Called by
    // the owner once its rows are consistent again after an edit.
    void CompactPending();
    void Clear();

    int BlockCount() const;
    TextChunk* Head() const { return head_; }

private:
    TextChunk* NewBlock(int n);
    void Unlink(TextChunk* block);
    void Compact(TextChunk* block);

    TextChunk* head_ = nullptr;
    Relocator relocator_;
    std::vector<TextChunk*> pending_;  // blocks whose dead units reached the threshold
};

} // namespace kdx
