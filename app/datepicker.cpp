#include "app/datepicker.h"

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent), m_time(0, 0) {
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    setCalendarPopup(true);
    // Ranges are whole days here; the bounds with their time are kept apart.
    m_min = QDateTime(QDate(1998, 1, 1), QTime(0, 0));
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
