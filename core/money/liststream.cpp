#include "core/money/liststream.h"

#include <QFile>
#include <QStringDecoder>
#include <deque>

namespace {

// The lines of a file, decoded as they come: UTF-8, or UTF-16 and UTF-32 by their byte order mark.
// A line past the longest a row may be keeps only its start, which says it is too long.
class LineReader {
public:
    explicit LineReader(QFile& file) : m_file(file) {}

    // The next line and its number; nothing at the end. A read that fails, or a file past the bound, says so.
    Outcome<std::optional<QString>> next(int* number) {
        using R = Outcome<std::optional<QString>>;
        for (;;) {
            if (!m_lines.empty()) {
                QString line = std::move(m_lines.front());
                m_lines.pop_front();
                *number = ++m_number;
                return std::optional<QString>(std::move(line));
            }
            if (m_ended) return std::optional<QString>();
            if (Status s = fill(); !s) return R::failure(s);
        }
    }

private:
    Status fill() {
        char chunk[65536];
        const qint64 n = m_file.read(chunk, sizeof chunk);
        if (n < 0)
            return Status::failure(
                QStringLiteral("Fisierul %1 nu poate fi citit: %2").arg(m_file.fileName(), m_file.errorString()));
        m_read += n;
        if (m_read > ListStream::kMaxFileBytes)
            return Status::failure(QStringLiteral("Fisierul %1 depaseste %2 MB; impartiti lista.")
                                       .arg(m_file.fileName())
                                       .arg(ListStream::kMaxFileBytes / (1024 * 1024)));
        QByteArrayView bytes(chunk, n);
        if (!m_decoder) {
            const auto encoding = QStringConverter::encodingForData(bytes);
            m_decoder.emplace(encoding.value_or(QStringConverter::Utf8));
        }
        QString text = m_decoder->decode(bytes);
        if (m_first && !text.isEmpty()) {
            if (text.front() == QChar::ByteOrderMark) text.remove(0, 1);
            m_first = false;
        }
        if (n == 0) {
            m_ended = true;
            if (!m_line.isEmpty() || m_lineTooLong) m_lines.push_back(std::move(m_line));
            return succeeded();
        }
        split(text);
        return succeeded();
    }

    // Lines end at "\n", "\r\n" or "\r", as a list saved anywhere ends them.
    void split(const QString& text) {
        for (QChar c : text) {
            if (m_afterCr && c == u'\n') {
                m_afterCr = false;
                continue;
            }
            m_afterCr = c == u'\r';
            if (c == u'\n' || c == u'\r') {
                m_lines.push_back(std::move(m_line));
                m_line.clear();
                m_lineTooLong = false;
            } else if (m_line.size() <= ListConversion::kMaxLineLength) {
                m_line += c;
            } else {
                m_lineTooLong = true;
            }
        }
    }

    QFile& m_file;
    std::optional<QStringDecoder> m_decoder;
    std::deque<QString> m_lines;
    QString m_line;
    qint64 m_read = 0;
    int m_number = 0;
    bool m_first = true;
    bool m_afterCr = false;
    bool m_ended = false;
    bool m_lineTooLong = false;
};

} // namespace

namespace {

using Lines = std::vector<std::pair<int, QString>>;

// The first lines, up to the number that tell the separator, as the list held whole is told it.
Outcome<Lines> firstLines(LineReader& reader) {
    constexpr size_t kSample = 200;
    Lines lines;
    int number = 0;
    for (size_t kept = 0; kept < kSample;) {
        auto line = reader.next(&number);
        if (!line) return Outcome<Lines>::failure(line);
        if (!*line) break;
        if (!(*line)->trimmed().isEmpty()) ++kept;
        lines.emplace_back(number, std::move(**line));
    }
    return lines;
}

// One line after another into rows, each handed on as it is converted.
class RowFeed {
public:
    RowFeed(ListConversion::Converter& converter, QChar separator, const ListStream::Sink& sink)
        : m_converter(converter), m_separator(separator), m_sink(sink) {}
    Status take(int line, QStringView text) {
        const bool first = m_first && !text.trimmed().isEmpty();
        if (first) m_first = false;
        const auto in = ListConversion::inputOf(line, text, m_separator, first);
        if (!in) return succeeded();
        auto row = m_converter.convert(*in);
        if (!row) return Status::failure(row);
        ++m_rows;
        return m_sink(*row);
    }
    int rows() const { return m_rows; }

private:
    ListConversion::Converter& m_converter;
    QChar m_separator;
    const ListStream::Sink& m_sink;
    bool m_first = true;
    int m_rows = 0;
};

} // namespace

Outcome<ListStream::Summary> ListStream::convertFile(const QString& dbPath, const QString& path, RateBook::Rule rule,
                                                     const Sink& sink) {
    using R = Outcome<Summary>;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return R::failure(QStringLiteral("Fisierul %1 nu poate fi citit: %2").arg(path, file.errorString()));
    RateDb db(dbPath);
    if (!db.isOpen()) return R::failure(db.openError(), db.openCause());
    LineReader reader(file);
    // The separator is told by the first lines, as for a list held whole; they wait for it.
    auto first = firstLines(reader);
    if (!first) return R::failure(first);
    std::vector<QStringView> sample;
    for (const auto& [n, text] : *first)
        sample.push_back(text);
    ListConversion::Converter converter(db, rule);
    RowFeed feed(converter, ListConversion::separatorFor(sample), sink);
    for (const auto& [n, text] : *first)
        if (Status s = feed.take(n, text); !s) return R::failure(s);
    first->clear();
    for (int number = 0;;) {
        auto line = reader.next(&number);
        if (!line) return R::failure(line);
        if (!*line) break;
        if (Status s = feed.take(number, **line); !s) return R::failure(s);
    }
    return Summary{feed.rows(), converter.failed(), converter.late(), converter.totals()};
}
