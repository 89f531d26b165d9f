#include "core/commandline.h"

#include "core/converter.h"
#include "core/currencyhistory.h"
#include "core/feedclient.h"
#include "core/historycheck.h"
#include "core/localcurrency.h"
#include "core/ratedb.h"
#include "core/rateupdater.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

enum class Format { Text, Csv, Json };

struct Request {
    QCommandLineParser parser;
    QDate day;
    Format format = Format::Text;
};

// Four decimals as the bank quotes rates; a comma for people, a point for machines.
QString decimal(double v, int decimals, Format f) {
    QString text = QString::number(v, 'f', decimals);
    if (f == Format::Text) text.replace(u'.', u',');
    return text;
}

QString json(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

LocalCurrency localOn(QDate day) {
    // Midday: on 1 July 2005 itself the new leu is already in force.
    return LocalCurrency::forView(QString::number(day.year()), QDateTime(day, QTime(12, 0)));
}

QString columnFor(const RateRow& row, const QString& code) {
    const QString column = SqlDialect::columnForCode(row.names, code);
    return column.isEmpty() ? code.toUpper() : column;
}

// The last stored day before the request's day, as the converter takes it.
Outcome<RateRow> dayBefore(const Request& r, const CommandLine::Context& c) {
    RateDb db(c.database);
    if (!db.isOpen()) return Outcome<RateRow>::failure(db.openError());
    auto row = db.rowBefore(r.day, localOn(r.day).suffix);
    // A database that cannot be read says so; a year without a table is just no stored day.
    if (!row && row.cause() != Cause::Other) return Outcome<RateRow>::failure(row.error());
    if (!row || !row->has_value() || row->value().values.isEmpty())
        return Outcome<RateRow>::failure(
            QStringLiteral("Nu exista curs memorat inainte de %1.").arg(r.day.toString(Qt::ISODate)));
    return row->value();
}

QString dayOf(const RateRow& row) {
    return row.values.front().toString().left(10);
}

int fail(QTextStream& err, const QString& text, int exit) {
    err << QStringLiteral("zorvel: ") << text << Qt::endl;
    return exit;
}

int update(const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
    FeedClient client(c.feedBase, c.timeoutMs);
    RateUpdater updater(c.database, client);
    updater.setToday(c.today);
    int lastFifty = 0;
    const auto report = updater.run([&](const RateUpdater::Progress& p) {
        // One line a year, or one every 50 days, so a log stays short.
        if (p.what.startsWith(QStringLiteral("anul")) || p.done / 50 > lastFifty) {
            lastFifty = p.done / 50;
            err << QStringLiteral("%1 (%2 din %3 zile)").arg(p.what).arg(p.done).arg(p.total) << Qt::endl;
        }
        return true;
    });
    QString summary = RateUpdater::message(report);
    summary.replace(u'\r', u'\n');
    // Days the bank has not sent are the update's summary, not a failure of the program; cron still sees exit 1.
    const bool answered =
        report.result == RateUpdater::Result::UpToDate || report.result == RateUpdater::Result::Incomplete;
    (answered ? out : err) << summary << Qt::endl;
    return report.result == RateUpdater::Result::UpToDate ? CommandLine::Done : CommandLine::Failed;
}

int rate(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
    const auto row = dayBefore(r, c);
    if (!row) return fail(err, row.error(), CommandLine::Failed);
    const QString column = columnFor(*row, r.parser.value(QStringLiteral("rate")));
    const auto value = row->rate(column);
    if (!value)
        return fail(err, QStringLiteral("Nu este cunoscut cursul pentru %1 la %2.").arg(column, dayOf(*row)),
                    CommandLine::Failed);
    // A rate is kept to single precision: its seven digits, not the float's binary tail.
    const double v = QString::number(float(*value), 'g', 7).toDouble();
    if (r.format == Format::Json)
        out << json({{"date", dayOf(*row)}, {"currency", column}, {"rate", v}}) << Qt::endl;
    else if (r.format == Format::Csv)
        out << "data,valuta,curs\n" << dayOf(*row) << ',' << column << ',' << decimal(v, 4, r.format) << Qt::endl;
    else
        out << dayOf(*row) << ' ' << column << ' ' << decimal(v, 4, r.format) << Qt::endl;
    return CommandLine::Done;
}

// "LEI" or "RON" names the local currency of the day, whichever leu that was.
QString currencyName(const QString& code, const LocalCurrency& local, const std::optional<RateRow>& row) {
    if (code.compare(QStringLiteral("LEI"), Qt::CaseInsensitive) == 0 ||
        code.compare(QStringLiteral("RON"), Qt::CaseInsensitive) == 0 ||
        code.compare(local.name, Qt::CaseInsensitive) == 0)
        return local.name;
    return row ? columnFor(*row, code) : code.toUpper();
}

int convert(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
    const QStringList pair = r.parser.positionalArguments();
    if (pair.size() != 2) return fail(err, QStringLiteral("Folositi: --convert SUMA DIN IN"), CommandLine::WrongUse);
    const LocalCurrency local = localOn(r.day);
    auto row = dayBefore(r, c);
    const std::optional<RateRow> day = row ? std::optional<RateRow>(*row) : std::nullopt;
    Converter::Request q{r.parser.value(QStringLiteral("convert")), currencyName(pair[0], local, day),
                         currencyName(pair[1], local, day), 1, local.name};
    q.targetIndex = q.target == local.name ? 0 : 1;
    if (!row && Converter::needsRates(q)) return fail(err, row.error(), CommandLine::Failed);
    const auto v = Converter::convert(q, day);
    if (!v)
        return fail(err, QStringLiteral("Nu este cunoscut cursul, pentru valuta selectata, la aceasta data!"),
                    CommandLine::Failed);
    const QString used = day ? dayOf(*day) : r.day.toString(Qt::ISODate);
    if (r.format == Format::Json)
        out << json({{"date", used}, {"amount", q.amountText}, {"from", q.source}, {"to", q.target}, {"result", *v}})
            << Qt::endl;
    else if (r.format == Format::Csv)
        out << "data,suma,din,in,rezultat\n"
            << used << ',' << q.amountText << ',' << q.source << ',' << q.target << ',' << decimal(*v, 2, r.format)
            << Qt::endl;
    else
        out << decimal(*v, 2, r.format) << ' ' << q.target << Qt::endl;
    return CommandLine::Done;
}

int average(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
    bool okYear = false, okMonth = true;
    const int year = r.parser.value(QStringLiteral("year")).toInt(&okYear);
    const int month =
        r.parser.isSet(QStringLiteral("month")) ? r.parser.value(QStringLiteral("month")).toInt(&okMonth) : 0;
    if (!okYear || year < 1900 || !okMonth || month < 0 || month > 12)
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
    if (r.format == Format::Json)
        out << json({{"period", period}, {"currency", h->column}, {"average", m.value}, {"days", m.days}}) << Qt::endl;
    else if (r.format == Format::Csv)
        out << "perioada,valuta,curs_mediu,zile\n"
            << period << ',' << h->column << ',' << decimal(m.value, 4, r.format) << ',' << m.days << Qt::endl;
    else
        out << period << ' ' << h->column << ' ' << decimal(m.value, 4, r.format) << " (" << m.days << " zile)"
            << Qt::endl;
    return CommandLine::Done;
}

// A CSV field as RFC 4180 quotes it.
QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r')) return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString stateName(HistoryCheck::Year::State state) {
    switch (state) {
    case HistoryCheck::Year::State::Checked:
        return QStringLiteral("verificat");
    case HistoryCheck::Year::State::NotChecked:
        return QStringLiteral("neverificat");
    case HistoryCheck::Year::State::OldLeu:
        return QStringLiteral("lei vechi");
    }
    return {};
}

QJsonObject findingJson(const HistoryCheck::Finding& f) {
    QJsonObject o{{"kind", HistoryCheck::kindName(f.kind)}, {"text", HistoryCheck::findingText(f)}};
    if (f.day.isValid()) o.insert(QStringLiteral("date"), f.day.toString(Qt::ISODate));
    if (!f.currency.isEmpty()) o.insert(QStringLiteral("currency"), f.currency);
    if (f.stored) o.insert(QStringLiteral("stored"), *f.stored);
    if (!f.bank.isEmpty()) o.insert(QStringLiteral("bank"), f.bank.toDouble());
    if (f.kind == HistoryCheck::Finding::Kind::NoColumn) o.insert(QStringLiteral("days"), int(f.values.size()));
    return o;
}

void printVerify(const HistoryCheck::Report& report, Format format, QTextStream& out) {
    if (format == Format::Text) {
        out << report.text() << Qt::endl;
        return;
    }
    if (format == Format::Csv) {
        out << "an,stare,data,tip,valuta,memorat,banca,text\n";
        for (const HistoryCheck::Year& y : report.years) {
            if (y.findings.empty())
                out << y.year << ',' << stateName(y.state) << ",,,,,," << csvField(y.summary()) << '\n';
            for (const HistoryCheck::Finding& f : y.findings)
                out << y.year << ',' << stateName(y.state) << ',' << f.day.toString(Qt::ISODate) << ','
                    << csvField(HistoryCheck::kindName(f.kind)) << ',' << csvField(f.currency) << ','
                    << (f.stored ? QString::number(*f.stored, 'f', 4) : QString()) << ',' << csvField(f.bank) << ','
                    << csvField(HistoryCheck::findingText(f)) << '\n';
        }
        out.flush();
        return;
    }
    QJsonArray years;
    for (const HistoryCheck::Year& y : report.years) {
        QJsonArray findings;
        for (const HistoryCheck::Finding& f : y.findings)
            findings << findingJson(f);
        years << QJsonObject{{"year", y.year},
                             {"state", stateName(y.state)},
                             {"days", y.days},
                             {"summary", y.summary()},
                             {"findings", findings}};
    }
    out << json({{"equal", report.equal()}, {"stopped", report.stopped}, {"years", years}}) << Qt::endl;
}

// Years as asked: one, a span, or none for every stored year; a year out of range is wrong use.
Outcome<QList<int>> verifyYears(const Request& r, const CommandLine::Context& c) {
    using R = Outcome<QList<int>>;
    const auto year = [&](const char* name, int fallback) -> std::optional<int> {
        if (!r.parser.isSet(QLatin1String(name))) return fallback;
        bool ok = false;
        const int y = r.parser.value(QLatin1String(name)).toInt(&ok);
        if (!ok || y < 1998 || y > c.today.year()) return std::nullopt;
        return y;
    };
    const bool one = r.parser.isSet(QStringLiteral("year"));
    const bool span = r.parser.isSet(QStringLiteral("from")) || r.parser.isSet(QStringLiteral("to"));
    if (one && span) return R::failure(QStringLiteral("--year nu merge impreuna cu --from si --to."));
    const auto from = year(one ? "year" : "from", HistoryCheck::FirstBankYear);
    const auto to = year(one ? "year" : "to", c.today.year());
    if (!from || !to || *from > *to)
        return R::failure(QStringLiteral("an invalid (intre 1998 si %1, --from inainte de --to)").arg(c.today.year()));
    QList<int> years;
    if (one || span)
        for (int y = *from; y <= *to; ++y)
            years << y;
    return years;
}

int verify(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
    const auto years = verifyYears(r, c);
    if (!years) return fail(err, years.error(), CommandLine::WrongUse);
    FeedClient client(c.feedBase, c.timeoutMs);
    HistoryCheck checker(c.database, client);
    checker.setToday(c.today);
    const auto report = checker.run(*years, [&err](const HistoryCheck::Progress& p) {
        err << QStringLiteral("anul %1 (%2 din %3)").arg(p.year).arg(p.done + 1).arg(p.total) << Qt::endl;
        return true;
    });
    if (!report) return fail(err, report.error(), CommandLine::Failed);
    printVerify(*report, r.format, out);
    if (!r.parser.isSet(QStringLiteral("repair")) || report->changes() == 0)
        return report->equal() ? CommandLine::Done : CommandLine::Failed;
    const auto copy = checker.repair(*report);
    if (!copy) return fail(err, copy.error(), CommandLine::Failed);
    err << QStringLiteral("Corectat. Copia bazei de cursuri dinainte: %1").arg(*copy) << Qt::endl;
    // Repaired: equal to the bank now, unless some year could not be checked.
    for (const HistoryCheck::Year& y : report->years)
        if (y.state != HistoryCheck::Year::State::Checked) return CommandLine::Failed;
    return report->stopped ? CommandLine::Failed : CommandLine::Done;
}

void addOptions(QCommandLineParser& p) {
    using O = QCommandLineOption;
    const QString none;
    p.addOptions({O(QStringLiteral("update")), O(QStringLiteral("rate"), none, QStringLiteral("VALUTA")),
                  O(QStringLiteral("convert"), none, QStringLiteral("SUMA")),
                  O(QStringLiteral("average"), none, QStringLiteral("VALUTA")), O(QStringLiteral("verify")),
                  O(QStringLiteral("repair")), O(QStringLiteral("from"), none, QStringLiteral("AN")),
                  O(QStringLiteral("to"), none, QStringLiteral("AN")),
                  O(QStringLiteral("year"), none, QStringLiteral("AN")),
                  O(QStringLiteral("month"), none, QStringLiteral("LUNA")),
                  O(QStringLiteral("date"), none, QStringLiteral("DATA")),
                  O(QStringLiteral("format"), none, QStringLiteral("FORMAT"), QStringLiteral("text")),
                  O(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
                  O(QStringList{QStringLiteral("v"), QStringLiteral("version")})});
}

// Reads the options; an empty text means they are fine.
QString parse(Request& r, const QStringList& arguments, const QDate& today) {
    addOptions(r.parser);
    if (!r.parser.parse(QStringList{QStringLiteral("zorvel")} + arguments)) {
        if (!r.parser.unknownOptionNames().isEmpty())
            return QStringLiteral("optiune necunoscuta: ") + r.parser.unknownOptionNames().join(QStringLiteral(", "));
        return QStringLiteral("optiune fara valoare (") + r.parser.errorText() + u')';
    }
    const QString format = r.parser.value(QStringLiteral("format"));
    if (format == u"csv")
        r.format = Format::Csv;
    else if (format == u"json")
        r.format = Format::Json;
    else if (format != u"text")
        return QStringLiteral("format necunoscut: ") + format + QStringLiteral(" (text, csv, json)");
    r.day = today;
    if (r.parser.isSet(QStringLiteral("date"))) {
        r.day = QDate::fromString(r.parser.value(QStringLiteral("date")), Qt::ISODate);
        if (!r.day.isValid())
            return QStringLiteral("data invalida: ") + r.parser.value(QStringLiteral("date")) +
                   QStringLiteral(" (forma: 2022-03-08)");
    }
    return {};
}

} // namespace

QString CommandLine::helpText() {
    return QStringLiteral("Folosire: zorvel [optiuni]\n"
                          "Fara optiuni porneste fereastra programului.\n\n"
                          "  --update                      aduce cursurile la zi de la BNR, fara fereastra\n"
                          "  --rate VALUTA [--date D]      cursul folosit de convertor pentru data D\n"
                          "                                (ultima zi memorata inainte de ea; implicit azi)\n"
                          "  --convert SUMA DIN IN [--date D]\n"
                          "                                converteste suma; LEI sau RON inseamna moneda nationala\n"
                          "  --average VALUTA --year AN [--month LUNA]\n"
                          "                                cursul mediu al lunii, sau al anului (media\n"
                          "                                mediilor lunare, ca media anuala publicata de BNR)\n"
                          "  --verify [--year AN | --from AN --to AN] [--repair]\n"
                          "                                compara istoricul cu fisierele anuale ale BNR (implicit\n"
                          "                                fiecare an memorat din 2005); --repair il corecteaza,\n"
                          "                                dupa o copie valuta.mdb.AAAALLZZ-HHMMSS.bak langa el\n"
                          "  --format text|csv|json        forma rezultatului (implicit text)\n"
                          "  -h, --help                    acest text\n"
                          "  -v, --version                 versiunea programului\n\n"
                          "Datele se scriu AAAA-LL-ZZ. Iesire: 0 reusit, 1 eroare, 2 folosire gresita.\n");
}

int CommandLine::run(const QStringList& arguments, const Context& context, QTextStream& out, QTextStream& err) {
    Request r;
    if (const QString wrong = parse(r, arguments, context.today); !wrong.isEmpty())
        return fail(err, wrong + QStringLiteral("\nVedeti zorvel --help."), WrongUse);
    if (r.parser.isSet(QStringLiteral("help"))) return out << helpText() << Qt::flush, Done;
    if (r.parser.isSet(QStringLiteral("version"))) return out << "zorvel " << context.version << Qt::endl, Done;
    const QStringList actions = {QStringLiteral("update"), QStringLiteral("rate"), QStringLiteral("convert"),
                                 QStringLiteral("average"), QStringLiteral("verify")};
    QStringList chosen;
    for (const QString& a : actions)
        if (r.parser.isSet(a)) chosen << a;
    if (chosen.size() != 1)
        return fail(err, QStringLiteral("alegeti una dintre --update, --rate, --convert, --average, --verify."),
                    WrongUse);
    if (r.parser.isSet(QStringLiteral("repair")) && chosen.front() != u"verify")
        return fail(err, QStringLiteral("--repair merge doar cu --verify."), WrongUse);
    if (!r.parser.positionalArguments().isEmpty() && chosen.front() != u"convert")
        return fail(err, QStringLiteral("argument neasteptat: ") + r.parser.positionalArguments().front(), WrongUse);
    if (context.prepareDatabase)
        if (const Status ready = context.prepareDatabase(); !ready) return fail(err, ready.error(), Failed);
    if (chosen.front() == u"update") return update(context, out, err);
    if (chosen.front() == u"rate") return rate(r, context, out, err);
    if (chosen.front() == u"convert") return convert(r, context, out, err);
    if (chosen.front() == u"verify") return verify(r, context, out, err);
    return average(r, context, out, err);
}
