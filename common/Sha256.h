#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace kdx {

// SHA-256, computed by the system's cryptography library, which uses the
// processor's hashing instructions where it has them: pictures are hashed
// on every compile and every open, several megabytes at a time.
class Sha256 {
public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(std::span<const uint8_t> bytes);
    // The digest of everything given; the object is then spent.
    Digest Final();

    static Digest Of(std::span<const uint8_t> bytes);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace kdx
