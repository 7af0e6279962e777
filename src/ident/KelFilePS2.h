#pragma once

#include "ident/KelFileBase.h"

// The disc handler of a PlayStation 2 candidate.
class KelFilePS2 final : public KelFileBase {
public:
    explicit KelFilePS2(const DiscHandlerParams& params);
};
