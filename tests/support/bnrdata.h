#pragma once

#include "tests/support/feedserver.h"

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QString>
#include <QVariantList>
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

    // Made-up rates for every banking day of the span, but the days the bank also kept closed:
    // EUR, USD and 100HUF, and as many more currencies as asked (the bank quotes about 30).
    static BnrData madeUp(QDate from, QDate to, const QList<QDate>& alsoClosed = {}, int moreCurrencies = 0);

    // How a loopback bank serves these days.
    struct Serving {
        enum class SingleDays { Served, NotFound, ToWebPage };
        QDate feed; // the newest day published
        SingleDays singleDays = SingleDays::Served;
        bool tenDays = true;
        bool yearly = true;
        QList<int> yearlyYears{};   // the years with a yearly file; all it has when empty
        bool yearToFeedDay = true;  // the current year's file runs to the feed's day, else to the day before
        QMap<int, QDate> yearCut{}; // a yearly file that ends on this day
        // Feed and single-day answers carry the day before too, newest first (or oldest first).
        bool twoCubes = false;
        bool oldestFirst = false;
    };
    FeedServer::Handler serve(const Serving& how) const;
    // Answers like the bank: the feed says feedDate; missing days answer "Nu exista";
    // yearly files only for the years listed (all when empty).
    FeedServer::Handler bank(QDate feedDate, QList<int> yearlyYears = {}, bool yearly = true) const;
    // The days the bank published within the span, as stored dates.
    QVariantList bankDays(QDate from, QDate to) const;
    static QByteArray webPage();
    static QByteArray noRatesPage();
    // A one-day file as the bank writes it, for made-up rates.
    static QByteArray dayXml(QDate day, const QList<QPair<QString, QString>>& rates);
    static QByteArray yearXml(const QList<QPair<QDate, QList<QPair<QString, QString>>>>& days);

private:
    QByteArray document(const QList<QDate>& days) const;
    QByteArray yearFile(int year, QDate last) const;

    QMap<QDate, QByteArray> m_cubes; // each day's <Cube> element
    QMap<QDate, QByteArray> m_days;
    QMap<int, QByteArray> m_years;
};
