#pragma once

#include "core/outcome.h"

#include <QDate>
#include <QString>

// Days as the program shows them in messages, lists and files: 07.03.2022.
namespace DayText {

QString shown(QDate day);

// A day as a Romanian types it: "15.06.2023", "3.1.2023", "3/1/2023" (the day first),
// "2023-01-03" or "2023/06/15" (the year first). A date that does not exist
// ("2023/02/30") is refused with its reason, never moved to another day.
Outcome<QDate> typed(const QString& text);

} // namespace DayText
