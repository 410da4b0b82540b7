#include "support/SetupFormat.h"

#include <charconv>
#include <optional>

#include "support/DateRestriction.h"

namespace nulvane::support {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

bool NeedsQuotes(std::string_view text) {
  if (text.empty()) return false;
  if (IsBlank(text.front()) || IsBlank(text.back())) return true;
  // The reader skips a byte-order mark at the start of the file.
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) return true;
  for (const char c : text) {
    if (c == ',' || c == '"' || IsControl(c)) return true;
  }
  return false;
}

void AppendText(std::string& out, std::string_view text) {
  if (!NeedsQuotes(text)) {
    out += text;
  } else {
    out += '"';
    for (const char c : text) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  out += kLineEnd;
}

void AppendNumber(std::string& out, std::int32_t value) {
  out += value < 0 ? "-" : " ";
  // The magnitude as a 64-bit number, so that the most negative value is written whole.
  out += std::to_string(value < 0 ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value));
  out += ' ';
  out += kLineEnd;
}

// Reads one value after another from the text.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<std::string> Text() {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '"') return QuotedText();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') {
      if (IsControl(text_[pos_]) && text_[pos_] != '\t') return std::nullopt;
      ++pos_;
    }
    std::size_t end = pos_;
    while (end > start && IsBlank(text_[end - 1])) --end;
    if (!EndOfLine()) return std::nullopt;
    return std::string(text_.substr(start, end - start));
  }

  std::optional<std::int32_t> Number() {
    SkipBlanks();
    // from_chars takes a minus sign but no plus sign.
    if (pos_ < text_.size() && text_[pos_] == '+') {
      ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '-') return std::nullopt;
    }
    std::int32_t value = 0;
    const char* start = text_.data() + pos_;
    const auto [end, error] = std::from_chars(start, text_.data() + text_.size(), value);
    if (error != std::errc() || end == start) return std::nullopt;
    pos_ = static_cast<std::size_t>(end - text_.data());
    SkipBlanks();
    if (!EndOfLine()) return std::nullopt;
    return value;
  }

  std::optional<bool> Truth() {
    const std::optional<std::int32_t> value = Number();
    if (!value || (*value != 0 && *value != 1)) return std::nullopt;
    return *value == 1;
  }

  // Nothing but blanks and line breaks left.
  bool AtEnd() {
    while (pos_ < text_.size() && (IsBlank(text_[pos_]) || text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
    return pos_ == text_.size();
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // Consumes CR LF, LF or the end of the text.
  bool EndOfLine() {
    if (pos_ == text_.size()) return true;
    if (text_.substr(pos_, 2) == kLineEnd) {
      pos_ += 2;
      return true;
    }
    if (text_[pos_] == '\n') {
      ++pos_;
      return true;
    }
    return false;
  }

  std::optional<std::string> QuotedText() {
    std::string text;
    ++pos_;
    for (;;) {
      if (pos_ >= text_.size()) return std::nullopt;
      const char c = text_[pos_++];
      if (c == '\0') return std::nullopt;
      if (c != '"') {
        text += c;
      } else if (pos_ < text_.size() && text_[pos_] == '"') {
        text += '"';
        ++pos_;
      } else {
        break;
      }
    }
    SkipBlanks();
    if (!EndOfLine()) return std::nullopt;
    return text;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool IsDayNumber(std::int32_t day) {
  if (day == kNoDateRestriction) return true;
  DateRecord record;
  record.jdn = day;
  record.calendar = kGregorianCalendar;
  jdn_to_euro_date(record);
  return record.valid != 0;
}

}  // namespace

std::string FormatSetup(const SetupValues& values) {
  std::string out;
  AppendText(out, values.strVersion);
  AppendNumber(out, values.blnSubdirectories ? 1 : 0);
  AppendText(out, values.strTargetFolder);
  AppendText(out, values.strFilespec);
  AppendNumber(out, values.intPurgeType);
  AppendNumber(out, values.intNumberOfPasses);
  AppendNumber(out, values.intSlackArea);
  for (const bool option : values.options) AppendNumber(out, option ? 1 : 0);
  AppendNumber(out, values.lngOnlyBeforeThisJDN);
  return out;
}

SetupReading ParseSetup(std::string_view content) {
  SetupReading reading;
  SetupValues& v = reading.values;
  // A byte-order mark that an editor may have put in front.
  if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    content.remove_prefix(kByteOrderMark.size());
  Reader reader(content);
  int& read = reading.valuesRead;

  const auto text = [&](std::string& into) {
    std::optional<std::string> value = reader.Text();
    if (!value) return false;
    into = std::move(*value);
    ++read;
    return true;
  };
  const auto number = [&](std::int32_t& into) {
    const std::optional<std::int32_t> value = reader.Number();
    if (!value) return false;
    into = *value;
    ++read;
    return true;
  };
  const auto truth = [&](bool& into) {
    const std::optional<bool> value = reader.Truth();
    if (!value) return false;
    into = *value;
    ++read;
    return true;
  };

  if (!text(v.strVersion) || !truth(v.blnSubdirectories) || !text(v.strTargetFolder) ||
      !text(v.strFilespec) || !number(v.intPurgeType) || !number(v.intNumberOfPasses) ||
      !number(v.intSlackArea)) {
    return reading;
  }
  for (bool& option : v.options) {
    if (!truth(option)) return reading;
  }
  const std::optional<std::int32_t> day = reader.Number();
  if (!day || !IsDayNumber(*day)) return reading;
  v.lngOnlyBeforeThisJDN = *day;
  ++read;
  reading.complete = reader.AtEnd();
  return reading;
}

std::string SetupVersionText(int major, int minor) {
  return std::to_string(major) + "." + std::to_string(minor) + "9";
}

}  // namespace nulvane::support
