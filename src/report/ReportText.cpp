#include "report/ReportText.h"

#include <algorithm>

#include "support/Match.h"

namespace nulvane::report {

void ReportText::Append(std::string_view more) {
  if (more.empty()) return;
  const std::size_t position = text_.size();
  text_.append(more);
  characters_ += support::CharacterCount(std::string(more));
  Announce({ChangeKind::Append, position, std::string_view(text_).substr(position)});
}

void ReportText::Truncate(std::size_t length) {
  if (length >= text_.size()) return;
  const std::string removed = text_.substr(length);
  text_.resize(length);
  characters_ -= std::min(characters_, support::CharacterCount(removed));
  selectionStart_ = std::min(selectionStart_, length);
  selectionLength_ = std::min(selectionLength_, length - selectionStart_);
  Announce({ChangeKind::Truncate, length, removed});
}

void ReportText::Set(std::string text) {
  text_ = std::move(text);
  characters_ = support::CharacterCount(text_);
  selectionStart_ = 0;
  selectionLength_ = 0;
  Announce({ChangeKind::Set, 0, text_});
}

void ReportText::MoveCaretToEnd() {
  selectionStart_ = text_.size();
  selectionLength_ = 0;
  Announce({ChangeKind::Caret, text_.size(), {}});
}

void ReportText::MoveCaretToStart() {
  selectionStart_ = 0;
  selectionLength_ = 0;
  Announce({ChangeKind::Caret, 0, {}});
}

void ReportText::SetSelection(std::size_t start, std::size_t length) {
  selectionStart_ = std::min(start, text_.size());
  selectionLength_ = std::min(length, text_.size() - selectionStart_);
}

std::size_t ReportText::ByteOffsetOfCharacter(std::size_t characters) const {
  return support::FirstCharacters(text_, characters).size();
}

std::string ReportText::SelectedText() const {
  return text_.substr(selectionStart_, selectionLength_);
}

int ReportText::Subscribe(Listener listener) {
  listeners_[nextId_] = std::move(listener);
  return nextId_++;
}

void ReportText::Announce(const Change& change) const {
  for (const auto& [id, listener] : listeners_) listener(change);
}

}  // namespace nulvane::report
