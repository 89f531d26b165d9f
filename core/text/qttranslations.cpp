#include "core/text/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString QtTranslations::systemFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QStringList QtTranslations::install(QCoreApplication& app, const QString& folder) {
    QStringList loaded;
    // Installed last, looked up first: the system's complete translation wins where both
    // translate a text, and the program's own fills in the rest.
    const auto add = [&](const QString& name, const QString& folder) {
        auto* t = new QTranslator(&app);
        if (t->load(name, folder) && QCoreApplication::installTranslator(t)) {
            loaded << t->filePath();
        } else {
            delete t;
        }
    };
    add(QStringLiteral("qt_ro"), QStringLiteral(":/zorvel/i18n"));
    add(QStringLiteral("qtbase_ro"), folder);
    return loaded;
}
