#include "edit/RowTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace kdx {

static_assert(std::is_trivially_copyable_v<RowEntry>, "rows are moved with memmove");

RowTable::RowTable()
{
    Insert(0, 1);
}

RowTable::~RowTable()
{
    std::free(rows_);
}

void RowTable::Reallocate(int capacity)
{
    // The gap stays where it is: the rows after it move to the new end.
    const int tail = count_ - gapStart_;
    const size_t tailBytes = static_cast<size_t>(tail) * sizeof(RowEntry);
    if (capacity < count_ + spare_ && tail > 0)
        std::memmove(rows_ + capacity - tail, rows_ + gapStart_ + spare_, tailBytes);
    void* memory = std::realloc(rows_, static_cast<size_t>(capacity) * sizeof(RowEntry));
    if (!memory)
        throw std::bad_alloc();
    rows_ = static_cast<RowEntry*>(memory);
    if (capacity > count_ + spare_ && tail > 0)
        std::memmove(rows_ + capacity - tail, rows_ + gapStart_ + spare_, tailBytes);
    spare_ = capacity - count_;
}

void RowTable::MoveGap(int at)
{
    if (at < gapStart_)
        std::memmove(rows_ + at + spare_, rows_ + at, static_cast<size_t>(gapStart_ - at) * sizeof(RowEntry));
    else if (at > gapStart_)
        std::memmove(rows_ + gapStart_, rows_ + gapStart_ + spare_,
                     static_cast<size_t>(at - gapStart_) * sizeof(RowEntry));
    gapStart_ = at;
}

void RowTable::Insert(int at, int n)
{
    if (n <= 0)
        return;
    if (spare_ < n)
        Reallocate(count_ + n + (bulk_ ? std::max(kGrowStep, count_ / 2) : kGrowStep));
    MoveGap(at);
    for (int i = 0; i < n; ++i)
        rows_[at + i] = RowEntry{};
    gapStart_ += n;
    count_ += n;
    spare_ -= n;
}

void RowTable::Remove(int at, int n)
{
    if (n <= 0)
        return;
    MoveGap(at + n);
    gapStart_ = at;
    count_ -= n;
    spare_ += n;
    if (spare_ > kMaxSpare && !bulk_)
        Reallocate(count_ + kGrowStep);
}

void RowTable::SetBulk(bool on)
{
    bulk_ = on;
    if (!on && spare_ > kMaxSpare)
        Reallocate(count_ + kGrowStep);
}

void RowTable::Adopt(RowEntry* rows, int n, int capacity)
{
    bulk_ = false;
    std::free(rows_);
    rows_ = rows;
    count_ = n;
    gapStart_ = n;
    spare_ = capacity - n;
    if (spare_ > kMaxSpare || spare_ < 0)
        Reallocate(n + kGrowStep);
}

} // namespace kdx
