#pragma once

#include <QDate>
#include <QString>

// Days as the program shows them in messages, lists and files: 07.03.2022.
namespace DayText {

QString shown(QDate day);

} // namespace DayText
