// Field character checks: "l1 characters of one class, then l2 digits", normalised in place.
#include <cstring>

#include "common/textbuf.h"
#include "iban/iban.h"

namespace {

constexpr int kMaxSection = 50;

// What the first section accepts. The second section always takes digits only.
enum class Section1 { Digits, Letters, LettersOrDigits };

enum class Verdict { Keep, Fail, Drop };

bool isdigitc(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool isupperc(unsigned char c) {
  return c >= 'A' && c <= 'Z';
}
bool islowerc(unsigned char c) {
  return c >= 'a' && c <= 'z';
}

// Judges one character of the first section; upper-cases c where letters are allowed.
Verdict first(Section1 cls, unsigned char& c) {
  if (cls != Section1::Digits && islowerc(c)) c = static_cast<unsigned char>(c - 'a' + 'A');
  bool digit = isdigitc(c);
  bool letter = isupperc(c) || islowerc(c);
  if (!digit && !letter) return Verdict::Drop;
  switch (cls) {
    case Section1::Digits: return digit ? Verdict::Keep : Verdict::Fail;
    case Section1::Letters: return letter ? Verdict::Keep : Verdict::Fail;
    case Section1::LettersOrDigits: return Verdict::Keep;
  }
  return Verdict::Fail;
}

// Judges one character of the second section: digits stay, a letter of either case fails.
Verdict second(unsigned char c) {
  if (isdigitc(c)) return Verdict::Keep;
  return isupperc(c) || islowerc(c) ? Verdict::Fail : Verdict::Drop;
}

// A misfit: the characters kept so far stand in front of the unread rest, as if each dropped
// separator had been removed on the spot. The text is neither padded nor cut.
int misfit(char* text, int kept, int read) {
  if (kept != read) std::memmove(text + kept, text + read, std::strlen(text + read) + 1);
  return 1;
}

// The text ended after `from` significant characters: fill with '0' up to the full length.
int padright(char* text, int from, int total) {
  std::memset(text + from, '0', total - from);
  text[total] = '\0';
  return 0;
}

// The one scan under the three checks. Kept characters are written back at `kept`, which
// never passes `read`, so the text is compacted in a single pass.
int scan(char* text, int l1, int l2, Section1 cls, char pad) {
  if (l1 < 0 || l2 < 0 || l1 > kMaxSection || l2 > kMaxSection) return 1;
  // The normalised text must fit the caller's field; no table comes near this.
  if (l1 + l2 >= kFieldSize) return 1;
  const int total = l1 + l2;
  int kept = 0;
  int read = 0;
  for (; kept < l1; ++read) {
    unsigned char c = text[read];
    if (c == '\0') {
      // Ended inside the first section: right-align what stands and pad in front of it.
      std::memmove(text + (l1 - kept), text, kept);
      std::memset(text, pad, l1 - kept);
      return padright(text, l1, total);
    }
    switch (first(cls, c)) {
      case Verdict::Keep: text[kept++] = static_cast<char>(c); break;
      case Verdict::Fail: return misfit(text, kept, read);
      case Verdict::Drop: break;
    }
  }
  for (; kept < total; ++read) {
    unsigned char c = text[read];
    if (c == '\0') return padright(text, kept, total);
    switch (second(c)) {
      case Verdict::Keep: text[kept++] = static_cast<char>(c); break;
      case Verdict::Fail: return misfit(text, kept, read);
      case Verdict::Drop: break;
    }
  }
  // Whatever follows the full length is dropped unchecked.
  text[total] = '\0';
  return 0;
}

}  // namespace

int isnnum(char* text, int l1, int l2) {
  return scan(text, l1, l2, Section1::Digits, '0');
}

int isnalfa(char* text, int l1, int l2) {
  return scan(text, l1, l2, Section1::Letters, 'X');
}

int isnalfanum(char* text, int l1, int l2) {
  return scan(text, l1, l2, Section1::LettersOrDigits, '0');
}
