#pragma once

#include <QApplication>
#include <string>

// The application: starts Qt, shows the main window modally and ends when
// the window has closed.
class CKelvaneApp {
public:
    CKelvaneApp(int& argc, char** argv);

    // Shows the window until it is closed; the program's exit status.
    int Run();

    // Renders the window as it opens in the current directory, with the
    // English texts, into a PNG file instead of showing it; nothing is saved.
    int RenderScreenshot(const std::string& path);

private:
    QApplication application;
};
