#include "core/text/csvtext.h"

namespace CsvText {

QString field(const QString& text) {
    // A comma is quoted too: under the dialog's default it would split "4,9490" in two.
    const bool quote = text.contains(u';') || text.contains(u',') || text.contains(u'"') || text.contains(u'\n') ||
                       text.contains(u'\r') || text.contains(u'\t');
    if (!quote) return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString inert(const QString& text) {
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text[0])) return u'\'' + text;
    return text;
}

QString line(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& f : fields)
        quoted << field(f);
    return quoted.join(kSeparator) + QStringLiteral("\r\n");
}

void appendLine(QByteArray& out, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ';';
        out += field(fields[i]).toUtf8();
    }
    out += "\r\n";
}

QString day(QDate d) {
    if (!d.isValid()) return {};
    const int y = d.year(), m = d.month(), n = d.day();
    if (y < 1 || y > 9999) return d.toString(Qt::ISODate);
    // By hand: a list writes two for every row, and the general formatter goes through a printf.
    const auto digit = [](int v) { return QChar(u'0' + v % 10); };
    const QChar text[10] = {digit(y / 1000), digit(y / 100), digit(y / 10), digit(y),      u'-',
                            digit(m / 10),   digit(m),       u'-',          digit(n / 10), digit(n)};
    return QString(text, 10);
}

} // namespace CsvText
