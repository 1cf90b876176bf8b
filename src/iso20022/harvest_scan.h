// The harvest's scanner: a byte-at-a-time state machine that picks the account data of the
// creditors or the debtors out of a payment file. It is not an XML parser: it knows tags only
// by their literal names and passes over everything it does not recognise.
#pragma once

#include <cstddef>

#include "common/textbuf.h"
#include "iso20022/tagname.h"

/// Where the scanner is. The values are the state numbers of the harvest's state table (the
/// gaps are deliberate); the names say what the scanner is reading.
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
};

/// The three elements a pass watches.
enum class HarvestGroup { Account, Agent, Party };

/// What tells the creditor pass from the debtor pass: the watched element names and the
/// element whose end tag is the record point.
struct HarvestSide {
  const char* account;
  const char* agent;
  const char* party;
  HarvestGroup recordat;  ///< Account or Agent
};
extern const HarvestSide kCreditorSide;
extern const HarvestSide kDebtorSide;

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

/// The whole state of the scanner, owned by the caller. A default-constructed HarvestScan is
/// in state Outside with all fields empty, ready for the creditor pass.
struct HarvestScan {
  HarvestState status = HarvestState::Outside;
  TagName name;         ///< tag-name accumulator
  std::size_t pos = 0;  ///< length of the element text being captured
  HarvestFields f = {};
};

/// Starts a pass: empties the five fields. The state is deliberately kept: the debtor pass
/// starts where the creditor pass ended, which is Outside unless the file ends in the middle
/// of a tag or a captured text.
void startpass(HarvestScan& s);

/// Feeds one byte of the payment file. At a record point of side, calls sink.record and then
/// empties iban, konto, bic and blz (land keeps its value for the next record).
void scanbyte(HarvestScan& s, const HarvestSide& side, char c, HarvestSink& sink);

/// Feeds n bytes, one at a time, as scanbyte does.
void scanbytes(HarvestScan& s, const HarvestSide& side, const char* p, std::size_t n,
               HarvestSink& sink);
