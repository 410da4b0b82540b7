#pragma once

#include <cstddef>
#include <memory>

#include "platform/ChaCha20.h"

namespace nulvane::platform {

// Bytes that nobody can predict, cheaply: the ChaCha20 keystream under a key and nonce drawn from the
// system's random source. Someone who reads a disk overwritten with them learns neither the key nor the
// bytes of any other block. Not for sharing between threads: each thread that writes keeps one.
class RandomStream {
 public:
  RandomStream();
  ~RandomStream();
  RandomStream(const RandomStream&) = delete;
  RandomStream& operator=(const RandomStream&) = delete;

  // Fills `size` bytes. The key is drawn at the first call, so a failure of the system's source (a
  // PlatformError) reaches the one who asked for bytes.
  void Fill(unsigned char* data, std::size_t size);

 private:
  std::unique_ptr<ChaCha20> keystream_;
};

}  // namespace nulvane::platform
