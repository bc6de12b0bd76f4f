#pragma once
#include <cstddef>
#include <cstdint>

namespace kdx {

// pread until all n bytes are in, retrying interruptions. False with an
// errno value in 'error' on failure; a file that ends early gives EIO.
bool ReadAllAt(int fd, void* data, size_t n, uint64_t at, int* error);
// pwrite until all n bytes are out, the same way (a write of nothing: EIO).
bool WriteAllAt(int fd, const void* data, size_t n, uint64_t at, int* error);

} // namespace kdx
