// Program start: the one window, centred, until it is closed.
#include "app/qt/converter.h"
#include "app/version.h"
#include "platform/files.h"
#include "platform/qt_desktop.h"

#include "brisel.xpm"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>

int main(int argc, char* argv[]) {
    brisel::reportFileSizeLimitAsWriteError();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(brisel::applicationName));
    QApplication::setApplicationVersion(QString::fromLatin1(brisel::fileVersion));
    QApplication::setWindowIcon(QIcon(QPixmap(brisel_xpm)));
    brisel::installGermanTexts(app);  // without the translation, Qt's few texts stay English

    brisel::QtDesktop desktop;
    converter window(desktop);
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
