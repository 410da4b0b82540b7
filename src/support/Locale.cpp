#include "support/Locale.h"

#include <cstdio>
#include <ctime>
#include <iomanip>
#include <locale>
#include <optional>
#include <sstream>

#include "platform/UserLocale.h"

namespace nulvane::support {
namespace {

class Punctuation : public std::numpunct<char> {
 public:
  Punctuation(char decimalPoint, char thousandsSeparator)
      : decimalPoint_(decimalPoint), thousandsSeparator_(thousandsSeparator) {}

 protected:
  char do_decimal_point() const override { return decimalPoint_; }
  char do_thousands_sep() const override { return thousandsSeparator_; }
  std::string do_grouping() const override { return thousandsSeparator_ == '\0' ? std::string() : "\3"; }

 private:
  char decimalPoint_;
  char thousandsSeparator_;
};

struct LocaleState {
  LocaleSettings settings;
  std::locale numbers;
};

std::locale MakeNumberLocale(const LocaleSettings& settings) {
  // The locale owns the facet (reference count 0) and deletes it.
  return std::locale(std::locale::classic(),
                     new Punctuation(settings.decimalPoint == '\0' ? '.' : settings.decimalPoint,
                                     settings.thousandsSeparator));
}

LocaleState& State() {
  static LocaleState state{LocaleSettings{}, MakeNumberLocale(LocaleSettings{})};
  return state;
}

// A separator of the user's locale as one character: none stays none, and a separator that is not one
// plain character (a narrow no-break space, say) becomes a blank.
char SeparatorChar(const std::string& text) {
  if (text.empty()) return '\0';
  if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80) return text[0];
  return ' ';
}

// The locale's date format with every two-digit year widened to four digits.
std::string WidenYear(const std::string& format) {
  std::string result;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      result += format[i];
      continue;
    }
    const char conversion = format[++i];
    if (conversion == 'y') {
      result += "%Y";
    } else if (conversion == 'D') {
      result += "%m/%d/%Y";
    } else {
      result += '%';
      result += conversion;
    }
  }
  return result;
}

}  // namespace

const LocaleSettings& CurrentLocale() {
  return State().settings;
}

void SetLocale(const LocaleSettings& settings) {
  State().settings = settings;
  State().numbers = MakeNumberLocale(settings);
}

LocaleSettings SystemLocale() {
  LocaleSettings settings;
  // Each part on its own, so that one misspelt variable does not lose the others.
  if (const std::optional<platform::NumberFormat> numbers = platform::UserNumberFormat()) {
    const char decimalPoint = SeparatorChar(numbers->decimalPoint);
    settings.decimalPoint = decimalPoint == '\0' ? '.' : decimalPoint;
    settings.thousandsSeparator = SeparatorChar(numbers->thousandsSeparator);
    if (settings.thousandsSeparator == settings.decimalPoint) settings.thousandsSeparator = '\0';
  }
  if (const std::optional<std::string> format = platform::UserShortDateFormat()) {
    settings.shortDateFormat = WidenYear(*format);
  }
  return settings;
}

std::string FormatGrouped(double value, int decimals) {
  std::ostringstream stream;
  stream.imbue(State().numbers);
  stream << std::fixed << std::setprecision(decimals < 0 ? 0 : decimals) << value;
  std::string text = stream.str();
  // A negative value that rounds to zero is shown as zero.
  if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos)
    text.erase(0, 1);
  return text;
}

std::string FormatShortDate(std::chrono::year_month_day date) {
  if (!date.ok()) return {};
  std::tm fields{};
  fields.tm_year = static_cast<int>(date.year()) - 1900;
  fields.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  fields.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  const std::chrono::sys_days day{date};
  fields.tm_wday = static_cast<int>(std::chrono::weekday{day}.c_encoding());
  const auto january1 = std::chrono::sys_days{date.year() / std::chrono::January / 1};
  fields.tm_yday = static_cast<int>((day - january1).count());
  const std::string& format = CurrentLocale().shortDateFormat;
  if (format.empty()) return {};
  std::string buffer(64 + format.size() * 8, '\0');
  const std::size_t length = std::strftime(buffer.data(), buffer.size(), format.c_str(), &fields);
  buffer.resize(length);
  return buffer;
}

std::string FormatTimeOfDay(int hours, int minutes, int seconds) {
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
  return text;
}

}  // namespace nulvane::support
