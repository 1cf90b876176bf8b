// Baseline for the harvest: copies a file in 64 KiB blocks with fread/fwrite, the speed at
// which the machine moves the payment file's bytes at all.
// usage: bench_copy_blocks IN OUT
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_copy_blocks IN OUT\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) return 1;
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 1;
  static char block[1 << 16];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, in)) > 0) {
    if (std::fwrite(block, 1, n, out) != n) return 1;
  }
  std::fclose(in);
  return std::fclose(out) == 0 ? 0 : 1;
}
