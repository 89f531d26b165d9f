#include "core/text/daytext.h"

#include <QRegularExpression>

QString DayText::shown(QDate day) {
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}

Outcome<QDate> DayText::typed(const QString& text) {
    static const QRegularExpression yearFirst(QStringLiteral(R"(^\s*(\d{4})([-/.])(\d{1,2})\2(\d{1,2})\s*$)"));
    static const QRegularExpression dayFirst(QStringLiteral(R"(^\s*(\d{1,2})([-/.])(\d{1,2})\2(\d{4})\s*$)"));
    int y = 0, m = 0, d = 0;
    if (const auto f = yearFirst.match(text); f.hasMatch()) {
        y = f.captured(1).toInt();
        m = f.captured(3).toInt();
        d = f.captured(4).toInt();
    } else if (const auto f = dayFirst.match(text); f.hasMatch()) {
        d = f.captured(1).toInt();
        m = f.captured(3).toInt();
        y = f.captured(4).toInt();
    } else {
        return Outcome<QDate>::failure(
            QStringLiteral("Data nu poate fi citita: %1 (forma: 15.06.2023)").arg(text.trimmed()));
    }
    const QDate day(y, m, d);
    if (!day.isValid()) return Outcome<QDate>::failure(QStringLiteral("Data %1 nu exista.").arg(text.trimmed()));
    return day;
}
