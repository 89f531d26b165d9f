#include "core/text/daytext.h"

QString DayText::shown(QDate day) {
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}
