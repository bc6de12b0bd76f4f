#include "edit/TextChunk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace kdx {

static_assert(sizeof(TextChunk) <= TextChunkPool::kHeaderUnits * sizeof(char16_t),
              "the chunk header must fit in front of the storage");

char16_t* TextChunk::storage()
{
    return reinterpret_cast<char16_t*>(this) + TextChunkPool::kHeaderUnits;
}

bool TextChunk::owns(const char16_t* p) const
{
    auto* self = const_cast<TextChunk*>(this);
    return p >= self->storage() && p < self->storage() + capacity;
}

TextChunkPool::~TextChunkPool()
{
    Clear();
}

int TextChunkPool::BlockUnitsFor(int n)
{
    const int rounded = static_cast<int>((static_cast<uint32_t>(n) + 65547u) & 0xFFFF0010u);
    return std::max(rounded, n + kHeaderUnits);
}

TextChunk* TextChunkPool::NewBlock(int n)
{
    const int total = BlockUnitsFor(n);
    void* memory = std::malloc(static_cast<size_t>(total) * sizeof(char16_t));
    if (!memory)
        throw std::bad_alloc();
    auto* block = new (memory) TextChunk;
    block->capacity = total - kHeaderUnits;
    block->compactThreshold = block->capacity / 10;
    block->freeUnits = block->capacity;
    block->nextFree = block->storage();
    block->next = head_;
    if (head_)
        head_->prev = block;
    head_ = block;
    return block;
}

char16_t* TextChunkPool::AllocateIn(TextChunk* block, int n)
{
    char16_t* run = block->nextFree;
    block->nextFree += n;
    block->freeUnits -= n;
    return run;
}

char16_t* TextChunkPool::Allocate(int n, TextChunk*& block)
{
    for (TextChunk* b = head_; b; b = b->next) {
        if (b->freeUnits >= n) {
            block = b;
            return AllocateIn(b, n);
        }
    }
    block = NewBlock(n);
    return AllocateIn(block, n);
}

void TextChunkPool::Resize(char16_t*& text, TextChunk*& block, int oldLength, int newLength)
{
    if (newLength == oldLength)
        return;
    if (!text || oldLength == 0) {
        text = newLength > 0 ? Allocate(newLength, block) : nullptr;
        if (newLength == 0)
            block = nullptr;
        return;
    }
    if (newLength == 0) {
        Release(text, block, oldLength);
        text = nullptr;
        block = nullptr;
        return;
    }
    const int grow = newLength - oldLength;
    if (text + oldLength == block->nextFree && block->freeUnits >= grow) {
        block->nextFree += grow;
        block->freeUnits -= grow;
        return;
    }
    if (grow < 0) {
        Release(text + newLength, block, -grow);
        return;
    }
    TextChunk* oldBlock = block;
    char16_t* oldText = text;
    TextChunk* newBlock = nullptr;
    char16_t* run = Allocate(newLength, newBlock);
    std::memcpy(run, oldText, static_cast<size_t>(oldLength) * sizeof(char16_t));
    text = run;
    block = newBlock;
    Release(oldText, oldBlock, oldLength);
}

void TextChunkPool::Release(char16_t* text, TextChunk* block, int n)
{
    if (!block || n <= 0)
        return;
    // A run at the end of its block goes back to the free space directly.
    if (text + n == block->nextFree) {
        block->nextFree -= n;
        block->freeUnits += n;
    } else {
        block->freedUnits += n;
    }
    if (block->liveUnits() <= 0) {
        Unlink(block);
        return;
    }
    if (!block->compactPending && block->freedUnits > 0 && block->freedUnits >= block->compactThreshold) {
        block->compactPending = true;
        pending_.push_back(block);
    }
}

void TextChunkPool::CompactPending()
{
    if (!relocator_)
        return;
    while (!pending_.empty()) {
        TextChunk* block = pending_.back();
        pending_.pop_back();
        block->compactPending = false;
        Compact(block);
    }
}

void TextChunkPool::Compact(TextChunk* block)
{
    TextChunk* fresh = NewBlock(block->liveUnits());
    relocator_(block, fresh);
    Unlink(block);
}

void TextChunkPool::Unlink(TextChunk* block)
{
    if (block->compactPending)
        pending_.erase(std::find(pending_.begin(), pending_.end(), block));
    if (block->prev)
        block->prev->next = block->next;
    else
        head_ = block->next;
    if (block->next)
        block->next->prev = block->prev;
    block->~TextChunk();
    std::free(block);
}

void TextChunkPool::Clear()
{
    while (head_)
        Unlink(head_);
}

int TextChunkPool::BlockCount() const
{
    int count = 0;
    for (TextChunk* b = head_; b; b = b->next)
        ++count;
    return count;
}

} // namespace kdx
