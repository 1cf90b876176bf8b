// The run driver: the shape of a run by its arguments, the order of the stages, every message
// and the exit status.
#pragma once

/// Runs velmora with argc - 1 arguments in argv[1..]. Returns the exit status: 0 after a
/// completed run, 1 after a fatal error.
int run(int argc, char** argv);
