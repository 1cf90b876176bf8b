// Baseline for the harvest and the rewrite: copies a file one byte at a time with getc/putc,
// in one pass, the cheapest program that looks at every byte of the payment file.
// usage: bench_copy_bytes IN OUT
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_copy_bytes IN OUT\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) return 1;
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 1;
  int c;
  while ((c = std::getc(in)) != EOF) std::putc(c, out);
  std::fclose(in);
  return std::fclose(out) == 0 ? 0 : 1;
}
