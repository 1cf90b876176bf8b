// The tag-name accumulator shared by the harvest and the rewrite scanners.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/textbuf.h"

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
  /// True when the whole name is exactly lit (case-sensitive).
  bool is(std::string_view lit) const {
    return !overflow_ && !lit.empty() && std::string_view(text_, len_) == lit;
  }
  std::string_view text() const { return std::string_view(text_, len_); }

 private:
  char text_[kNameSize] = "";
  std::size_t len_ = 0;
  bool overflow_ = false;
};
