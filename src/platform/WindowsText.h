#pragma once

#include <string>

namespace nulvane::platform {

// Text crosses the Windows API as UTF-16; inside the program it is UTF-8. A name may hold a lone surrogate,
// which UTF-8 cannot carry; it travels as the three bytes UTF-8 would give it (WTF-8), so that every name
// read from the system names the same file when it goes back.

// Throws PlatformError for bytes that are not UTF-8: no file could have such a name.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
std::string Narrow(const wchar_t* text, std::size_t length);

// The system's message for a Windows error code, without the trailing line break.
std::string SystemMessage(unsigned long error);

}  // namespace nulvane::platform
