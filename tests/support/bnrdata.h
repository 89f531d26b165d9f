#pragma once

#include "tests/support/feedserver.h"

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QString>
#include <optional>

// The bank's real files from the shared data folder, served under the bank's paths.
class BnrData {
public:
    // The folder, or nothing when this machine does not have it.
    static std::optional<QString> folder();
    static QString missingReason();

    // Loads every yearly and daily file; one day's file is cut out of a yearly one where needed.
    bool load();
    const QMap<QDate, QByteArray>& days() const { return m_days; }
    const QMap<int, QByteArray>& years() const { return m_years; }
    QByteArray file(const QString& relative) const;

    // Answers like the bank: the feed says feedDate; missing days answer "Nu exista";
    // yearly files only for the years listed (all when empty).
    FeedServer::Handler bank(QDate feedDate, QList<int> yearlyYears = {}, bool yearly = true) const;
    static QByteArray noRatesPage();
    // A one-day file as the bank writes it, for made-up rates.
    static QByteArray dayXml(QDate day, const QList<QPair<QString, QString>>& rates);
    static QByteArray yearXml(const QList<QPair<QDate, QList<QPair<QString, QString>>>>& days);

private:
    QMap<QDate, QByteArray> m_days;
    QMap<int, QByteArray> m_years;
};
