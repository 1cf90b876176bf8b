// Baseline for the batch: copies a file line by line with fgets/fputs and a 1000-byte buffer,
// the cheapest program that reads and writes every line of the data file the way the batch
// does.
// usage: bench_copy_lines IN OUT
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_copy_lines IN OUT\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) return 1;
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 1;
  char line[1000];
  while (std::fgets(line, sizeof line, in)) std::fputs(line, out);
  std::fclose(in);
  return std::fclose(out) == 0 ? 0 : 1;
}
