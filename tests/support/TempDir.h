#pragma once

#include <string>

namespace testsupport {

// A fresh folder under the temporary folder, removed with everything in it when
// the object goes.
class TempDir {
public:
    TempDir();
    // Inside `parent` instead of the temporary folder.
    explicit TempDir(const std::string& parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    // Path of an entry inside the folder.
    std::string operator/(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

}  // namespace testsupport
