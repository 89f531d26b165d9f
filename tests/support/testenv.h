#pragma once

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <ostream>
#include <utility>

// Values read from the database, shown as text when a test fails.
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << '"' << v.toString().toStdString() << '"';
}
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// A folder that stands in for the program's own: valuta.mdb made from the
// shipped SQL text, and nothing else.
class TempAppDir {
public:
    TempAppDir();
    QString path() const { return m_dir.path(); }
    QString db() const { return m_dir.path() + QStringLiteral("/valuta.mdb"); }
    // Runs statements on the database, for setting up odd cases.
    void sql(const QString& statements) const;
    QVariantList column(const QString& query) const;
    // Stores the bank's yearly files of these years, straight into the database.
    bool fillFromYears(const QList<int>& years) const;
    // Stores made-up rates for every banking day of each span (see BnrData::madeUp): EUR is 4 lei
    // and the day of the year in ten-thousandths.
    bool fillMadeUp(const QList<std::pair<QDate, QDate>>& spans) const;

private:
    QTemporaryDir m_dir;
};

// Runs every statement of a text (separated by ";" at line ends) on a SQLite file.
void runSqlScript(const QString& dbPath, const QString& script);
QString shippedSql();
// The e-Factura samples of the shared data folder (which may be absent on a machine).
QString invoiceSamples();

// Points the user's config and data folders into a folder of the test's own, so no
// test reads or writes the user's settings or history; the bank's address is the default.
void useTemporaryHome(const QString& home);

// Forgets every saved choice, as on a first start.
void clearSettings();
// The text saved under a settings key, or stored there as another version might have.
QString storedSetting(const QString& key, const QString& absent = {});
void storeSetting(const QString& key, const QString& text);

// Sets the process locale for the length of a scope.
class LocaleScope {
public:
    explicit LocaleScope(const QString& name);
    ~LocaleScope();

private:
    QLocale m_old;
};

// Runs a check on each row of a table of cases. A fatal failure ends only its own
// row, so one bad row does not hide what the rows after it would show.
template <typename Rows, typename Check> void forEachRow(const Rows& rows, Check&& check) {
    for (const auto& row : rows)
        check(row);
}
