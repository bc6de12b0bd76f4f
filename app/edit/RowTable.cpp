#include "app/edit/RowTable.h"

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
    void* memory = std::realloc(rows_, static_cast<size_t>(capacity) * sizeof(RowEntry));
    if (!memory)
        throw std::bad_alloc();
    rows_ = static_cast<RowEntry*>(memory);
    spare_ = capacity - count_;
}

void RowTable::Insert(int at, int n)
{
    if (n <= 0)
        return;
    if (spare_ < n)
        Reallocate(count_ + n + kGrowStep);
    std::memmove(rows_ + at + n, rows_ + at, static_cast<size_t>(count_ - at) * sizeof(RowEntry));
    for (int i = 0; i < n; ++i)
        rows_[at + i] = RowEntry{};
    count_ += n;
    spare_ -= n;
}

void RowTable::Remove(int at, int n)
{
    if (n <= 0)
        return;
    std::memmove(rows_ + at, rows_ + at + n,
                 static_cast<size_t>(count_ - at - n) * sizeof(RowEntry));
    count_ -= n;
    spare_ += n;
    if (spare_ > kMaxSpare)
        Reallocate(count_ + kGrowStep);
}

void RowTable::Adopt(RowEntry* rows, int n, int capacity)
{
    std::free(rows_);
    rows_ = rows;
    count_ = n;
    spare_ = capacity - n;
    if (spare_ > kMaxSpare || spare_ < 0)
        Reallocate(n + kGrowStep);
}

} // namespace kdx
