#pragma once

#include <memory>

#include "ident/KelFileBase.h"

// The disc handler of a system: 1 PlayStation, 2 PlayStation 2, 3 PSP. Its
// constructor does the whole identification. Null for no system.
std::unique_ptr<KelFileBase> CreateDiscHandler(int systemIndex, const DiscHandlerParams& params);
