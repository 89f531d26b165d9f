#include "feedparser.h"

#include <QXmlStreamReader>
#include <memory>

namespace {

struct Node {
    std::vector<std::pair<QString, QString>> attributes; // in document order
    std::vector<std::unique_ptr<Node>> children;
    QString text;
};

Outcome<std::unique_ptr<Node>> parseTree(const QByteArray& xml) {
    using R = Outcome<std::unique_ptr<Node>>;
    QXmlStreamReader reader(xml);
    // Prefixes the file does not declare must not stop the reading.
    reader.setNamespaceProcessing(false);
    std::unique_ptr<Node> root;
    std::vector<Node*> stack;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            auto node = std::make_unique<Node>();
            const auto attrs = reader.attributes();
            node->attributes.reserve(attrs.size());
            for (const auto& a : attrs)
                node->attributes.emplace_back(a.qualifiedName().toString(), a.value().toString());
            Node* raw = node.get();
            if (stack.empty()) {
                if (root) return R::failure(QStringLiteral("mai multe radacini"));
                root = std::move(node);
            } else {
                stack.back()->children.push_back(std::move(node));
            }
            stack.push_back(raw);
            break;
        }
        case QXmlStreamReader::EndElement:
            stack.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!stack.empty()) stack.back()->text += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) return R::failure(QStringLiteral("XML invalid: ") + reader.errorString());
    if (!root) return R::failure(QStringLiteral("fisier fara radacina"));
    return root;
}

const Node* lastChild(const Node* n) {
    return n && !n->children.empty() ? n->children.back().get() : nullptr;
}

Outcome<const Node*> cubeOf(const Node* root) {
    const Node* cube = lastChild(lastChild(root));
    if (!cube) return Outcome<const Node*>::failure(QStringLiteral("structura necunoscuta"));
    return cube;
}

Outcome<DayRates> readCube(const Node* cube) {
    using R = Outcome<DayRates>;
    if (cube->attributes.empty()) return R::failure(QStringLiteral("zi fara data"));
    DayRates day;
    day.date = FeedParser::cubeDate(cube->attributes.front().second);
    if (!day.date.isValid()) return R::failure(QStringLiteral("data ilizibila: ") + cube->attributes.front().second);
    for (const auto& child : cube->children) {
        if (child->attributes.empty()) return R::failure(QStringLiteral("curs fara valuta"));
        const QString code = child->attributes[0].second;
        if (code == u"RON") continue;
        const QString column = child->attributes.size() == 1 ? code : child->attributes[1].second + code;
        if (!SqlDialect::isColumnName(column)) return R::failure(QStringLiteral("valuta invalida: ") + column);
        for (const RateEntry& e : day.rates)
            if (e.column.compare(column, Qt::CaseInsensitive) == 0)
                return R::failure(QStringLiteral("valuta repetata: ") + column);
        QString text = child->text.trimmed();
        if (!SqlDialect::isRateText(text)) return R::failure(QStringLiteral("curs invalid: ") + text);
        text.replace(u',', u'.');
        day.rates.push_back({column, text});
    }
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

bool FeedParser::saysNoRates(const QByteArray& answer) {
    return answer.contains("Nu exist");
}

Outcome<QDate> FeedParser::feedDate(const QByteArray& xml) {
    auto tree = parseTree(xml);
    if (!tree) return Outcome<QDate>::failure(tree.error());
    auto cube = cubeOf(tree->get());
    if (!cube) return Outcome<QDate>::failure(cube.error());
    const Node* c = *cube;
    if (c->attributes.empty() || c->attributes.front().first != u"date")
        return Outcome<QDate>::failure(QStringLiteral("fluxul nu are data"));
    const QDate d = cubeDate(c->attributes.front().second);
    if (!d.isValid()) return Outcome<QDate>::failure(QStringLiteral("data fluxului ilizibila"));
    return d;
}

Outcome<DayRates> FeedParser::dayFile(const QByteArray& xml) {
    auto tree = parseTree(xml);
    if (!tree) return Outcome<DayRates>::failure(tree.error());
    auto cube = cubeOf(tree->get());
    if (!cube) return Outcome<DayRates>::failure(cube.error());
    return readCube(*cube);
}

Outcome<std::vector<DayRates>> FeedParser::yearFile(const QByteArray& xml) {
    using R = Outcome<std::vector<DayRates>>;
    auto tree = parseTree(xml);
    if (!tree) return R::failure(tree.error());
    const Node* body = lastChild(tree->get());
    if (!body) return R::failure(QStringLiteral("structura necunoscuta"));
    std::vector<DayRates> days;
    for (const auto& child : body->children) {
        // Subject and currency lines stand before the cubes; a cube is known by its date.
        if (child->attributes.empty() || child->attributes.front().first != u"date") continue;
        auto day = readCube(child.get());
        if (!day) return R::failure(day.error());
        days.push_back(std::move(day.value()));
    }
    if (days.empty()) return R::failure(QStringLiteral("fisier anual gol"));
    return days;
}
