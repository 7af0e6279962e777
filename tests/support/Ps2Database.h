#pragma once

#include <string>

namespace testsupport {

// The text of a PS2 game list of realistic size: the corpus's ps2.csv (12,820
// games, a third of the names Japanese) or, in a checkout without the corpus,
// a generated list of the same size and mix. `fromCorpus` tells which.
std::string Ps2DatabaseText(bool* fromCorpus = nullptr);

}  // namespace testsupport
