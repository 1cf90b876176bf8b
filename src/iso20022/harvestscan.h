// The harvest's scanner: picks the account data of the creditors or the debtors out of a
// payment file. It reads the file through the one XML lexer (xmllex.h) and follows, on its
// tags and texts, a small machine of where it is: outside the watched elements, or in an
// account, an agent or a party and which of their children. Elements are recognised by their
// local names, whatever their namespace prefix and attributes, in the spellings of every
// pain.001 version: "BIC" and "BICFI", a clearing member's "Id" and "MmbId", an account
// number under "PrtryAcct" or "Othr".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/textbuf.h"
#include "iso20022/xmllex.h"

/// Where the scanner is among the elements it watches. A text state captures the element's
/// text into a field and goes back to its element's state at the next tag.
enum class HarvestState : unsigned char {
  Outside,          ///< outside the watched elements
  InAccount,        ///< in the account element
  InAccountNumber,  ///< in a "PrtryAcct" or "Othr" of the account, before its "Id"
  InIbanText,       ///< in the text of "IBAN"
  InAccountIdText,  ///< in the text of the account number's "Id"
  InAgent,          ///< in the agent element
  InBankId,         ///< in a "ClrSysMmbId", "PrtryId" or "Othr" of the agent
  InBicText,        ///< in the text of "BIC" or "BICFI"
  InBankIdText,     ///< in the text of the bank code's "Id" or "MmbId"
  InAgentCtryText,  ///< in the text of a "Ctry" within the agent
  InParty,          ///< in the party element
  InPartyCtryText,  ///< in the text of a "Ctry" within the party
};
/// How many states there are: the machine has a row for each (a new state goes last, and this
/// counts it).
constexpr int kHarvestStates = static_cast<int>(HarvestState::InPartyCtryText) + 1;

/// The three elements a pass watches, and None outside them.
enum class HarvestGroup : unsigned char { None, Account, Agent, Party };

/// The names the harvest's machine compares tags with: the side's four, then those of the
/// elements inside the watched ones.
constexpr int kHarvestNames = 14;

/// What tells the creditor pass from the debtor pass: the watched element names, the element
/// whose end tag is the record point, and the element that holds one pair of account and
/// agent (a transaction, a payment block).
struct HarvestSide {
  /// Every name the machine compares with: account, agent, party and pair element, then the
  /// names common to both sides.
  std::string_view names[kHarvestNames];
  HarvestGroup recordat;  ///< Account or Agent
};
extern const HarvestSide kCreditorHarvest;
extern const HarvestSide kDebtorHarvest;

/// The record being gathered: terminated texts of kFieldSize characters each.
struct HarvestFields {
  char iban[kFieldSize];
  char konto[kFieldSize];
  char bic[kFieldSize];
  char blz[kFieldSize];
  char land[kFieldSize];
};

/// Receives the fields at each record point. It may change them (the record step sets
/// land from the IBAN); the scanner then empties iban, konto, bic and blz itself.
class HarvestSink {
 public:
  virtual void record(HarvestFields& f) = 0;

 protected:
  ~HarvestSink() = default;
};

/// A receiver that takes no record: for scanners that only follow where a pass is.
class NoRecords final : public HarvestSink {
 public:
  void record(HarvestFields&) override {}
};

/// The whole state of the scanner, owned by the caller. A default-constructed HarvestScan is
/// outside everything with all fields empty, ready for the creditor pass.
struct HarvestScan {
  XmlLexer x;
  HarvestState state = HarvestState::Outside;
  std::size_t pos = 0;  ///< length of the element text being captured
  HarvestFields f = {};
  /// Elements open at this point of the text: start tags less end tags, from where the
  /// scanner began. The rewrite finds the end of an element it holds by it.
  long depth = 0;
  HarvestGroup tagin = HarvestGroup::None;  ///< the watched element the last tag was read in
  /// Captured texts with a double quote in them, which no quoted data-file field can hold:
  /// such a field is left empty.
  unsigned quoted = 0;
  /// True when both scanners are in the same state (all of it).
  bool operator==(const HarvestScan& o) const;
};

/// True when a and b will meet the same record points and pair boundaries, and hand over the
/// same records, whatever text follows: their states differ at most in depth (by which only
/// the ends of elements are told apart) and in what no later byte reads (the name of a tag
/// read completely, the element the last tag was read in).
bool samecourse(const HarvestScan& a, const HarvestScan& b);

/// What a byte did besides moving the scanner, as bits of harvestbyte's result.
enum HarvestEvent : unsigned {
  kRecordPoint = 1,   ///< the end tag of the side's record element: a record was handed over
  kPairBoundary = 2,  ///< the start or end tag of the side's pair element: the fields emptied
  kStartTag = 4,      ///< a start tag (not an empty element) read within a watched element
                      ///< (tagin); its name is in x.name, depth counts it
  kEndTag = 8,        ///< an end tag read within a watched element, its own included
  kGroupStart = 16,   ///< a start tag of a watched element
};

/// For each stretch of a pass, in order, whether it ends at a record point: one bit each. A
/// stretch is the text between two record points or pair boundaries of the pass.
class Stretches {
 public:
  /// Notes what harvest events end a stretch: a record point or a pair boundary.
  void note(unsigned events);
  /// Whether stretch n (from 0) ends at a record point; false for the stretch that the end of
  /// the text cuts off, and beyond.
  bool recorded(std::uint64_t n) const {
    return n < count_ && ((bits_[n / 64] >> (n % 64)) & 1u) != 0;
  }
  std::uint64_t count() const { return count_; }
  std::uint64_t records() const { return records_; }

 private:
  std::vector<std::uint64_t> bits_;
  std::uint64_t count_ = 0;
  std::uint64_t records_ = 0;
};

/// The scanner of another side, following the tags that a scanner reads: the rewrite's creditor
/// pass carries the debtor pass's scanner this way over what it writes. It takes the tags the
/// scanner it follows reads; the texts it would capture change nothing of where it goes, and
/// it takes none. Where other bytes go out than were read, its user sets it to what they
/// give.
struct HarvestFollower {
  const HarvestSide& side;
  HarvestScan scan;  ///< its machine; its lexer is used only by read
  Stretches stretches;
  /// It takes no tags but reads everything with its own lexer (read): for a pass that starts
  /// inside markup, where the two lexers read the first bytes differently.
  bool ownlexer = false;
  unsigned seen = 0;  ///< the HarvestEvent bits of the tags it took, since its user cleared it
  /// Reads n bytes with its own lexer, starting in the lexer state x.
  void read(const XmlLexer& x, const char* p, std::size_t n);
};

/// Starts a pass: empties the five fields. The rest is deliberately kept: the debtor pass
/// starts where the creditor pass ended, which is outside everything unless the file ends in
/// the middle of a tag, a comment or a captured text.
void harveststart(HarvestScan& s);

/// Feeds one byte of the payment file. At a record point of side, calls sink.record and then
/// empties iban, konto, bic and blz (land keeps its value for the next record); at a pair
/// boundary it empties them too, so that no value reaches the record of another pair.
/// A follower, if any, takes the byte's tag. Returns the HarvestEvent bits of the byte (0 for
/// most bytes).
unsigned harvestbyte(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink,
                     HarvestFollower* follower = nullptr);

/// Feeds n bytes as harvestbyte would one at a time, taking the runs that the lexer lets pass
/// whole (text between tags, a tag's name, a comment) in one go.
void harvesttext(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                 HarvestSink& sink);

/// Feeds n bytes as harvesttext does, noting where each stretch ends.
void harvestnote(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                 HarvestSink& sink, Stretches& stretches);

/// Feeds bytes as harvesttext does, but stops behind the first byte that has one of the events
/// stopat, which are then in events with the byte's others (0 when no byte had them). Returns
/// the bytes taken.
std::size_t harvestuntil(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                         HarvestSink& sink, unsigned& events, HarvestFollower* follower = nullptr,
                         unsigned stopat = ~0u);

/// The run of the n bytes at p that the scanner lets pass whole from where it is: bytes that
/// change nothing but its tag name or captured text, as harvestbyte would change them. The
/// byte behind it must go through harvestbyte.
std::size_t harvestrun(const HarvestScan& s, const char* p, std::size_t n);
/// Takes k bytes at p that harvestrun gave, as k calls of harvestbyte would.
void harvesttakerun(HarvestScan& s, const char* p, std::size_t k);
