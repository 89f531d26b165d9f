// The quiet update: a window left open asks the bank on its own for the day's rates
// once they should be published, shows what came without a box, and says on the date
// label's tooltip how its last try went.
#include "app/frmzorvel.h"
#include "core/settings/appsettings.h"
#include "core/store/ratedb.h"
#include "core/text/daytext.h"
#include "core/update/quietschedule.h"
#include "core/update/updatesession.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QSystemTrayIcon>

QDateTime frmZorvel::now() const {
    return m_env.clock ? m_env.clock() : QDateTime::currentDateTimeUtc();
}

void frmZorvel::startQuietUpdates() {
    // The update at start-up has just asked.
    m_lastQuiet = now();
    // The clock decides, the timer only looks at it: after a sleep the next look finds the schedule,
    // and the day turns for the window whether or not it asks the bank.
    m_quietTimer.setInterval(kQuietLookMs);
    connect(&m_quietTimer, &QTimer::timeout, this, &frmZorvel::QuietUpdate_Tick, Qt::UniqueConnection);
    m_quietTimer.start();
}

QDate frmZorvel::newestStoredDay() {
    RateDb db(dbPath());
    // The newest day up to today: a day stored for a date still to come (a damaged row) is no day the bank sent.
    const auto row = db.rowBefore(today().addDays(1), QStringLiteral("RON"));
    // A history another program holds for a moment is as it was when last read.
    if (!row) return m_newestKnown;
    if (!row->has_value()) return m_newestKnown = QDate();
    const QString day = (*row)->values.value(0).toString().left(10);
    return m_newestKnown = QDate::fromString(day, Qt::ISODate);
}

void frmZorvel::QuietUpdate_Tick() {
    if (m_updating) return;
    followClock();
    if (!AppSettings::quietUpdate()) return;
    const QDateTime at = now();
    const QDate covered = QuietSchedule::coveredUntil(newestStoredDay(), m_missingDays);
    if (!QuietSchedule::askNow(at, covered, m_lastQuiet)) return;
    m_lastQuiet = at;
    m_updating = true;
    m_quietRunning = true;
    UpdateSession session(dbPath(), m_env.feedBase);
    session.setToday(today());
    const RateUpdater::Report report = session.run();
    m_updating = false;
    m_quietRunning = false;
    showQuietResult(report, at);
    // A press of the update button while this one ran was kept for now.
    if (m_manualPending) {
        m_manualPending = false;
        Command2_Click();
    }
}

void frmZorvel::showQuietResult(const RateUpdater::Report& report, const QDateTime& at) {
    noteUpdate(report);
    Label2[2]->setToolTip(QuietSchedule::attemptText(report, m_newestKnown, at));
    if (report.daysStored == 0) return;
    // What came shows where the user looks: the table of the year in view and the converter.
    m_silent = true;
    if (report.lastAdded.year() == TableYear.toInt() || report.firstAdded.year() == TableYear.toInt()) LoadRateTable();
    ConvertAmount();
    followYear();
    m_silent = false;
    showNotice(QStringLiteral("Cursul BNR din %1 a fost adaugat").arg(DayText::shown(report.lastAdded)));
}

// What an update leaves for the window, whoever started it: the newest stored day on the
// label (never the feed's own date, which may be a weekend), the days still missing for the
// schedule, and the converter's latest day.
void frmZorvel::noteUpdate(const RateUpdater::Report& report) {
    const bool answered =
        report.result == RateUpdater::Result::UpToDate || report.result == RateUpdater::Result::Incomplete;
    if (answered) m_missingDays = report.missing;
    const QDate newest = newestStoredDay();
    if (answered && newest.isValid()) LastRateDate = newest;
    showLastRateDate();
    applyDateLimit();
}

// A notice that asks nothing of the user: the desktop's own, or a line of the window that goes away.
void frmZorvel::showNotice(const QString& text) {
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
        if (!m_tray) m_tray = new QSystemTrayIcon(programIcon(), this);
        m_tray->show();
        m_tray->showMessage(windowTitle(), text, QSystemTrayIcon::Information, kNoticeMs);
    }
    lblAnunt->setText(text);
    lblAnunt->setAccessibleName(text);
    lblAnunt->show();
    QAccessibleEvent shown(lblAnunt, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&shown);
    m_noticeTimer.start(kNoticeMs);
}
