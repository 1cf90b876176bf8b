#include "common/files.h"

#include <gtest/gtest.h>

#include <string>

#include "common/textbuf.h"
#include "support/tempdir.h"

namespace {

// Pieces as fgets with a 1000-byte buffer cuts them, NUL bytes included.
TEST(LineReader, CutsPiecesLikeFgets) {
  TempDir dir;
  std::string nul("a\0b\n", 4);
  dir.write("in", std::string(2500, 'x') + "\r\n" + "\r\n" + nul + "last");
  File f = openfile(dir.file("in"), "rb");
  LineReader in(f.get());
  char buf[kLineBuf];
  std::size_t want[] = {999, 999, 504, 2, 4, 4};
  for (std::size_t w : want) EXPECT_EQ(in.next(buf, sizeof buf), w);
  EXPECT_EQ(std::string(buf, 4), "last");
  EXPECT_EQ(in.next(buf, sizeof buf), 0u);
  EXPECT_FALSE(in.failed());
}

TEST(LineReader, SmallPiecesAcrossTheReadAhead) {
  TempDir dir;
  std::string big;
  for (int i = 0; i < 20000; ++i) big += std::to_string(i) + "\n";
  dir.write("in", big);
  File f = openfile(dir.file("in"), "rb");
  LineReader in(f.get());
  char buf[8];
  std::string back;
  std::size_t n;
  while ((n = in.next(buf, sizeof buf)) > 0) back.append(buf, n);
  EXPECT_EQ(back, big);
}

}  // namespace
