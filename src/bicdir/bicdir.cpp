#include "bicdir/bicdir.h"

#include "bicdir/bicindex.h"
#include "common/runfiles.h"

// The BIC directory's place is part of a run's file set.
std::string bicpath(const char* verz) {
  return bicdirof(verz);
}

// The one-shot lookup and addition are the index's, over a file read for the one call.
int getbic(const char* land, const char* blz, char* bic, const char* verz) {
  BicIndex index;
  index.load(verz);
  return index.get(land, blz, bic);
}

int putbic(const char* land, const char* blz, const char* bic, const char* verz) {
  BicIndex index;
  index.load(verz);
  return index.put(land, blz, bic);
}
