#include "core/update/updatesession.h"

UpdateSession::UpdateSession(QString dbPath, QUrl feedBase, QObject* parent)
    : QObject(parent), m_client(std::move(feedBase)), m_updater(std::move(dbPath), m_client) {
    m_dueTimer.setSingleShot(true);
    connect(&m_dueTimer, &QTimer::timeout, this, &UpdateSession::progressDue);
}

RateUpdater::Report UpdateSession::run() {
    m_running = true;
    m_stopAsked = false;
    emit started();
    m_dueTimer.start(ShowProgressAfterMs);
    const RateUpdater::Report report = m_updater.run([this](const RateUpdater::Progress& p) {
        emit progressed(p.done, p.total, progressText(p));
        return !m_stopAsked;
    });
    m_dueTimer.stop();
    m_running = false;
    emit finished(report, messageFor(report));
    return report;
}

void UpdateSession::stop() {
    if (!m_running) return;
    m_stopAsked = true;
    m_updater.stop();
}

UserMessage UpdateSession::messageFor(const RateUpdater::Report& report) {
    UserMessage said{RateUpdater::message(report), UserMessage::Icon::Critical, {}};
    if (report.result == RateUpdater::Result::Cancelled) said.icon = UserMessage::Icon::Information;
    if (report.result == RateUpdater::Result::Incomplete) said.icon = UserMessage::Icon::Exclamation;
    if (report.result == RateUpdater::Result::UpToDate)
        said.icon = report.unreadable.isEmpty() ? UserMessage::Icon::Information : UserMessage::Icon::Exclamation;
    return said;
}

QString UpdateSession::progressText(const RateUpdater::Progress& progress) {
    return QStringLiteral("Se importa %1 (%2 din %3 zile)").arg(progress.what).arg(progress.done).arg(progress.total);
}
