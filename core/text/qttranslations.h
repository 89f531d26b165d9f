#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// Qt's own dialogs and menus (the file dialog, a line's context menu, the buttons
// of a message box) speak Romanian like the rest of the program: the system's
// translation of Qt where it has one, and the program's own for what it shows
// where it has none. Nothing is said when neither is there; Qt then speaks English.
class QtTranslations {
public:
    // The system's folder of Qt translations.
    static QString systemFolder();
    // Installs them on the application; returns the files loaded, the system's first.
    static QStringList install(QCoreApplication& app, const QString& folder = systemFolder());
};
