#include "app/CKelvaneApp.h"

#include <QPixmap>
#include <cstdio>

#include "app/CKelvaneDlg.h"

CKelvaneApp::CKelvaneApp(int& argc, char** argv) : application(argc, argv) {
    QApplication::setApplicationName("orvane");
    QApplication::setApplicationVersion(ORVANE_VERSION);
    QApplication::setDesktopFileName(ORVANE_DESKTOP_ID);
}

int CKelvaneApp::Run() {
    CKelvaneDlg window;
    window.OnInitDialog();
    window.exec();
    return 0;
}

int CKelvaneApp::RenderScreenshot(const std::string& path) {
    CKelvaneDlg window;
    window.OnInitDialog();
    window.SelectLanguageByName("English");
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "orvane: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
