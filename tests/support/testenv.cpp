#include "tests/support/testenv.h"

#include "core/feed/feedparser.h"
#include "core/settings/appsettings.h"
#include "core/store/ratedb.h"
#include "tests/support/bnrdata.h"

#include <QFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>
#include <stdexcept>

QString shippedSql() {
    QFile f(QStringLiteral(ZORVEL_SOURCE_DIR "/data/valuta.sql"));
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("data/valuta.sql missing");
    return QString::fromUtf8(f.readAll());
}

void runSqlScript(const QString& dbPath, const QString& script) {
    static int counter = 0;
    const QString name = QStringLiteral("test-script-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbPath);
        if (!db.open()) throw std::runtime_error("cannot open test database");
        QString statement;
        for (const QString& line : script.split(u'\n')) {
            if (line.trimmed().startsWith(QStringLiteral("--"))) continue;
            statement += line + u'\n';
            if (line.trimmed().endsWith(u';')) {
                QSqlQuery q(db);
                if (!q.exec(statement.trimmed().chopped(1)))
                    throw std::runtime_error((q.lastError().text() + QStringLiteral(" in ") + statement).toStdString());
                statement.clear();
            }
        }
        if (!statement.trimmed().isEmpty()) {
            QSqlQuery q(db);
            if (!q.exec(statement)) throw std::runtime_error(q.lastError().text().toStdString());
        }
    }
    QSqlDatabase::removeDatabase(name);
}

TempAppDir::TempAppDir() {
    runSqlScript(db(), shippedSql());
}

void TempAppDir::sql(const QString& statements) const {
    runSqlScript(db(), statements.endsWith(u';') ? statements : statements + u';');
}

QVariantList TempAppDir::column(const QString& query) const {
    QVariantList out;
    const QString name = QStringLiteral("test-column");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(this->db());
        db.open();
        QSqlQuery q(db);
        if (!q.exec(query)) throw std::runtime_error(q.lastError().text().toStdString());
        while (q.next())
            out << q.value(0);
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

bool TempAppDir::fillFromYears(const QList<int>& years) const {
    BnrData data;
    if (!data.load()) return false;
    RateDb db(this->db());
    for (int y : years) {
        auto days = FeedParser::days(data.years().value(y));
        if (!days) return false;
        int stored = 0;
        if (!db.storeDays(days.value(), &stored)) return false;
    }
    return true;
}

bool TempAppDir::fillMadeUp(const QList<std::pair<QDate, QDate>>& spans) const {
    for (const auto& [from, to] : spans) {
        const BnrData data = BnrData::madeUp(from, to);
        for (auto it = data.years().cbegin(); it != data.years().cend(); ++it) {
            auto days = FeedParser::days(it.value());
            int stored = 0;
            if (!days || !RateDb(db()).storeDays(*days, &stored)) return false;
        }
    }
    return true;
}

LocaleScope::LocaleScope(const QString& name) : m_old(QLocale()) {
    QLocale::setDefault(QLocale(name));
}

LocaleScope::~LocaleScope() {
    QLocale::setDefault(m_old);
}

void useTemporaryHome(const QString& home) {
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/data")).toLocal8Bit());
    qunsetenv("ZORVEL_FEED_URL");
}

void clearSettings() {
    auto s = AppSettings::storage();
    s->remove(QString());
    s->sync();
}

// Read and written past the program's own accessors, so a test also pins the keys
// and texts that earlier installations left behind.
QString storedSetting(const QString& key, const QString& absent) {
    return AppSettings::storage()->value(key, absent).toString();
}

void storeSetting(const QString& key, const QString& text) {
    auto s = AppSettings::storage();
    s->setValue(key, text);
    s->sync();
}

QString invoiceSamples() {
    return QStringLiteral(ZORVEL_SOURCE_DIR "/../shared/data/efactura/samples");
}
