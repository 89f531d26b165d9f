#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

// CSV as every file of the program writes it, so that it opens in the right cells
// of a Romanian spreadsheet however its import dialog is set (Tab, comma and
// semicolon ticked, as a fresh profile has it, or semicolon alone): semicolons
// between fields, decimal commas, every field that holds a separator of either
// kind or a quote in quotes, days as yyyy-mm-dd (read as dates in every locale),
// and CRLF line ends, as RFC 4180 has them.
namespace CsvText {

inline constexpr QChar kSeparator = u';';
inline constexpr QChar kDecimal = u',';

QString field(const QString& text);
// A text taken from a file that a spreadsheet would read as a formula, made plain text.
QString inert(const QString& text);
// One line, its line end included.
QString line(const QStringList& fields);
// The same line appended as UTF-8, for a file of many lines built without a second copy.
void appendLine(QByteArray& out, const QStringList& fields);
QString day(QDate d);

} // namespace CsvText
