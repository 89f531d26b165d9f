// The window's today: a window left open across midnight, a weekend or the new year
// follows the clock. The converter's latest day, the year list, the VAT rate of the law
// and the date a converter left on "today" stands on all move with it, without a box.
#include "app/datepicker.h"
#include "app/frmzorvel.h"
#include "core/money/vatrates.h"
#include "core/settings/appsettings.h"
#include "core/store/ratedb.h"
#include "core/store/rateyears.h"
#include "core/update/windowday.h"

#include <QComboBox>
#include <QLineEdit>

QDate frmZorvel::today() const {
    // The user's own calendar: the day their invoices are dated.
    return now().toLocalTime().date();
}

void frmZorvel::followClock() {
    const QDate day = today();
    if (day == m_today) return;
    const QDate before = m_today;
    m_today = day;
    // Nothing the window recomputes for the new day is worth a box: the user did nothing.
    m_silent = true;
    addYearsUpTo(day.year());
    applyDateLimit();
    followVatRate(before, day);
    const QDate shown = WindowDay::followedDate(DTPicker1->date(), before, day);
    if (shown != DTPicker1->date()) {
        DTPicker1->setValue(QDateTime(shown, DTPicker1->Value().time()));
        SetLocalCurrency();
        ConvertAmount();
    }
    followYear();
    m_silent = false;
}

void frmZorvel::addYearsUpTo(int year) {
    const QSignalBlocker quiet(Combo2);
    const int last = Combo2->count() > 0 ? Combo2->itemText(Combo2->count() - 1).toInt() : RateYears::First - 1;
    for (int y = last + 1; y <= year; ++y)
        Combo2->addItem(QString::number(y));
}

void frmZorvel::applyDateLimit() {
    const QDate latest = WindowDay::latestDay(m_today, m_newestKnown);
    DTPicker1->setMaxDate(QDateTime(latest, QTime(23, 59, 59)));
}

// Where the user never chose a rate, the box holds the law's: a rate that changes at midnight changes there.
void frmZorvel::followVatRate(QDate before, QDate day) {
    QLineEdit* rate = Text3[5];
    if (AppSettings::vatRateSaved() || rate->hasFocus() || rate->text() != VatRates::standardOn(before)) return;
    rate->setText(VatRates::standardOn(day));
}

// A table that showed the current year goes on to the new one once the bank has published a day of it.
void frmZorvel::followYear() {
    const int year = m_today.year();
    if (TableYear.toInt() >= year || !m_tableOnCurrentYear) return;
    const auto newest = RateDb(dbPath()).newestDay(year);
    if (!WindowDay::tableMovesOn(m_tableOnCurrentYear, TableYear.toInt(), m_today, newest && newest->day)) return;
    setComboIndexQuietly(Combo2, Combo2->findText(QString::number(year)));
    LoadRateTable();
}
