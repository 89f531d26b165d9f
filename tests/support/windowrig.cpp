#include "tests/support/windowrig.h"

#include <QTest>

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
    env.exportHelper = exportHelper.isEmpty() ? app.path() + QStringLiteral("/no-helper") : exportHelper;
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
