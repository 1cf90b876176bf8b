// Well-formed payment files built from a stream of choices, each with the pairing a harvest
// and a rewrite must find in it, and a checker that no value of one pair shows up in another.
// Used by the pairing tests and by the rewrite's fuzz target.
//
// Every value of a pair carries the pair's mark: "~T3~" for the third transaction, "~P1~" for
// the first payment block. The result lines made for the harvested records carry "^T3^" and
// so on, and user lines behind them "^U^", which the rewrite must never use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// A source of choices: pick(n) is a number below n.
class Choices {
 public:
  virtual ~Choices() = default;
  virtual unsigned pick(unsigned n) = 0;
};

/// Choices read from bytes (a fuzz input); 0 once the bytes are used up.
class ByteChoices final : public Choices {
 public:
  ByteChoices(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  unsigned pick(unsigned n) override { return pos_ < n_ ? p_[pos_++] % n : 0; }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

/// Choices from a seeded generator, the same for the same seed.
class SeedChoices final : public Choices {
 public:
  explicit SeedChoices(std::uint64_t seed) : x_(seed * 2654435761u + 1) {}
  unsigned pick(unsigned n) override {
    x_ = x_ * 6364136223846793005u + 1442695040888963407u;
    return static_cast<unsigned>(x_ >> 33) % n;
  }

 private:
  std::uint64_t x_;
};

/// One pair of a generated file: a transaction ("T3") or a payment block ("P1").
struct GenPair {
  std::string id;
  bool recorded;  ///< the harvest writes a record for it
  bool account;   ///< its account's "Id" is one the rewrite replaces when the mode asks
  bool agent;     ///< its agent's "FinInstnId" likewise
};

struct GenFile {
  std::string xml;
  std::vector<GenPair> pairs;  ///< transactions, then payment blocks, each in document order
  /// The pairs with records in the order the harvest writes them: creditor, then debtor.
  std::vector<std::string> records() const;
};

/// A payment file of one to three payment blocks with up to three transactions each, with
/// the variations that pairing must survive: no namespace or that of version 02, 03, 09 or
/// 12 with its spellings, a prefix on every element or none, white space before ">",
/// attributes (with ">" and "/" in their values), cheques (an agent without an account),
/// elements in either order, comments, CDATA sections and processing instructions inside the
/// watched elements and between pairs, some of them holding a whole pair of either side with
/// values marked FAKE, line breaks and indentation in texts, raw ">" in texts, self-closing
/// agents.
GenFile makepayfile(Choices& c);

/// The result lines the batch would give the records: one per harvested record with its
/// pair's "^id^" values, then user lines numbered "0", "001" and "0x" with "^U^" values.
std::vector<std::string> resultlines(const GenFile& f);

/// Checks a rewritten file against the pairs of f: the tags still balance, every mark inside
/// a transaction (outside its debtor elements) is the transaction's, every mark elsewhere in a
/// payment block is the block's, "^U^" never appears, no FAKE value stands outside a comment,
/// PI or CDATA section, and with replace each pair that the
/// mode changes carries its "^id^" values (replace says which elements the mode changes:
/// bit 0 accounts, bit 1 agents). Returns "" or what is wrong.
std::string checkpairs(const GenFile& f, const std::string& out, unsigned replace);
