// A fuzz target's entry point run over files, so that ctest replays every
// seed and every input that once made a target fail, in every build.
#include <dirent.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Replay(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        DIR* folder = opendir(argv[i]);
        if (folder == nullptr) continue;
        std::vector<std::string> names;
        while (const dirent* entry = readdir(folder)) {
            if (entry->d_name[0] != '.')
                names.push_back(std::string(argv[i]) + "/" + entry->d_name);
        }
        closedir(folder);
        for (const std::string& name : names) {
            Replay(name);
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return 0;
}
