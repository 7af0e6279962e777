#pragma once

#include "ident/KelFileBase.h"

// The disc handler of a PlayStation candidate.
class KelFilePS final : public KelFileBase {
public:
    explicit KelFilePS(const DiscHandlerParams& params);
};
