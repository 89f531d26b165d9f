#include "core/feed/feedparser.h"
#include "core/text/ratefield.h"

#include "core/feed/xmlscanner.h"

#include <QHash>
#include <QSet>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <deque>

namespace {

// Names and values as views, in document order. They point into the document,
// which outlives every use of them, or, for the few values that held entity
// references, into the body's own store of decoded text.
using Attributes = QVarLengthArray<std::pair<QByteArrayView, QByteArrayView>, 2>; // rates have one or two

struct Leaf {
    Attributes attributes;
    QByteArrayView text;
};

struct Cube {
    Attributes attributes;
    std::vector<Leaf> children;
};

// The body is the root's last child and the cubes are its children, so only the
// children of the latest element at the body's depth are kept while reading.
struct Body {
    bool present = false;
    std::vector<Cube> cubes;
    std::deque<QByteArray> decoded; // a deque: what it holds stays where it is
};

// The value itself when it has no reference to resolve, else its decoded copy.
Outcome<QByteArrayView> plain(QByteArrayView raw, bool cdata, Body& body) {
    if (cdata || !raw.contains('&')) return raw;
    bool ok = false;
    body.decoded.push_back(XmlScanner::decode(raw, &ok).toUtf8());
    if (!ok) return Outcome<QByteArrayView>::failure(QStringLiteral("referinta necunoscuta"), Cause::BadAnswer);
    return QByteArrayView(body.decoded.back());
}

Outcome<Attributes> attributesOf(const XmlScanner& reader, Body& body) {
    Attributes out;
    for (const auto& [name, raw] : reader.attributes()) {
        auto value = plain(raw, false, body);
        if (!value) return Outcome<Attributes>::failure(value);
        out.emplace_back(name, *value);
    }
    return out;
}

// Text of a rate; split text (a comment inside it, say) is joined in the store.
Status addText(Leaf& leaf, const XmlScanner& reader, Body& body) {
    auto text = plain(reader.text(), reader.cdata(), body);
    if (!text) return Status::failure(text);
    if (leaf.text.isEmpty()) {
        leaf.text = *text;
    } else {
        body.decoded.push_back(leaf.text.toByteArray() + text->toByteArray());
        leaf.text = body.decoded.back();
    }
    return succeeded();
}

// The bank quotes about thirty currencies a day: room for them at once.
constexpr size_t kRatesADay = 48;

// A cube at depth 3, a rate at depth 4; a second body (depth 2) starts afresh.
Status startElement(XmlScanner& reader, Body& body) {
    const qsizetype depth = reader.depth();
    if (depth > FeedParser::MaxDepth)
        return Status::failure(QStringLiteral("fisier imbricat prea adanc"), Cause::BadAnswer);
    if (depth == 2) {
        body.present = true;
        body.cubes.clear();
    }
    if (depth != 3 && depth != 4) return succeeded();
    auto attrs = attributesOf(reader, body);
    if (!attrs) return Status::failure(attrs);
    if (depth == 3) {
        body.cubes.push_back(Cube{std::move(*attrs), {}});
        body.cubes.back().children.reserve(kRatesADay);
    } else
        body.cubes.back().children.push_back(Leaf{std::move(*attrs), {}});
    return succeeded();
}

Outcome<Body> readBody(const QByteArray& xml) {
    using R = Outcome<Body>;
    XmlScanner reader(xml);
    Body body;
    for (;;) {
        switch (reader.next()) {
        case XmlScanner::Token::StartElement:
            if (Status s = startElement(reader, body); !s) return R::failure(s);
            break;
        case XmlScanner::Token::Characters:
            if (reader.depth() == 4)
                if (Status s = addText(body.cubes.back().children.back(), reader, body); !s) return R::failure(s);
            break;
        case XmlScanner::Token::EndElement:
            break;
        case XmlScanner::Token::EndOfDocument:
            return body;
        case XmlScanner::Token::Invalid:
            return R::failure(QStringLiteral("XML invalid: ") + reader.errorString(), Cause::BadAnswer);
        }
    }
}

// A file names the same few columns on every day, in the same order: each is made and checked
// once and shared, and the next one looked for first where the last one was found.
class ColumnNames {
public:
    struct Known {
        QByteArrayView code;
        QByteArrayView multiplier;
        QString name;
        bool isColumn = false; // a name a table column may have
        int index = 0;         // in the order first met
    };
    const Known& of(QByteArrayView code, QByteArrayView multiplier) {
        const size_t n = m_known.size();
        for (size_t i = 0; i < n; ++i) {
            const Known& k = m_known[(m_next + i) % n];
            if (k.code == code && k.multiplier == multiplier) {
                m_next = (m_next + i + 1) % n;
                return k;
            }
        }
        const QString name = QString::fromUtf8(multiplier) + QString::fromUtf8(code);
        m_known.push_back({code, multiplier, name, RateField::isColumnName(name), int(n)});
        m_next = 0;
        return m_known.back();
    }
    size_t size() const { return m_known.size(); }

private:
    std::deque<Known> m_known;
    size_t m_next = 0;
};

std::optional<QByteArrayView> attribute(const Attributes& attributes, QByteArrayView name) {
    for (const auto& [n, v] : attributes)
        if (n == name) return v;
    return std::nullopt;
}

// A currency code is three capital letters; anything else is no column of ours.
bool isCode(QByteArrayView code) {
    return code.size() == 3 && std::all_of(code.begin(), code.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// The units a rate is for: a positive whole number of sane size.
bool isMultiplier(QByteArrayView m) {
    return !m.isEmpty() && m.size() <= 6 && m.front() != '0' &&
           std::all_of(m.begin(), m.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Where each column of the file already stands among one day's rates, to find a currency given twice.
using Placed = QVarLengthArray<int, 64>;

// One currency of a day: added to its rates or named among those it could not read; a failure
// only where the whole day cannot be trusted.
// A readable rate into its day, once: a currency given twice alike is harmless; twice with other values the
// day cannot be trusted.
Status addRate(const ColumnNames::Known& column, QByteArrayView raw, double value, const ColumnNames& names,
               FeedDay& day, Placed& placed) {
    // Codes are capitals and multipliers digits without a leading zero: one column, one known name.
    while (placed.size() < qsizetype(names.size()))
        placed.append(-1);
    const int at = placed[column.index];
    if (at >= 0 && day.rates[size_t(at)].value == value) return succeeded();
    if (at >= 0) return Status::failure(QStringLiteral("valuta repetata: ") + column.name, Cause::BadAnswer);
    // Read as a rate, the text is digits and one separator: Latin-1, the point as the store keeps it.
    QString stored = QString::fromLatin1(raw);
    if (raw.contains(',')) stored.replace(u',', u'.');
    placed[column.index] = int(day.rates.size());
    day.rates.push_back({column.name, stored, value});
    return succeeded();
}

Status readRate(const Leaf& child, ColumnNames& names, FeedDay& day, Placed& placed) {
    if (child.attributes.empty()) return Status::failure(QStringLiteral("curs fara valuta"), Cause::BadAnswer);
    // By name: the order of attributes is the writer's choice, and others may stand beside them.
    const auto code = attribute(child.attributes, "currency");
    const auto multiplier = attribute(child.attributes, "multiplier");
    const QByteArrayView shown = code ? *code : child.attributes.front().second;
    if (code && *code == "RON") return succeeded();
    const QByteArrayView raw = child.text.trimmed();
    const auto value = RateField::value(raw);
    const bool perUnit = !multiplier || *multiplier == "1";
    // One currency we cannot read must not keep every later day out of the history.
    if (!code || !isCode(*code) || (multiplier && !isMultiplier(*multiplier)) || !value || !(*value > 0) ||
        !(*value < FeedParser::MaxRate)) {
        const QString name =
            (multiplier && !perUnit ? QString::fromUtf8(*multiplier) : QString()) + QString::fromUtf8(shown);
        day.unreadable << name.left(20);
        return succeeded();
    }
    const ColumnNames::Known& column = names.of(*code, perUnit ? QByteArrayView() : *multiplier);
    if (!column.isColumn) {
        day.unreadable << column.name.left(20);
        return succeeded();
    }
    return addRate(column, raw, *value, names, day, placed);
}

Outcome<FeedDay> readCube(const Cube& cube, ColumnNames& names) {
    using R = Outcome<FeedDay>;
    if (cube.attributes.empty()) return R::failure(QStringLiteral("zi fara data"), Cause::BadAnswer);
    FeedDay day;
    const QString dateText = QString::fromUtf8(cube.attributes.front().second);
    day.date = FeedParser::cubeDate(dateText);
    if (!day.date.isValid())
        return R::failure(QStringLiteral("data ilizibila: ") + dateText.left(20), Cause::BadAnswer);
    day.rates.reserve(cube.children.size());
    Placed placed;
    for (const Leaf& child : cube.children)
        if (Status s = readRate(child, names, day, placed); !s) return R::failure(s);
    if (day.rates.empty()) return R::failure(QStringLiteral("zi fara niciun curs"), Cause::BadAnswer);
    return day;
}

bool sameRates(const FeedDay& a, const FeedDay& b) {
    if (a.rates.size() != b.rates.size()) return false;
    for (size_t i = 0; i < a.rates.size(); ++i)
        if (a.rates[i].column != b.rates[i].column || a.rates[i].value != b.rates[i].value) return false;
    return true;
}

} // namespace

QDate FeedParser::cubeDate(const QString& text) {
    if (text.size() < 8) return {};
    bool okY = false, okM = false, okD = false;
    const int y = text.left(4).toInt(&okY);
    const int m = text.mid(5, 2).toInt(&okM);
    const int d = text.right(2).toInt(&okD);
    if (!okY || !okM || !okD) return {};
    return QDate(y, m, d);
}

bool FeedParser::isRate(const QString& text) {
    const auto v = RateField::value(text);
    return v && *v > 0 && std::isfinite(*v);
}

bool FeedParser::saysNoRates(const QByteArray& answer) {
    return answer.contains("Nu exist");
}

namespace {

bool hasDate(const Cube& cube) {
    return !cube.attributes.empty() && cube.attributes.front().first == "date";
}

} // namespace

Outcome<QDate> FeedParser::feedDate(const QByteArray& xml) {
    auto body = readBody(xml);
    if (!body) return Outcome<QDate>::failure(body);
    if (!body->present || body->cubes.empty())
        return Outcome<QDate>::failure(QStringLiteral("structura necunoscuta"), Cause::BadAnswer);
    QDate newest;
    for (const Cube& c : body->cubes) {
        if (!hasDate(c)) continue;
        const QDate d = cubeDate(QString::fromUtf8(c.attributes.front().second));
        if (!d.isValid()) return Outcome<QDate>::failure(QStringLiteral("data fluxului ilizibila"), Cause::BadAnswer);
        newest = std::max(newest, d);
    }
    if (!newest.isValid()) return Outcome<QDate>::failure(QStringLiteral("fluxul nu are data"), Cause::BadAnswer);
    return newest;
}

Outcome<std::optional<FeedDay>> FeedParser::dayFile(const QByteArray& xml, QDate day) {
    using R = Outcome<std::optional<FeedDay>>;
    auto body = readBody(xml);
    if (!body) return R::failure(body);
    if (!body->present || body->cubes.empty())
        return R::failure(QStringLiteral("structura necunoscuta"), Cause::BadAnswer);
    std::optional<FeedDay> found;
    ColumnNames names;
    for (const Cube& c : body->cubes) {
        if (c.attributes.empty()) continue;
        if (cubeDate(QString::fromUtf8(c.attributes.front().second)) != day) continue;
        auto read = readCube(c, names);
        if (!read) return R::failure(read);
        // The same day twice: alike is harmless, different values make the day untrustworthy.
        if (found && !sameRates(*found, *read))
            return R::failure(QStringLiteral("ziua apare de doua ori cu alte cursuri"), Cause::BadAnswer);
        if (!found) found = std::move(read.value());
    }
    if (found) return found;
    // A file whose only cube carries no readable date is no rate file at all.
    if (body->cubes.size() == 1) {
        auto only = readCube(body->cubes.front(), names);
        if (!only) return R::failure(only);
    }
    return std::optional<FeedDay>();
}

namespace {

// The same day twice: alike, the second copy goes; with other values, neither is trusted.
// Whether any day was dropped for that.
bool dropRepeatedDays(std::vector<FeedDay>& days, std::vector<QDate>* brokenDays) {
    QHash<QDate, size_t> first;
    QSet<QDate> conflicting;
    std::vector<FeedDay> kept;
    kept.reserve(days.size());
    for (FeedDay& d : days) {
        if (auto it = first.find(d.date); it != first.end()) {
            if (!sameRates(kept[*it], d)) conflicting.insert(d.date);
            continue;
        }
        first.insert(d.date, kept.size());
        kept.push_back(std::move(d));
    }
    kept.erase(std::remove_if(kept.begin(), kept.end(), [&](const FeedDay& d) { return conflicting.contains(d.date); }),
               kept.end());
    if (brokenDays)
        for (QDate d : conflicting)
            brokenDays->push_back(d);
    days = std::move(kept);
    return !conflicting.isEmpty();
}

} // namespace

Outcome<std::vector<FeedDay>> FeedParser::days(const QByteArray& xml, std::vector<QDate>* brokenDays) {
    using R = Outcome<std::vector<FeedDay>>;
    auto body = readBody(xml);
    if (!body) return R::failure(body);
    if (!body->present) return R::failure(QStringLiteral("structura necunoscuta"), Cause::BadAnswer);
    std::vector<FeedDay> days;
    days.reserve(body->cubes.size());
    QString firstError;
    ColumnNames names;
    for (const Cube& cube : body->cubes) {
        // Subject and currency lines stand before the cubes; a cube is known by its date.
        if (!hasDate(cube)) continue;
        auto day = readCube(cube, names);
        if (day) {
            days.push_back(std::move(day.value()));
            continue;
        }
        if (firstError.isEmpty()) firstError = day.error();
        if (brokenDays) brokenDays->push_back(cubeDate(QString::fromUtf8(cube.attributes.front().second)));
    }
    if (dropRepeatedDays(days, brokenDays) && firstError.isEmpty())
        firstError = QStringLiteral("zi repetata cu alte cursuri");
    if (days.empty())
        return R::failure(firstError.isEmpty() ? QStringLiteral("fisier fara nicio zi") : firstError, Cause::BadAnswer);
    return days;
}
