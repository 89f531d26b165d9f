#include "core/text/numbertext.h"

#include <QLocale>
#include <cfloat>
#include <cmath>

namespace NumberText {
namespace {

QString format(double value, int digits) {
    if (value == 0.0) value = 0.0; // no "-0"
    // ASCII digits and "-" in every locale, so the program can read back what it wrote;
    // only the decimal separator is the user's.
    QString text = QLocale::c().toString(value, 'G', digits);
    const QString point = QLocale().decimalPoint();
    if (point != u".") text.replace(u'.', point);
    return text;
}

} // namespace

QString general(float value) {
    return format(double(value), 7);
}

QString general(double value) {
    return format(value, 15);
}

double roundHalfEven(double value) {
    // The default floating-point rounding mode already sends halves to even.
    return std::nearbyint(value);
}

bool fitsSingle(double value) {
    return std::isfinite(value) && std::fabs(value) <= double(FLT_MAX);
}

QString rate(double value, const QString& point) {
    QString text = QString::number(value, 'f', 4);
    if (point != u".") text.replace(u'.', point);
    return text;
}

} // namespace NumberText
