#pragma once

#include "cli/commandline.h"
#include "core/money/decimal.h"

#include <QCommandLineParser>
#include <QDate>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>

// What every action of the command line shares: the request as read, the output
// formats and how a failure is said. One rule for the formats: text and CSV write
// numbers with a decimal comma, CSV as every file of the program (semicolons, a
// header, quoted where a field holds a separator, days as yyyy-mm-dd); JSON
// numbers carry the bank's decimals, or are strings where a number would lose digits.
namespace Cli {

enum class Format { Text, Csv, Json };

struct Request {
    QCommandLineParser parser;
    QDate day;
    Format format = Format::Text;
};

using Context = CommandLine::Context;

int fail(QTextStream& err, const QString& text, int exit);
QString json(const QJsonObject& o);
// A decimal as a JSON number written from its own digits, never through a double: 0.00002, 4.9490.
// Only json() writes it as such.
QJsonValue number(const Decimal& v);
// A figure with exactly that many places and a decimal comma: "4,9490".
QString figure(const Decimal& v, int places);
// The CSV of a header and rows.
QString csv(const QStringList& header, const QList<QStringList>& rows);
QString dayText(QDate d);

} // namespace Cli
