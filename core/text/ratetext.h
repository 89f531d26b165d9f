#pragma once

#include <QString>

// How a stored rate reads in the rate table: decimal rates with a comma, whole
// old-leu rates of 4 to 7 digits with a dot before the last three (41234 -> 41.234).
QString FormatRateText(const QString& s);
