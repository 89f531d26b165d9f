#include "core/feed/xmlscanner.h"

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool endsName(char c) {
    return isSpace(c) || c == '>' || c == '/' || c == '=';
}

} // namespace

XmlScanner::XmlScanner(QByteArrayView xml) : m_xml(xml) {
    if (m_xml.startsWith("\xEF\xBB\xBF")) m_at = 3;
}

XmlScanner::Token XmlScanner::fail(const QString& why) {
    m_error = why;
    m_at = m_xml.size();
    return Token::Invalid;
}

void XmlScanner::skipSpace() {
    while (m_at < m_xml.size() && isSpace(m_xml[m_at]))
        ++m_at;
}

bool XmlScanner::skipPast(QByteArrayView end) {
    const qsizetype at = m_xml.indexOf(end, m_at);
    if (at < 0) return false;
    m_at = at + end.size();
    return true;
}

XmlScanner::Token XmlScanner::next() {
    if (!m_error.isEmpty()) return Token::Invalid;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        return Token::EndElement;
    }
    while (m_at < m_xml.size()) {
        const std::optional<Token> t = m_xml[m_at] == '<' ? markup() : plainText();
        if (t) return *t;
    }
    if (!m_open.empty()) return fail(QStringLiteral("document neterminat"));
    if (!m_seenRoot) return fail(QStringLiteral("document fara element"));
    return Token::EndOfDocument;
}

std::optional<XmlScanner::Token> XmlScanner::plainText() {
    const qsizetype from = m_at;
    m_at = m_xml.indexOf('<', m_at);
    if (m_at < 0) m_at = m_xml.size();
    m_text = m_xml.sliced(from, m_at - from);
    m_cdata = false;
    if (!m_open.empty()) return Token::Characters;
    // Between the declaration and the root, and after it, only blanks may stand.
    for (char c : m_text)
        if (!isSpace(c)) return fail(QStringLiteral("text in afara elementelor"));
    return std::nullopt;
}

std::optional<XmlScanner::Token> XmlScanner::markup() {
    // Nearly every markup is a tag: the second character tells without comparing longer openings.
    const char second = m_at + 1 < m_xml.size() ? m_xml[m_at + 1] : '\0';
    if (second == '/') return endTag();
    if (second != '?' && second != '!') return startTag();
    const QByteArrayView rest = m_xml.sliced(m_at);
    if (rest.startsWith("<?")) {
        if (!skipPast("?>")) return fail(QStringLiteral("instructiune neterminata"));
        return std::nullopt;
    }
    if (rest.startsWith("<!--")) {
        if (!skipPast("-->")) return fail(QStringLiteral("comentariu neterminat"));
        return std::nullopt;
    }
    if (rest.startsWith("<![CDATA[")) {
        if (m_open.empty()) return fail(QStringLiteral("CDATA in afara elementelor"));
        const qsizetype from = m_at + 9;
        if (!skipPast("]]>")) return fail(QStringLiteral("CDATA neterminat"));
        m_text = m_xml.sliced(from, m_at - 3 - from);
        m_cdata = true;
        return Token::Characters;
    }
    if (rest.startsWith("<!")) return fail(QStringLiteral("declaratie de tip nepermisa"));
    return rest.startsWith("</") ? endTag() : startTag();
}

QByteArrayView XmlScanner::readName() {
    const qsizetype from = m_at;
    while (m_at < m_xml.size() && !endsName(m_xml[m_at]))
        ++m_at;
    return m_xml.sliced(from, m_at - from);
}

XmlScanner::Token XmlScanner::startTag() {
    if (m_open.empty() && m_seenRoot) return fail(QStringLiteral("mai multe radacini"));
    ++m_at;
    m_name = readName();
    if (m_name.isEmpty()) return fail(QStringLiteral("element fara nume"));
    m_attributes.clear();
    for (;;) {
        skipSpace();
        if (m_at >= m_xml.size()) return fail(QStringLiteral("eticheta neterminata"));
        const char c = m_xml[m_at];
        if (c == '>' || (c == '/' && m_at + 1 < m_xml.size() && m_xml[m_at + 1] == '>')) {
            m_pendingEnd = c == '/';
            m_at += c == '/' ? 2 : 1;
            break;
        }
        if (!readAttribute()) return Token::Invalid;
    }
    m_seenRoot = true;
    m_open.push_back(m_name);
    return Token::StartElement;
}

bool XmlScanner::readAttribute() {
    const QByteArrayView name = readName();
    skipSpace();
    if (name.isEmpty() || m_at >= m_xml.size() || m_xml[m_at] != '=')
        return fail(QStringLiteral("atribut fara valoare")), false;
    ++m_at;
    skipSpace();
    if (m_at >= m_xml.size() || (m_xml[m_at] != '"' && m_xml[m_at] != '\''))
        return fail(QStringLiteral("atribut fara ghilimele")), false;
    const char quote = m_xml[m_at++];
    const qsizetype from = m_at;
    m_at = m_xml.indexOf(quote, m_at);
    if (m_at < 0) return fail(QStringLiteral("atribut neterminat")), false;
    const QByteArrayView value = m_xml.sliced(from, m_at - from);
    if (value.contains('<')) return fail(QStringLiteral("'<' in atribut")), false;
    ++m_at;
    m_attributes.emplace_back(name, value);
    return true;
}

XmlScanner::Token XmlScanner::endTag() {
    m_at += 2;
    m_name = readName();
    skipSpace();
    if (m_at >= m_xml.size() || m_xml[m_at] != '>') return fail(QStringLiteral("eticheta de sfarsit neterminata"));
    ++m_at;
    if (m_open.empty() || m_open.back() != m_name) return fail(QStringLiteral("etichete incrucisate"));
    m_open.pop_back();
    return Token::EndElement;
}

namespace {

// The character an entity or character reference names; 0 for none we know.
char32_t referenced(QByteArrayView ref) {
    static constexpr std::pair<const char*, char32_t> named[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, code] : named)
        if (ref == name) return code;
    if (ref.startsWith("#x")) return char32_t(ref.sliced(2).toByteArray().toUInt(nullptr, 16));
    if (ref.startsWith("#")) return char32_t(ref.sliced(1).toByteArray().toUInt(nullptr, 10));
    return 0;
}

} // namespace

QString XmlScanner::decode(QByteArrayView raw, bool* ok) {
    if (ok) *ok = true;
    if (!raw.contains('&')) return QString::fromUtf8(raw);
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const qsizetype end = raw.indexOf(';', i);
        const char32_t code = end < 0 ? 0 : referenced(raw.sliced(i + 1, end - i - 1));
        if (code == 0 || code > 0x10FFFF) {
            if (ok) *ok = false;
            return QString();
        }
        out += QString::fromUcs4(&code, 1).toUtf8();
        i = end;
    }
    return QString::fromUtf8(out);
}
