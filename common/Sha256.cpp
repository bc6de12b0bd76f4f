#include "common/Sha256.h"

#include <openssl/evp.h>

#include <new>

namespace kdx {

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : m_state(std::make_unique<State>())
{
    m_state->context = EVP_MD_CTX_new();
    if (!m_state->context || EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

Sha256::~Sha256() = default;

void Sha256::Update(std::span<const uint8_t> bytes)
{
    EVP_DigestUpdate(m_state->context, bytes.data(), bytes.size());
}

Sha256::Digest Sha256::Final()
{
    Digest digest{};
    unsigned int size = 0;
    EVP_DigestFinal_ex(m_state->context, digest.data(), &size);
    return digest;
}

Sha256::Digest Sha256::Of(std::span<const uint8_t> bytes)
{
    Sha256 hash;
    hash.Update(bytes);
    return hash.Final();
}

} // namespace kdx
