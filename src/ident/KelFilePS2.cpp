#include "ident/KelFilePS2.h"

#include "ident/BootFileId.h"

namespace {

// Image extensions in order of preference: of Game.bin and Game.cue, the .bin
// is read.
constexpr const char* EXTENSIONS =
    "img bin iso cue bwt cdi b5t ccd pdi rar zip 7z part1.rar part01.rar part001.rar 001 mdf nrg "
    "chd cso zso";

}  // namespace

KelFilePS2::KelFilePS2(const DiscHandlerParams& params) : KelFileBase(params, EXTENSIONS) {
    ReadBootFiles(IdentifyPlayStation2);
}
