#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// A small pull reader for the bank's UTF-8 files: start tags with their
// attributes in document order, end tags, and text, with entity references
// resolved on request. It checks that tags nest and close, takes comments,
// processing instructions and CDATA in its stride, and refuses a document type
// declaration (no entity of the sender's is ever expanded). It keeps the names
// of the open elements in a list, never on the call stack, and copies nothing
// until asked, which makes it many times faster than a general reader on files
// of this size.
class XmlScanner {
public:
    enum class Token { StartElement, EndElement, Characters, EndOfDocument, Invalid };
    using Attribute = std::pair<QByteArrayView, QByteArrayView>; // name and raw value

    explicit XmlScanner(QByteArrayView xml);

    Token next();
    // The element of the last start or end tag.
    QByteArrayView name() const { return m_name; }
    // The attributes of the last start tag; values still hold their entity references.
    const std::vector<Attribute>& attributes() const { return m_attributes; }
    // The last stretch of text, raw; cdata() tells whether it came from a CDATA section.
    QByteArrayView text() const { return m_text; }
    bool cdata() const { return m_cdata; }
    // Open elements, counting the one just started.
    qsizetype depth() const { return qsizetype(m_open.size()); }
    const QString& errorString() const { return m_error; }

    // Raw text or attribute value as a string, entity and character references resolved.
    static QString decode(QByteArrayView raw, bool* ok = nullptr);

private:
    Token fail(const QString& why);
    // A stretch of text; nothing when it stands outside the elements, where only blanks may.
    std::optional<Token> plainText();
    // Whatever starts with "<"; nothing for a comment or processing instruction.
    std::optional<Token> markup();
    Token startTag();
    bool readAttribute();
    Token endTag();
    QByteArrayView readName();
    bool skipPast(QByteArrayView end);
    void skipSpace();

    QByteArrayView m_xml;
    qsizetype m_at = 0;
    bool m_pendingEnd = false; // an empty-element tag still owes its end
    bool m_seenRoot = false;
    QByteArrayView m_name;
    std::vector<Attribute> m_attributes;
    QByteArrayView m_text;
    bool m_cdata = false;
    std::vector<QByteArrayView> m_open;
    QString m_error;
};
