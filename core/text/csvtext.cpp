#include "core/text/csvtext.h"

namespace CsvText {

QString field(const QString& text) {
    // A comma is quoted too: under the dialog's default it would split "4,9490" in two.
    const bool quote = text.contains(u';') || text.contains(u',') || text.contains(u'"') || text.contains(u'\n') ||
                       text.contains(u'\r') || text.contains(u'\t');
    if (!quote) return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
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
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

} // namespace CsvText
