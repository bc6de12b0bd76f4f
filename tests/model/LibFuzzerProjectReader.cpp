// libFuzzer entry: the same check as the fuzz test, for open-ended runs. Each
// input is also tried with its seal recomputed, so that mutations reach the
// reader behind the header checks.
#include "FuzzTarget.h"

#include "common/FileHeader.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Expect(const std::string& problem)
{
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Expect(kdx::test::CheckOneInput(data, size));
    std::vector<uint8_t> sealed(data, data + size);
    kdx::SealBytes(sealed);
    Expect(kdx::test::CheckOneInput(sealed.data(), sealed.size()));
    return 0;
}
