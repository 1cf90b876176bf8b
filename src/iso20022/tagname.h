// What the harvest and the rewrite scanners share below their tables: the tag-name
// accumulator, the white space XML allows before a tag's ">", and the skipping of comments,
// CDATA sections and processing instructions up to their terminators.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/textbuf.h"

/// The white space of XML: blank, TAB, CR, LF.
constexpr bool isxmlspace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

/// The name of the tag being read, gathered one byte at a time. A name longer than the
/// buffer keeps what fits and then matches nothing; an empty name matches nothing either.
class TagName {
 public:
  /// Starts a new name ("new name").
  void clear() {
    len_ = 0;
    text_[0] = '\0';
    overflow_ = false;
  }
  /// Appends one byte of the name ("add").
  void add(char c) {
    if (!appendc(text_, sizeof text_, len_, c)) overflow_ = true;
  }
  /// Appends n bytes, as n calls of add would.
  void add(const char* p, std::size_t n) {
    const std::size_t room = sizeof text_ - 1 - len_;
    const std::size_t take = n < room ? n : room;
    std::memcpy(text_ + len_, p, take);
    len_ += take;
    text_[len_] = '\0';
    if (take < n) overflow_ = true;
  }
  /// True when the name is exactly lit (case-sensitive). White space after the name does not
  /// count, as XML allows it before the ">" of any tag ("<Id >", "</Id\n>"); anything else
  /// after it, an attribute say, makes it another name.
  bool is(std::string_view lit) const { return !lit.empty() && name() == lit; }
  /// The name without the white space behind it; empty when it outgrew the buffer (it then
  /// matches nothing).
  std::string_view name() const {
    if (overflow_) return {};
    std::size_t n = len_;
    while (n > 0 && isxmlspace(text_[n - 1])) --n;
    return std::string_view(text_, n);
  }
  bool empty() const { return len_ == 0; }
  std::string_view text() const { return std::string_view(text_, len_); }

 private:
  char text_[kNameSize] = "";
  std::size_t len_ = 0;
  bool overflow_ = false;
};

/// Terminators of the markup a scanner skips whole inside the elements it watches.
inline constexpr char kCommentEnd[] = "-->";
inline constexpr char kCDataEnd[] = "]]>";
inline constexpr char kPiEnd[] = "?>";
inline constexpr char kTagEnd[] = ">";

/// One byte of a skip up to term, whose first characters repeat (x...xy, as all four above
/// are). matched counts the terminator's characters seen so far. True when c completes it.
inline bool skipto(const char* term, unsigned char& matched, char c) {
  if (c == term[matched]) {
    if (term[++matched] != '\0') return false;
    matched = 0;
    return true;
  }
  // "--" followed by "-" still ends in "--": the run of the first character stays matched.
  if (c != term[0]) matched = 0;
  return false;
}
