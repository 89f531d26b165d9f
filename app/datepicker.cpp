#include "app/datepicker.h"
#include "core/store/rateyears.h"

#include <QKeyEvent>
#include <QLineEdit>

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent), m_time(0, 0) {
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    setCalendarPopup(true);
    // A typed date counts once it is whole (Enter, Tab, leaving the box), as the arrows and the calendar do;
    // every keystroke on the way ("2", "20", "202") is no date of its own.
    setKeyboardTracking(false);
    // Ranges are whole days here; the bounds with their time are kept apart.
    m_min = QDateTime(QDate(RateYears::First, 1, 1), QTime(0, 0));
    m_max = QDateTime(QDate(9999, 12, 31), QTime(0, 0));
    applyRange();
    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (!m_fromCode) emit userChanged();
    });
}

void DatePicker::applyRange() {
    m_fromCode = true;
    setDateRange(m_min.date(), m_max.date());
    m_fromCode = false;
}

void DatePicker::setMinDate(const QDateTime& min) {
    m_min = min;
    applyRange();
}

void DatePicker::setMaxDate(const QDateTime& max) {
    m_max = max;
    applyRange();
}

void DatePicker::setValue(const QDateTime& value) {
    m_time = value.time();
    m_fromCode = true;
    setDate(value.date());
    m_fromCode = false;
}

bool DatePicker::moveTo(QDate d) {
    if (!d.isValid() || d < m_min.date() || d > m_max.date()) return false;
    m_fromCode = true;
    setDate(d);
    m_fromCode = false;
    return true;
}

void DatePicker::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool digit = typed.size() == 1 && typed[0].isDigit();
    // Typing over the whole text starts with the year; the editor would otherwise refuse every digit.
    if (digit && lineEdit()->hasSelectedText() && lineEdit()->selectedText() == lineEdit()->text())
        setSelectedSection(sectionAt(0));
    // The part just filled already moved on: the separator the user types next is not a second move.
    if (m_advanced && typed.size() == 1 && QStringLiteral("/.-").contains(typed[0])) {
        m_advanced = false;
        event->accept();
        return;
    }
    const Section before = currentSection();
    QDateEdit::keyPressEvent(event);
    m_advanced = digit && currentSection() != before;
}
