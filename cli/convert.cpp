// --convert: one amount, as the window's converter gives it.
#include "cli/clishared.h"
#include "core/money/converter.h"
#include "core/money/localcurrency.h"
#include "core/money/ratebook.h"
#include "core/text/inputtext.h"

namespace Cli {

int lateOrDone(const RateBook::Day& day, QTextStream& err);

namespace {

// "LEI" or "RON" names the local currency of the day, whichever leu that was.
bool isLocal(const QString& code, const LocalCurrency& local) {
    return code.compare(QStringLiteral("LEI"), Qt::CaseInsensitive) == 0 ||
           code.compare(QStringLiteral("RON"), Qt::CaseInsensitive) == 0 ||
           code.compare(local.name, Qt::CaseInsensitive) == 0;
}

// A side of a conversion as the converter takes it: the local currency's name, or the code.
Outcome<QString> sideOf(const QString& code, QDate asked, const std::optional<RateBook::Day>& day,
                        const LocalCurrency& local, const Outcome<RateBook::Day>& read) {
    if (isLocal(code, local)) return local.name;
    if (const QString why = LocalCurrency::refusedOn(code, asked); !why.isEmpty())
        return Outcome<QString>::failure(why + u'.');
    if (!day) return Outcome<QString>::failure(read);
    if (!RateBook::quote(day->row, code))
        return Outcome<QString>::failure(QStringLiteral("Nu este cunoscut cursul pentru %1 la %2.")
                                             .arg(code.toUpper(), day->date.toString(Qt::ISODate)));
    return code.toUpper();
}

QString sideName(const std::optional<RateBook::Quote>& q, const LocalCurrency& local) {
    return q ? q->name() : local.name;
}

QString sideRate(const std::optional<RateBook::Quote>& q) {
    return q ? figure(q->value, q->decimals()) : QStringLiteral("1");
}

void write(QTextStream& out, Format format, const Converter::Result& v, const std::optional<RateBook::Day>& day,
           const LocalCurrency& local, QDate asked) {
    const QString used = day ? day->date.toString(Qt::ISODate) : asked.toString(Qt::ISODate);
    if (format == Format::Json)
        out << json({{"date", used},
                     {"amount", number(v.amount)},
                     {"from", sideName(v.from, local)},
                     {"to", sideName(v.to, local)},
                     {"result", number(v.value)},
                     {"fromRate", v.from ? number(v.from->value) : QJsonValue(1)},
                     {"toRate", v.to ? number(v.to->value) : QJsonValue(1)}})
            << Qt::endl;
    else if (format == Format::Csv)
        out << csv({QStringLiteral("data"), QStringLiteral("suma"), QStringLiteral("din"), QStringLiteral("in"),
                    QStringLiteral("rezultat"), QStringLiteral("curs_din"), QStringLiteral("curs_in")},
                   {{used, v.amount.toString(u','), sideName(v.from, local), sideName(v.to, local), figure(v.value, 2),
                     sideRate(v.from), sideRate(v.to)}})
            << Qt::flush;
    else
        out << Converter::documentLine(v, day, local.name, u',') << Qt::endl;
}

} // namespace

int convert(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const QStringList pair = r.parser.positionalArguments();
    if (pair.size() != 2) return fail(err, QStringLiteral("Folositi: --convert SUMA DIN IN"), CommandLine::WrongUse);
    const QString amountText = r.parser.value(QStringLiteral("convert"));
    // An amount too large says so in the words of a result too large.
    switch (InputText::faultOf(amountText)) {
    case InputText::AmountFault::None:
        break;
    case InputText::AmountFault::TooLarge:
        return fail(err, QStringLiteral("suma prea mare: %1").arg(amountText), CommandLine::WrongUse);
    case InputText::AmountFault::Grouping:
        return fail(err,
                    QStringLiteral("suma invalida: \"%1\" (separatorii de mii nu sunt la locul lor)").arg(amountText),
                    CommandLine::WrongUse);
    case InputText::AmountFault::NotANumber:
        return fail(err, QStringLiteral("suma invalida: \"%1\" (forma: 100, 1.234,56)").arg(amountText),
                    CommandLine::WrongUse);
    }
    const LocalCurrency local = LocalCurrency::on(r.day);
    const auto read = RateBook::ratesFor(c.database, r.day);
    const std::optional<RateBook::Day> day = read ? std::optional<RateBook::Day>(*read) : std::nullopt;
    const auto from = sideOf(pair[0], r.day, day, local, read);
    if (!from) return fail(err, from.error(), CommandLine::Failed);
    const auto to = sideOf(pair[1], r.day, day, local, read);
    if (!to) return fail(err, to.error(), CommandLine::Failed);
    const Converter::Request request{amountText, *from, *to, local.name};
    const auto v = Converter::convert(request, day ? std::optional<StoredDay>(day->row) : std::nullopt);
    if (!v && v.cause() == Cause::OutOfRange)
        return fail(err, QStringLiteral("suma prea mare: %1").arg(amountText), CommandLine::WrongUse);
    if (!v) return fail(err, v.error(), CommandLine::Failed);
    const bool rated = Converter::needsRates(request);
    write(out, r.format, *v, rated ? day : std::nullopt, local, r.day);
    return day && rated ? lateOrDone(*day, err) : CommandLine::Done;
}

} // namespace Cli
