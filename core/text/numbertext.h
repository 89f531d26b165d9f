#pragma once

#include <QString>

// Numbers as the program writes them into text boxes: the general format of
// the user's locale (its decimal separator, no grouping, no trailing zeros).
namespace NumberText {

// Single-precision value, at most 7 significant digits.
QString general(float value);
// Double-precision value, at most 15 significant digits.
QString general(double value);

// Nearest whole number, halves to the even neighbour.
double roundHalfEven(double value);

// A rate as the bank writes it, four decimals, with the given decimal separator: "4,9490".
QString rate(double value, const QString& point = QStringLiteral(","));

// True when the value fits a single-precision number (and is not inf or nan).
bool fitsSingle(double value);

} // namespace NumberText
