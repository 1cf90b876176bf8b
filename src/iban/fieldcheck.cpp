// Field character checks: "l1 characters of one class, then l2 digits", normalised in place.
#include <cstring>

#include "common/textbuf.h"
#include "iban/chars.h"
#include "iban/iban.h"

namespace {

constexpr int kMaxSection = 50;

// What the first section accepts. The second section always takes digits only.
enum class Section1 { Digits, Letters, LettersOrDigits };

enum class Verdict { Keep, Fail, Drop };

// What each section does with each class of character, indexed by CharClass: Separator,
// Digit, Upper, Lower. isnnum fails a lower-case letter as it stands; the others upper-case
// it first. The second section takes digits only, whatever the first one takes.
constexpr Verdict kFirst[3][4] = {
    {Verdict::Drop, Verdict::Keep, Verdict::Fail, Verdict::Fail},  // Digits
    {Verdict::Drop, Verdict::Fail, Verdict::Keep, Verdict::Keep},  // Letters
    {Verdict::Drop, Verdict::Keep, Verdict::Keep, Verdict::Keep},  // LettersOrDigits
};
constexpr Verdict kSecond[4] = {Verdict::Drop, Verdict::Keep, Verdict::Fail, Verdict::Fail};

Verdict judge(const Verdict (&verdicts)[4], char c) {
  return verdicts[static_cast<int>(charclass(c))];
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
template <Section1 cls>
int scan(char* text, int l1, int l2, char pad) {
  if (l1 < 0 || l2 < 0 || l1 > kMaxSection || l2 > kMaxSection) return 1;
  // The normalised text must fit the caller's field; no table comes near this.
  if (l1 + l2 >= kFieldSize) return 1;
  const int total = l1 + l2;
  // Most fields are digits from the start: where the first section takes digits, each is
  // kept as it stands in either section, so the leading run of them is passed over at once.
  int kept = 0;
  if constexpr (cls != Section1::Letters) {
    while (kept < total && static_cast<unsigned char>(text[kept] - '0') < 10) ++kept;
  }
  int read = kept;
  for (; kept < l1; ++read) {
    char c = text[read];
    if (c == '\0') {
      // Ended inside the first section: right-align what stands and pad in front of it.
      std::memmove(text + (l1 - kept), text, kept);
      std::memset(text, pad, l1 - kept);
      return padright(text, l1, total);
    }
    switch (judge(kFirst[static_cast<int>(cls)], c)) {
      case Verdict::Keep: text[kept++] = cls == Section1::Digits ? c : significant(c); break;
      case Verdict::Fail: return misfit(text, kept, read);
      case Verdict::Drop: break;
    }
  }
  for (; kept < total; ++read) {
    char c = text[read];
    if (c == '\0') return padright(text, kept, total);
    switch (judge(kSecond, c)) {
      case Verdict::Keep: text[kept++] = c; break;
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
  return scan<Section1::Digits>(text, l1, l2, '0');
}

int isnalfa(char* text, int l1, int l2) {
  return scan<Section1::Letters>(text, l1, l2, 'X');
}

int isnalfanum(char* text, int l1, int l2) {
  return scan<Section1::LettersOrDigits>(text, l1, l2, '0');
}
