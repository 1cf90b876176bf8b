// The program's own texts: console lines and message-box texts, single-byte Windows-1252.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

/// The account named in the closing message, shown as it is printed.
struct DonationAccount {
  const char* konto;   ///< account number as shown
  const char* holder;  ///< account holder
  const char* bank;    ///< bank name
  const char* blz;     ///< bank code as shown
  const char* iban;    ///< electronic form; printed in groups of four
  const char* bic;
};
extern const DonationAccount kDonation;

extern const char kUsageLine[];
/// The legend printed behind the usage line: the data file's fields and every result code.
std::string legend();
extern const char kOutputNotWritable[];  ///< console line for every result/data write failure
extern const char kDataNotWritable[];
extern const char kDataBusy[];         ///< console line when another run holds the data file
extern const char kBankTableFaulty[];  ///< console line when the bank table cannot be read
extern const char kInternal01[];
extern const char kInternal02[];
extern const char kInternal03[];  ///< a rewrite pass met other record points than the harvest

std::string usagebox();
std::string datanotfoundbox(const std::string& data);
std::string outputopenbox(const std::string& path);  ///< path of the file that failed
std::string outputwritebox(const std::string& path);
std::string backupfailbox(const std::string& data);
std::string datawritebox(const std::string& data);
std::string databusybox(const std::string& data);
/// The bank table beside the data file cannot be read, or its line (from 1; 0: not at all)
/// is not one of a bank table: nothing is checked without it, so nothing runs.
std::string banktablebox(const std::string& path, std::size_t line);
/// Why the command line cannot be run; checked before any file is touched.
enum class ArgError {
  TooMany,         ///< more than three arguments
  PaymentMissing,  ///< the payment file does not exist
  PaymentFolder,   ///< it is a folder
  PaymentUnreadable,
  NotCreditTransfer,  ///< it is no pain.001 credit transfer
  ModeNotNumber,
  ModeNotPositive,
};
/// The error box of an argument that cannot be run; text is the argument as given.
std::string argerrorbox(ArgError e, const std::string& text);

/// What a completed run has to tell besides its success, one "Hinweis: ..." line each.
struct RunNotice {
  unsigned long long quoted = 0;   ///< captured texts left empty for a double quote
  unsigned long long noplace = 0;  ///< elements the version has no place for
  unsigned long long nocode = 0;   ///< elements whose country has no clearing-system code
  unsigned long long inway = 0;    ///< elements whose replacement would have moved a pair
  std::string version;             ///< the payment file's version
};
/// The notice's lines, each "Hinweis: ..." with CR LF; empty when there is nothing to tell.
std::string noticelines(const RunNotice& n);

/// What a completed run did, for the top of its closing message.
struct RunSummary {
  unsigned long long records = 0;  ///< result lines written
  /// Records per result code: code, meaning, count (only codes that occurred).
  struct Code {
    const char* code;
    const char* meaning;
    unsigned long long count;
  };
  std::vector<Code> codes;
  bool harvested = false;  ///< a payment file was harvested
  unsigned long long creditors = 0, debtors = 0, bicslearnt = 0;
  bool rewritten = false;  ///< a rewritten payment file was written
  bool modereplacesnothing = false;
  std::string mode;  ///< the mode text, for a mode that replaces nothing
  unsigned long long asked = 0, replaced = 0;
};
/// The summary's lines, each with CR LF.
std::string summarylines(const RunSummary& s);

/// The closing message; summary (lines with CR LF, or empty) stands in front of it.
std::string closingbox(const std::string& data, const std::string& summary = "");

/// The IBAN in groups of four separated by blanks.
std::string groupsoffour(const std::string& iban);
