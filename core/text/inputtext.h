#pragma once

#include "core/money/decimal.h"

#include <QDate>
#include <QString>
#include <optional>

// Readers for text that users type or that the settings store keeps.
namespace InputText {

// Date text to "yyyy/MM/dd". Accepts ISO dates (with or without a time) and the
// locale's short date (with or without a time). Nothing when it is no date.
std::optional<QString> YMD(const QString& qdate);
QString YMD(QDate date);

// What an amount may hold: the digits of any invoice, with room to spare.
constexpr int kMaxWholeDigits = 15;
constexpr int kMaxDecimals = 18;

// The number a user typed, exactly as typed: "," (and the locale's own separator) reads as a decimal point, except
// where the text holds both "." and ",": then the last is the decimal separator and the other groups thousands; one
// of them standing more than once groups thousands too ("1.234.567"; a last group still being typed, "1.234.5",
// reads as its digits so far). Blanks are skipped, reading stops where the number ends, no number reads as 0.
// Nothing when the number is beyond what an amount may hold, or its thousands separators stand where no groups
// of three put them (it is refused, never cut or guessed).
std::optional<Decimal> ParseNumber(const QString& text);

// An amount given whole, as a file or the command line gives it: the text is one
// number and nothing else ("1.234,56", "1,5", "2e3"); nothing otherwise, or beyond what an amount may hold.
std::optional<Decimal> Amount(const QString& text);

// Why an amount given whole is refused, or None.
enum class AmountFault { None, NotANumber, Grouping, TooLarge };
AmountFault faultOf(const QString& text);
// Whether the text groups thousands, so that what was read is worth showing back.
bool hasGroups(const QString& text);

// The same reading without the comma replacement, in double precision: "0,5" is 0.
double leadingDotNumber(const QString& text);

// A settings value read as a 16-bit whole number by its leading number.
int settingNumber(const QString& text);

} // namespace InputText
