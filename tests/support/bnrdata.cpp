#include "tests/support/bnrdata.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QUrlQuery>

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
            m_days.insert(QDate::fromString(m.captured(1), Qt::ISODate),
                          (head + m.captured(0) + QStringLiteral("</Body></DataSet>")).toUtf8());
        }
    }
    QDirIterator it(*dir + QStringLiteral("/daily"), {QStringLiteral("*.xml")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        QFile f(fi.filePath());
        if (f.open(QIODevice::ReadOnly)) m_days.insert(QDate::fromString(fi.dir().dirName(), Qt::ISODate), f.readAll());
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

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?><DataSet xmlns=\"https://www.bnr.ro/xsd\">"
                         "<Header><Publisher>National Bank of Romania</Publisher></Header>"
                         "<Body><Subject>Reference rates</Subject><OrigCurrency>RON</OrigCurrency>";

} // namespace

QByteArray BnrData::dayXml(QDate day, const QList<QPair<QString, QString>>& rates) {
    return kHead + cubeXml(day, rates) + "</Body></DataSet>";
}

QByteArray BnrData::yearXml(const QList<QPair<QDate, QList<QPair<QString, QString>>>>& days) {
    QByteArray out = kHead;
    for (const auto& d : days)
        out += cubeXml(d.first, d.second);
    return out + "</Body></DataSet>";
}
