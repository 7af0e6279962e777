#include "support/TempDir.h"

#include <stdlib.h>

#include <stdexcept>

#include "platform/FileOps.h"

namespace testsupport {

TempDir::TempDir() : TempDir(platform::TempFolder()) {}

TempDir::TempDir(const std::string& parent) {
    std::string pattern =
        parent + (parent.empty() || parent.back() != '/' ? "/" : "") + "orvane-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    platform::RemoveTree(path);
}

}  // namespace testsupport
