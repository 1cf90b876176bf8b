// The one reader of markup in a payment file. It turns bytes, one at a time or in runs, into
// start tags, empty-element tags and end tags (with the tag's qualified name), and text (the
// character data between tags and the content of CDATA sections). Comments, processing
// instructions and declarations are passed over whole, each to its own terminator, so that
// nothing inside them is ever read as a tag. Attribute values are passed over to their closing
// quote, so a ">" inside one does not end its tag.
//
// It is not a validating parser: it never fails, decodes no character references, and reads
// malformed markup in some definite way. The harvest's scanner and through it every pass of
// the rewrite read the payment file through this one lexer, so no two of them can disagree on
// where a tag begins or ends.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/bits.h"
#include "common/textbuf.h"

/// The white space of XML: blank, TAB, CR, LF.
constexpr bool isxmlspace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

/// The qualified name of the tag being read ("Doc:IBAN"), gathered one byte at a time. A name
/// longer than the buffer keeps what fits and then matches nothing; an empty name matches
/// nothing either.
class TagName {
 public:
  TagName() = default;
  // Copies only the bytes in use: scanner states are copied at every replacement point.
  TagName(const TagName& o) { *this = o; }
  TagName& operator=(const TagName& o) {
    len_ = o.len_;
    local_ = o.local_;
    overflow_ = o.overflow_;
    std::memcpy(text_, o.text_, len_ + 1);
    return *this;
  }
  bool operator==(const TagName& o) const {
    return len_ == o.len_ && overflow_ == o.overflow_ && std::memcmp(text_, o.text_, len_) == 0;
  }

  void clear() {
    len_ = 0;
    local_ = 0;
    text_[0] = '\0';
    overflow_ = false;
  }
  void add(char c) {
    if (!appendc(text_, sizeof text_, len_, c)) overflow_ = true;
    if (c == ':' && !overflow_) local_ = len_;
  }
  /// Appends n bytes none of which is ":", as n calls of add would.
  void addrun(const char* p, std::size_t n) {
    const std::size_t room = sizeof text_ - 1 - len_;
    const std::size_t take = n < room ? n : room;
    std::memcpy(text_ + len_, p, take);
    len_ += take;
    text_[len_] = '\0';
    if (take < n) overflow_ = true;
  }
  /// Becomes the n bytes at p, as clear and n calls of add would make it; local is where the
  /// local name begins among them (behind the last ":", or 0).
  void assign(const char* p, std::size_t n, std::size_t local) {
    if (n >= sizeof text_) {
      clear();
      for (std::size_t i = 0; i < n; ++i) add(p[i]);
      return;
    }
    std::memcpy(text_, p, n);
    text_[n] = '\0';
    len_ = n;
    overflow_ = false;
    local_ = local;
  }
  /// The whole name as written, prefix included; empty when it outgrew the buffer.
  std::string_view qname() const {
    return overflow_ ? std::string_view() : std::string_view(text_, len_);
  }
  /// The name without its namespace prefix: what an element is recognised by.
  std::string_view local() const {
    return overflow_ ? std::string_view() : std::string_view(text_ + local_, len_ - local_);
  }
  /// The prefix with its colon ("Doc:"), or empty.
  std::string_view prefix() const {
    return overflow_ ? std::string_view() : std::string_view(text_, local_);
  }
  /// True when the local name is exactly lit (case-sensitive).
  bool is(std::string_view lit) const { return !lit.empty() && local() == lit; }
  bool empty() const { return len_ == 0; }

 private:
  char text_[kNameSize] = "";
  std::size_t len_ = 0;
  std::size_t local_ = 0;  ///< where the local name begins: behind the last ":"
  bool overflow_ = false;
};

/// Where the lexer is.
enum class XmlState : unsigned char {
  Text,         ///< in character data, between tags
  Open,         ///< just after "<"
  StartName,    ///< in the name of a start tag
  Attrs,        ///< in a start tag, after its name
  AttrDquote,   ///< in an attribute value in double quotes
  AttrSquote,   ///< in an attribute value in single quotes
  EmptyEnd,     ///< after "/" in a start tag: "<x/>" is an empty element
  EndName,      ///< in the name of an end tag
  EndRest,      ///< in an end tag, after its name
  Bang,         ///< just after "<!"
  CommentOpen,  ///< after "<!-", at the comment's second "-"
  Comment,      ///< in a comment, up to "-->"
  CDataOpen,    ///< after "<![", up to the "[" that opens a CDATA section's content
  CData,        ///< in a CDATA section's content, up to "]]>": text
  Pi,           ///< in a processing instruction or the XML declaration, up to "?>"
  Decl,         ///< in other "<!" markup (a document type), up to ">"
  DeclSubset,   ///< in the "[...]" of a document type declaration
};
/// How many states there are (a new state goes last, and this counts it).
constexpr int kXmlStates = static_cast<int>(XmlState::DeclSubset) + 1;

/// What one byte completed.
enum class XmlToken : unsigned char {
  None,      ///< nothing yet
  Text,      ///< the byte is text (after brackets "]" that proved to be text, see XmlLexer)
  Brackets,  ///< only the brackets "]" are text, not the byte
  StartTag,  ///< ">" of a start tag; its name is in name
  EmptyTag,  ///< ">" of an empty-element tag "<x/>"
  EndTag,    ///< ">" of an end tag
};

/// The lexer's whole state, owned by the caller.
struct XmlLexer {
  XmlState state = XmlState::Text;
  unsigned char matched = 0;  ///< characters of a terminator seen ("-->", "?>", "]]>")
  /// Set with a Text or Brackets token: this many "]" of a CDATA section that looked like the
  /// start of its "]]>" turned out to be text, and come before the byte.
  unsigned char brackets = 0;
  TagName name;  ///< the name of the tag being read, or of the last tag read
};

namespace xmllex {

/// One byte of a skip up to term, whose first characters repeat ("-->", "?>"). matched counts
/// the terminator's characters seen so far. True when c completes it.
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

// A start tag's or an end tag's ">" closes it and returns to text.
inline XmlToken close(XmlLexer& x, XmlToken t) {
  x.state = XmlState::Text;
  return t;
}

}  // namespace xmllex

/// Moves the lexer by one byte and says what the byte completed.
VELMORA_HOT_INLINE XmlToken xmlbyte(XmlLexer& x, char c) {
  using S = XmlState;
  using T = XmlToken;
  x.brackets = 0;
  switch (x.state) {
    case S::Text:
      if (c != '<') return T::Text;
      x.state = S::Open;
      return T::None;
    case S::Open:
      x.name.clear();
      if (c == '/') {
        x.state = S::EndName;
      } else if (c == '!') {
        x.state = S::Bang;
      } else if (c == '?') {
        x.matched = 0;
        x.state = S::Pi;
      } else if (c == '>') {
        return xmllex::close(x, T::StartTag);  // "<>": a tag without a name
      } else if (isxmlspace(c)) {
        x.state = S::Attrs;
      } else {
        x.name.add(c);
        x.state = S::StartName;
      }
      return T::None;
    case S::StartName:
      if (c == '>') return xmllex::close(x, T::StartTag);
      if (c == '/') {
        x.state = S::EmptyEnd;
      } else if (isxmlspace(c)) {
        x.state = S::Attrs;
      } else {
        x.name.add(c);
      }
      return T::None;
    case S::Attrs:
      if (c == '>') return xmllex::close(x, T::StartTag);
      if (c == '"') x.state = S::AttrDquote;
      if (c == '\'') x.state = S::AttrSquote;
      if (c == '/') x.state = S::EmptyEnd;
      return T::None;
    case S::AttrDquote:
      if (c == '"') x.state = S::Attrs;
      return T::None;
    case S::AttrSquote:
      if (c == '\'') x.state = S::Attrs;
      return T::None;
    case S::EmptyEnd:
      if (c == '>') return xmllex::close(x, T::EmptyTag);
      if (c == '"')
        x.state = S::AttrDquote;
      else if (c == '\'')
        x.state = S::AttrSquote;
      else if (c != '/')
        x.state = S::Attrs;
      return T::None;
    case S::EndName:
      if (c == '>') return xmllex::close(x, T::EndTag);
      if (isxmlspace(c)) {
        x.state = S::EndRest;
      } else {
        x.name.add(c);
      }
      return T::None;
    case S::EndRest:
      if (c == '>') return xmllex::close(x, T::EndTag);
      return T::None;
    case S::Bang:
      x.matched = 0;
      if (c == '-')
        x.state = S::CommentOpen;
      else if (c == '[')
        x.state = S::CDataOpen;
      else if (c == '>')
        x.state = S::Text;
      else
        x.state = S::Decl;
      return T::None;
    case S::CommentOpen:  // the second "-" of "<!--" is no part of the closing "-->"
      x.state = S::Comment;
      return T::None;
    case S::Comment:
      if (xmllex::skipto("-->", x.matched, c)) x.state = S::Text;
      return T::None;
    case S::Pi:
      if (xmllex::skipto("?>", x.matched, c)) x.state = S::Text;
      return T::None;
    case S::CDataOpen:
      if (c == '[') x.state = S::CData;
      return T::None;
    case S::CData:
      if (c == ']') {
        if (x.matched < 2) {
          ++x.matched;
          return T::None;
        }
        x.brackets = 1;  // "]]]": the first is text, the last two may still end the section
        return T::Brackets;
      }
      if (c == '>' && x.matched == 2) {
        x.matched = 0;
        x.state = S::Text;
        return T::None;
      }
      x.brackets = x.matched;
      x.matched = 0;
      return T::Text;
    case S::Decl:
      if (c == '[') x.state = S::DeclSubset;
      if (c == '>') x.state = S::Text;
      return T::None;
    case S::DeclSubset:
      if (c == ']') x.state = S::Decl;
      return T::None;
  }
  return T::None;
}

/// What the bytes of a run are to the lexer's caller.
enum class XmlRun : unsigned char { Skipped, Name, Text };

/// What a run in the lexer's current state consists of.
inline XmlRun xmlrunkind(const XmlLexer& x) {
  switch (x.state) {
    case XmlState::Text:
    case XmlState::CData: return XmlRun::Text;
    case XmlState::StartName:
    case XmlState::EndName: return XmlRun::Name;
    default: return XmlRun::Skipped;
  }
}

/// How many of the n bytes at p the lexer takes as one run from where it is: bytes that only
/// add to the tag's name, that are all text, or that are passed over, completing nothing. The
/// byte behind the run is one the state reacts to and goes through xmlbyte. Taking the run
/// with xmltakerun does exactly what stepping its bytes through xmlbyte would.
/// Performance-critical: `make bench` (harvest-*, full-*).
VELMORA_HOT_INLINE std::size_t xmlrun(const XmlLexer& x, const char* p, std::size_t n) {
  using S = XmlState;
  switch (x.state) {
    case S::Text: return findbyte(p, n, '<');
    case S::CData: return x.matched == 0 ? findbyte(p, n, ']') : 0;
    case S::StartName:
    case S::EndName: {
      // A name's run ends where the name does, and at the ":" behind a prefix, which the
      // name marks as it is added.
      std::size_t i = 0;
      for (; i + 16 <= n; i += 16) {
        const unsigned m =
            matchbytes16(p + i, ' ', '\t', '\r', '\n') | matchbytes16(p + i, '/', '>', ':', '>');
        if (m != 0) return i + lowestbit(m);
      }
      while (i < n && p[i] != '>' && p[i] != '/' && p[i] != ':' && !isxmlspace(p[i])) ++i;
      return i;
    }
    case S::Attrs: {
      std::size_t i = 0;
      for (; i + 16 <= n; i += 16)
        if (const unsigned m = matchbytes16(p + i, '"', '\'', '/', '>'); m != 0)
          return i + lowestbit(m);
      while (i < n && p[i] != '"' && p[i] != '\'' && p[i] != '/' && p[i] != '>') ++i;
      return i;
    }
    case S::AttrDquote: return findbyte(p, n, '"');
    case S::AttrSquote: return findbyte(p, n, '\'');
    case S::Comment: return x.matched == 0 ? findbyte(p, n, '-') : 0;
    case S::Pi: return x.matched == 0 ? findbyte(p, n, '?') : 0;
    case S::CDataOpen: return findbyte(p, n, '[');
    case S::DeclSubset: return findbyte(p, n, ']');
    case S::Decl: {
      std::size_t i = 0;
      while (i < n && p[i] != '>' && p[i] != '[') ++i;
      return i;
    }
    case S::Open:
    case S::EmptyEnd:
    case S::EndRest:
    case S::Bang:
    case S::CommentOpen: return 0;
  }
  return 0;
}

namespace xmllex {

// How a byte of a tag's name reads in a plain tag: 0 a name byte, 1 a colon (a name byte behind
// which the local name may begin), 2 a byte that ends the name or makes the tag no plain one.
struct PlainClasses {
  unsigned char of[256] = {};
  constexpr PlainClasses() {
    for (unsigned char c : {'>', '/', '"', '\'', ' ', '\t', '\r', '\n'}) of[c] = 2;
    of[static_cast<unsigned char>(':')] = 1;
  }
};
inline constexpr PlainClasses kPlain{};

}  // namespace xmllex

/// A plain tag at p (p[0] is the "<" that text ends at): "<name>" or "</name>", the name
/// without white space, "/" or quotes, with or without a prefix, all of it among the n bytes.
/// Returns its length up to and with its ">", sets end for an end tag and local to where the
/// local name begins within the name; 0 for anything else (attributes, an empty element,
/// comments and the like, a tag the bytes cut off). Stepping such a tag's bytes through
/// xmlbyte from Text ends in Text, with the tag's name and the token StartTag or EndTag at its
/// ">": the caller takes it as that, with xmltakeplain.
/// Performance-critical: `make bench` (harvest-*, full-*), compact files above all.
VELMORA_HOT_INLINE std::size_t xmlplaintag(const char* p, std::size_t n, bool& end,
                                           std::size_t& local) {
  if (n < 3) return 0;
  end = p[1] == '/';
  const std::size_t from = end ? 2 : 1;
  const char c = p[from];
  if (c == '!' || c == '?' || xmllex::kPlain.of[static_cast<unsigned char>(c)] == 2) return 0;
  local = 0;
  std::size_t j = from;
  // Sixteen bytes at a time while as many are left. Every byte that ends the name, and the
  // colon, is at most ">": only those among the sixteen are looked at, in order.
  static_assert('>' >= '/' && '>' >= '"' && '>' >= '\'' && '>' >= ' ' && '>' >= ':',
                "a byte that ends a name above \">\"");
  for (; j + 16 <= n; j += 16) {
    for (unsigned m = bytesupto16(p + j, '>'); m != 0; m &= m - 1) {
      const std::size_t at = j + static_cast<std::size_t>(lowestbit(m));
      const unsigned char k = xmllex::kPlain.of[static_cast<unsigned char>(p[at])];
      if (k == 2) return p[at] == '>' ? at + 1 : 0;
      if (k == 1) local = at + 1 - from;
    }
  }
  for (; j < n; ++j) {
    const unsigned char k = xmllex::kPlain.of[static_cast<unsigned char>(p[j])];
    if (k == 2) break;
    if (k == 1) local = j + 1 - from;
  }
  if (j == n || p[j] != '>') return 0;
  return j + 1;
}

/// Takes the plain tag of len bytes that xmlplaintag found at p: the lexer is where stepping
/// its bytes would leave it, and the token is returned.
inline XmlToken xmltakeplain(XmlLexer& x, const char* p, std::size_t len, bool end,
                             std::size_t local) {
  const std::size_t from = end ? 2 : 1;
  x.name.assign(p + from, len - 1 - from, local);
  x.state = XmlState::Text;
  x.brackets = 0;
  return end ? XmlToken::EndTag : XmlToken::StartTag;
}

/// Takes a run of k bytes that xmlrun gave: a name's bytes are added to it; text and skipped
/// bytes leave the lexer as it is (the text is the caller's).
inline void xmltakerun(XmlLexer& x, const char* p, std::size_t k) {
  if (x.state == XmlState::StartName || x.state == XmlState::EndName) x.name.addrun(p, k);
}
