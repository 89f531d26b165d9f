#include "sqldialect.h"

#include <QRegularExpression>

QString SqlDialect::tableName(const QString& year, const QString& suffix) {
    return QStringLiteral("VALUTA") + year + suffix;
}

bool SqlDialect::isColumnName(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9]{1,7}$"));
    return re.match(name).hasMatch();
}

bool SqlDialect::isRateText(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^[0-9]+(?:[.,][0-9]+)?$"));
    return re.match(text).hasMatch();
}

QString SqlDialect::bracketed(const QStringList& columns) {
    QStringList out;
    for (const QString& c : columns)
        out << u'[' + c + u']';
    return out.join(u',');
}

QString SqlDialect::placeholders(qsizetype n) {
    QStringList q;
    for (qsizetype i = 0; i < n; ++i)
        q << QStringLiteral("?");
    return q.join(u',');
}

SqlStatement SqlDialect::allColumns(const QString& tableYear, const QString& suffix) const {
    return {QStringLiteral("SELECT * FROM ") + tableName(tableYear, suffix), {}};
}

SqlStatement SqlDialect::someColumns(const QString& tableYear, const QString& suffix,
                                     const QStringList& columns) const {
    return {QStringLiteral("SELECT DATA,") + bracketed(columns) + QStringLiteral(" FROM ") +
                tableName(tableYear, suffix),
            {}};
}
