// The update from the bank, at start-up and on the update button.
#include "app/frmzorvel.h"

#include "core/feedclient.h"
#include "core/rateupdater.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressDialog>
#include <QTimer>

namespace {

MessageSink::Icon updateIcon(const RateUpdater::Report& report) {
    switch (report.result) {
    case RateUpdater::Result::UpToDate:
        return report.unreadable.isEmpty() ? MessageSink::Icon::Information : MessageSink::Icon::Exclamation;
    case RateUpdater::Result::Cancelled:
        return MessageSink::Icon::Information;
    case RateUpdater::Result::Failed:
        break;
    }
    return MessageSink::Icon::Critical;
}

} // namespace

void frmZorvel::Command2_Click() {
    if (m_updating) return;
    m_updating = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RateUpdater::Report report = runUpdate();
    QApplication::restoreOverrideCursor();
    m_updating = false;
    m_lastUpdate = report;
    if (report.result == RateUpdater::Result::UpToDate) {
        LastRateDate = report.feedDate;
        TableYear = Combo2->currentText();
    }
    message(RateUpdater::message(report), updateIcon(report));
}

RateUpdater::Report frmZorvel::runUpdate() {
    QProgressDialog progress(QStringLiteral("Se actualizeaza cursul valutar..."), QStringLiteral("Opreste"), 0, 0,
                             isVisible() ? this : nullptr);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(400);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    FeedClient client(m_env.feedBase);
    RateUpdater updater(dbPath(), client);
    // Stop aborts the request under way, not only the ones after it.
    connect(&progress, &QProgressDialog::canceled, &progress, [&updater] { updater.stop(); });
    // A request that hangs brings no progress, so the stop button must not wait for one to appear.
    QTimer showLater;
    showLater.setSingleShot(true);
    connect(&showLater, &QTimer::timeout, &progress, &QProgressDialog::show);
    showLater.start(progress.minimumDuration());
    return updater.run([&](const RateUpdater::Progress& p) {
        progress.setMaximum(std::max(p.total, 1));
        progress.setValue(std::min(p.done, std::max(p.total, 1) - 1));
        progress.setLabelText(QStringLiteral("Se importa %1 (%2 din %3 zile)").arg(p.what).arg(p.done).arg(p.total));
        return !progress.wasCanceled();
    });
}
