#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// A rate and a currency as they come in, from the bank's files or a user: checked
// here, before either is stored or names a column.
class RateField {
public:
    // The value of a plain decimal number of sane length, point or comma; nothing for any other text.
    static std::optional<double> value(QStringView text);
    // The same of a file's bytes, as the bank's files give them (and no other byte is a digit).
    static std::optional<double> value(QByteArrayView text);
    // Letters and digits only, one to seven of them: safe to name a column.
    static bool isColumnName(const QString& name);
    // The column that holds a currency as a user writes its code: "EUR", or "HUF"
    // for "100HUF" (the bank quotes some currencies per hundred units). An exact
    // name wins; empty when none matches.
    static QString columnForCode(const QStringList& columns, const QString& code);
    // Every column that holds the currency, the exact name first: a block the bank changed
    // (100HUF, then 1000HUF) leaves two, and a day has its rate in one of them.
    static QStringList columnsForCode(const QStringList& columns, const QString& code);
};
