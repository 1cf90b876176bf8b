// Placeholder until the rewrite lands.
#include "iso20022/rewrite.h"

RewriteResult rewrite(const char*, const char*, const char*, std::string&) {
  return RewriteResult::Done;
}
