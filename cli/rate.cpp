// --rate: the rate the converter uses for a date.
#include "cli/clishared.h"
#include "core/money/ratebook.h"

namespace Cli {

int lateOrDone(const RateBook::Day& day, QTextStream& err);

int rate(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const QString code = r.parser.value(QStringLiteral("rate"));
    if (!RateBook::isCode(code))
        return fail(err, QStringLiteral("valuta invalida: \"%1\" (forma: EUR, HUF, 100HUF)").arg(code),
                    CommandLine::WrongUse);
    const auto day = RateBook::ratesFor(c.database, r.day);
    if (!day) return fail(err, day.error(), CommandLine::Failed);
    const auto q = RateBook::quote(day->row, code);
    const QString date = day->date.toString(Qt::ISODate);
    if (!q)
        return fail(err, QStringLiteral("Nu este cunoscut cursul pentru %1 la %2.").arg(code.toUpper(), date),
                    CommandLine::Failed);
    const QString value = figure(q->value, q->decimals());
    if (r.format == Format::Json)
        out << json({{"date", date}, {"currency", q->name()}, {"units", q->units}, {"rate", number(q->value)}})
            << Qt::endl;
    else if (r.format == Format::Csv)
        out << csv({QStringLiteral("data"), QStringLiteral("valuta"), QStringLiteral("unitati"),
                    QStringLiteral("curs")},
                   {{date, q->name(), QString::number(q->units), value}})
            << Qt::flush;
    else
        out << date << ' ' << q->name() << ' ' << value
            << (q->column.size() > 3 ? QStringLiteral(" (pentru %1)").arg(q->unitsText()) : QString()) << Qt::endl;
    return lateOrDone(*day, err);
}

// A figure at an older day than the one that applies is printed, and said: cron and scripts see exit 1.
int lateOrDone(const RateBook::Day& day, QTextStream& err) {
    if (!day.isLate()) return CommandLine::Done;
    return fail(err, QStringLiteral("%1 (s-a folosit cursul din %2).").arg(day.lateText(), dayText(day.date)),
                CommandLine::Failed);
}

} // namespace Cli
