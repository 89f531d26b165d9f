#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <vector>

// What the Access helper printed, read back line by line. Nothing in it is trusted:
// a table is whole only when its rows end where the helper said, as many as the
// file's own count, and the reader said nothing against it.
struct AccessColumn {
    // The reader's type codes of the kinds a rate table holds.
    enum Type { Integer = 3, Long = 4, Currency = 5, Single = 6, Double = 7, DateTime = 8, Text = 10, Decimal = 16 };
    // Whether the column holds numbers a rate can be read from.
    bool holdsNumbers() const {
        return type == Integer || type == Long || type == Currency || type == Single || type == Double ||
               type == Decimal;
    }
    QString name;
    int type = 0;
};

struct AccessCell {
    enum class Kind : quint8 { Null, Single, Double, Whole, Money, Text, Other };
    Kind kind = Kind::Null;
    // The stored value's bits: Single in the low 32, Double and Date/Time in all 64; for Whole (an Integer
    // or a Long) and Money (a Currency, in ten-thousandths) a signed number.
    quint64 bits = 0;
    QByteArray text; // the reader's text, where the stored bytes could not be checked
};

struct AccessTable {
    QString name;
    qint64 declaredRows = 0;
    QList<AccessColumn> columns;
    std::vector<std::vector<AccessCell>> rows;
    bool ended = false;
    // Why the table cannot be taken as read; empty when it can.
    QString problem;
};

struct AccessDump {
    int format = -1; // 0 Jet 3, 1 Jet 4, 2 and up the later formats
    std::vector<AccessTable> tables;
    // Why the output as a whole is not the helper's; empty when it is.
    QString problem;
    // The output held more cells than the program keeps from one run: a limit of the program, not the file's fault.
    bool overLimit = false;
    // Cells kept from one run: a batch of year tables holds far fewer; an empty cell costs a byte of output
    // but forty of memory, so the output's own bound is not enough.
    static constexpr qint64 kMaxCells = 1000000;

    // Reads stdout and stderr of one run of the helper; rows only where the run printed them.
    static AccessDump parse(const QByteArray& out, const QByteArray& err, bool withRows);
    AccessTable* table(const QString& name);
    const AccessTable* table(const QString& name) const;
};
