// orvane: the window of the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/CKelvaneApp.h"

namespace {

const char* const USAGE =
    "Usage: orvane [--screenshot FILE]\n"
    "Audits and renames a collection of PlayStation, PlayStation 2 and PSP disc images.\n"
    "Settings, presets, lists and logs are kept in the current directory.\n"
    "\n"
    "  --screenshot FILE  render the window with the English texts into a PNG file\n"
    "                     and exit, without a display and without saving anything\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are passed on to Qt.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string screenshot;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("orvane %s\n", ORVANE_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0) {
            if (i + 1 >= argc) {
                std::fputs("orvane: --screenshot needs a file name\n", stderr);
                return 64;
            }
            screenshot = argv[i + 1];
        }
    }
    // A rendering needs no display.
    if (!screenshot.empty()) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    CKelvaneApp app(argc, argv);
    return screenshot.empty() ? app.Run() : app.RenderScreenshot(screenshot);
}
