#include "frmzorvel.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("prjZorvel"));
    frmZorvel window(ZorvelEnvironment::forApplication());
    window.Form_Load();
    window.show();
    return app.exec();
}
