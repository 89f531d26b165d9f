#include "app/datepicker.h"
#include "core/store/rateyears.h"
#include "core/text/daytext.h"

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
    const bool separator = typed.size() == 1 && QStringLiteral("/.-").contains(typed[0]);
    // Typing over the whole text is a date of its own, in any of the forms people write.
    if (!m_typing && digit && lineEdit()->hasSelectedText() && lineEdit()->selectedText() == lineEdit()->text()) {
        m_typing = true;
        m_typed.clear();
    }
    if (m_typing && typeWhole(event, digit || separator)) return;
    // The part just filled already moved on: the separator the user types next is not a second move.
    if (m_advanced && separator) {
        m_advanced = false;
        event->accept();
        return;
    }
    const Section before = currentSection();
    QDateEdit::keyPressEvent(event);
    m_advanced = digit && currentSection() != before;
}

bool DatePicker::typeWhole(QKeyEvent* event, bool dateCharacter) {
    const int key = event->key();
    if (dateCharacter || key == Qt::Key_Backspace) {
        if (key == Qt::Key_Backspace)
            m_typed.chop(1);
        else
            m_typed += event->text();
        lineEdit()->setText(m_typed);
    } else if (key == Qt::Key_Escape) {
        m_typing = false;
        showDate();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        finishTyping();
    } else {
        // Any other key ends the typing and does what it does.
        finishTyping();
        return false;
    }
    event->accept();
    return true;
}

void DatePicker::focusOutEvent(QFocusEvent* event) {
    if (m_typing) finishTyping();
    QDateEdit::focusOutEvent(event);
}

void DatePicker::finishTyping() {
    m_typing = false;
    const Outcome<QDate> day = DayText::typed(m_typed);
    QString why = day ? QString() : day.error();
    if (day && (*day < m_min.date() || *day > m_max.date()))
        why = QStringLiteral("Data %1 nu este intre %2 si %3.")
                  .arg(DayText::shown(*day), DayText::shown(m_min.date()), DayText::shown(m_max.date()));
    if (!why.isEmpty()) {
        showDate();
        emit typingRefused(why);
        return;
    }
    if (*day == date()) {
        showDate();
        return;
    }
    setDate(*day); // a change of the user's: raises userChanged
}

// The box's own text again, for the day it holds.
void DatePicker::showDate() {
    const QDate kept = date();
    const QDate other = kept == maximumDate() ? kept.addDays(-1) : kept.addDays(1);
    m_fromCode = true;
    setDate(other);
    setDate(kept);
    m_fromCode = false;
}
