#pragma once

#include <QDateEdit>
#include <QDateTime>

class QKeyEvent;

// The converter's date: a day with the time of day it was set with, bounded by
// an earliest and a latest moment. Year, month and day can be set one at a time;
// a step that would give a day that does not exist or lies outside the bounds
// is refused and changes nothing. Changes made from code raise no signal; only
// the user's changes raise userChanged.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);

    QDateTime Value() const { return QDateTime(date(), m_time); }
    void setValue(const QDateTime& value);

    QDateTime MinDate() const { return m_min; }
    QDateTime MaxDate() const { return m_max; }
    void setMinDate(const QDateTime& min);
    void setMaxDate(const QDateTime& max);

    int Year() const { return date().year(); }
    int Month() const { return date().month(); }
    int Day() const { return date().day(); }
    bool setYear(int year) { return moveTo(QDate(year, Month(), Day())); }
    bool setMonth(int month) { return moveTo(QDate(Year(), month, Day())); }
    bool setDay(int day) { return moveTo(QDate(Year(), Month(), day)); }

signals:
    void userChanged();
    // A date typed whole that does not exist or lies outside the bounds: the box kept its day.
    void typingRefused(const QString& why);

protected:
    // A whole date typed over the selected text, as Romanians write it ("15.06.2023",
    // "3.1.2023", "2023-01-03", "2023/06/15"), taken on Enter or when the box is left.
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool moveTo(QDate d);
    void applyRange();
    // One key of a date typed whole; false when the key is not the typing's and goes on as usual.
    bool typeWhole(QKeyEvent* event, bool dateCharacter);
    // Takes what was typed whole, or refuses it and shows the day kept again.
    void finishTyping();
    void showDate();

    QTime m_time;
    QDateTime m_min;
    QDateTime m_max;
    bool m_fromCode = false;
    bool m_advanced = false; // the last digit filled its part and moved on to the next
    bool m_typing = false;   // a whole date is being typed over the box's text
    QString m_typed;
};
