// The harvest's scanner: a byte-at-a-time state machine that picks the account data of the
// creditors or the debtors out of a payment file. It is not an XML parser: it knows tags only
// by their literal names and passes over everything it does not recognise.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/textbuf.h"
#include "iso20022/scanrows.h"

/// Where the scanner is; the names say what the scanner is reading. The numbers index the
/// state table. 0 to 25 group the states by element (2 to 8 the account, 12 to 19 the agent,
/// 22 to 25 the party), which keeps each group's rows together; the gaps are unused rows.
enum class HarvestState : int {
  Outside = 0,           ///< outside the watched elements
  InTag = 1,             ///< in a tag begun outside
  InAccount = 2,         ///< in the account element, between tags
  InAccountTag = 3,      ///< in a tag within the account element
  InAccountEndTag = 4,   ///< in an end tag within the account element
  InIbanText = 5,        ///< in the text of "IBAN"
  InPrtryAcct = 6,       ///< in a "PrtryAcct" element, between tags
  InPrtryAcctTag = 7,    ///< in a tag within "PrtryAcct"
  InAccountIdText = 8,   ///< in the text of the "Id" within "PrtryAcct"
  SkippingTag = 9,       ///< rest of an end tag, comment, declaration or processing instruction
  InAgent = 12,          ///< in the agent element, between tags
  InAgentTag = 13,       ///< in a tag within the agent element
  InAgentEndTag = 14,    ///< in an end tag within the agent element
  InBicText = 15,        ///< in the text of "BIC"
  InBankId = 16,         ///< in a "ClrSysMmbId" or "PrtryId" element, between tags
  InBankIdTag = 17,      ///< in a tag within that element
  InBankIdText = 18,     ///< in the text of its "Id"
  InAgentCtryText = 19,  ///< in the text of a "Ctry" within the agent element
  InParty = 22,          ///< in the party element, between tags
  InPartyTag = 23,       ///< in a tag within the party element
  InPartyEndTag = 24,    ///< in an end tag within the party element
  InPartyCtryText = 25,  ///< in the text of a "Ctry" within the party element
  InEndTagOutside = 26,  ///< in an end tag begun outside: may close a transaction or block
  AfterBang = 27,        ///< after "<!" within a watched element
  InComment = 28,        ///< in a comment within a watched element, up to "-->"
  InCData = 29,          ///< in a CDATA section within a watched element, up to "]]>"
  InPi = 30,             ///< in a processing instruction within a watched element, up to "?>"
  InDecl = 31,           ///< in other "<!" markup within a watched element, up to ">"
};

/// The three elements a pass watches, and None outside them.
enum class HarvestGroup : unsigned char { None, Account, Agent, Party };

/// What tells the creditor pass from the debtor pass: the watched element names, the element
/// whose end tag is the record point, and the element that holds one pair of account and
/// agent (a transaction, a payment block).
struct HarvestSide {
  std::string_view account;
  std::string_view agent;
  std::string_view party;
  std::string_view pair;
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
/// in state Outside with all fields empty, ready for the creditor pass.
struct HarvestScan {
  scanrows::Lexer x;    ///< the state (a HarvestState), the tag name, a skip's progress
  std::size_t pos = 0;  ///< length of the element text being captured
  HarvestFields f = {};
  HarvestGroup closedin = HarvestGroup::None;  ///< the element the last tag closed in
  HarvestState state() const { return static_cast<HarvestState>(x.status); }
};

/// What a byte did besides moving the scanner, as bits of harvestbyte's result.
enum HarvestEvent : unsigned {
  kRecordPoint = 1,   ///< the end tag of the side's record element: a record was handed over
  kPairBoundary = 2,  ///< the start or end tag of the side's pair element: the fields emptied
  kStartTag = 4,      ///< a start tag closed within a watched element (closedin); its name is
                      ///< in x.name
  kGroupStart = 8,    ///< a start tag of a watched element closed
};

/// The watched element a state lies in (None outside them, and for the skip states).
HarvestGroup groupof(HarvestState s);

/// Starts a pass: empties the five fields. The state is deliberately kept: the debtor pass
/// starts where the creditor pass ended, which is Outside unless the file ends in the middle
/// of a tag or a captured text.
void harveststart(HarvestScan& s);

/// Feeds one byte of the payment file. At a record point of side, calls sink.record and then
/// empties iban, konto, bic and blz (land keeps its value for the next record); at a pair
/// boundary it empties them too, so that no value reaches the record of another pair.
/// Returns the HarvestEvent bits of the byte (0 for most bytes).
unsigned harvestbyte(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink);

/// Feeds n bytes as harvestbyte would one at a time, taking the runs that the current state
/// lets pass whole (runs of text between tags, of a tag's name) in one go.
void harvesttext(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                 HarvestSink& sink);

/// Feeds bytes as harvesttext does, but stops behind the first byte that has events, which
/// are then in events (0 when the n bytes had none). Returns the bytes taken.
std::size_t harvestuntil(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
                         HarvestSink& sink, unsigned& events);

/// The run of the n bytes at p that the scanner's current state lets pass whole: bytes that
/// change nothing but its tag name or captured text, as harvestbyte would change them. The
/// byte behind it must go through harvestbyte.
std::size_t harvestrun(const HarvestScan& s, const char* p, std::size_t n);
/// Takes k bytes at p that harvestrun gave, as k calls of harvestbyte would.
void harvesttakerun(HarvestScan& s, const char* p, std::size_t k);
