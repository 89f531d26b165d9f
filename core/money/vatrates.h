#pragma once

#include <QDate>
#include <QString>

// Romania's standard VAT rate as the law set it from each day on, for a fresh
// install that has no rate saved yet.
namespace VatRates {

// The standard rate in force on a day, in percent, as the rate box's text: "21".
QString standardOn(QDate day);

} // namespace VatRates
