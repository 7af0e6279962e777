#include "platform/KelCurrentDirectory.h"

#include <unistd.h>

#include <vector>

KelCurrentDirectory::KelCurrentDirectory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (buffer.size() > (1u << 20)) return;
        buffer.resize(buffer.size() * 2);
    }
    directory = buffer.data();
}

bool KelCurrentDirectory::MakeCurrent() const {
    return !directory.empty() && chdir(directory.c_str()) == 0;
}
