#include "core/access/accessdump.h"

#include <QHash>
#include <optional>

namespace {

QString unescaped(QByteArrayView s) {
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return QString::fromUtf8(out);
}

std::optional<quint64> hexBits(QByteArrayView s, int digits) {
    if (s.size() != digits) return std::nullopt;
    quint64 v = 0;
    for (char c : s) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) return std::nullopt;
        v = v << 4 | quint64(d);
    }
    return v;
}

std::optional<AccessCell> cellOf(QByteArrayView s) {
    AccessCell c;
    if (s.isEmpty()) return c;
    if (s == "o") {
        c.kind = AccessCell::Kind::Other;
        return c;
    }
    if (s.size() < 2 || s[1] != ':') return std::nullopt;
    const QByteArrayView rest = s.sliced(2);
    if (s[0] == 't') {
        c.kind = AccessCell::Kind::Text;
        c.text = rest.first(qMin<qsizetype>(64, rest.size())).toByteArray();
        return c;
    }
    if (s[0] == 'i' || s[0] == 'c') {
        // A signed whole number, as the helper printed it: at most nineteen digits.
        bool ok = rest.size() <= 20;
        const qint64 n = ok ? rest.toByteArray().toLongLong(&ok) : 0;
        if (!ok) return std::nullopt;
        c.kind = s[0] == 'i' ? AccessCell::Kind::Whole : AccessCell::Kind::Money;
        c.bits = quint64(n);
        return c;
    }
    const bool single = s[0] == 'f';
    if (!single && s[0] != 'd') return std::nullopt;
    const auto bits = hexBits(rest, single ? 8 : 16);
    if (!bits) return std::nullopt;
    c.kind = single ? AccessCell::Kind::Single : AccessCell::Kind::Double;
    c.bits = *bits;
    return c;
}

std::optional<qint64> count(QByteArrayView s) {
    bool ok = false;
    const qint64 n = s.toByteArray().toLongLong(&ok);
    return ok && n >= 0 ? std::optional<qint64>(n) : std::nullopt;
}

QList<QByteArrayView> fields(QByteArrayView line) {
    QList<QByteArrayView> out;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= line.size(); ++i)
        if (i == line.size() || line[i] == '\t') {
            out.append(line.sliced(from, i - from));
            from = i + 1;
        }
    return out;
}

// What the reader said on stderr, by the table it was reading then.
QHash<QString, QString> complaints(const QByteArray& err) {
    QHash<QString, QString> out;
    QString current;
    qsizetype from = 0;
    while (from < err.size()) {
        qsizetype end = err.indexOf('\n', from);
        if (end < 0) end = err.size();
        const QByteArrayView line = QByteArrayView(err).sliced(from, end - from);
        from = end + 1;
        if (line.startsWith("\x01T\t")) {
            current = unescaped(line.sliced(3));
            continue;
        }
        const QString said = QString::fromUtf8(line).trimmed();
        if (!said.isEmpty() && !out.contains(current)) out.insert(current, said.left(200));
    }
    return out;
}

} // namespace

AccessTable* AccessDump::table(const QString& name) {
    for (AccessTable& t : tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

const AccessTable* AccessDump::table(const QString& name) const {
    return const_cast<AccessDump*>(this)->table(name);
}

namespace {

// The first reason a table (or, without one, the whole output) cannot be taken is the one kept.
void broken(AccessDump& d, AccessTable* t, const QString& why) {
    if (t && t->problem.isEmpty()) t->problem = why;
    if (!t && d.problem.isEmpty()) d.problem = why;
}

// One row's cells; a row of another width, or with a cell out of the format, makes its table unreadable.
void addRow(AccessDump& d, AccessTable* t, const QList<QByteArrayView>& f, qint64& cells) {
    if (f.size() != t->columns.size() + 1) return broken(d, t, QStringLiteral("un rand are alt numar de coloane"));
    cells += f.size() - 1;
    if (cells > AccessDump::kMaxCells) {
        d.overLimit = true;
        return broken(
            d, nullptr,
            QStringLiteral("citirea depaseste limita programului (%1 de valori pe citire)").arg(AccessDump::kMaxCells));
    }
    std::vector<AccessCell> row;
    row.reserve(size_t(t->columns.size()));
    for (qsizetype i = 1; i < f.size(); ++i) {
        auto c = cellOf(f[i]);
        if (!c) broken(d, t, QStringLiteral("o valoare nu poate fi citita"));
        row.push_back(c.value_or(AccessCell{}));
    }
    t->rows.push_back(std::move(row));
}

// One record after the first line; t is the table being read.
void record(AccessDump& d, AccessTable*& t, const QList<QByteArrayView>& f, bool withRows, qint64& cells) {
    const QByteArrayView tag = f.first();
    if (tag == "V" && f.size() == 2) {
        d.format = int(count(f[1]).value_or(-1));
    } else if (tag == "T" && f.size() == 4) {
        d.tables.emplace_back();
        t = &d.tables.back();
        t->name = unescaped(f[1]);
        t->declaredRows = count(f[2]).value_or(-1);
    } else if (tag == "C" && f.size() == 3 && t && t->rows.empty()) {
        t->columns.append({unescaped(f[2]), int(count(f[1]).value_or(0))});
    } else if (tag == "R" && withRows && t && !t->ended) {
        addRow(d, t, f, cells);
    } else if (tag == "E" && f.size() == 2 && t && withRows) {
        t->ended = true;
        if (count(f[1]) != qint64(t->rows.size())) broken(d, t, QStringLiteral("randuri pierdute la citire"));
    } else {
        broken(d, t, QStringLiteral("raspuns necunoscut de la programul de citire Access"));
    }
}

// A table is whole when it ended, with the file's own count of rows, and the reader said nothing against it.
void checkWhole(AccessDump& d, const QByteArray& err) {
    const QHash<QString, QString> said = complaints(err);
    for (AccessTable& table : d.tables) {
        if (!table.ended)
            broken(d, &table, QStringLiteral("citirea s-a oprit inainte de sfarsitul tabelului"));
        else if (qint64(table.rows.size()) != table.declaredRows)
            broken(d, &table,
                   QStringLiteral("s-au citit %1 din %2 randuri").arg(table.rows.size()).arg(table.declaredRows));
        if (auto s = said.constFind(table.name); s != said.cend())
            broken(d, &table, QStringLiteral("cititorul Access a raportat: ") + *s);
    }
}

} // namespace

AccessDump AccessDump::parse(const QByteArray& out, const QByteArray& err, bool withRows) {
    AccessDump d;
    AccessTable* t = nullptr;
    bool first = true;
    qint64 cells = 0;
    for (qsizetype from = 0; from < out.size() && !d.overLimit;) {
        const qsizetype end = out.indexOf('\n', from);
        // A last line without its end is a run cut short: nothing on it counts.
        if (end < 0) {
            broken(d, t, QStringLiteral("citirea s-a oprit la jumatatea unui rand"));
            break;
        }
        const QByteArrayView line = QByteArrayView(out).sliced(from, end - from);
        from = end + 1;
        if (first && line != "ZORVEL-ACCESS 1") {
            d.problem = QStringLiteral("programul de citire Access a raspuns altceva decat un tabel");
            return d;
        }
        if (!first) record(d, t, fields(line), withRows, cells);
        first = false;
    }
    if (withRows) checkWhole(d, err);
    return d;
}
