#include "platform/WindowsText.h"

#include <windows.h>

#include <cerrno>

#include "platform/PlatformError.h"
#include "platform/Utf8.h"

namespace nulvane::platform {

namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

[[noreturn]] void ThrowInvalidText() {
  throw PlatformError(ErrorNumberFromErrno(EILSEQ), "The name is not valid UTF-8");
}

}  // namespace

std::wstring Widen(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += static_cast<wchar_t>(byte);
      ++i;
      continue;
    }
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (byte >= 0xC2 && byte <= 0xDF) {
      length = 2;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      length = 3;
      if (byte == 0xE0) low = 0xA0;  // surrogates (0xED 0xA0..0xBF) are taken: they may be half a name's pair
    } else if (byte >= 0xF0 && byte <= 0xF4) {
      length = 4;
      if (byte == 0xF0) low = 0x90;
      if (byte == 0xF4) high = 0x8F;
    }
    if (length == 0 || i + static_cast<std::size_t>(length) > size) ThrowInvalidText();
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) ThrowInvalidText();
    for (int k = 2; k < length; ++k) {
      if (!IsContinuation(static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)])))
        ThrowInvalidText();
    }
    char32_t value = byte & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k)
      value = (value << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
    i += static_cast<std::size_t>(length);
    if (value >= 0x10000) {
      value -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (value >> 10));
      out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
    } else {
      out += static_cast<wchar_t>(value);
    }
  }
  return out;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    const auto unit = static_cast<char32_t>(static_cast<unsigned short>(text[i]));
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
      const auto next = static_cast<char32_t>(static_cast<unsigned short>(text[i + 1]));
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), out);
        ++i;
        continue;
      }
    }
    AppendUtf8(unit, out);  // a lone surrogate as its three bytes
  }
  return out;
}

std::string Narrow(const std::wstring& text) {
  return Narrow(text.data(), text.size());
}

std::string SystemMessage(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return "Error " + std::to_string(error);
  std::string message = Narrow(buffer, length);
  ::LocalFree(buffer);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message;
}

}  // namespace nulvane::platform
