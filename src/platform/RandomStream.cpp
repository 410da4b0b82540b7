#include "platform/RandomStream.h"

#include <algorithm>
#include <array>

#include "platform/SystemRandom.h"

namespace nulvane::platform {

RandomStream::RandomStream() = default;
RandomStream::~RandomStream() = default;

void RandomStream::Fill(unsigned char* data, std::size_t size) {
  if (!keystream_) {
    std::array<unsigned char, ChaCha20::kKeySize + ChaCha20::kNonceSize> seed{};
    SystemRandomBytes(seed.data(), seed.size());
    std::array<unsigned char, ChaCha20::kKeySize> key{};
    std::array<unsigned char, ChaCha20::kNonceSize> nonce{};
    std::copy_n(seed.begin(), key.size(), key.begin());
    std::copy_n(seed.begin() + key.size(), nonce.size(), nonce.begin());
    keystream_ = std::make_unique<ChaCha20>(key, nonce, 0);
    // The copies of the key are not left on the stack.
    volatile unsigned char* wipe[] = {seed.data(), key.data()};
    for (std::size_t i = 0; i < seed.size(); ++i) wipe[0][i] = 0;
    for (std::size_t i = 0; i < key.size(); ++i) wipe[1][i] = 0;
  }
  keystream_->Keystream(data, size);
}

}  // namespace nulvane::platform
