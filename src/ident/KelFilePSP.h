#pragma once

#include "ident/KelFileBase.h"

// The disc handler of a PSP candidate.
class KelFilePSP final : public KelFileBase {
public:
    explicit KelFilePSP(const DiscHandlerParams& params);
};
