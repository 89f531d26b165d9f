// The update from the bank, at start-up and on the update button: core runs it,
// the window shows its progress and its result.
#include "app/frmzorvel.h"
#include "core/update/updatesession.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressDialog>

void frmZorvel::Command2_Click() {
    // Pressed while a quiet update runs: it runs once that one ends, never beside it.
    if (m_updating) {
        if (m_quietRunning) m_manualPending = true;
        return;
    }
    m_updating = true;
    UpdateSession session(dbPath(), m_env.feedBase);
    session.setToday(today());
    QProgressDialog progress(QStringLiteral("Se actualizeaza cursul valutar..."), QStringLiteral("Opreste"), 0, 0,
                             isVisible() ? this : nullptr);
    followUpdate(session, progress);
    // After the progress window has gone, so the result is said over the window itself.
    connect(&session, &UpdateSession::finished, this, &frmZorvel::showUpdateResult);
    session.run();
    m_updating = false;
}

void frmZorvel::followUpdate(UpdateSession& session, QProgressDialog& progress) {
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(UpdateSession::ShowProgressAfterMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    // Stop aborts the request under way, not only the ones after it.
    connect(&progress, &QProgressDialog::canceled, &session, &UpdateSession::stop);
    connect(&session, &UpdateSession::started, &progress, [] { QApplication::setOverrideCursor(Qt::WaitCursor); });
    connect(&session, &UpdateSession::progressDue, &progress, &QProgressDialog::show);
    connect(&session, &UpdateSession::progressed, &progress, [&progress](int done, int total, const QString& text) {
        progress.setMaximum(std::max(total, 1));
        progress.setValue(std::min(done, std::max(total, 1) - 1));
        progress.setLabelText(text);
    });
    // The result is said while this window still exists: its own timer must not show it again.
    connect(&session, &UpdateSession::finished, &progress, [&progress] {
        progress.reset();
        progress.hide();
        QApplication::restoreOverrideCursor();
    });
}

void frmZorvel::showUpdateResult(const RateUpdater::Report& report, const UserMessage& said) {
    if (report.result == RateUpdater::Result::UpToDate) TableYear = Combo2->currentText();
    noteUpdate(report);
    message(said);
}
