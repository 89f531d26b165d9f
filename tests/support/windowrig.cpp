#include "tests/support/windowrig.h"
#include "core/access/accesstakeover.h"
#include "tests/support/accessdata.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

WindowRig::WindowRig(FeedServer::Handler bank)
    : server(bank ? std::move(bank) : [](const QString&) { return FeedServer::Reply::error(503); }) {}

frmZorvel& WindowRig::start(bool show) {
    ZorvelEnvironment env;
    env.appDir = app.path();
    env.database = database;
    env.feedBase = server.base();
    env.openUrl = [this](const QUrl& url) {
        opened << url;
        return openSucceeds;
    };
    env.clock = clock;
    env.exportHelper = exportHelper.isEmpty() ? app.path() + QStringLiteral("/no-helper") : exportHelper;
    env.accessHelper = accessReader ? AccessData::helper() : app.path() + QStringLiteral("/no-reader");
    env.chooseFile = [this](const QString&, const QString&) { return chosenFile; };
    env.userDataDir = app.path() + QStringLiteral("/data");
    env.accessFound = AccessTakeover::found(DataLocation(env.appDir, env.userDataDir));
    window = std::make_unique<frmZorvel>(env, &sink);
    window->Form_Load();
    if (show) {
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowExposed(window.get());
    }
    return *window;
}

frmZorvel& WindowRig::restart(bool show) {
    window.reset();
    sink.shown.clear();
    return start(show);
}

void chooseInNextMenu(const QString& start) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, start] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* menu = qobject_cast<QMenu*>(top);
            if (!menu || !menu->isVisible()) continue;
            for (QAction* a : menu->actions())
                if (a->text().remove(u'&').startsWith(start)) {
                    poll->stop();
                    poll->deleteLater();
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
        }
    });
    poll->start(20);
}
