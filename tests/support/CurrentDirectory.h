#pragma once

#include <string>

#include "platform/KelCurrentDirectory.h"

namespace testsupport {

// Makes a folder current for the life of the object, for code that writes
// relative file names, and the previous directory current again afterwards.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& folder);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    KelCurrentDirectory previous;
};

}  // namespace testsupport
