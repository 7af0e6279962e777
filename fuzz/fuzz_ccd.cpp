// CloneCD control files from untrusted bytes, beside an existing .img file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzFolder.h"
#include "image/CloneCDParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string controlPath = [] {
        WriteFuzzFile("disc.img", "data");
        return FuzzFolder() + "/disc.ccd";
    }();
    TrackTable table;
    ParseCloneCD(std::string_view(reinterpret_cast<const char*>(data), size), controlPath, table);
    return 0;
}
