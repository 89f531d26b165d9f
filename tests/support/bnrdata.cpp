#include "tests/support/bnrdata.h"

#include "core/update/bankcalendar.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QUrlQuery>
#include <algorithm>

std::optional<QString> BnrData::folder() {
    const QString env = qEnvironmentVariable("ZORVEL_BNR_DATA");
    const QString path = env.isEmpty() ? QStringLiteral(ZORVEL_BNR_DATA) : env;
    if (path.isEmpty() || !QDir(path).exists(QStringLiteral("nbrfxrates2022.xml"))) return std::nullopt;
    return path;
}

QString BnrData::missingReason() {
    return QStringLiteral("the bank's real files (shared/data/bnr beside the repository) are not on this machine");
}

QByteArray BnrData::file(const QString& relative) const {
    QFile f(*folder() + u'/' + relative);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool BnrData::load() {
    const auto dir = folder();
    if (!dir) return false;
    static const QRegularExpression cube(QStringLiteral(R"re(<Cube date="(\d{4}-\d{2}-\d{2})">.*?</Cube>)re"),
                                         QRegularExpression::DotMatchesEverythingOption);
    for (const QFileInfo& fi : QDir(*dir).entryInfoList({QStringLiteral("nbrfxrates????.xml")}, QDir::Files)) {
        QFile f(fi.filePath());
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray data = f.readAll();
        m_years.insert(fi.fileName().mid(10, 4).toInt(), data);
        const QString text = QString::fromUtf8(data);
        const QString head = text.left(text.indexOf(QStringLiteral("<Cube")));
        for (auto it = cube.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            const QDate d = QDate::fromString(m.captured(1), Qt::ISODate);
            m_days.insert(d, (head + m.captured(0) + QStringLiteral("</Body></DataSet>")).toUtf8());
            m_cubes.insert(d, m.captured(0).toUtf8());
        }
    }
    QDirIterator it(*dir + QStringLiteral("/daily"), {QStringLiteral("*.xml")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        QFile f(fi.filePath());
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QDate d = QDate::fromString(fi.dir().dirName(), Qt::ISODate);
        m_days.insert(d, f.readAll());
        if (const auto m = cube.match(QString::fromUtf8(m_days[d])); m.hasMatch() && !m_cubes.contains(d))
            m_cubes.insert(d, m.captured(0).toUtf8());
    }
    return !m_days.isEmpty();
}

QByteArray BnrData::noRatesPage() {
    return "<html><body><p>Nu exista curs valutar pentru data selectata!</p></body></html>";
}

FeedServer::Handler BnrData::bank(QDate feedDate, QList<int> yearlyYears, bool yearly) const {
    return [days = m_days, years = m_years, feedDate, yearlyYears, yearly](const QString& target) {
        const QUrl url(QStringLiteral("http://x") + target);
        if (url.path() == u"/nbrfxrates.xml") return FeedServer::Reply::ok(days.value(feedDate));
        if (url.path().startsWith(QStringLiteral("/files/xml/years/nbrfxrates"))) {
            const int year = url.path().mid(27, 4).toInt();
            if (!yearly || !years.contains(year) || (!yearlyYears.isEmpty() && !yearlyYears.contains(year)))
                return FeedServer::Reply::error(404);
            return FeedServer::Reply::ok(years.value(year));
        }
        if (url.path() == u"/MakeXmlFile.aspx") {
            const QStringList p = QUrlQuery(url).queryItemValue(QStringLiteral("date")).split(u'.');
            const QDate d = p.size() == 3 ? QDate(p[2].toInt(), p[1].toInt(), p[0].toInt()) : QDate();
            if (d > feedDate || !days.contains(d)) return FeedServer::Reply::ok(noRatesPage());
            return FeedServer::Reply::ok(days.value(d));
        }
        return FeedServer::Reply::error(404);
    };
}

QByteArray BnrData::webPage() {
    return "<!DOCTYPE html><html><head><title>BNR</title></head><body><p>Bun venit</p></body></html>";
}

QVariantList BnrData::bankDays(QDate from, QDate to) const {
    QVariantList out;
    for (auto it = m_cubes.lowerBound(from); it != m_cubes.end() && it.key() <= to; ++it)
        out << it.key().toString(Qt::ISODate);
    return out;
}

FeedServer::Handler BnrData::serve(const Serving& how) const {
    return [data = *this, how](const QString& target) {
        using Reply = FeedServer::Reply;
        const QUrl url(QStringLiteral("http://x") + target);
        const QString path = url.path();
        // The day asked for, with the day before it when the bank's answers carry two.
        const auto around = [&](QDate day) {
            QList<QDate> days{day};
            auto it = data.m_cubes.lowerBound(day);
            if (how.twoCubes && it != data.m_cubes.begin()) days << std::prev(it).key();
            if (how.oldestFirst) std::reverse(days.begin(), days.end());
            return data.document(days);
        };
        if (path == u"/") return Reply::ok(webPage());
        if (path == u"/nbrfxrates.xml") return Reply::ok(around(how.feed));
        if (path == u"/nbrfxrates10days.xml") {
            if (!how.tenDays) return Reply::error(404);
            QList<QDate> days;
            for (auto it = data.m_cubes.upperBound(how.feed); it != data.m_cubes.begin() && days.size() < 10;)
                days << (--it).key();
            return Reply::ok(data.document(days));
        }
        if (path.startsWith(QStringLiteral("/files/xml/years/nbrfxrates"))) {
            const int year = path.mid(27, 4).toInt();
            if (!how.yearly || !data.m_years.contains(year) ||
                (!how.yearlyYears.isEmpty() && !how.yearlyYears.contains(year)))
                return Reply::error(404);
            QDate last = how.yearCut.value(year, QDate(year, 12, 31));
            if (year == how.feed.year()) last = std::min(last, how.yearToFeedDay ? how.feed : how.feed.addDays(-1));
            return Reply::ok(data.yearFile(year, last));
        }
        if (path == u"/MakeXmlFile.aspx") {
            if (how.singleDays == Serving::SingleDays::NotFound) return Reply::error(404);
            if (how.singleDays == Serving::SingleDays::ToWebPage) return Reply::redirect("/");
            const QStringList p = QUrlQuery(url).queryItemValue(QStringLiteral("date")).split(u'.');
            const QDate d = p.size() == 3 ? QDate(p[2].toInt(), p[1].toInt(), p[0].toInt()) : QDate();
            if (d > how.feed || !data.m_cubes.contains(d)) return Reply::ok(noRatesPage());
            return Reply::ok(around(d));
        }
        return Reply::error(404);
    };
}

namespace {

QByteArray cubeXml(QDate day, const QList<QPair<QString, QString>>& rates) {
    QByteArray out = "<Cube date=\"" + day.toString(Qt::ISODate).toLatin1() + "\">";
    for (const auto& r : rates) {
        // "100HUF" carries its multiplier as the bank writes it.
        QString code = r.first;
        QString mult;
        while (!code.isEmpty() && code[0].isDigit()) {
            mult += code[0];
            code.remove(0, 1);
        }
        out += "<Rate currency=\"" + code.toLatin1() + "\"";
        if (!mult.isEmpty()) out += " multiplier=\"" + mult.toLatin1() + "\"";
        out += ">" + r.second.toLatin1() + "</Rate>";
    }
    return out + "</Cube>";
}

using Rates = QList<QPair<QString, QString>>;

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?><DataSet xmlns=\"https://www.bnr.ro/xsd\">"
                         "<Header><Publisher>National Bank of Romania</Publisher></Header>"
                         "<Body><Subject>Reference rates</Subject><OrigCurrency>RON</OrigCurrency>";

} // namespace

QByteArray BnrData::document(const QList<QDate>& days) const {
    QByteArray out = kHead;
    for (QDate d : days)
        out += m_cubes.value(d);
    return out + "</Body></DataSet>";
}

// The real file where it is whole, else one made of the year's days up to the last.
QByteArray BnrData::yearFile(int year, QDate last) const {
    if (last >= QDate(year, 12, 31) || last >= m_cubes.lastKey()) {
        const QByteArray real = m_years.value(year);
        if (!real.isEmpty()) return real;
    }
    QList<QDate> days;
    for (auto it = m_cubes.lowerBound(QDate(year, 1, 1)); it != m_cubes.end() && it.key() <= last; ++it)
        days << it.key();
    return document(days);
}

BnrData BnrData::madeUp(QDate from, QDate to, const QList<QDate>& alsoClosed, int moreCurrencies) {
    BnrData data;
    for (QDate d = from; d <= to; d = d.addDays(1)) {
        if (!BankCalendar::isBankingDay(d) || alsoClosed.contains(d)) continue;
        Rates rates = {{"EUR", QStringLiteral("4.%1").arg(d.dayOfYear(), 4, 10, QChar(u'0'))},
                       {"USD", "4.5123"},
                       {"100HUF", "1.2655"}};
        for (int i = 0; i < moreCurrencies; ++i)
            rates.append({QString(QChar(u'Q')) + QChar(u'A' + i / 26) + QChar(u'A' + i % 26),
                          QStringLiteral("%1.%2").arg(i + 1).arg(d.dayOfYear(), 4, 10, QChar(u'0'))});
        data.m_cubes.insert(d, cubeXml(d, rates));
        data.m_days.insert(d, dayXml(d, rates));
        data.m_years.insert(d.year(), {});
    }
    for (auto it = data.m_years.begin(); it != data.m_years.end(); ++it)
        it.value() = data.yearFile(it.key(), QDate(it.key(), 12, 31));
    return data;
}

QByteArray BnrData::dayXml(QDate day, const QList<QPair<QString, QString>>& rates) {
    return kHead + cubeXml(day, rates) + "</Body></DataSet>";
}

QByteArray BnrData::yearXml(const QList<QPair<QDate, QList<QPair<QString, QString>>>>& days) {
    QByteArray out = kHead;
    for (const auto& d : days)
        out += cubeXml(d.first, d.second);
    return out + "</Body></DataSet>";
}
