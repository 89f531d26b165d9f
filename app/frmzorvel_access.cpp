// The history of the earlier generation's Access valuta.mdb: offered at start-up when
// the program finds one where it looks for its history, and on the rate table's menu.
#include "app/frmzorvel.h"
#include "core/access/accessfile.h"
#include "core/access/accesstakeover.h"
#include "core/update/updatesession.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>

namespace {

// Enough of the report to read in a box; the command line lists all of it.
constexpr int kReportLines = 30;

QString reportText(const AccessImport::Report& r) {
    QStringList lines = r.lines();
    const qsizetype more = lines.size() - kReportLines;
    if (more > 0) {
        lines = lines.first(kReportLines);
        lines << QStringLiteral("... si inca %1 randuri (zorvel --import-access le arata pe toate)").arg(more);
    }
    // What was left out is said in the first line, not only under it.
    QString head = (r.complete() ? QStringLiteral("Istoricul din %1 a fost adus: %2 zile noi.")
                                 : QStringLiteral("Istoricul din %1 a fost adus doar in parte: %2 zile noi; ce a ramas "
                                                  "deoparte este numit mai jos."))
                       .arg(QDir::toNativeSeparators(r.file))
                       .arg(r.importedDays());
    if (r.years.empty()) head = r.noRateTablesText();
    return head + u'\r' + lines.join(u'\r');
}

} // namespace

AccessImport::Options frmZorvel::accessOptions(QProgressDialog& progress) {
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(UpdateSession::ShowProgressAfterMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    AccessImport::Options o;
    o.helper = m_env.accessHelper;
    o.today = today();
    o.progress = [&progress](int done, int total, const QString& text) {
        progress.setMaximum(total);
        progress.setValue(std::min(done, total - 1));
        if (!text.isEmpty()) progress.setLabelText(text);
    };
    o.keepGoing = [&progress] {
        QApplication::processEvents();
        return !progress.wasCanceled();
    };
    return o;
}

void frmZorvel::showAccessResult(const QString& what, const Outcome<AccessImport::Report>& report) {
    // A stop the user asked for is told, not raised as an error.
    if (!report)
        return message(what + u'\r' + report.error(),
                       report.cause() == Cause::Stopped ? MessageSink::Icon::Information : MessageSink::Icon::Critical);
    message(reportText(*report), report->complete() ? MessageSink::Icon::Information : MessageSink::Icon::Exclamation);
}

void frmZorvel::offerAccessImport() {
    const QString found = m_env.accessFound;
    if (found.isEmpty()) return;
    const DataLocation where(m_env.appDir, m_env.userDataDir);
    // Without the reader there is nothing to offer: the file is named and left alone.
    const bool canRead = QFileInfo(m_env.accessHelper).isExecutable();
    if (!canRead)
        message(QStringLiteral("Fisierul %1 este o baza de cursuri Access, din versiunea anterioara a programului. "
                               "Aceasta instalare nu are programul care citeste fisiere Access (%2), asa ca istoricul "
                               "ei nu poate fi adus; fisierul ramane neschimbat.")
                    .arg(QDir::toNativeSeparators(found), QDir::toNativeSeparators(m_env.accessHelper)),
                MessageSink::Icon::Exclamation);
    if (!canRead || !m_messages->ask(AccessTakeover::offerText(found), windowTitle())) {
        // Both files stay as they are; the program keeps a history of its own in the data folder.
        if (found == where.database())
            return message(QStringLiteral("Fisierul %1 ramane neschimbat. Pana cand istoricul lui este adus, programul "
                                          "nu are istoric de cursuri.")
                               .arg(QDir::toNativeSeparators(found)),
                           MessageSink::Icon::Exclamation);
        if (auto made = where.ensureDatabase(); !made) message(made.error(), MessageSink::Icon::Critical);
        m_env.database = where.database();
        return;
    }
    takeOverAccess(where, found);
}

void frmZorvel::takeOverAccess(const DataLocation& where, const QString& file) {
    QProgressDialog progress(QStringLiteral("Se aduce istoricul Access..."), QStringLiteral("Opreste"), 0, 0,
                             isVisible() ? this : nullptr);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto taken = AccessTakeover::takeOver(where, file, accessOptions(progress), now().toLocalTime());
    QApplication::restoreOverrideCursor();
    // reset() stops the timer that would show the window again later.
    progress.reset();
    progress.hide();
    if (!taken)
        return message(taken.error(),
                       taken.cause() == Cause::Stopped ? MessageSink::Icon::Information : MessageSink::Icon::Critical);
    m_env.database = taken->database;
    QString kept;
    if (taken->keptAs != file)
        kept = QStringLiteral("\rFisierul Access este pastrat ca %1.").arg(QDir::toNativeSeparators(taken->keptAs));
    message(reportText(taken->report) + kept,
            taken->report.complete() ? MessageSink::Icon::Information : MessageSink::Icon::Exclamation);
}

void frmZorvel::mnuImportAccess_Click() {
    const QString start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString file =
        m_env.chooseFile
            ? m_env.chooseFile(QStringLiteral("Importa istoric Access"), start)
            : QFileDialog::getOpenFileName(this, QStringLiteral("Importa istoric Access"), start,
                                           QStringLiteral("Baze Access (*.mdb *.accdb);;Toate fisierele (*)"));
    if (file.isEmpty()) return;
    const AccessFile::Kind kind = AccessFile::kind(file);
    if (!AccessFile::isAccess(kind))
        return message(QStringLiteral("Fisierul %1 nu este o baza de date Access.").arg(QDir::toNativeSeparators(file)),
                       MessageSink::Icon::Exclamation);
    // The history the program opens is itself the Access file: it is taken over, as at start-up.
    const DataLocation where(m_env.appDir, m_env.userDataDir);
    if (QFileInfo(file) == QFileInfo(dbPath()) || AccessFile::isAccess(dbPath())) {
        takeOverAccess(where, dbPath());
    } else {
        QProgressDialog progress(QStringLiteral("Se aduce istoricul Access..."), QStringLiteral("Opreste"), 0, 0, this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto report = AccessImport::run(file, dbPath(), accessOptions(progress));
        QApplication::restoreOverrideCursor();
        progress.reset();
        progress.hide();
        showAccessResult(QStringLiteral("Istoricul Access nu a fost adus."), report);
    }
    LoadRateTable();
}
