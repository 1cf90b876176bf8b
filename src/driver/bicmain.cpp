#include "driver/bicrun.h"

int main(int argc, char** argv) { return bicrun(argc, argv); }
