#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace nulvane::report {

// The report's text box (txbText) as a text model. Every change is announced as the smallest edit, so a
// view can apply it without copying the whole text: appends at the end, truncations of the end, or a
// replacement of everything. Positions and lengths count bytes of the program's text (CR LF line breaks).
class ReportText {
 public:
  enum class ChangeKind {
    Append,    // `text` was appended at `position` (the former length)
    Truncate,  // the text was cut to `position`; `text` is what was removed
    Set,       // the whole text is now `text`
    Caret,     // the caret moved to `position` (the end or the start of the text)
  };
  struct Change {
    ChangeKind kind;
    std::size_t position;
    std::string_view text;
  };
  using Listener = std::function<void(const Change&)>;

  const std::string& text() const { return text_; }
  std::size_t size() const { return text_.size(); }
  // Characters, not bytes: a name in another script takes as much room in the report as one in ASCII.
  std::size_t characters() const { return characters_; }
  // The byte position at which the given number of characters ends (the size when the text is shorter).
  std::size_t ByteOffsetOfCharacter(std::size_t characters) const;
  bool empty() const { return text_.empty(); }

  void Append(std::string_view more);
  void Truncate(std::size_t length);
  void Set(std::string text);
  void Clear() { Set({}); }
  void MoveCaretToEnd();
  void MoveCaretToStart();

  // The selection, kept up to date by the view (in bytes of text()).
  void SetSelection(std::size_t start, std::size_t length);
  std::size_t selectionStart() const { return selectionStart_; }
  std::size_t selectionLength() const { return selectionLength_; }
  std::string SelectedText() const;

  int Subscribe(Listener listener);
  void Unsubscribe(int id) { listeners_.erase(id); }

 private:
  void Announce(const Change& change) const;

  std::string text_;
  std::size_t characters_ = 0;
  std::size_t selectionStart_ = 0;
  std::size_t selectionLength_ = 0;
  std::map<int, Listener> listeners_;
  int nextId_ = 1;
};

}  // namespace nulvane::report
