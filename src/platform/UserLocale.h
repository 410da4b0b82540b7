#pragma once

#include <optional>
#include <string>

namespace nulvane::platform {

// The user's own number and date settings, read without changing the process's locale.
struct NumberFormat {
  std::string decimalPoint;
  std::string thousandsSeparator;  // empty: digits are not grouped
};
std::optional<NumberFormat> UserNumberFormat();
// The user's short date format as a strftime format; the year as the user writes it ("%y" or "%Y").
std::optional<std::string> UserShortDateFormat();

// The lower-case form of one character by the system's Unicode tables, independent of the user's locale;
// the character itself when it has none or the system cannot tell.
char32_t LowerCaseCharacter(char32_t c);

#ifdef _WIN32
// A Windows date picture ("M/d/yyyy", "dd.MM.yyyy", "d 'de' MMMM") as a strftime format of the C library
// the program runs on ("%#m/%#d/%Y").
std::string StrftimeFromDatePicture(const std::string& picture);
#endif

}  // namespace nulvane::platform
