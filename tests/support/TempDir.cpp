#include "support/TempDir.h"

#include <stdlib.h>

#include <stdexcept>

#include "platform/FileOps.h"

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = platform::TempFolder() + "orvane-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() { platform::RemoveTree(path); }

}  // namespace testsupport
