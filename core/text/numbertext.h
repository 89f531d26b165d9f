#pragma once

#include "core/money/decimal.h"

#include <QString>

// Numbers as the program writes them into text boxes: the general format of
// the user's locale (its decimal separator, no grouping, no trailing zeros).
namespace NumberText {

// An exact value, every digit of it, never in scientific notation: "2470600", "99,99".
QString general(const Decimal& value);
// The user's decimal separator, as one character.
QChar point();

// A rate as the bank writes it, four decimals, with the given decimal separator: "4,9490".
QString rate(double value, const QString& point = QStringLiteral(","));

} // namespace NumberText
