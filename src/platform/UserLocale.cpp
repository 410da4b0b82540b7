#include "platform/UserLocale.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/WindowsText.h"
#else
#include <langinfo.h>
#include <locale.h>
#include <wctype.h>
#endif

namespace nulvane::platform {

#ifdef _WIN32

namespace {

std::optional<std::string> LocaleText(LCTYPE type) {
  wchar_t buffer[128];
  const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
  if (length <= 0) return std::nullopt;
  return Narrow(buffer, static_cast<std::size_t>(length - 1));
}

}  // namespace

std::optional<NumberFormat> UserNumberFormat() {
  const std::optional<std::string> decimal = LocaleText(LOCALE_SDECIMAL);
  const std::optional<std::string> thousands = LocaleText(LOCALE_STHOUSAND);
  if (!decimal || !thousands) return std::nullopt;
  return NumberFormat{*decimal, *thousands};
}

std::optional<std::string> UserShortDateFormat() {
  const std::optional<std::string> picture = LocaleText(LOCALE_SSHORTDATE);
  if (!picture || picture->empty()) return std::nullopt;
  return StrftimeFromDatePicture(*picture);
}

std::string StrftimeFromDatePicture(const std::string& picture) {
  std::string format;
  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '\'') {
      // Quoted text is copied as it stands; two quotes inside stand for one.
      for (++i; i < picture.size(); ++i) {
        if (picture[i] == '\'') {
          if (i + 1 < picture.size() && picture[i + 1] == '\'') {
            format += '\'';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        format += picture[i] == '%' ? std::string("%%") : std::string(1, picture[i]);
      }
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    switch (c) {
      case 'd':
        format += run == 1 ? "%#d" : run == 2 ? "%d" : run == 3 ? "%a" : "%A";
        break;
      case 'M':
        format += run == 1 ? "%#m" : run == 2 ? "%m" : run == 3 ? "%b" : "%B";
        break;
      case 'y':
        format += run <= 2 ? "%y" : "%Y";
        break;
      case 'g':
        break;  // the era is not shown
      case '%':
        for (std::size_t k = 0; k < run; ++k) format += "%%";
        break;
      default:
        format.append(run, c);
    }
    i += run;
  }
  return format;
}

char32_t LowerCaseCharacter(char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
  wchar_t source[2];
  int length = 1;
  if (c >= 0x10000) {
    source[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    source[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    length = 2;
  } else {
    source[0] = static_cast<wchar_t>(c);
  }
  wchar_t lower[4];
  const int got =
      ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, source, length, lower, 4, nullptr, nullptr, 0);
  if (got == 1) {
    const auto unit = static_cast<char32_t>(static_cast<unsigned short>(lower[0]));
    return unit >= 0xD800 && unit <= 0xDFFF ? c : unit;
  }
  if (got == 2 && lower[0] >= 0xD800 && lower[0] <= 0xDBFF && lower[1] >= 0xDC00 && lower[1] <= 0xDFFF) {
    return 0x10000 + ((static_cast<char32_t>(lower[0]) - 0xD800) << 10) +
           (static_cast<char32_t>(lower[1]) - 0xDC00);
  }
  return c;
}

#else

std::optional<NumberFormat> UserNumberFormat() {
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (numeric == static_cast<locale_t>(0)) return std::nullopt;
  const char* decimal = nl_langinfo_l(RADIXCHAR, numeric);
  const char* thousands = nl_langinfo_l(THOUSEP, numeric);
  NumberFormat format{decimal != nullptr ? decimal : ".", thousands != nullptr ? thousands : ","};
  freelocale(numeric);
  return format;
}

std::optional<std::string> UserShortDateFormat() {
  locale_t time = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (time == static_cast<locale_t>(0)) return std::nullopt;
  const char* format = nl_langinfo_l(D_FMT, time);
  std::optional<std::string> result;
  if (format != nullptr && format[0] != '\0') result = format;
  freelocale(time);
  return result;
}

namespace {

// The C library's Unicode lower-casing, independent of the process's own locale.
locale_t UnicodeLocale() {
  static const locale_t locale = [] {
    locale_t found = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (found == static_cast<locale_t>(0))
      found = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
    return found;
  }();
  return locale;
}

}  // namespace

char32_t LowerCaseCharacter(char32_t c) {
  const locale_t locale = UnicodeLocale();
  if (locale == static_cast<locale_t>(0)) return c;
  const auto lower = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
  return (lower >= 0xD800 && lower <= 0xDFFF) || lower > 0x10FFFF ? c : lower;
}

#endif

}  // namespace nulvane::platform
