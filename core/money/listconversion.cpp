#include "core/money/listconversion.h"

#include "core/money/localcurrency.h"
#include "core/text/csvtext.h"
#include "core/text/daytext.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"
#include "core/text/ratefield.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <cmath>

namespace {

// Fields of one line; quotes group a field and "" inside them is one quote.
QStringList splitLine(const QString& line, QChar separator) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            quoted = true;
            field.clear();
        } else if (c == separator) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

QDate dateOf(const QString& text) {
    static const QRegularExpression dmy(QStringLiteral(R"(^(\d{1,2})[./](\d{1,2})[./](\d{4})$)"));
    static const QRegularExpression iso(QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})$)"));
    if (const auto m = dmy.match(text.trimmed()); m.hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (const auto m = iso.match(text.trimmed()); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return {};
}

bool isLocal(const QString& code) {
    const QString c = code.trimmed().toUpper();
    return c == u"LEI" || c == u"RON" || c == u"LEI NOI";
}

// A text cell that a spreadsheet would take for a formula is written as text.
QString safeText(const QString& text) {
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text[0])) return u'\'' + text;
    return text;
}

QString number(const Decimal& v, int decimals, QChar point) {
    return v.fixed(decimals, point);
}

// An amount with every place it was given, and at least the two of money.
QString amountText(const Decimal& v, QChar point) {
    return v.fixed(std::max(2, v.decimals()), point);
}

// Converts one row of a currency at the day's rates; the day comes from the cache of the list.
void convertRow(ListConversion::Row& row, const RateBook::Day& day) {
    row.rateDay = day.date;
    row.local = day.local.name;
    const auto q = RateBook::quote(day.row, row.currency);
    if (!q) {
        // A code no table column names is unknown; a known one may lack that day's rate.
        const bool known = !RateField::columnForCode(day.row.names, row.currency.right(3)).isEmpty();
        row.error = known ? QStringLiteral("nu exista curs %1 la %2").arg(row.currency, DayText::shown(day.date))
                          : QStringLiteral("valuta necunoscuta: ") + row.currency;
        return;
    }
    // The rate for the units the row names: one forint for "HUF", a hundred for "100HUF".
    const Decimal rate = q->value;
    row.currency = q->name();
    row.rateDecimals = q->decimals();
    row.rate = rate;
    const auto exact = row.amount.times(rate);
    // Checked once rounded: a figure that rounds up to a sixteenth whole digit is as large as one given so.
    if (!exact || exact->rounded(2).wholeDigits() > InputText::kMaxWholeDigits) {
        row.error = QStringLiteral("suma prea mare");
        return;
    }
    row.lei = exact->rounded(2);
    row.tie = exact->isTieAt(2);
    row.late = day.lateText();
}

// An amount in lei is its own figure: no rate is read, and none can be late. Its day is the row's.
void convertLocalRow(ListConversion::Row& row) {
    const LocalCurrency local = LocalCurrency::on(row.date);
    row.rateDay = row.date;
    row.local = local.name;
    row.currency = local.name;
    row.rate = Decimal::whole(1);
    row.lei = row.amount.rounded(2);
    row.tie = row.amount.isTieAt(2);
    if (row.lei.wholeDigits() > InputText::kMaxWholeDigits) row.error = QStringLiteral("suma prea mare");
}

} // namespace

std::optional<Decimal> ListConversion::Row::difference() const {
    if (!booked || !error.isEmpty()) return std::nullopt;
    const auto d = lei.minus(*booked);
    if (!d) return std::nullopt;
    // Half a ban rounded up instead of to the even ban: the same figure, booked by the other rule.
    if (tie && d->abs() == *Decimal::of(1, 2)) return Decimal();
    return d->rounded(2);
}

namespace {

// Lines of a text, each as a view into it, whatever its line ends.
std::vector<QStringView> linesOf(QStringView text) {
    std::vector<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\n' && text[i] != u'\r') continue;
        lines.push_back(text.mid(start, i - start));
        if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    return lines;
}

bool blank(QStringView line) {
    return line.trimmed().isEmpty();
}

// The separator that gives most lines the shape of a row (date, amount, currency and
// perhaps the booked lei): a comma list whose quoted cell holds a semicolon stays a comma list.
QChar separatorOf(const std::vector<QStringView>& lines) {
    const QChar candidates[] = {u'\t', u';', u','};
    QChar best = u';';
    qsizetype bestScore = -1;
    // The first lines tell: a list keeps its separator, and a long one is not split three times over.
    constexpr size_t kSample = 200;
    for (QChar c : candidates) {
        qsizetype score = 0;
        size_t seen = 0;
        for (QStringView line : lines) {
            if (blank(line) || line.size() > ListConversion::kMaxLineLength) continue;
            if (++seen > kSample) break;
            const qsizetype n = splitLine(line.toString(), c).size();
            if (n == 3 || n == 4) ++score;
        }
        if (score > bestScore) {
            best = c;
            bestScore = score;
        }
    }
    return best;
}

// A line's fields by the list's separator or, where that gives it no row's shape (one row of a
// semicolon list pasted with tabs), by another that does.
QStringList fieldsOf(const QString& line, QChar separator) {
    QStringList fields = splitLine(line, separator);
    const auto shaped = [](const QStringList& f) { return f.size() == 3 || f.size() == 4; };
    if (shaped(fields)) return fields;
    for (QChar other : {u'\t', u';', u','})
        if (other != separator)
            if (QStringList f = splitLine(line, other); shaped(f)) return f;
    return fields;
}

// What cannot be a list's line: bytes that were no text, a NUL, a line past the bound.
QString problemOf(QStringView line) {
    if (line.size() > ListConversion::kMaxLineLength)
        return QStringLiteral("rand prea lung (peste %1 caractere)").arg(ListConversion::kMaxLineLength);
    for (QChar c : line)
        if (c == QChar::ReplacementCharacter || c == QChar::Null) return QStringLiteral("caractere nevalide in rand");
    return {};
}

} // namespace

QChar ListConversion::separatorFor(const std::vector<QStringView>& lines) {
    return separatorOf(lines);
}

std::optional<ListConversion::Input> ListConversion::inputOf(int line, QStringView text, QChar separator,
                                                             bool first) {
    if (blank(text)) return std::nullopt;
    Input in{line, {}, problemOf(text)};
    // What could not be read is not copied on: the row keeps only its number and its reason.
    if (in.problem.isEmpty()) in.fields = fieldsOf(text.toString(), separator);
    // A header: a first row of words, without a digit, in more than one field.
    static const QRegularExpression digit(QStringLiteral("\\d")), word(QStringLiteral("[A-Za-z]{3}"));
    const bool header = first && in.problem.isEmpty() && in.fields.size() >= 2 &&
                        !in.fields.value(0).contains(digit) && in.fields.value(0).contains(word);
    if (header) return std::nullopt;
    return in;
}

std::vector<ListConversion::Input> ListConversion::read(const QString& text) {
    const std::vector<QStringView> lines = linesOf(text);
    const QChar separator = separatorOf(lines);
    std::vector<Input> out;
    bool first = true;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (blank(lines[i])) continue;
        if (auto in = inputOf(int(i + 1), lines[i], separator, first)) out.push_back(std::move(*in));
        first = false;
    }
    return out;
}

Outcome<QString> ListConversion::decode(const QByteArray& bytes) {
    // A list saved as UTF-16 or UTF-32 says so by its byte order mark; anything else is read as UTF-8.
    const auto encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    QString text = decoder.decode(bytes);
    if (!text.isEmpty() && text.front() == QChar::ByteOrderMark) text.remove(0, 1);
    return text;
}

Outcome<QString> ListConversion::readFile(const QString& path) {
    using R = Outcome<QString>;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return R::failure(QStringLiteral("Fisierul %1 nu poate fi citit: %2").arg(path, in.errorString()));
    // Read up to the bound and no further: a device without end (/dev/zero) is refused, not swallowed.
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const qint64 n = in.read(chunk, sizeof chunk);
        if (n < 0) return R::failure(QStringLiteral("Fisierul %1 nu poate fi citit: %2").arg(path, in.errorString()));
        if (n == 0) break;
        if (bytes.size() + n > kMaxFileBytes)
            return R::failure(QStringLiteral("Fisierul %1 depaseste %2 MB; impartiti lista.")
                                  .arg(path)
                                  .arg(kMaxFileBytes / (1024 * 1024)));
        bytes.append(chunk, qsizetype(n));
    }
    return decode(bytes);
}

namespace {

// A row as given, with the reason it cannot be converted when its own fields say so.
ListConversion::Row readRow(const ListConversion::Input& in) {
    ListConversion::Row row;
    row.line = in.line;
    row.given = in.fields;
    if (!in.problem.isEmpty()) {
        row.error = in.problem;
        return row;
    }
    if (in.fields.size() < 3 || in.fields.size() > 4) {
        row.error = QStringLiteral("rand ilizibil (se asteapta: data; suma; valuta[; lei])");
        return row;
    }
    row.date = dateOf(in.fields.value(0));
    const auto amount = InputText::Amount(in.fields.value(1));
    row.currency = in.fields.value(2).trimmed().toUpper();
    if (!in.fields.value(3).isEmpty()) row.booked = InputText::Amount(in.fields.value(3));
    if (!row.date.isValid())
        row.error = QStringLiteral("data ilizibila");
    else if (!amount)
        row.error = QStringLiteral("suma ilizibila");
    else if (!isLocal(row.currency) && !RateBook::isCode(row.currency))
        row.error = QStringLiteral("valuta necunoscuta: ") + row.currency;
    else if (!in.fields.value(3).isEmpty() && !row.booked)
        row.error = QStringLiteral("suma in lei ilizibila");
    else if (const QString why = LocalCurrency::refusedOn(row.currency, row.date); !why.isEmpty())
        row.error = why;
    else
        row.amount = *amount;
    return row;
}

} // namespace

ListConversion::Converter::Converter(RateDb& db, RateBook::Rule rule) : m_db(db), m_rule(rule) {}

Outcome<ListConversion::Row> ListConversion::Converter::convert(const Input& in) {
    Row row = readRow(in);
    if (row.error.isEmpty() && isLocal(row.currency)) {
        convertLocalRow(row);
    } else if (row.error.isEmpty()) {
        auto it = m_days.find(row.date);
        if (it == m_days.end()) it = m_days.insert(row.date, RateBook::ratesFor(m_db, row.date, m_rule));
        // A database that cannot be read fails the list; a day without rates only its rows.
        if (!*it && it->cause() != Cause::NoStoredDay) return Outcome<Row>::failure(*it);
        if (!*it)
            row.error = it->error().chopped(1).toLower();
        else
            convertRow(row, **it);
    }
    count(row);
    return row;
}

// A row into the list's counts and its currency's total.
void ListConversion::Converter::count(Row& row) {
    if (!row.error.isEmpty()) {
        ++m_failed;
        return;
    }
    row.given.clear();
    if (!row.late.isEmpty()) ++m_late;
    Total& t = m_totals[row.currency];
    t.currency = row.currency;
    t.amount = t.amount.plus(row.amount).value_or(t.amount);
    t.lei = t.lei.plus(row.lei).value_or(t.lei);
    ++t.rows;
}

std::vector<ListConversion::Total> ListConversion::Converter::totals() const {
    return {m_totals.cbegin(), m_totals.cend()};
}

Outcome<ListConversion::Result> ListConversion::convert(const QString& dbPath, std::vector<Input> rows,
                                                        RateBook::Rule rule) {
    RateDb db(dbPath);
    if (!db.isOpen()) return Outcome<Result>::failure(db.openError(), db.openCause());
    Converter converter(db, rule);
    Result result;
    result.rows.reserve(rows.size());
    for (Input& in : rows) {
        auto row = converter.convert(in);
        if (!row) return Outcome<Result>::failure(row);
        // Each line's fields live once: in its row, and only while the row may show them (it failed).
        in = Input{};
        result.rows.push_back(std::move(*row));
    }
    result.totals = converter.totals();
    result.failed = converter.failed();
    result.late = converter.late();
    return result;
}

QStringList ListConversion::header() {
    return {QStringLiteral("linie"),     QStringLiteral("data"),
            QStringLiteral("suma"),      QStringLiteral("valuta"),
            QStringLiteral("zi curs"),   QStringLiteral("curs"),
            QStringLiteral("lei"),       QStringLiteral("lei inregistrat"),
            QStringLiteral("diferenta"), QStringLiteral("tip diferenta"),
            QStringLiteral("eroare")};
}

QStringList ListConversion::cells(const Row& row, QChar point, bool isoDays) {
    const auto dayText = [isoDays](QDate d) { return isoDays ? CsvText::day(d) : DayText::shown(d); };
    if (!row.error.isEmpty())
        return {QString::number(row.line),
                safeText(row.given.value(0)),
                safeText(row.given.value(1)),
                safeText(row.given.value(2)),
                {},
                {},
                {},
                safeText(row.given.value(3)),
                {},
                {},
                row.error};
    const auto diff = row.difference();
    return {QString::number(row.line),
            dayText(row.date),
            amountText(row.amount, point),
            row.currency,
            dayText(row.rateDay),
            number(row.rate, row.rateDecimals, point),
            number(row.lei, 2, point),
            row.booked ? number(*row.booked, 2, point) : QString(),
            diff ? number(*diff, 2, point) : QString(),
            !diff || diff->isZero() ? QString()
            : diff->sign() > 0      ? QStringLiteral("favorabila")
                                    : QStringLiteral("nefavorabila"),
            row.late};
}

QStringList ListConversion::totalCells(const Total& t, QChar point) {
    return {QStringLiteral("total"),
            {},
            amountText(t.amount, point),
            t.currency,
            {},
            {},
            number(t.lei, 2, point),
            {},
            {},
            {},
            t.rows == 1 ? QStringLiteral("1 rand") : QStringLiteral("%1 randuri").arg(t.rows)};
}


QByteArray ListConversion::csvBytes(const Result& result) {
    QByteArray out;
    out.reserve(qsizetype(result.rows.size()) * 96);
    CsvText::appendLine(out, header());
    for (const Row& row : result.rows)
        CsvText::appendLine(out, cells(row, CsvText::kDecimal, true));
    for (const Total& t : result.totals)
        CsvText::appendLine(out, totalCells(t, CsvText::kDecimal));
    return out;
}

QString ListConversion::csv(const Result& result) {
    return QString::fromUtf8(csvBytes(result));
}

QString ListConversion::tsv(const Result& result) {
    // A paste lands cell by cell: tabs, the user's decimal separator, no quoting needed but for tabs and breaks.
    const QChar point = NumberText::point();
    const auto line = [](QStringList cells) {
        for (QString& c : cells)
            if (c.contains(u'\t') || c.contains(u'"') || c.contains(u'\n'))
                c = u'"' + c.replace(u'"', QStringLiteral("\"\"")) + u'"';
        return cells.join(u'\t') + u'\n';
    };
    QString out = line(header());
    for (const Row& row : result.rows)
        out += line(cells(row, point));
    for (const Total& t : result.totals)
        out += line(totalCells(t, point));
    return out;
}
