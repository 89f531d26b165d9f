#include "app/frmzorvel.h"
#include "cli/commandline.h"
#include "core/access/accesstakeover.h"
#include "core/config.h"
#include "core/feed/feedclient.h"
#include "core/store/datalocation.h"
#include "core/text/qttranslations.h"

#include <QApplication>

namespace {

// Without arguments the window; with them the same program for scripts, with no
// window and no message box, so it also runs where there is no display.
int withoutWindow(int argc, char* argv[], bool outputClosed) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvel"));
    const DataLocation where(QCoreApplication::applicationDirPath());
    CommandLine::Context context;
    context.database = where.database();
    context.feedBase = FeedClient::configuredBase();
    context.version = QLatin1String(ZorvelConfig::Version);
    context.accessHelper = where.accessHelper();
    context.prepareDatabase = [where] { return where.ensureDatabase(); };
    return CommandLine::runOnConsole(QCoreApplication::arguments().mid(1), context, outputClosed);
}

} // namespace

int main(int argc, char* argv[]) {
    const bool outputClosed = CommandLine::guardStandardStreams();
    if (argc > 1) return withoutWindow(argc, argv, outputClosed);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zorvel"));
    // The desktop matches the window to zorvel.desktop by this name (Wayland), and shows the icon set here.
    QGuiApplication::setDesktopFileName(QStringLiteral("zorvel"));
    QApplication::setWindowIcon(frmZorvel::programIcon());
    QtTranslations::install(app);
    ZorvelEnvironment env = ZorvelEnvironment::forApplication();
    // An Access file of the earlier generation where the history should be is offered at
    // start-up; no history is made before the user says what becomes of it.
    const DataLocation where(env.appDir);
    env.accessFound = AccessTakeover::found(where);
    // A failure here is told by the update at start-up, with its cause.
    if (env.accessFound.isEmpty())
        if (const Outcome<QString> made = where.ensureDatabase(); made) env.startupNotice = *made;
    frmZorvel window(env);
    window.Form_Load();
    window.show();
    return app.exec();
}
