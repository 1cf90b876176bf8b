// What a run's payment file is, checked before the run touches any file: a pain.001 credit
// transfer, or why not.
#pragma once

#include <string>

enum class PaymentFileCheck {
  CreditTransfer,     ///< a pain.001 credit-transfer message (perhaps without transactions)
  Missing,            ///< no file of that name
  Folder,             ///< a folder, not a file
  Unreadable,         ///< there, but it cannot be opened or read
  NotCreditTransfer,  ///< a file, but no credit-transfer message (text, a direct debit, ...)
};

/// Checks the file at path. A credit transfer is known by its message element, whatever its
/// namespace prefix and namespace: "CstmrCdtTrfInitn" from pain.001.001.03 on, and in the
/// files of 2006, which have none, the element named after the message ("pain.001.001.02",
/// "pain.001.002.02"). The file is read through the payment-file lexer until that element.
PaymentFileCheck checkpayment(const std::string& path);
