// velmora-bic: enters the BICs of the Deutsche Bundesbank's bank code file into the BIC
// directory of a data file. Its own messages and exit status.
#pragma once

/// Runs velmora-bic with argc - 1 arguments in argv[1..]: the bank code file and the data file
/// whose BIC directory is filled. Returns the exit status: 0 when every main record's BIC is in
/// the directory, 1 after a usage error or a fault, with the directory as it was.
int bicrun(int argc, char** argv);
