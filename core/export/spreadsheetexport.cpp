#include "core/export/spreadsheetexport.h"

#include "core/money/decimal.h"
#include "core/money/ratebook.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>

namespace {

// The office's first start can take long; past this a helper that never started is given up.
constexpr int kStartTimeoutMs = 5000;

UserMessage cannotOpen(const QString& cause) {
    return {QStringLiteral("Err: ") + cause + u'\r' + SpreadsheetExport::programName() +
                QStringLiteral(" cannot be opened!"),
            UserMessage::Icon::Exclamation, QStringLiteral("Excel Application")};
}

} // namespace

SpreadsheetExport::SpreadsheetExport(QString helperPath, QString workbookPath)
    : m_helper(std::move(helperPath)), m_workbook(std::move(workbookPath)) {}

QString SpreadsheetExport::missingHelperText() {
#ifdef Q_OS_WIN
    return QStringLiteral("Exportul in Microsoft Excel are nevoie de zorvel-excel.exe, care lipseste din dosarul "
                          "programului. Reinstalati programul.");
#else
    return QStringLiteral("Exportul in LibreOffice Calc are nevoie de pachetul zorvel-calc, care nu este instalat.");
#endif
}

QString SpreadsheetExport::programName() {
#ifdef Q_OS_WIN
    return QStringLiteral("Microsoft Excel");
#else
    return QStringLiteral("LibreOffice Calc");
#endif
}

UserMessage SpreadsheetExport::exportDayBefore(const QString& dbPath, QDate day, const LocalCurrency& local) const {
    // The helper comes in a package of its own, with the office it needs: say what to install.
    if (!QFileInfo(m_helper).isExecutable()) return {missingHelperText(), UserMessage::Icon::Exclamation};
    const auto rates = RateBook::ratesFor(dbPath, day, RateBook::Rule::Before, local);
    if (!rates)
        return {rates.error(),
                rates.cause() == Cause::NoStoredDay ? UserMessage::Icon::Information : UserMessage::Icon::Exclamation};
    return messageFor(run(rates->row));
}

SpreadsheetExport::Run SpreadsheetExport::run(const StoredDay& row) const {
    QProcess helper;
    helper.setProgram(m_helper);
    helper.setArguments({QStringLiteral("--workbook"), m_workbook});
#ifdef Q_OS_LINUX
    // The UNO libraries load private companions that only the office's own folder holds; the
    // installed helper carries no search path of its own (Debian keeps those out of packages).
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString office = QStringLiteral("/usr/lib/libreoffice/program");
    const QString paths = env.value(QStringLiteral("LD_LIBRARY_PATH"));
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), paths.isEmpty() ? office : office + u':' + paths);
    helper.setProcessEnvironment(env);
#endif
    QEventLoop loop;
    QObject::connect(&helper, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&helper, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) loop.quit();
    });
    helper.start();
    if (helper.waitForStarted(kStartTimeoutMs)) {
        helper.write(rowsForHelper(row));
        helper.closeWriteChannel();
        if (helper.state() != QProcess::NotRunning) loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    Run r;
    r.said = QString::fromUtf8(helper.readAllStandardOutput()).trimmed();
    r.ranToEnd = helper.error() != QProcess::FailedToStart && helper.exitStatus() == QProcess::NormalExit;
    if (!r.ranToEnd) r.processError = helper.errorString();
    const int code = helper.exitCode();
    r.status = code >= 0 && code <= int(ExportStatus::CannotStart) ? ExportStatus(code) : ExportStatus::Failed;
    return r;
}

UserMessage SpreadsheetExport::messageFor(const Run& run) {
    if (!run.ranToEnd) return cannotOpen(QStringLiteral("429 ") + run.processError);
    switch (run.status) {
    case ExportStatus::Written:
        return {};
    case ExportStatus::Refused:
        // Nothing was written: the second line says what to do, and the icon is not that of a success.
        return {QStringLiteral("Document Excel deschis!\rInchideti documentul deschis sau aduceti in fata registrul "
                               "Zorvel si incercati din nou."),
                UserMessage::Icon::Exclamation};
    case ExportStatus::CannotStart:
        return cannotOpen(run.said);
    case ExportStatus::Failed:
        break;
    }
    return {QStringLiteral("Exportul nu a reusit: ") + run.said, UserMessage::Icon::Exclamation};
}

QByteArray SpreadsheetExport::rowsForHelper(const StoredDay& row) {
    QByteArray out = row.names.join(u'\t').toUtf8() + '\n';
    QStringList values;
    for (qsizetype i = 0; i < row.values.size(); ++i) {
        const QVariant& v = row.values[i];
        // The bank's own digits, never a binary tail.
        const auto rate = storedDecimal(v);
        if (i == 0)
            values << v.toString().left(10);
        else
            values << (rate ? rate->toString() : QString());
    }
    return out + values.join(u'\t').toUtf8() + '\n';
}
