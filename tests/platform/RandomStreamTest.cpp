#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/ChaCha20.h"
#include "platform/RandomStream.h"
#include "platform/SystemRandom.h"

namespace nulvane::testing {
namespace {

using platform::ChaCha20;

using Key = std::array<unsigned char, ChaCha20::kKeySize>;
using Nonce = std::array<unsigned char, ChaCha20::kNonceSize>;

std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

template <std::size_t kSize>
std::array<unsigned char, kSize> ArrayFromHex(const std::string& hex) {
  const std::vector<unsigned char> bytes = FromHex(hex);
  std::array<unsigned char, kSize> array{};
  std::copy(bytes.begin(), bytes.end(), array.begin());
  return array;
}

std::vector<unsigned char> Keystream(ChaCha20& chacha, std::size_t size) {
  std::vector<unsigned char> bytes(size);
  chacha.Keystream(bytes.data(), size);
  return bytes;
}

const Key kCountingKey = ArrayFromHex<32>("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");

// The test vectors of RFC 8439 (sections 2.3.2 and 2.4.2, appendix A.1) and blocks further on in the same
// streams, where the blocks computed side by side meet the next group and where the counter carries.
TEST(ChaCha20Test, KeystreamMatchesTheStandardsVectors) {
  struct Case {
    const char* name;
    Key key;
    Nonce nonce;
    std::uint32_t counter;
    std::size_t skip;  // bytes of the stream before the expected ones
    std::string expected;
  };
  const Nonce blockNonce = ArrayFromHex<12>("000000090000004a00000000");
  const Case cases[] = {
      {"block function", kCountingKey, blockNonce, 1, 0,
       "10f1e7e4d13b5915500fdd1fa32071c4c7d1f4c733c068030422aa9ac3d46c4e"
       "d2826446079faa0914c2d705d98b02a2b5129cd1de164eb9cbd083e8a2503c4e"},
      {"zero key, first block", Key{}, Nonce{}, 0, 0,
       "76b8e0ada0f13d90405d6ae55386bd28bdd219b8a08ded1aa836efcc8b770dc7"
       "da41597c5157488d7724e03fb8d84a376a43b8f41518a11cc387b669b2ee6586"},
      {"zero key, second block", Key{}, Nonce{}, 1, 0,
       "9f07e7be5551387a98ba977c732d080dcb0f29a048e3656912c6533e32ee7aed"
       "29b721769ce64e43d57133b074d839d531ed1f28510afb45ace10a1f4b794d6f"},
      {"blocks 8 and 9 of a stream", kCountingKey, blockNonce, 1, 448,
       "4304f78488f1160008e9185df3a6223d70c0dbaf47227642d3314e700f00671a"
       "88a5b49dd07ee942e2fd83def98adfdbee474e11f01915cac66e0f9ae924ad94"
       "2c6adee93873e496ea51d673aae37c0437653ee2496fc772c0408575fc6a7457"
       "a66ce34a9971e31a82244c67b9b58b50f23ac977574928378aea473c65018bd5"},
      {"the block after the counter's last", kCountingKey, blockNonce, 0xffffffffu, 64,
       "880b67b55162bca26abe045fad14b0f492a3f369dcd52f98bc1513eaf238a3f4"
       "34c7527121b4b756613e270395358d831d4950b6c7812fb724dc7c9be5e5c62e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChaCha20 chacha(c.key, c.nonce, c.counter);
    Keystream(chacha, c.skip);
    EXPECT_EQ(Keystream(chacha, c.expected.size() / 2), FromHex(c.expected));
  }

  // RFC 8439, section 2.4.2: the keystream encrypts the text.
  const std::string text =
      "Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the future, sunscreen "
      "would be it.";
  ChaCha20 chacha(kCountingKey, ArrayFromHex<12>("000000000000004a00000000"), 1);
  std::vector<unsigned char> cipher = Keystream(chacha, text.size());
  for (std::size_t i = 0; i < text.size(); ++i) cipher[i] ^= static_cast<unsigned char>(text[i]);
  const std::string expected =
      "6e2e359a2568f98041ba0728dd0d6981e97e7aec1d4360c20a27afccfd9fae0b"
      "f91b65c5524733ab8f593dabcd62b3571639d624e65152ab8f530c359f0861d8"
      "07ca0dbf500d6a6156a38e088a22b65e52bc514d16ccf806818ce91ab7793736"
      "5af90bbf74a35be6b40b8eedf2785e42874d";
  EXPECT_EQ(cipher, FromHex(expected));
}

TEST(ChaCha20Test, AStreamReadInPiecesIsTheStreamReadAtOnce) {
  const Nonce nonce = ArrayFromHex<12>("0102030405060708090a0b0c");
  ChaCha20 whole(kCountingKey, nonce, 5);
  const std::vector<unsigned char> expected = Keystream(whole, 5000);
  for (const std::size_t piece : {1u, 63u, 64u, 65u, 511u, 512u, 513u, 1500u}) {
    SCOPED_TRACE(piece);
    ChaCha20 chacha(kCountingKey, nonce, 5);
    std::vector<unsigned char> pieces;
    while (pieces.size() < expected.size()) {
      const std::vector<unsigned char> next =
          Keystream(chacha, std::min(piece, expected.size() - pieces.size()));
      pieces.insert(pieces.end(), next.begin(), next.end());
    }
    EXPECT_EQ(pieces, expected);
  }
}

// 65,536 bytes as 256 counts: for bytes of no pattern, chi-square of 255 degrees of freedom stays near 255; a
// bound of 400 is passed by chance about once in a billion runs.
double ChiSquare(const std::vector<unsigned char>& bytes) {
  std::array<double, 256> counts{};
  for (const unsigned char byte : bytes) ++counts[byte];
  const double expected = static_cast<double>(bytes.size()) / 256;
  double sum = 0;
  for (const double count : counts) sum += (count - expected) * (count - expected) / expected;
  return sum;
}

TEST(RandomStreamTest, EveryFillAndEveryStreamGivesNewBytesWithoutPattern) {
  platform::RandomStream first;
  platform::RandomStream second;
  std::vector<unsigned char> a(65536);
  std::vector<unsigned char> b(65536);
  std::vector<unsigned char> c(65536);
  first.Fill(a.data(), a.size());
  first.Fill(b.data(), b.size());
  second.Fill(c.data(), c.size());
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  for (const auto* bytes : {&a, &b, &c}) {
    EXPECT_LT(ChiSquare(*bytes), 400);
    // No piece repeats another: each 64-byte block of the buffer is new.
    std::set<std::vector<unsigned char>> blocks;
    for (std::size_t at = 0; at < bytes->size(); at += 64)
      blocks.emplace(bytes->begin() + static_cast<std::ptrdiff_t>(at),
                     bytes->begin() + static_cast<std::ptrdiff_t>(at + 64));
    EXPECT_EQ(blocks.size(), bytes->size() / 64);
  }
  first.Fill(nullptr, 0);
}

TEST(RandomStreamTest, TheSystemSourceGivesDifferentBytesEachTime) {
  std::array<unsigned char, 32> a{};
  std::array<unsigned char, 32> b{};
  platform::SystemRandomBytes(a.data(), a.size());
  platform::SystemRandomBytes(b.data(), b.size());
  EXPECT_NE(a, b);
  EXPECT_NE(a, decltype(a){});
}

}  // namespace
}  // namespace nulvane::testing
