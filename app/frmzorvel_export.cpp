// Hands one day's rates to the spreadsheet program through the helper that drives it.
#include "app/frmzorvel.h"

#include "app/datepicker.h"
#include "core/ratedb.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>

namespace {

#ifdef Q_OS_WIN
const QString kSpreadsheetProgram = QStringLiteral("Microsoft Excel");
#else
const QString kSpreadsheetProgram = QStringLiteral("LibreOffice Calc");
#endif

// Exit statuses of the helper.
enum HelperStatus { Written = 0, Failed = 1, Refused = 2, CannotStart = 3 };

QByteArray rowsForHelper(const RateRow& row) {
    QByteArray out = row.names.join(u'\t').toUtf8() + '\n';
    QStringList values;
    for (qsizetype i = 0; i < row.values.size(); ++i) {
        const QVariant& v = row.values[i];
        if (i == 0) values << v.toString().left(10);
        // Seven digits are what a stored rate holds; more would only show float noise.
        else
            values << (v.isNull() ? QString() : QString::number(v.toDouble(), 'g', 7));
    }
    return out + values.join(u'\t').toUtf8() + '\n';
}

} // namespace

void frmZorvel::cmdExcel_Click() {
    if (m_exporting) return;
    const QDate day(DTPicker1->Year(), DTPicker1->Month(), DTPicker1->Day());
    Outcome<std::optional<RateRow>> row = Outcome<std::optional<RateRow>>::failure(QString());
    {
        RateDb db(dbPath());
        if (!db.isOpen()) {
            message(QStringLiteral("Baza de date valuta.mdb nu poate fi deschisa."), MessageSink::Icon::Exclamation);
            return;
        }
        row = db.rowBefore(day, TableSuffix);
    }
    // A year without a table holds no rates either.
    if (!row || !row->has_value()) {
        message(QStringLiteral("Nu exista curs memorat inainte de ") + QLocale().toString(day, QLocale::ShortFormat) +
                    u'.',
                MessageSink::Icon::Information);
        return;
    }
    m_exporting = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QProcess helper;
    helper.setProgram(m_env.exportHelper);
    helper.setArguments({QStringLiteral("--workbook"), workbookPath()});
    QEventLoop loop;
    connect(&helper, &QProcess::finished, &loop, &QEventLoop::quit);
    connect(&helper, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) loop.quit();
    });
    helper.start();
    if (helper.waitForStarted(5000)) {
        helper.write(rowsForHelper(row->value()));
        helper.closeWriteChannel();
        // The window keeps repainting while a cold office starts.
        if (helper.state() != QProcess::NotRunning) loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QApplication::restoreOverrideCursor();
    m_exporting = false;
    const QString said = QString::fromUtf8(helper.readAllStandardOutput()).trimmed();
    if (helper.error() == QProcess::FailedToStart || helper.exitStatus() != QProcess::NormalExit) {
        message(QStringLiteral("Err: 429 ") + helper.errorString() + u'\r' + kSpreadsheetProgram +
                    QStringLiteral(" cannot be opened!"),
                MessageSink::Icon::Exclamation, QStringLiteral("Excel Application"));
        return;
    }
    switch (helper.exitCode()) {
    case Written:
        break;
    case Refused:
        message(QStringLiteral("Document Excel deschis!"), MessageSink::Icon::Information);
        break;
    case CannotStart:
        message(QStringLiteral("Err: ") + said + u'\r' + kSpreadsheetProgram + QStringLiteral(" cannot be opened!"),
                MessageSink::Icon::Exclamation, QStringLiteral("Excel Application"));
        break;
    default:
        message(QStringLiteral("Exportul nu a reusit: ") + said, MessageSink::Icon::Exclamation);
        break;
    }
}
