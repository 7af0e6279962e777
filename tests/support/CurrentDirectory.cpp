#include "support/CurrentDirectory.h"

#include <unistd.h>

#include <stdexcept>

namespace testsupport {

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& folder) {
    if (chdir(folder.c_str()) != 0) throw std::runtime_error("cannot enter " + folder);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    previous.MakeCurrent();
}

}  // namespace testsupport
