#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cardwedge {

// Reads the comma-separated text files of the program field by field: commas and line ends both
// end a field, spaces before a field and after an unquoted field are dropped, a field in double
// quotes keeps commas and spaces (the quotes are not part of it), and blank lines are skipped.
// Works on bytes: comma, quote and line-end bytes never occur inside a multi-byte character.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text);

  // True when no field is left.
  bool AtEnd();
  // Reads the next field; false when none is left.
  bool Next(std::string& field);
  // 1-based line on which the last field read begins.
  int Line() const { return fieldLine_; }

 private:
  void SkipBlankLinesAndSpaces();
  void ConsumeLineEnd();
  bool AtLineEnd() const;

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int fieldLine_ = 1;
  bool fieldPending_ = false;  // a comma was read, so another field follows even if empty
};

// The last field of a text, or empty text when it holds none.
std::string LastField(std::string_view text);

}  // namespace cardwedge
