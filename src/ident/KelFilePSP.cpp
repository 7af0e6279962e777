#include "ident/KelFilePSP.h"

#include "ident/BootFileId.h"

namespace {

// Image extensions in order of preference: of Game.bin and Game.cue, the .bin
// is read.
constexpr const char* EXTENSIONS =
    "img bin iso cue cdi ccd rar zip 7z part1.rar part01.rar part001.rar 001 nrg cso zso";

}  // namespace

KelFilePSP::KelFilePSP(const DiscHandlerParams& params) : KelFileBase(params, EXTENSIONS) {
    ReadBootFiles(IdentifyPsp);
}
