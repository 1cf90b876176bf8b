// The IBAN registry table, its consistency and its lookups.
#include "iban/registry.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// The registry's sections "4!n", "4!a" and "4!c" as the generated table writes them.
constexpr BbanPart digits(int length) {
  return {static_cast<unsigned char>(length), CharKind::Digit};
}
constexpr BbanPart upper(int length) {
  return {static_cast<unsigned char>(length), CharKind::Upper};
}
constexpr BbanPart alnum(int length) {
  return {static_cast<unsigned char>(length), CharKind::Alnum};
}

}  // namespace

#include "iban/registrytable.inc"

constexpr int kRegistryCountries = static_cast<int>(sizeof kRegistry / sizeof kRegistry[0]);
constexpr int kRegistryTerritories = static_cast<int>(sizeof kTerritories / sizeof kTerritories[0]);

namespace {

constexpr bool isupperc(char c) {
  return c >= 'A' && c <= 'Z';
}

constexpr bool isdigitc(char c) {
  return c >= '0' && c <= '9';
}

constexpr bool iscode(const char* code) {
  return isupperc(code[0]) && isupperc(code[1]) && code[2] == '\0';
}

constexpr int codenumber(const char* code) {
  return (code[0] - 'A') * 26 + (code[1] - 'A');
}

constexpr bool samecode(const char* a, const char* b) {
  return a[0] == b[0] && a[1] == b[1];
}

constexpr bool before(const char* a, const char* b) {
  return a[0] < b[0] || (a[0] == b[0] && a[1] < b[1]);
}

constexpr int registryrow(const char* code) {
  for (int i = 0; i < kRegistryCountries; ++i) {
    if (samecode(kRegistry[i].code, code)) return i;
  }
  return -1;
}

constexpr int textlength(const char* s) {
  int n = 0;
  while (s[n] != '\0') ++n;
  return n;
}

constexpr int territoryrow(const char* code) {
  for (int t = 0; t < kRegistryTerritories; ++t) {
    if (samecode(kTerritories[t].code, code)) return t;
  }
  return -1;
}

// Whether list, codes separated by single blanks, names each territory of kTerritories that
// names country once (in the registry's order, not necessarily that of the codes), and no other.
constexpr bool sameterritories(const char* list, const char* country) {
  int listed = 0;
  for (int k = 0; list[k] != '\0'; k += 2) {
    if (k > 0 && list[k++] != ' ') return false;
    if (!isupperc(list[k]) || !isupperc(list[k + 1])) return false;
    int t = territoryrow(list + k);
    if (t < 0 || !samecode(kTerritories[t].country, country)) return false;
    for (int j = 0; j < k; j += 3) {
      if (samecode(list + j, list + k)) return false;
    }
    ++listed;
  }
  for (int t = 0; t < kRegistryTerritories; ++t) {
    if (samecode(kTerritories[t].country, country)) --listed;
  }
  return listed == 0;
}

// Codes two upper-case letters in strict order; each BBAN its sections (none empty, none
// behind nparts) adding up to the IBAN length less the code and the check digits, within the
// 34 characters of an IBAN; a bank identifier and, where there is one, a branch identifier
// inside the BBAN, apart from each other; the example as long as the IBAN, under its code.
constexpr bool consistentcountries() {
  for (int i = 0; i < kRegistryCountries; ++i) {
    const RegistryCountry& c = kRegistry[i];
    if (!iscode(c.code)) return false;
    if (i > 0 && !before(kRegistry[i - 1].code, c.code)) return false;
    if (c.nparts < 1 || c.nparts > kBbanPartSlots) return false;
    int bban = 0;
    for (int p = 0; p < kBbanPartSlots; ++p) {
      if ((p < c.nparts) != (c.parts[p].length > 0)) return false;
      bban += c.parts[p].length;
    }
    if (4 + bban != c.ibanlength || c.ibanlength > 34) return false;
    if (c.banklength == 0 || c.bankstart + c.banklength > bban) return false;
    if (c.branchlength == 0) {
      if (c.branchstart != 0) return false;
    } else {
      if (c.branchstart + c.branchlength > bban) return false;
      if (c.branchstart < c.bankstart + c.banklength &&
          c.bankstart < c.branchstart + c.branchlength)
        return false;
    }
    if (textlength(c.example) != c.ibanlength || !samecode(c.example, c.code)) return false;
    if (!sameterritories(c.territories, c.code)) return false;
  }
  return true;
}
static_assert(consistentcountries(), "registry table inconsistent");

// Territory codes in strict order, none a registry country's; each names a registry country,
// and is in SEPA only with it.
constexpr bool consistentterritories() {
  for (int t = 0; t < kRegistryTerritories; ++t) {
    const RegistryTerritory& r = kTerritories[t];
    if (!iscode(r.code) || !iscode(r.country)) return false;
    if (t > 0 && !before(kTerritories[t - 1].code, r.code)) return false;
    if (registryrow(r.code) >= 0) return false;
    int row = registryrow(r.country);
    if (row < 0 || (r.sepa && !kRegistry[row].sepa)) return false;
  }
  return true;
}
static_assert(consistentterritories(), "territory table inconsistent");

// Row number + 1 for every code "AA".."ZZ", 0 for none: of the registry country itself, of the
// registry country whose IBANs the code's accounts have, of the territory.
struct CodeIndex {
  unsigned char country[26 * 26];
  unsigned char ibancountry[26 * 26];
  unsigned char territory[26 * 26];
};

constexpr CodeIndex makecodeindex() {
  CodeIndex index{};
  for (int i = 0; i < kRegistryCountries; ++i) {
    int code = codenumber(kRegistry[i].code);
    index.country[code] = static_cast<unsigned char>(i + 1);
    index.ibancountry[code] = static_cast<unsigned char>(i + 1);
  }
  for (int t = 0; t < kRegistryTerritories; ++t) {
    int code = codenumber(kTerritories[t].code);
    index.ibancountry[code] = static_cast<unsigned char>(registryrow(kTerritories[t].country) + 1);
    index.territory[code] = static_cast<unsigned char>(t + 1);
  }
  return index;
}

static_assert(kRegistryCountries < 256 && kRegistryTerritories < 256, "rows beyond the index");
constexpr CodeIndex kCodeIndex = makecodeindex();

constexpr RegistryIndex makeregistryindex() {
  RegistryIndex index{};
  for (int i = 0; i < 26 * 26; ++i) index.row[i] = kCodeIndex.country[i];
  return index;
}

// Which characters each class admits, one lookup per character of an IBAN.
struct KindTable {
  bool admits[3][256];
};

constexpr KindTable makekindtable() {
  KindTable t{};
  for (int c = 0; c < 256; ++c) {
    bool digit = isdigitc(static_cast<char>(c));
    bool upper = isupperc(static_cast<char>(c));
    t.admits[static_cast<int>(CharKind::Digit)][c] = digit;
    t.admits[static_cast<int>(CharKind::Upper)][c] = upper;
    t.admits[static_cast<int>(CharKind::Alnum)][c] = digit || upper;
  }
  return t;
}

constexpr KindTable kKindTable = makekindtable();

bool admits(CharKind kind, char c) {
  return kKindTable.admits[static_cast<int>(kind)][static_cast<unsigned char>(c)];
}

}  // namespace

constexpr RegistryIndex kRegistryIndex = makeregistryindex();

const RegistryCountry* ibancountryof(const char* code) {
  if (!iscode(code)) return nullptr;
  int row = kCodeIndex.ibancountry[codenumber(code)];
  return row == 0 ? nullptr : &kRegistry[row - 1];
}

const RegistryTerritory* registryterritory(const char* code) {
  if (!iscode(code)) return nullptr;
  int row = kCodeIndex.territory[codenumber(code)];
  return row == 0 ? nullptr : &kTerritories[row - 1];
}

namespace {

// The class of every character as a bit (1 digit, 2 upper-case letter, 0 anything else), and
// for every BBAN place of every country the bits it admits: a BBAN fits when each character's
// bit is among its place's, tested without a branch per character.
struct ClassBits {
  unsigned char of[256];
};

constexpr ClassBits makeclassbits() {
  ClassBits t{};
  for (int c = 0; c < 256; ++c)
    t.of[c] = isdigitc(static_cast<char>(c)) ? 1 : isupperc(static_cast<char>(c)) ? 2 : 0;
  return t;
}

constexpr ClassBits kClassBits = makeclassbits();

constexpr int kMaxBban = 32;

struct PlaceBits {
  unsigned char of[kRegistryCountries][kMaxBban];
};

constexpr PlaceBits makeplacebits() {
  PlaceBits t{};
  for (int i = 0; i < kRegistryCountries; ++i) {
    int at = 0;
    for (int p = 0; p < kRegistry[i].nparts; ++p) {
      const CharKind kind = kRegistry[i].parts[p].kind;
      const unsigned char bits = kind == CharKind::Digit ? 1 : kind == CharKind::Upper ? 2 : 3;
      for (int k = 0; k < kRegistry[i].parts[p].length; ++k) t.of[i][at++] = bits;
    }
  }
  return t;
}

constexpr bool bbansfit() {
  for (int i = 0; i < kRegistryCountries; ++i)
    if (kRegistry[i].ibanlength - 4 > kMaxBban) return false;
  return true;
}
static_assert(bbansfit(), "a BBAN longer than the place table");

constexpr PlaceBits kPlaceBits = makeplacebits();

}  // namespace

bool registryform(const RegistryCountry& c, const char* iban, std::size_t n) {
  if (n != c.ibanlength) return false;
  if (!samecode(iban, c.code) || !isdigitc(iban[2]) || !isdigitc(iban[3])) return false;
  const std::ptrdiff_t row = &c - kRegistry;
  if (row < 0 || row >= kRegistryCountries) {
    // Not a row of the table (a copy of one): section by section.
    const char* p = iban + 4;
    for (int i = 0; i < c.nparts; ++i) {
      const BbanPart& part = c.parts[i];
      for (const char* end = p + part.length; p != end; ++p) {
        if (!admits(part.kind, *p)) return false;
      }
    }
    return true;
  }
  const unsigned char* places = kPlaceBits.of[row];
  const unsigned char* bban = reinterpret_cast<const unsigned char*>(iban + 4);
  unsigned fits = 1;
  for (std::size_t i = 0; i + 4 < n; ++i) fits &= (kClassBits.of[bban[i]] & places[i]) != 0;
  return fits != 0;
}
