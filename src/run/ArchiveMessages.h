#pragma once

#include "archive/KelArchiverBase.h"

class RunHost;

// Tells the user why a disc's archive could not be extracted: one message in
// the user's language that names what it is about, with the family's
// caption; nothing after a success or the run's Stop.
void ShowArchiveProblem(RunHost& host, const ArchiveProblem& problem);
