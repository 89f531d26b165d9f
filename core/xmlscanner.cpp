#include "xmlscanner.h"

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
        if (m_xml[m_at] != '<') {
            const qsizetype from = m_at;
            m_at = m_xml.indexOf('<', m_at);
            if (m_at < 0) m_at = m_xml.size();
            m_text = m_xml.sliced(from, m_at - from);
            m_cdata = false;
            if (m_open.empty()) {
                for (char c : m_text)
                    if (!isSpace(c)) return fail(QStringLiteral("text in afara elementelor"));
                continue;
            }
            return Token::Characters;
        }
        const QByteArrayView rest = m_xml.sliced(m_at);
        if (rest.startsWith("<?")) {
            if (!skipPast("?>")) return fail(QStringLiteral("instructiune neterminata"));
        } else if (rest.startsWith("<!--")) {
            if (!skipPast("-->")) return fail(QStringLiteral("comentariu neterminat"));
        } else if (rest.startsWith("<![CDATA[")) {
            if (m_open.empty()) return fail(QStringLiteral("CDATA in afara elementelor"));
            const qsizetype from = m_at + 9;
            if (!skipPast("]]>")) return fail(QStringLiteral("CDATA neterminat"));
            m_text = m_xml.sliced(from, m_at - 3 - from);
            m_cdata = true;
            return Token::Characters;
        } else if (rest.startsWith("<!")) {
            return fail(QStringLiteral("declaratie de tip nepermisa"));
        } else if (rest.startsWith("</")) {
            return endTag();
        } else {
            return startTag();
        }
    }
    if (!m_open.empty()) return fail(QStringLiteral("document neterminat"));
    if (!m_seenRoot) return fail(QStringLiteral("document fara element"));
    return Token::EndOfDocument;
}

XmlScanner::Token XmlScanner::startTag() {
    if (m_open.empty() && m_seenRoot) return fail(QStringLiteral("mai multe radacini"));
    ++m_at;
    const qsizetype from = m_at;
    while (m_at < m_xml.size() && !endsName(m_xml[m_at]))
        ++m_at;
    if (m_at == from) return fail(QStringLiteral("element fara nume"));
    m_name = m_xml.sliced(from, m_at - from);
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
        const qsizetype nameFrom = m_at;
        while (m_at < m_xml.size() && !endsName(m_xml[m_at]))
            ++m_at;
        const QByteArrayView attrName = m_xml.sliced(nameFrom, m_at - nameFrom);
        skipSpace();
        if (attrName.isEmpty() || m_at >= m_xml.size() || m_xml[m_at] != '=')
            return fail(QStringLiteral("atribut fara valoare"));
        ++m_at;
        skipSpace();
        if (m_at >= m_xml.size() || (m_xml[m_at] != '"' && m_xml[m_at] != '\''))
            return fail(QStringLiteral("atribut fara ghilimele"));
        const char quote = m_xml[m_at++];
        const qsizetype valueFrom = m_at;
        m_at = m_xml.indexOf(quote, m_at);
        if (m_at < 0) return fail(QStringLiteral("atribut neterminat"));
        const QByteArrayView value = m_xml.sliced(valueFrom, m_at - valueFrom);
        if (value.contains('<')) return fail(QStringLiteral("'<' in atribut"));
        ++m_at;
        m_attributes.emplace_back(attrName, value);
    }
    m_seenRoot = true;
    m_open.push_back(m_name);
    return Token::StartElement;
}

XmlScanner::Token XmlScanner::endTag() {
    m_at += 2;
    const qsizetype from = m_at;
    while (m_at < m_xml.size() && !endsName(m_xml[m_at]))
        ++m_at;
    m_name = m_xml.sliced(from, m_at - from);
    skipSpace();
    if (m_at >= m_xml.size() || m_xml[m_at] != '>') return fail(QStringLiteral("eticheta de sfarsit neterminata"));
    ++m_at;
    if (m_open.empty() || m_open.back() != m_name) return fail(QStringLiteral("etichete incrucisate"));
    m_open.pop_back();
    return Token::EndElement;
}

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
        const QByteArrayView ref = end < 0 ? QByteArrayView() : raw.sliced(i + 1, end - i - 1);
        char32_t code = 0;
        if (ref == "amp")
            code = '&';
        else if (ref == "lt")
            code = '<';
        else if (ref == "gt")
            code = '>';
        else if (ref == "quot")
            code = '"';
        else if (ref == "apos")
            code = '\'';
        else if (ref.startsWith("#x"))
            code = char32_t(ref.sliced(2).toByteArray().toUInt(nullptr, 16));
        else if (ref.startsWith("#"))
            code = char32_t(ref.sliced(1).toByteArray().toUInt(nullptr, 10));
        if (code == 0 || code > 0x10FFFF) {
            if (ok) *ok = false;
            return QString();
        }
        out += QString::fromUcs4(&code, 1).toUtf8();
        i = end;
    }
    return QString::fromUtf8(out);
}
