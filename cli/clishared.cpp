#include "cli/clishared.h"

#include "core/text/csvtext.h"
#include "core/text/daytext.h"

#include <QJsonDocument>
#include <QLocale>

namespace Cli {

int fail(QTextStream& err, const QString& text, int exit) {
    err << QStringLiteral("zorvel: ") << text << Qt::endl;
    return exit;
}

QString json(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonValue number(const Decimal& v) {
    // JSON has no decimal: the one place a figure meets a double, checked digit for digit.
    const double d = v.toString().toDouble();
    // JSON writes a double's shortest form: where that is the decimal itself, it is the bank's figure.
    if (Decimal::fromText(QString::number(d, 'g', QLocale::FloatingPointShortest)) == std::optional<Decimal>(v))
        return d;
    return v.toString();
}

QString figure(const Decimal& v, int places) {
    return v.fixed(places, CsvText::kDecimal);
}

QString csv(const QStringList& header, const QList<QStringList>& rows) {
    QString out = CsvText::line(header);
    for (const QStringList& row : rows)
        out += CsvText::line(row);
    return out;
}

QString dayText(QDate d) {
    return DayText::shown(d);
}

} // namespace Cli
