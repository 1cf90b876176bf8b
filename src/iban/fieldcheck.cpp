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

// Surplus leading zeros of a text with more significant characters than total are no digits
// of the number ("0000532013000" is the ten-digit account 0532013000): they are dropped when
// the whole surplus is such zeros. Otherwise the text stays as it is, and is too long.
void dropsurpluszeros(char* text, int total) {
  const std::size_t len = std::strlen(text);
  if (len <= static_cast<std::size_t>(total)) return;  // the usual case: nothing to count
  int n = 0;
  for (std::size_t i = 0; i < len; ++i) n += charclass(text[i]) != CharClass::Separator;
  int surplus = n - total;
  std::size_t i = 0;
  for (; i < len && surplus > 0; ++i) {
    if (text[i] == '0') {
      --surplus;
    } else if (charclass(text[i]) != CharClass::Separator) {
      return;
    }
  }
  std::memmove(text, text + i, len - i + 1);
}

// The text ended after `from` significant characters: fill with '0' up to the full length.
int padright(char* text, int from, int total) {
  std::memset(text + from, '0', total - from);
  text[total] = '\0';
  return 0;
}

// The one scan under the three checks. Kept characters are written back at `kept`, which
// never passes `read`, so the text is compacted in a single pass. With cut, what follows the
// full length is dropped unchecked (the bank code at the head of a BBAN); without it, more
// significant characters than the pattern has make the text a misfit, unless they are surplus
// leading zeros of a pattern padded with zeros.
template <Section1 cls>
int scan(char* text, int l1, int l2, char pad, bool cut) {
  if (l1 < 0 || l2 < 0 || l1 > kMaxSection || l2 > kMaxSection) return 1;
  // The normalised text must fit the caller's field; no table comes near this.
  if (l1 + l2 >= kFieldSize) return 1;
  const int total = l1 + l2;
  if (!cut && pad == '0') dropsurpluszeros(text, total);
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
  if (!cut) {
    // More significant characters: the number is too long, a misfit at the first of them.
    int beyond = read;
    while (text[beyond] != '\0' && charclass(text[beyond]) == CharClass::Separator) ++beyond;
    if (text[beyond] != '\0') return misfit(text, kept, beyond);
  }
  // Whatever follows the full length is dropped.
  text[total] = '\0';
  return 0;
}

}  // namespace

int isnnum(char* text, int l1, int l2) {
  return scan<Section1::Digits>(text, l1, l2, '0', false);
}

int isnalfa(char* text, int l1, int l2) {
  return scan<Section1::Letters>(text, l1, l2, 'X', false);
}

int isnalfanum(char* text, int l1, int l2) {
  return scan<Section1::LettersOrDigits>(text, l1, l2, '0', false);
}

int cutnum(char* text, int l1, int l2) {
  return scan<Section1::Digits>(text, l1, l2, '0', true);
}

int cutalfa(char* text, int l1, int l2) {
  return scan<Section1::Letters>(text, l1, l2, 'X', true);
}

int cutalfanum(char* text, int l1, int l2) {
  return scan<Section1::LettersOrDigits>(text, l1, l2, '0', true);
}
