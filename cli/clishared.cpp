#include "cli/clishared.h"

#include "core/text/csvtext.h"
#include "core/text/daytext.h"

#include <QJsonDocument>
#include <QRegularExpression>

namespace Cli {

namespace {

// JSON has no decimal type and Qt writes every number through a double ("2e-05"). A decimal
// travels to the writer as a string behind this mark (a Unicode noncharacter, which text
// meant for interchange does not hold; at worst such a string of digits is written as a number) and leaves it as a bare
// JSON number with exactly its own digits.
constexpr char16_t kDecimalMark = 0xFDD0;

} // namespace

int fail(QTextStream& err, const QString& text, int exit) {
    err << QStringLiteral("zorvel: ") << text << Qt::endl;
    return exit;
}

QString json(const QJsonObject& o) {
    static const QRegularExpression marked(QStringLiteral(R"re("\x{FDD0}(-?[0-9]+(?:\.[0-9]+)?)")re"));
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)).replace(marked, QStringLiteral("\\1"));
}

QJsonValue number(const Decimal& v) {
    return QString(QChar(kDecimalMark)) + v.toString();
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
