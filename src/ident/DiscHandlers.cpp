#include "ident/DiscHandlers.h"

#include "ident/KelFilePS.h"
#include "ident/KelFilePS2.h"
#include "ident/KelFilePSP.h"

std::unique_ptr<KelFileBase> CreateDiscHandler(int systemIndex, const DiscHandlerParams& params) {
    switch (systemIndex) {
        case 1:
            return std::make_unique<KelFilePS>(params);
        case 2:
            return std::make_unique<KelFilePS2>(params);
        case 3:
            return std::make_unique<KelFilePSP>(params);
        default:
            return nullptr;
    }
}
