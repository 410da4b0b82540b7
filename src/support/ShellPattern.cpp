#include "support/ShellPattern.h"

#include <optional>
#include <string_view>

#include "platform/UserLocale.h"
#include "support/Match.h"

namespace nulvane::support {

namespace {

std::u32string Decode(const std::string& text) {
  std::u32string characters;
  characters.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) characters += DecodeCharacter(text, i);
  return characters;
}

bool IsStrayByte(char32_t c) {
  return c >= kStrayByteBase + 0x80 && c <= kStrayByteBase + 0xFF;
}

// The classes of "[[:name:]]". ASCII as in the C locale; beyond it every character but the controls and
// stray bytes is a letter, and a capital is one that has a small form.
std::optional<bool> InClass(std::u32string_view name, char32_t c) {
  const bool ascii = c < 0x80;
  const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || IsStrayByte(c);
  const bool upper = ascii ? c >= 'A' && c <= 'Z' : !control && platform::LowerCaseCharacter(c) != c;
  const bool alpha = ascii ? (c >= 'a' && c <= 'z') || upper : !control && c != 0xA0;
  const bool digit = c >= '0' && c <= '9';
  const bool space = c == ' ' || (c >= '\t' && c <= '\r');
  const bool punct = ascii && !control && !space && !alpha && !digit;
  if (name == U"alpha") return alpha;
  if (name == U"digit") return digit;
  if (name == U"alnum") return alpha || digit;
  if (name == U"upper") return upper;
  if (name == U"lower") return alpha && !upper;
  if (name == U"space") return space;
  if (name == U"blank") return c == ' ' || c == '\t';
  if (name == U"punct") return punct;
  if (name == U"xdigit") return digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  if (name == U"cntrl") return control;
  if (name == U"print") return !control;
  if (name == U"graph") return !control && c != ' ';
  return std::nullopt;
}

// A bracket expression starting at pattern[start] == '['.
struct Bracket {
  enum class Form { Set, Literal, Invalid };
  // Literal: no closing "]", so the "[" stands for itself; Invalid: malformed inside, so that nothing
  // matches (as fnmatch has it: a pattern that cannot be read takes no file).
  Form form = Form::Literal;
  bool matches = false;
  std::size_t end = 0;  // just past the closing "]"
};

Bracket ReadBracket(const std::u32string& pattern, std::size_t start, char32_t c) {
  Bracket result;
  const std::size_t size = pattern.size();
  const auto at = [&](std::size_t k) { return k < size ? pattern[k] : U'\0'; };
  std::size_t i = start + 1;
  const bool negated = at(i) == U'!' || at(i) == U'^';
  if (negated) ++i;
  bool matched = false;
  bool invalid = false;
  // One character of the set at i: itself, "\x", or the collating symbol "[.x.]"; i moves past it.
  const auto character = [&](char32_t& value) {
    if (at(i) == U'\\') {
      if (i + 1 >= size) return false;
      value = pattern[i + 1];
      i += 2;
      return true;
    }
    if (at(i) == U'[' && at(i + 1) == U'.') {
      const std::size_t close = pattern.find(U".]", i + 2);
      // Only single characters collate here.
      if (close == std::u32string::npos || close != i + 3) return false;
      value = pattern[i + 2];
      i = close + 2;
      return true;
    }
    value = pattern[i++];
    return true;
  };
  for (bool first = true;; first = false) {
    if (i >= size) return result;  // no closing "]": the "[" stands for itself
    if (!first && pattern[i] == U']') break;
    // "[:class:]", whose name is small letters. A "[:" that is no class is read differently by different
    // systems, so such a pattern takes no name at all rather than one the user may not have meant.
    if (pattern[i] == U'[' && at(i + 1) == U':') {
      std::size_t j = i + 2;
      while (j < size && pattern[j] >= U'a' && pattern[j] <= U'z') ++j;
      const std::optional<bool> in = at(j) == U':' && at(j + 1) == U']'
                                         ? InClass(std::u32string_view(pattern.data() + i + 2, j - i - 2), c)
                                         : std::nullopt;
      if (!in) {
        invalid = true;
        break;
      }
      matched = matched || *in;
      i = j + 2;
      continue;
    }
    // "[=c=]": the character c; anything else after "[=" is malformed, as above.
    if (pattern[i] == U'[' && at(i + 1) == U'=') {
      if (i + 2 >= size || at(i + 3) != U'=' || at(i + 4) != U']') {
        invalid = true;
        break;
      }
      matched = matched || c == pattern[i + 2];
      i += 5;
      continue;
    }
    char32_t low = 0;
    if (!character(low)) {
      invalid = true;
      break;
    }
    // A range "a-z"; a "-" just before the closing "]" is itself, and one at the very end is no range.
    if (at(i) == U'-' && at(i + 1) != U']') {
      ++i;
      char32_t high = 0;
      // A class cannot end a range.
      if (i >= size || (at(i) == U'[' && (at(i + 1) == U':' || at(i + 1) == U'=')) || !character(high)) {
        invalid = true;
        break;
      }
      matched = matched || (low <= c && c <= high);
    } else {
      matched = matched || c == low;
    }
  }
  if (invalid) {
    result.form = Bracket::Form::Invalid;
    return result;
  }
  result.end = i + 1;
  result.form = Bracket::Form::Set;
  result.matches = matched != negated;
  return result;
}

// Whether pattern[p] (not "*") takes text character c; `next` is where the pattern goes on.
bool TakesOne(const std::u32string& pattern, std::size_t p, char32_t c, std::size_t& next, bool& invalid) {
  const char32_t here = pattern[p];
  if (here == U'?') {
    next = p + 1;
    return true;
  }
  if (here == U'[') {
    const Bracket bracket = ReadBracket(pattern, p, c);
    if (bracket.form == Bracket::Form::Invalid) {
      invalid = true;
      return false;
    }
    if (bracket.form == Bracket::Form::Set) {
      next = bracket.end;
      return bracket.matches;
    }
  }
  if (here == U'\\') {
    // A "\" at the very end escapes nothing and matches nothing.
    if (p + 1 >= pattern.size()) {
      invalid = true;
      return false;
    }
    next = p + 2;
    return pattern[p + 1] == c;
  }
  next = p + 1;
  return here == c;
}

bool Match(const std::u32string& text, const std::u32string& pattern) {
  std::size_t t = 0;
  std::size_t p = 0;
  // Where the last "*" was and what it had taken: on a mismatch it takes one character more. One such
  // point is enough: a later "*" can take whatever an earlier one would have.
  std::size_t starPattern = std::u32string::npos;
  std::size_t starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      starPattern = ++p;
      starText = t;
      continue;
    }
    std::size_t next = p;
    bool invalid = false;
    if (p < pattern.size() && TakesOne(pattern, p, text[t], next, invalid)) {
      p = next;
      ++t;
      continue;
    }
    if (invalid || starPattern == std::u32string::npos) return false;
    p = starPattern;
    t = ++starText;
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchShellPattern(const std::string& name, const std::string& pattern, bool caseSensitive) {
  if (caseSensitive) return Match(Decode(name), Decode(pattern));
  return Match(Decode(FoldCase(name)), Decode(FoldCase(pattern)));
}

bool HasShellWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?[\\") != std::string::npos;
}

}  // namespace nulvane::support
