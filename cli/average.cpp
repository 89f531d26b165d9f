// --average: a month's or a year's average rate, as the bank computes its annual one.
#include "cli/clishared.h"
#include "core/history/currencyhistory.h"
#include "core/store/rateyears.h"

namespace Cli {

int average(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    bool okYear = false, okMonth = true;
    const int year = r.parser.value(QStringLiteral("year")).toInt(&okYear);
    const int month =
        r.parser.isSet(QStringLiteral("month")) ? r.parser.value(QStringLiteral("month")).toInt(&okMonth) : 0;
    // Years the history can hold; a month, when given, is one of the twelve.
    if (!okYear || year < RateYears::First || year > c.today.year() + 1 || !okMonth ||
        (r.parser.isSet(QStringLiteral("month")) && (month < 1 || month > 12)))
        return fail(err, QStringLiteral("Folositi: --average VALUTA --year AN [--month 1-12]"), CommandLine::WrongUse);
    const auto h = CurrencyHistory::load(c.database, r.parser.value(QStringLiteral("average")), year, year);
    if (!h) return fail(err, h.error(), CommandLine::Failed);
    if (h->averages.empty()) return fail(err, h->notice(), CommandLine::Failed);
    const RateAverages::Mean m = month ? h->averages.front().months[size_t(month - 1)] : h->averages.front().annual;
    if (m.days == 0)
        return fail(err, QStringLiteral("Nu exista curs %1 in luna %2.%3.").arg(h->column).arg(month).arg(year),
                    CommandLine::Failed);
    const QString period =
        month ? QStringLiteral("%1-%2").arg(year).arg(month, 2, 10, QChar(u'0')) : QString::number(year);
    // An average is quoted as the bank quotes its own: four places.
    const Decimal mean = Decimal::fromText(QString::number(m.value, 'f', 4)).value_or(Decimal());
    if (r.format == Format::Json)
        out << json({{"period", period}, {"currency", h->column}, {"average", number(mean)}, {"days", m.days}})
            << Qt::endl;
    else if (r.format == Format::Csv)
        out << csv({QStringLiteral("perioada"), QStringLiteral("valuta"), QStringLiteral("curs_mediu"),
                    QStringLiteral("zile")},
                   {{period, h->column, figure(mean, 4), QString::number(m.days)}})
            << Qt::flush;
    else
        out << period << ' ' << h->column << ' ' << figure(mean, 4) << " (" << m.days << " zile)" << Qt::endl;
    return CommandLine::Done;
}

} // namespace Cli
