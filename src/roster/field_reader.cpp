#include "roster/field_reader.h"

namespace cardwedge {

FieldReader::FieldReader(std::string_view text) : text_(text) {}

bool FieldReader::AtLineEnd() const {
  return pos_ < text_.size() && (text_[pos_] == '\r' || text_[pos_] == '\n');
}

void FieldReader::ConsumeLineEnd() {
  if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++line_;
}

void FieldReader::SkipBlankLinesAndSpaces() {
  if (fieldPending_) {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    return;
  }
  for (;;) {
    std::size_t p = pos_;
    while (p < text_.size() && text_[p] == ' ') ++p;
    pos_ = p;
    if (!AtLineEnd()) return;
    ConsumeLineEnd();
  }
}

bool FieldReader::AtEnd() {
  SkipBlankLinesAndSpaces();
  return !fieldPending_ && pos_ >= text_.size();
}

bool FieldReader::Next(std::string& field) {
  if (AtEnd()) return false;
  fieldPending_ = false;
  fieldLine_ = line_;
  field.clear();
  if (pos_ < text_.size() && text_[pos_] == '"') {
    const std::size_t close = text_.find('"', pos_ + 1);
    const std::size_t end = close == std::string_view::npos ? text_.size() : close;
    const std::string_view inner = text_.substr(pos_ + 1, end - pos_ - 1);
    for (char c : inner) {
      if (c == '\n') ++line_;
    }
    field.assign(inner);
    pos_ = close == std::string_view::npos ? text_.size() : close + 1;
    // Whatever stands between the closing quote and the separator is dropped.
    while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) ++pos_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) ++pos_;
    std::string_view value = text_.substr(start, pos_ - start);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    field.assign(value);
  }
  if (pos_ < text_.size()) {
    if (text_[pos_] == ',') {
      ++pos_;
      fieldPending_ = true;
    } else {
      ConsumeLineEnd();
    }
  }
  return true;
}

std::string LastField(std::string_view text) {
  FieldReader reader(text);
  std::string field;
  std::string last;
  while (reader.Next(field)) last = field;
  return last;
}

}  // namespace cardwedge
