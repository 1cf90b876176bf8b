#include "iso20022/paymentfile.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/files.h"
#include "iso20022/xmllex.h"

namespace {

// The message elements of a credit transfer: of pain.001.001.03 and later, and the two of the
// 2006 editions, which are named after their message.
constexpr std::string_view kMessages[] = {"CstmrCdtTrfInitn", "pain.001.001.02", "pain.001.002.02"};

bool ismessage(std::string_view local) {
  for (std::string_view m : kMessages)
    if (local == m) return true;
  return false;
}

}  // namespace

PaymentFileCheck checkpayment(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (st.type() == std::filesystem::file_type::not_found) return PaymentFileCheck::Missing;
  if (st.type() == std::filesystem::file_type::directory) return PaymentFileCheck::Folder;
  File f = openfile(path, "rb");
  if (!f) return PaymentFileCheck::Unreadable;
  XmlLexer x;
  char block[1 << 16];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, f.get())) > 0) {
    for (std::size_t i = 0; i < n;) {
      if (const std::size_t k = xmlrun(x, block + i, n - i); k > 0) {
        xmltakerun(x, block + i, k);
        i += k;
        continue;
      }
      const XmlToken t = xmlbyte(x, block[i++]);
      if ((t == XmlToken::StartTag || t == XmlToken::EmptyTag) && ismessage(x.name.local())) {
        return PaymentFileCheck::CreditTransfer;
      }
    }
  }
  return std::ferror(f.get()) ? PaymentFileCheck::Unreadable : PaymentFileCheck::NotCreditTransfer;
}
