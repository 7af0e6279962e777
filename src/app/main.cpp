// orvane: the window of the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/CKelvaneApp.h"
#include "platform/KelCurrentDirectory.h"
#include "platform/UserDataFolder.h"

namespace {

const char* const USAGE =
    "Usage: orvane [--data-folder] [--screenshot FILE]\n"
    "Audits and renames a collection of PlayStation, PlayStation 2 and PSP disc images.\n"
    "Settings, presets, lists and logs are kept in the start-up directory: the current\n"
    "directory, or with --data-folder the user's data folder.\n"
    "\n"
    "  --data-folder      use $XDG_DATA_HOME/orvane (~/.local/share/orvane) as the\n"
    "                     start-up directory, created when missing; the desktop entry\n"
    "                     starts the window this way\n"
    "  --screenshot FILE  render the window with the English texts into a PNG file\n"
    "                     and exit, without a display and without saving anything\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are passed on to Qt.\n";

constexpr int EXIT_USAGE = 64;

}  // namespace

int main(int argc, char** argv) {
    std::string screenshot;
    bool dataFolder = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("orvane %s\n", ORVANE_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--data-folder") == 0) dataFolder = true;
        if (std::strcmp(argv[i], "--screenshot") == 0) {
            if (i + 1 >= argc) {
                std::fputs("orvane: --screenshot needs a file name\n", stderr);
                return EXIT_USAGE;
            }
            screenshot = argv[i + 1];
        }
    }
    // A rendering needs no display. An offscreen platform given with its
    // options (a screen of some size, say) is kept.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!screenshot.empty() &&
        (platform == nullptr || std::strncmp(platform, "offscreen", 9) != 0)) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // The file named on the command line is where it was meant to be, in
    // whatever folder the window then starts.
    if (!screenshot.empty() && screenshot.front() != '/') {
        screenshot = KelCurrentDirectory().Directory() + "/" + screenshot;
    }

    // Without its data folder the window still opens, in the current
    // directory: from the desktop, an error exit would show nothing at all.
    std::string error;
    if (dataFolder && !platform::EnterUserDataFolder(error)) {
        std::fprintf(stderr, "orvane: cannot use the data folder, staying here: %s\n",
                     error.c_str());
    }

    CKelvaneApp app(argc, argv);
    return screenshot.empty() ? app.Run() : app.RenderScreenshot(screenshot);
}
