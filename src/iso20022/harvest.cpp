// Placeholder until the harvest lands: the payment file is not read.
#include "iso20022/harvest.h"

HarvestResult harvest(const char*, const char*) { return HarvestResult::Skipped; }
