// "Verifica istoricul", from the rate table's context menu: core checks, a
// progress window follows it as it follows the update, the report window shows it.
#include "app/frmverificare.h"
#include "app/frmzorvel.h"
#include "core/update/historycheck.h"
#include "core/update/updatesession.h"

#include <QApplication>
#include <QProgressDialog>

void frmZorvel::mnuVerifica_Click() {
    if (m_updating) return;
    m_updating = true;
    const auto report = runHistoryCheck();
    m_updating = false;
    if (!report) return message(report.error(), MessageSink::Icon::Critical);
    if (!m_verificare) {
        m_verificare = new frmVerificare(dbPath(), m_env.feedBase, m_messages, this);
        m_verificare->setWindowFlag(Qt::Window);
        m_verificare->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_verificare, &frmVerificare::repaired, this, [this](const QList<int>& years) {
            if (years.contains(TableYear.toInt())) LoadRateTable();
        });
    }
    m_verificare->showReport(*report);
    m_verificare->show();
    m_verificare->raise();
    m_verificare->activateWindow();
}

Outcome<HistoryCheck::Report> frmZorvel::runHistoryCheck() {
    FeedClient client(m_env.feedBase);
    HistoryCheck checker(dbPath(), client);
    QProgressDialog progress(QStringLiteral("Se verifica istoricul..."), QStringLiteral("Opreste"), 0, 0,
                             isVisible() ? this : nullptr);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(UpdateSession::ShowProgressAfterMs);
    // Stop aborts the yearly file under way, not only the ones after it.
    connect(&progress, &QProgressDialog::canceled, &progress, [&checker] { checker.stop(); });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto report = checker.run({}, [&progress](const HistoryCheck::Progress& p) {
        progress.setMaximum(std::max(p.total, 1));
        progress.setValue(p.done);
        progress.setLabelText(
            QStringLiteral("Se verifica anul %1 (%2 din %3)").arg(p.year).arg(p.done + 1).arg(p.total));
        return !progress.wasCanceled();
    });
    QApplication::restoreOverrideCursor();
    return report;
}
