// The row machinery of the payment-file scanners. Each scanner writes its state machine down
// as a table with one row per state; a row's lexical shape (between tags, in a tag, in a text,
// skipping markup) is interpreted here, the same way for every table, and only what a shape
// leaves open (what a closed tag means, where a text byte goes) is the scanner's own.
#pragma once

#include <cstddef>
#include <cstring>
#include <cstdint>
#include <initializer_list>

#include "common/bits.h"
#include "iso20022/tagname.h"

namespace scanrows {

/// The shapes a state has:
///   Idle     reacts to no byte;
///   Between  waits for "<", starts a new name and goes to next;
///   Tag      gathers a name; a trigger character starts a new name and goes to its state;
///            ">" closes the tag (the scanner's part; otherwise is where it usually goes);
///   Text     hands every byte to the scanner until "<", which starts a new name in next;
///   Bang     after "<!": a trigger picks the comment or CDATA skip, any other byte goes to
///            next (the skip of a declaration);
///   Skip     waits for the terminator term, then goes to next, or back to where the skip
///            began when resume is set;
///   Quoted   waits for the quote term[0] and goes to next.
enum class Kind : unsigned char { Unused, Idle, Between, Tag, Text, Bang, Skip, Quoted };

/// A character that ends a name in a Tag row (or picks the skip in a Bang row) and leads to
/// the state to. first: only as the tag's first character.
struct Trigger {
  char c;
  bool first;
  int to;
};

/// A set of bytes: one flag per byte value, a single load to test.
struct ByteSet {
  bool in[256];
  constexpr void add(char c) { in[static_cast<unsigned char>(c)] = true; }
  constexpr bool has(char c) const { return in[static_cast<unsigned char>(c)]; }
};

/// The lexical half of a row.
struct Lex {
  Kind kind;
  int next;
  Trigger trig[5];
  int trigs;
  int otherwise;     ///< Tag: where a skip begun by a trigger returns to
  const char* term;  ///< Skip, Quoted
  bool resume;       ///< Skip
  ByteSet ends;      ///< Tag: ">" and the triggers at any position, where a name's run ends
  char endbytes[4];  ///< Tag: the same bytes, ">" repeated to fill, for the block search
  ByteSet firsts;    ///< Tag: the triggers as a name's first character
};

/// Where a scanner is, as far as the rows see it.
struct Lexer {
  int status = 0;
  TagName name;
  int resume = 0;              ///< where a skip with resume returns to
  unsigned char matched = 0;   ///< characters of the skip's terminator seen
};

/// What a byte leaves to the scanner after lexbyte has moved the lexer.
enum class Step : unsigned char {
  Done,     ///< nothing: the byte is fully handled
  Close,    ///< ">" of a Tag row; the lexer has not moved, the name is complete
  Text,     ///< a byte of a Text row's text
  TextEnd,  ///< "<" ending a Text row's text; the lexer is in next with a new name
};

constexpr Lex idle() {
  Lex r{};
  r.kind = Kind::Idle;
  return r;
}

constexpr Lex between(int next) {
  Lex r{};
  r.kind = Kind::Between;
  r.next = next;
  return r;
}

constexpr Lex tag(std::initializer_list<Trigger> t, int otherwise) {
  Lex r{};
  r.kind = Kind::Tag;
  r.ends.add('>');
  int nends = 0;
  r.endbytes[nends++] = '>';
  for (const Trigger& x : t) {
    r.trig[r.trigs++] = x;
    if (x.first) {
      r.firsts.add(x.c);
    } else if (!r.ends.has(x.c)) {
      r.ends.add(x.c);
      // More than four would need another search; a constant expression cannot take it.
      if (nends == 4) throw "a tag row ends a name at more than four bytes";
      r.endbytes[nends++] = x.c;
    }
  }
  while (nends < 4) r.endbytes[nends++] = '>';
  r.otherwise = otherwise;
  return r;
}

constexpr Lex text(int next) {
  Lex r{};
  r.kind = Kind::Text;
  r.next = next;
  return r;
}

constexpr Lex bang(int comment, int cdata, int decl) {
  Lex r{};
  r.kind = Kind::Bang;
  r.trig[0] = {'-', false, comment};
  r.trig[1] = {'[', false, cdata};
  r.trigs = 2;
  r.next = decl;
  return r;
}

constexpr Lex skip(const char* term, int next, bool resume = false) {
  Lex r{};
  r.kind = Kind::Skip;
  r.term = term;
  r.next = next;
  r.resume = resume;
  return r;
}

constexpr Lex quoted(const char* quote, int next) {
  Lex r{};
  r.kind = Kind::Quoted;
  r.term = quote;
  r.next = next;
  return r;
}

/// The targets of a row that must be states of the table (for the tables' closedness checks).
template <class Valid>
constexpr bool targetsvalid(const Lex& r, Valid valid) {
  switch (r.kind) {
    case Kind::Between:
    case Kind::Text:
    case Kind::Quoted: return valid(r.next);
    case Kind::Skip: return r.resume || valid(r.next);
    case Kind::Bang:
    case Kind::Tag:
      for (int i = 0; i < r.trigs; ++i)
        if (!valid(r.trig[i].to)) return false;
      return r.kind == Kind::Bang ? valid(r.next) : valid(r.otherwise);
    case Kind::Unused:
    case Kind::Idle: return true;
  }
  return false;
}

inline const Trigger* triggerof(const Lexer& x, const Lex& r, char c) {
  for (int i = 0; i < r.trigs; ++i) {
    const Trigger& t = r.trig[i];
    if (t.c == c && (!t.first || x.name.empty())) return &t;
  }
  return nullptr;
}

/// How many of the n bytes at p the row r takes as one run from where x is: bytes that leave
/// the lexer as it is (Between, Skip, Quoted, Idle), that only add to the name (Tag), or that
/// are all text (Text). The byte behind the run is one the row reacts to, and is stepped alone;
/// so is every byte of a Bang row and a byte of a Skip row that has begun to match its
/// terminator. Stepping the run byte by byte through lexbyte
/// would do exactly what taking it whole does (lexrun, and the scanner's own part for Text).
/// A name's first character is stepped alone only when it is one of the row's first-place
/// triggers.
/// Performance-critical: `make bench` (harvest-*, full-*).
inline std::size_t runof(const Lexer& x, const Lex& r, const char* p, std::size_t n) {
  switch (r.kind) {
    case Kind::Idle: return n;
    case Kind::Between:
    case Kind::Text: return findbyte(p, n, '<');
    case Kind::Quoted: return findbyte(p, n, r.term[0]);
    case Kind::Skip: return x.matched == 0 ? findbyte(p, n, r.term[0]) : 0;
    case Kind::Tag: {
      if (x.name.empty() && n > 0 && r.firsts.has(p[0])) return 0;
      const char* e = r.endbytes;
      std::size_t i = 0;
      for (; i + 16 <= n; i += 16)
        if (const unsigned m = matchbytes16(p + i, e[0], e[1], e[2], e[3]); m != 0)
          return i + lowestbit(m);
      while (i < n && !r.ends.has(p[i])) ++i;
      return i;
    }
    case Kind::Bang:
    case Kind::Unused: return 0;
  }
  return 0;
}

/// Takes a run of k bytes that runof gave for r: a Tag row adds them to the name; the other
/// rows leave the lexer as it is (a Text row's bytes are the scanner's).
inline void lexrun(Lexer& x, const Lex& r, const char* p, std::size_t k) {
  if (r.kind == Kind::Tag) x.name.add(p, k);
}

/// Moves x by the byte c as the shape of its row r says.
inline Step lexbyte(Lexer& x, const Lex& r, char c) {
  switch (r.kind) {
    case Kind::Between:
      if (c == '<') {
        x.name.clear();
        x.status = r.next;
      }
      return Step::Done;
    case Kind::Tag:
      if (c == '>') return Step::Close;  // never a trigger
      // Most bytes of a tag are its name: the trigger list is searched only for a byte that
      // may be one.
      if (r.ends.has(c) || (x.name.empty() && r.firsts.has(c))) {
        if (const Trigger* t = triggerof(x, r, c)) {
          x.resume = r.otherwise;
          x.matched = 0;
          x.name.clear();
          x.status = t->to;
          return Step::Done;
        }
      }
      x.name.add(c);
      return Step::Done;
    case Kind::Text:
      if (c != '<') return Step::Text;
      x.name.clear();
      x.status = r.next;
      return Step::TextEnd;
    case Kind::Bang:
      if (const Trigger* t = triggerof(x, r, c)) {
        x.status = t->to;
      } else {
        x.status = r.next;
      }
      return Step::Done;
    case Kind::Skip:
      if (skipto(r.term, x.matched, c)) x.status = r.resume ? x.resume : r.next;
      return Step::Done;
    case Kind::Quoted:
      if (c == r.term[0]) x.status = r.next;
      return Step::Done;
    case Kind::Unused:
    case Kind::Idle: return Step::Done;
  }
  return Step::Done;
}

}  // namespace scanrows
