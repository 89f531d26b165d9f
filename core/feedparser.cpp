#include "core/feedparser.h"

#include "core/xmlscanner.h"

#include <QVarLengthArray>
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
    if (depth == 3)
        body.cubes.push_back(Cube{std::move(*attrs), {}});
    else
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

Outcome<const Cube*> lastCube(const Body& body) {
    if (!body.present || body.cubes.empty())
        return Outcome<const Cube*>::failure(QStringLiteral("structura necunoscuta"), Cause::BadAnswer);
    return &body.cubes.back();
}

// Column names are ASCII letters and digits; comparing them needs no locale or Unicode tables.
bool sameName(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if ((a[i].unicode() | 0x20) != (b[i].unicode() | 0x20)) return false;
    return true;
}

Outcome<DayRates> readCube(const Cube& cube) {
    using R = Outcome<DayRates>;
    if (cube.attributes.empty()) return R::failure(QStringLiteral("zi fara data"), Cause::BadAnswer);
    DayRates day;
    const QString dateText = QString::fromUtf8(cube.attributes.front().second);
    day.date = FeedParser::cubeDate(dateText);
    if (!day.date.isValid())
        return R::failure(QStringLiteral("data ilizibila: ") + dateText.left(20), Cause::BadAnswer);
    day.rates.reserve(cube.children.size());
    for (const Leaf& child : cube.children) {
        if (child.attributes.empty()) return R::failure(QStringLiteral("curs fara valuta"), Cause::BadAnswer);
        const QByteArrayView code = child.attributes[0].second;
        if (code == "RON") continue;
        const QString column = child.attributes.size() == 1
                                   ? QString::fromUtf8(code)
                                   : QString::fromUtf8(child.attributes[1].second) + QString::fromUtf8(code);
        const QString text = QString::fromUtf8(child.text.trimmed());
        // One currency we cannot read must not keep every later day out of the history.
        if (!SqlDialect::isColumnName(column) || !FeedParser::isRate(text)) {
            day.unreadable << column.left(20);
            continue;
        }
        for (const RateEntry& e : day.rates)
            if (sameName(e.column, column))
                return R::failure(QStringLiteral("valuta repetata: ") + column, Cause::BadAnswer);
        day.rates.push_back({column, text.contains(u',') ? QString(text).replace(u',', u'.') : text});
    }
    if (day.rates.empty()) return R::failure(QStringLiteral("zi fara niciun curs"), Cause::BadAnswer);
    return day;
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
    const auto v = SqlDialect::rateValue(text);
    return v && *v > 0 && std::isfinite(*v);
}

bool FeedParser::saysNoRates(const QByteArray& answer) {
    return answer.contains("Nu exist");
}

Outcome<QDate> FeedParser::feedDate(const QByteArray& xml) {
    auto body = readBody(xml);
    if (!body) return Outcome<QDate>::failure(body);
    auto cube = lastCube(*body);
    if (!cube) return Outcome<QDate>::failure(cube);
    const Cube* c = *cube;
    if (c->attributes.empty() || c->attributes.front().first != "date")
        return Outcome<QDate>::failure(QStringLiteral("fluxul nu are data"), Cause::BadAnswer);
    const QDate d = cubeDate(QString::fromUtf8(c->attributes.front().second));
    if (!d.isValid()) return Outcome<QDate>::failure(QStringLiteral("data fluxului ilizibila"), Cause::BadAnswer);
    return d;
}

Outcome<DayRates> FeedParser::dayFile(const QByteArray& xml) {
    auto body = readBody(xml);
    if (!body) return Outcome<DayRates>::failure(body);
    auto cube = lastCube(*body);
    if (!cube) return Outcome<DayRates>::failure(cube);
    return readCube(**cube);
}

Outcome<std::vector<DayRates>> FeedParser::yearFile(const QByteArray& xml, std::vector<QDate>* brokenDays) {
    using R = Outcome<std::vector<DayRates>>;
    auto body = readBody(xml);
    if (!body) return R::failure(body);
    if (!body->present) return R::failure(QStringLiteral("structura necunoscuta"), Cause::BadAnswer);
    std::vector<DayRates> days;
    days.reserve(body->cubes.size());
    for (const Cube& cube : body->cubes) {
        // Subject and currency lines stand before the cubes; a cube is known by its date.
        if (cube.attributes.empty() || cube.attributes.front().first != "date") continue;
        auto day = readCube(cube);
        if (day) {
            days.push_back(std::move(day.value()));
        } else if (brokenDays) {
            brokenDays->push_back(cubeDate(QString::fromUtf8(cube.attributes.front().second)));
        }
    }
    if (days.empty()) return R::failure(QStringLiteral("fisier anual gol"), Cause::BadAnswer);
    return days;
}
