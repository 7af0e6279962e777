#include "core/RunHost.h"

// Out of line, so the class has one home for its virtual table.
RunHost::~RunHost() = default;
