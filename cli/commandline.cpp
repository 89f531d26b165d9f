#include "cli/commandline.h"

#include "core/feed/feedclient.h"
#include "core/history/currencyhistory.h"
#include "core/money/converter.h"
#include "core/money/listconversion.h"
#include "core/money/localcurrency.h"
#include "core/money/ratebook.h"
#include "core/store/ratedb.h"
#include "core/store/rateyears.h"
#include "core/text/daytext.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"
#include "core/update/historycheck.h"
#include "core/update/rateupdater.h"

#include <QCommandLineParser>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>
#include <cmath>

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
    // Last, alone on its line: what a cron log keeps.
    out << updater.logLine(report) << Qt::endl;
    if (report.result != RateUpdater::Result::UpToDate) return CommandLine::Failed;
    // A cron job must tell a clean run from one that left rates empty.
    return report.unreadable.isEmpty() ? CommandLine::Done : CommandLine::Partial;
}

// A rate as the bank quotes it, four decimals; a per-100 currency per unit needs more to keep its digits.
QString rateFigure(const RateBook::Quote& q, Format f) {
    return q.value.fixed(q.decimals(), f == Format::Text ? u',' : u'.');
}

// A number for JSON: the bank's digits where a double keeps them, else the digits as text.
QJsonValue jsonNumber(const Decimal& v) {
    const double d = v.toDouble();
    if (Decimal::fromText(QString::number(d, 'g', QLocale::FloatingPointShortest)) == std::optional<Decimal>(v))
        return d;
    return v.toString();
}

QString dayText(QDate d) {
    return DayText::shown(d);
}

// A figure at an older day than the one that applies is printed, and said: cron and scripts see exit 1.
int lateOrDone(const RateBook::Day& day, QTextStream& err) {
    if (!day.isLate()) return CommandLine::Done;
    return fail(err, QStringLiteral("%1 (s-a folosit cursul din %2).").arg(day.lateText(), dayText(day.date)),
                CommandLine::Failed);
}

int rate(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
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
    if (r.format == Format::Json)
        out << json({{"date", date}, {"currency", q->name()}, {"units", q->units}, {"rate", jsonNumber(q->value)}})
            << Qt::endl;
    else if (r.format == Format::Csv)
        out << "data,valuta,unitati,curs\n"
            << date << ',' << q->name() << ',' << q->units << ',' << rateFigure(*q, r.format) << Qt::endl;
    else
        out << date << ' ' << q->name() << ' ' << rateFigure(*q, r.format)
            << (q->column.size() > 3 ? QStringLiteral(" (pentru %1)").arg(q->unitsText()) : QString()) << Qt::endl;
    return lateOrDone(*day, err);
}

// "LEI" or "RON" names the local currency of the day, whichever leu that was.
bool isLocal(const QString& code, const LocalCurrency& local) {
    return code.compare(QStringLiteral("LEI"), Qt::CaseInsensitive) == 0 ||
           code.compare(QStringLiteral("RON"), Qt::CaseInsensitive) == 0 ||
           code.compare(local.name, Qt::CaseInsensitive) == 0;
}

// A side of a conversion as the converter takes it: the local currency's name, or the code.
Outcome<QString> sideOf(const QString& code, const std::optional<RateBook::Day>& day, const LocalCurrency& local,
                        const Outcome<RateBook::Day>& read) {
    if (isLocal(code, local)) return local.name;
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
    return q ? q->value.toString() : QStringLiteral("1");
}

void writeConversion(QTextStream& out, Format format, const Converter::Result& v,
                     const std::optional<RateBook::Day>& day, const LocalCurrency& local, QDate asked) {
    const QString used = day ? day->date.toString(Qt::ISODate) : asked.toString(Qt::ISODate);
    if (format == Format::Json)
        out << json({{"date", used},
                     {"amount", jsonNumber(v.amount)},
                     {"from", sideName(v.from, local)},
                     {"to", sideName(v.to, local)},
                     {"result", jsonNumber(v.value)},
                     {"fromRate", v.from ? jsonNumber(v.from->value) : QJsonValue(1)},
                     {"toRate", v.to ? jsonNumber(v.to->value) : QJsonValue(1)}})
            << Qt::endl;
    else if (format == Format::Csv)
        out << "data,suma,din,in,rezultat,curs_din,curs_in\n"
            << used << ',' << v.amount.toString() << ',' << sideName(v.from, local) << ',' << sideName(v.to, local)
            << ',' << v.value.fixed(2) << ',' << sideRate(v.from) << ',' << sideRate(v.to) << Qt::endl;
    else
        out << Converter::documentLine(v, day, local.name, u',') << Qt::endl;
}

int convert(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
    const QStringList pair = r.parser.positionalArguments();
    if (pair.size() != 2) return fail(err, QStringLiteral("Folositi: --convert SUMA DIN IN"), CommandLine::WrongUse);
    const QString amountText = r.parser.value(QStringLiteral("convert"));
    if (!InputText::Amount(amountText))
        return fail(err, QStringLiteral("suma invalida: \"%1\" (forma: 100, 1.234,56)").arg(amountText),
                    CommandLine::WrongUse);
    const LocalCurrency local = LocalCurrency::on(r.day);
    const auto read = RateBook::ratesFor(c.database, r.day);
    const std::optional<RateBook::Day> day = read ? std::optional<RateBook::Day>(*read) : std::nullopt;
    const auto from = sideOf(pair[0], day, local, read);
    if (!from) return fail(err, from.error(), CommandLine::Failed);
    const auto to = sideOf(pair[1], day, local, read);
    if (!to) return fail(err, to.error(), CommandLine::Failed);
    const Converter::Request request{amountText, *from, *to, local.name};
    const auto v = Converter::convert(request, day ? std::optional<StoredDay>(day->row) : std::nullopt);
    if (!v && v.cause() == Cause::OutOfRange)
        return fail(err, QStringLiteral("suma prea mare: %1").arg(amountText), CommandLine::WrongUse);
    if (!v) return fail(err, v.error(), CommandLine::Failed);
    writeConversion(out, r.format, *v, Converter::needsRates(request) ? day : std::nullopt, local, r.day);
    return day && Converter::needsRates(request) ? lateOrDone(*day, err) : CommandLine::Done;
}

int average(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
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
                    << (f.stored ? NumberText::rate(*f.stored, QStringLiteral(".")) : QString()) << ','
                    << csvField(f.bank) << ',' << csvField(HistoryCheck::findingText(f)) << '\n';
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
        if (!ok || y < RateYears::First || y > c.today.year()) return std::nullopt;
        return y;
    };
    const bool one = r.parser.isSet(QStringLiteral("year"));
    const bool span = r.parser.isSet(QStringLiteral("from")) || r.parser.isSet(QStringLiteral("to"));
    if (one && span) return R::failure(QStringLiteral("--year nu merge impreuna cu --from si --to."));
    const auto from = year(one ? "year" : "from", RateYears::FirstFromBank);
    const auto to = year(one ? "year" : "to", c.today.year());
    if (!from || !to || *from > *to)
        return R::failure(QStringLiteral("an invalid (intre %1 si %2, --from inainte de --to)")
                              .arg(RateYears::First)
                              .arg(c.today.year()));
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

// A converted list for programs: numbers as numbers, a failed row with its fields and reason.
QString listJson(const ListConversion::Result& result) {
    QJsonArray rows;
    for (const ListConversion::Row& row : result.rows) {
        QJsonObject o{{"line", row.line}};
        if (!row.error.isEmpty()) {
            o.insert(QStringLiteral("given"), QJsonArray::fromStringList(row.given));
            o.insert(QStringLiteral("error"), row.error);
        } else {
            o.insert(QStringLiteral("date"), row.date.toString(Qt::ISODate));
            o.insert(QStringLiteral("amount"), jsonNumber(row.amount));
            o.insert(QStringLiteral("currency"), row.currency);
            o.insert(QStringLiteral("rateDay"), row.rateDay.toString(Qt::ISODate));
            o.insert(QStringLiteral("rate"), jsonNumber(row.rate));
            o.insert(QStringLiteral("lei"), jsonNumber(row.lei));
            if (row.booked) o.insert(QStringLiteral("booked"), jsonNumber(*row.booked));
            if (const auto d = row.difference()) o.insert(QStringLiteral("difference"), jsonNumber(*d));
            if (!row.late.isEmpty()) o.insert(QStringLiteral("late"), row.late);
        }
        rows << o;
    }
    return json({{"rows", rows}, {"failed", result.failed}, {"late", result.late}}) + u'\n';
}

int convertFile(const Request& r, const CommandLine::Context& c, QTextStream& out, QTextStream& err) {
    const QString rule = r.parser.value(QStringLiteral("rule"));
    if (rule != u"before" && rule != u"same")
        return fail(err, QStringLiteral("regula necunoscuta: %1 (before, same)").arg(rule), CommandLine::WrongUse);
    if (r.format == Format::Text)
        return fail(err, QStringLiteral("--convert-file scrie csv sau json"), CommandLine::WrongUse);
    QFile in(r.parser.value(QStringLiteral("convert-file")));
    if (!in.open(QIODevice::ReadOnly))
        return fail(err, QStringLiteral("Fisierul %1 nu poate fi citit.").arg(in.fileName()), CommandLine::Failed);
    const auto result = ListConversion::convert(c.database, ListConversion::read(QString::fromUtf8(in.readAll())),
                                                rule == u"same" ? RateBook::Rule::Same : RateBook::Rule::Before);
    if (!result) return fail(err, result.error(), CommandLine::Failed);
    QString text;
    if (r.format == Format::Csv) {
        text = ListConversion::csv(*result);
    } else {
        text = listJson(*result);
    }
    if (!r.parser.isSet(QStringLiteral("out"))) {
        out << text << Qt::flush;
    } else {
        // Written whole or not at all: a failed save leaves an earlier file as it was.
        QSaveFile file(r.parser.value(QStringLiteral("out")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
            return fail(err, QStringLiteral("Fisierul %1 nu poate fi scris.").arg(file.fileName()),
                        CommandLine::Failed);
    }
    if (result->failed > 0)
        err << (result->failed == 1
                    ? QStringLiteral("Un rand nu a putut fi convertit (vezi coloana eroare).")
                    : QStringLiteral("%1 randuri nu au putut fi convertite (vezi coloana eroare).").arg(result->failed))
            << Qt::endl;
    if (result->late > 0)
        err << QStringLiteral("La %1 randuri lipseste cursul zilei; s-a folosit unul mai vechi (vezi coloana eroare).")
                   .arg(result->late)
            << Qt::endl;
    return result->failed > 0 || result->late > 0 ? CommandLine::Failed : CommandLine::Done;
}

void addOptions(QCommandLineParser& p) {
    using O = QCommandLineOption;
    const QString none;
    p.addOptions({O(QStringLiteral("update")), O(QStringLiteral("rate"), none, QStringLiteral("VALUTA")),
                  O(QStringLiteral("convert"), none, QStringLiteral("SUMA")),
                  O(QStringLiteral("average"), none, QStringLiteral("VALUTA")), O(QStringLiteral("verify")),
                  O(QStringLiteral("repair")), O(QStringLiteral("from"), none, QStringLiteral("AN")),
                  O(QStringLiteral("to"), none, QStringLiteral("AN")),
                  O(QStringLiteral("convert-file"), none, QStringLiteral("FISIER")),
                  O(QStringLiteral("rule"), none, QStringLiteral("REGULA"), QStringLiteral("before")),
                  O(QStringLiteral("out"), none, QStringLiteral("FISIER")),
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

// An option given twice, or one that does not go with the action, is wrong use, not silently dropped.
QString misplaced(const QCommandLineParser& p, const QString& action) {
    static const QHash<QString, QStringList> allowed = {
        {QStringLiteral("update"), {}},
        {QStringLiteral("rate"), {QStringLiteral("date"), QStringLiteral("format")}},
        {QStringLiteral("convert"), {QStringLiteral("date"), QStringLiteral("format")}},
        {QStringLiteral("convert-file"), {QStringLiteral("rule"), QStringLiteral("out"), QStringLiteral("format")}},
        {QStringLiteral("average"), {QStringLiteral("year"), QStringLiteral("month"), QStringLiteral("format")}},
        {QStringLiteral("verify"),
         {QStringLiteral("year"), QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("format"),
          QStringLiteral("repair")}},
    };
    for (const QString& name : p.optionNames()) {
        if (p.values(name).size() > 1 || p.optionNames().count(name) > 1)
            return QStringLiteral("optiunea --%1 este data de doua ori.").arg(name);
        if (name != action && !allowed.value(action).contains(name))
            return QStringLiteral("optiunea --%1 nu merge cu --%2.").arg(name, action);
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
                          "                                converteste suma; LEI sau RON inseamna moneda nationala;\n"
                          "                                HUF inseamna un forint, 100HUF o suta (si la --rate)\n"
                          "  --convert-file FISIER [--rule before|same] [--out FISIER] [--format csv|json]\n"
                          "                                converteste o lista: data, suma, valuta [, lei\n"
                          "                                inregistrati] pe rand; before: ziua bancara dinainte\n"
                          "                                (facturi), same: ziua insasi (reevaluare)\n"
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
                          "Datele se scriu AAAA-LL-ZZ. Iesire: 0 reusit, 1 eroare (sau zile lipsa), 2 folosire\n"
                          "gresita, 3 actualizat, dar cu unele cursuri ilizibile lasate goale.\n");
}

namespace {

// The one action asked for, with only the options it takes.
Outcome<QString> chosenAction(const Request& r) {
    using R = Outcome<QString>;
    const QStringList actions = {QStringLiteral("update"),  QStringLiteral("rate"),   QStringLiteral("convert"),
                                 QStringLiteral("average"), QStringLiteral("verify"), QStringLiteral("convert-file")};
    QStringList chosen;
    for (const QString& a : actions)
        if (r.parser.isSet(a)) chosen << a;
    if (chosen.size() != 1)
        return R::failure(
            QStringLiteral("alegeti una dintre --update, --rate, --convert, --convert-file, --average, --verify."));
    if (r.parser.isSet(QStringLiteral("repair")) && chosen.front() != u"verify")
        return R::failure(QStringLiteral("--repair merge doar cu --verify."));
    if (const QString wrong = misplaced(r.parser, chosen.front()); !wrong.isEmpty()) return R::failure(wrong);
    if (!r.parser.positionalArguments().isEmpty() && chosen.front() != u"convert")
        return R::failure(QStringLiteral("argument neasteptat: ") + r.parser.positionalArguments().front());
    return chosen.front();
}

} // namespace

int CommandLine::run(const QStringList& arguments, const Context& context, QTextStream& out, QTextStream& err) {
    Request r;
    if (const QString wrong = parse(r, arguments, context.today); !wrong.isEmpty())
        return fail(err, wrong + QStringLiteral("\nVedeti zorvel --help."), WrongUse);
    if (r.parser.isSet(QStringLiteral("help"))) return out << helpText() << Qt::flush, Done;
    if (r.parser.isSet(QStringLiteral("version"))) return out << "zorvel " << context.version << Qt::endl, Done;
    const Outcome<QString> action = chosenAction(r);
    if (!action) return fail(err, action.error(), WrongUse);
    if (context.prepareDatabase) {
        const Outcome<QString> ready = context.prepareDatabase();
        if (!ready) return fail(err, ready.error(), Failed);
        if (!ready->isEmpty()) err << *ready << Qt::endl;
    }
    if (*action == u"update") return update(context, out, err);
    if (*action == u"rate") return rate(r, context, out, err);
    if (*action == u"convert") return convert(r, context, out, err);
    if (*action == u"verify") return verify(r, context, out, err);
    if (*action == u"convert-file") {
        // Its output is a table: csv unless json is asked for.
        if (!r.parser.isSet(QStringLiteral("format"))) r.format = Format::Csv;
        return convertFile(r, context, out, err);
    }
    return average(r, context, out, err);
}
