// The window as a user meets it: its controls, start-up, panel layout and saved choices.
#include "app/datepicker.h"
#include "app/panellayout.h"
#include "app/windowdesign.h"
#include "controls/xlinklabel.h"
#include "core/feed/feedparser.h"
#include "core/money/vatrates.h"
#include "core/settings/appsettings.h"
#include "core/store/ratedb.h"
#include "core/text/qttranslations.h"
#include "core/update/bankcalendar.h"
#include "core/update/historycheck.h"
#include "core/update/quietschedule.h"
#include "core/update/updatesession.h"
#include "tests/support/bnrdata.h"
#include "tests/support/designlayout.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeZone>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <atomic>
#include <gtest/gtest.h>

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { clearSettings(); }
    WindowRig rig;
};

TEST_F(WindowTest, EveryControlHasItsNameCaptionAndPlace) {
    frmZorvel& w = rig.start(false);
    const WindowControls ui(w);
    forEachRow(WindowDesign::controls(), [&](const ControlDesign& c) {
        QWidget* widget = w.findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_TRUE(widget->inherits(c.kind)) << c.name;
        EXPECT_EQ(widget->geometry(), QRect(PanelLayout::px(c.left), PanelLayout::px(c.top), PanelLayout::px(c.width),
                                            PanelLayout::px(c.height)))
            << c.name;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << c.name;
        if (!c.caption) return;
        QString caption;
        if (auto* g = qobject_cast<QGroupBox*>(widget))
            caption = g->title();
        else if (auto* l = qobject_cast<QLabel*>(widget))
            caption = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(widget))
            caption = b->text();
        else if (auto* e = qobject_cast<QLineEdit*>(widget))
            caption = e->text();
        // The rate box starts on the saved rate, or on the standard rate in force today.
        const QString expected = QLatin1String(c.name) == QLatin1String("Text3(5)") ? AppSettings::vatRate()
                                                                                    : QString::fromLatin1(c.caption);
        EXPECT_EQ(caption, expected) << c.name;
    });
    EXPECT_TRUE(ui.Label2[1]->font().bold());
    EXPECT_TRUE(ui.Label2[2]->font().bold());
    EXPECT_FALSE(ui.Label2[0]->font().bold());
    EXPECT_EQ(ui.Text1->accessibleName(), QStringLiteral("Transforma"));
    EXPECT_EQ(ui.Text3[2]->accessibleName(), QStringLiteral("Valoare fara TVA"));
    EXPECT_TRUE(ui.Label3->text().contains(QStringLiteral("conversia valutara!   Este")));
    // Every one-line caption fits whole in its design width, measured in a real face.
    const QFontMetrics face(ui.Label3->font());
    if (face.horizontalAdvance(QStringLiteral("iiii")) == face.horizontalAdvance(QStringLiteral("WWWW")))
        GTEST_SKIP() << "no proportional face here (Qt's offscreen platform on Windows has no font database)";
    for (QLabel* l : w.findChildren<QLabel*>()) {
        if (l->wordWrap() || l->text().isEmpty()) continue;
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << l->objectName().toStdString();
    }
    // Each check box's caption fits whole beside its box at the design width.
    for (QCheckBox* c : {ui.Check1[0], ui.Check1[1], ui.Check1[2], ui.chkPrinc}) {
        QStyleOptionButton option;
        option.initFrom(c);
        option.text = c->text();
        const QRect text = c->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, c);
        EXPECT_GE(text.width(), c->fontMetrics().horizontalAdvance(c->text())) << c->text().toStdString();
    }
    EXPECT_TRUE(ui.Label6->text().startsWith(QStringLiteral("     Daca")));
}

// The keyboard alone reaches every control, panel by panel as they stand on screen, the links included.
TEST_F(WindowTest, TabGoesPanelByPanelAsTheyStandOnScreen) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const QList<QWidget*> expected = {ui.cmdEvolutie, ui.Combo2,    ui.ListView1, ui.cmdExcel,       ui.Command4,
                                      ui.Command3,    ui.DTPicker1, ui.Text1,     ui.Combo1[0],      ui.Combo1[1],
                                      ui.Text2,       ui.Command1,  ui.Text3[0],  ui.Text3[1],       ui.Text3[2],
                                      ui.Text3[3],    ui.Text3[4],  ui.Text3[5],  ui.Check1[0],      ui.Check1[1],
                                      ui.Check1[2],   ui.chkPrinc,  ui.Command2,  ui.XLinkLabel1[0], ui.XLinkLabel1[1]};
    ui.cmdEvolutie->setFocus();
    QList<QWidget*> seen;
    for (int i = 0; i < 3 * expected.size() && seen.size() < expected.size(); ++i) {
        QWidget* at = QApplication::focusWidget();
        // A date box's own line edit is the box; Tab walks its year, month and day before it leaves.
        while (at && !expected.contains(at))
            at = at->parentWidget();
        if (seen.isEmpty() || seen.back() != at) seen << at;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(seen, expected);
    for (QPushButton* b : {ui.cmdExcel, ui.Command4, ui.Command3, ui.cmdEvolutie, ui.Command1, ui.Command2})
        EXPECT_TRUE(b->text().contains(u'&')) << b->objectName().toStdString() << " has no mnemonic";
}

// An open window asks the bank on its own once the day's rates are due, and shows what came
// without a box; the clock is the test's, the bank a loopback one whose feed turns at 13:10.
TEST(QuietUpdate, TheDaysRatesArriveWhileTheWindowStaysOpen) {
    clearSettings();
    LocaleScope ro(QStringLiteral("ro_RO"));
    const QTimeZone bucharest("Europe/Bucharest");
    std::atomic<qint64> clockMs{QDateTime(QDate(2026, 12, 9), QTime(12, 55), bucharest).toMSecsSinceEpoch()};
    std::atomic<int> feeds{0}, busy{0}, most{0};
    std::atomic<bool> down{false};
    const auto rates = [](const char* eur) { return QList<QPair<QString, QString>>{{"EUR", eur}, {"USD", "4.3"}}; };
    WindowRig rig([&](const QString& path) {
        const int now = ++busy;
        most = std::max(most.load(), now);
        QThread::msleep(150);
        --busy;
        if (path == u"/nbrfxrates.xml") ++feeds;
        if (down) return FeedServer::Reply::error(503);
        const bool turned = clockMs >= QDateTime(QDate(2026, 12, 9), QTime(13, 10), bucharest).toMSecsSinceEpoch();
        if (path == u"/nbrfxrates.xml") {
            return FeedServer::Reply::ok(turned ? BnrData::dayXml(QDate(2026, 12, 9), rates("5.0901"))
                                                : BnrData::dayXml(QDate(2026, 12, 8), rates("5.0900")));
        }
        return FeedServer::Reply::error(404);
    });
    rig.clock = [&] { return QDateTime::fromMSecsSinceEpoch(clockMs, Qt::UTC); };
    ASSERT_TRUE(RateDb(rig.app.db()).storeDay(FeedDay{QDate(2026, 12, 8), {{"EUR", "5.09"}, {"USD", "4.3"}}, {}}));
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    auto* notice = w.findChild<QLabel*>(QStringLiteral("lblAnunt"));
    ASSERT_NE(notice, nullptr);
    ui.Combo1[0]->setCurrentIndex(ui.Combo1[0]->findText(QStringLiteral("EUR")));
    emit ui.Combo1[0]->activated(ui.Combo1[0]->currentIndex());
    rig.sink.shown.clear();
    const auto tickAt = [&](int h, int m) {
        clockMs = QDateTime(QDate(2026, 12, 9), QTime(h, m), bucharest).toMSecsSinceEpoch();
        const int before = feeds;
        w.QuietUpdate_Tick();
        return feeds - before;
    };
    EXPECT_EQ(tickAt(12, 58), 0) << "before publication";
    EXPECT_EQ(tickAt(13, 3), 1) << "first attempt after 13:00";
    EXPECT_EQ(tickAt(13, 12), 0) << "not before a quarter has passed";
    EXPECT_FALSE(notice->isVisible());
    down = true;
    EXPECT_EQ(tickAt(13, 19), 1) << "retried a quarter later";
    EXPECT_TRUE(ui.Label2[2]->toolTip().contains(QStringLiteral("nereusita"))) << ui.Label2[2]->toolTip().toStdString();
    down = false;
    // A laptop closed over lunch: the clock jumps, the schedule follows it.
    EXPECT_EQ(tickAt(15, 40), 1) << "after a sleep";
    EXPECT_EQ(ui.Label2[2]->text(), QLocale().toString(QDate(2026, 12, 9), QLocale::ShortFormat));
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("Cursul BNR din 09.12.2026 a fost adaugat"));
    EXPECT_EQ(ui.ListView1->topLevelItem(0)->text(0), QStringLiteral("2026/12/09"));
    EXPECT_TRUE(rig.sink.shown.isEmpty()) << rig.sink.texts().join(u'|').toStdString();
    EXPECT_EQ(tickAt(16, 0), 0) << "the day is stored";
    {
        // Another program holds the history: the day stored is still stored, nothing is asked.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(rig.app.db());
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec(QStringLiteral("begin exclusive")));
        EXPECT_EQ(tickAt(16, 20), 0) << "a locked history";
        lock.exec(QStringLiteral("rollback"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    // Never two updates at once: the button pressed during a quiet one waits for it.
    ASSERT_TRUE(RateDb(rig.app.db()).applyChanges({{RateDb::Change::Kind::Delete, {}, QDate(2026, 12, 9), {}, 0}}));
    QTimer::singleShot(50, ui.Command2, [&] { QTest::mouseClick(ui.Command2, Qt::LeftButton); });
    EXPECT_EQ(tickAt(16, 30), 2);
    EXPECT_EQ(most.load(), 1);
    EXPECT_EQ(rig.sink.texts(), QStringList{QStringLiteral("Cursul este la zi!")}); // the button's own answer
    // No attempt after 18:00, nor on a Saturday once Friday is stored.
    ASSERT_TRUE(RateDb(rig.app.db()).applyChanges({{RateDb::Change::Kind::Delete, {}, QDate(2026, 12, 9), {}, 0}}));
    EXPECT_EQ(tickAt(18, 10), 0);
    for (int day : {9, 10, 11})
        ASSERT_TRUE(
            RateDb(rig.app.db()).storeDay(FeedDay{QDate(2026, 12, day), {{"EUR", "5.09"}, {"USD", "4.3"}}, {}}));
    clockMs = QDateTime(QDate(2026, 12, 12), QTime(14, 0), bucharest).toMSecsSinceEpoch();
    const int before = feeds;
    w.QuietUpdate_Tick();
    EXPECT_EQ(feeds - before, 0);
}

// A bank that publishes each banking day at 13:00 Bucharest time by the test's clock: its feed and
// ten-day feed, EUR at 4.9 and the day of the year in ten-thousandths; or down.
struct ClockBank {
    std::atomic<qint64> clockMs{0};
    std::atomic<bool> down{false};
    QDateTime now() const { return QDateTime::fromMSecsSinceEpoch(clockMs, Qt::UTC); }
    void set(const QDateTime& t) { clockMs = t.toMSecsSinceEpoch(); }
    static QList<QPair<QString, QString>> rates(QDate d) {
        return {{"EUR", QStringLiteral("4.%1").arg(9000 + d.dayOfYear())}};
    }
    QDate published() const {
        const QDateTime local = QuietSchedule::inBucharest(now());
        QDate d = local.time() >= QTime(13, 0) ? local.date() : local.date().addDays(-1);
        return BankCalendar::bankingDaysBack(d, 0);
    }
    FeedServer::Handler handler() {
        return [this](const QString& path) {
            if (down) return FeedServer::Reply::error(503);
            const QDate last = published();
            if (path == u"/nbrfxrates.xml") return FeedServer::Reply::ok(BnrData::dayXml(last, rates(last)));
            if (path != u"/nbrfxrates10days.xml") return FeedServer::Reply::error(404);
            QList<QPair<QDate, QList<QPair<QString, QString>>>> days;
            for (QDate d = last; days.size() < 10; d = BankCalendar::bankingDaysBack(d.addDays(-1), 0))
                days.prepend({d, rates(d)});
            return FeedServer::Reply::ok(BnrData::yearXml(days));
        };
    }
};

class OpenForDays : public ::testing::Test {
protected:
    OpenForDays() : rig(bank.handler()) {}
    void SetUp() override {
        clearSettings();
        rig.clock = [this] { return bank.now(); };
    }
    frmZorvel& startOn(QDate day, QDate stored) {
        bank.set(QDateTime(day, QTime(15, 0), bucharest));
        EXPECT_TRUE(RateDb(rig.app.db()).storeDay(FeedDay{stored, {{"EUR", ClockBank::rates(stored)[0].second}}, {}}));
        frmZorvel& w = rig.start();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }
    // The clock moved on and the window's look at it.
    void tick(frmZorvel& w, const QDateTime& at) {
        bank.set(at);
        w.QuietUpdate_Tick();
    }
    void typeDate(const WindowControls& ui, const QString& typed) {
        ui.DTPicker1->setFocus();
        ui.DTPicker1->selectAll();
        QTest::keyClicks(ui.DTPicker1, typed);
        QTest::keyClick(ui.DTPicker1, Qt::Key_Return);
    }
    LocaleScope ro{QStringLiteral("ro_RO")};
    const QTimeZone bucharest{"Europe/Bucharest"};
    ClockBank bank;
    WindowRig rig;
};

// Left open from 27.12.2023, the bank down and the history ending 22.12, across midnight: the converter
// takes the new day; the days published arrive while the user types a VAT total, which stays as typed;
// once the day is stored an invoice dated the next day converts.
TEST_F(OpenForDays, AcrossMidnightTheNewDayIsTakenAndTheTypedBoxStays) {
    bank.down = true;
    frmZorvel& w = startOn(QDate(2023, 12, 27), QDate(2023, 12, 22));
    const WindowControls ui(w);
    ui.Combo1[0]->setCurrentIndex(ui.Combo1[0]->findText(QStringLiteral("EUR")));
    emit ui.Combo1[0]->activated(ui.Combo1[0]->currentIndex());
    ui.Text1->setText(QStringLiteral("1000"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("4935,6")) << "at the rate of 22.12";
    EXPECT_EQ(ui.DTPicker1->MaxDate().date(), QDate(2023, 12, 27));
    rig.sink.shown.clear();

    tick(w, QDateTime(QDate(2023, 12, 28), QTime(0, 5)));
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2023, 12, 28)) << "left on today, it moves to the new today";
    typeDate(ui, QStringLiteral("28.12.2023"));
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2023, 12, 28));
    EXPECT_TRUE(ui.Label2[2]->toolTip().contains(QStringLiteral("nereusita")));

    ui.Text3[4]->setFocus();
    QApplication::processEvents(); // the box selects its text once it has the focus, as a click leaves it
    QTest::keyClicks(ui.Text3[4], QStringLiteral("1234"));
    bank.down = false;
    tick(w, QDateTime(QDate(2023, 12, 28), QTime(0, 20)));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("4936,1")) << "the converter has the rate of 27.12";
    EXPECT_EQ(ui.Label2[2]->text(), QStringLiteral("27.12.2023"));
    EXPECT_EQ(ui.Text3[4]->text(), QStringLiteral("1234")) << "the box being typed in is the user's";
    QTest::keyClicks(ui.Text3[4], QStringLiteral("56"));
    EXPECT_EQ(ui.Text3[4]->text(), QStringLiteral("123456"));
    EXPECT_EQ(ui.Text3[1]->text(), QStringLiteral("103744,54")) << "the price follows the typed total";

    tick(w, QDateTime(QDate(2023, 12, 28), QTime(13, 5), bucharest));
    EXPECT_EQ(ui.Label2[2]->text(), QStringLiteral("28.12.2023"));
    EXPECT_TRUE(ui.Label2[2]->toolTip().endsWith(QStringLiteral("reusita"))) << ui.Label2[2]->toolTip().toStdString();
    typeDate(ui, QStringLiteral("29.12.2023"));
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2023, 12, 29)) << "an invoice dated tomorrow, at today's rate";
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("4936,2"));
    EXPECT_TRUE(rig.sink.shown.isEmpty()) << rig.sink.texts().join(u'|').toStdString();
}

// Left open from 29.12.2023 across the new year: 2024 comes into the year list, the table goes on to it
// once the bank has published a day of it, and the converter takes 4 January once 3 January is stored.
TEST_F(OpenForDays, AcrossTheNewYearTheYearAndItsFirstDayArrive) {
    frmZorvel& w = startOn(QDate(2023, 12, 29), QDate(2023, 12, 29));
    const WindowControls ui(w);
    rig.sink.shown.clear();
    EXPECT_EQ(ui.Combo2->currentText(), QStringLiteral("2023"));
    tick(w, QDateTime(QDate(2024, 1, 1), QTime(0, 5)));
    EXPECT_EQ(ui.Combo2->itemText(ui.Combo2->count() - 1), QStringLiteral("2024"));
    EXPECT_EQ(ui.Combo2->currentText(), QStringLiteral("2023")) << "no day of 2024 yet";
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2024, 1, 1));
    tick(w, QDateTime(QDate(2024, 1, 3), QTime(13, 5), bucharest));
    EXPECT_EQ(ui.Combo2->currentText(), QStringLiteral("2024"));
    EXPECT_EQ(w.tableYear(), QStringLiteral("2024"));
    ASSERT_GT(ui.ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(ui.ListView1->topLevelItem(0)->text(0), QStringLiteral("2024/01/03"));
    EXPECT_EQ(ui.Label2[2]->text(), QStringLiteral("03.01.2024"));
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2024, 1, 3));
    typeDate(ui, QStringLiteral("04.01.2024"));
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2024, 1, 4));
    EXPECT_TRUE(rig.sink.shown.isEmpty()) << rig.sink.texts().join(u'|').toStdString();
}

// The law's VAT rate changed at midnight on 1 August 2025: a box the user never chose for follows it; a chosen one
// stays.
TEST_F(OpenForDays, TheLawsVatRateFollowsTheDayUnlessTheUserChoseOne) {
    frmZorvel& w = startOn(QDate(2025, 7, 31), QDate(2025, 7, 31));
    const WindowControls ui(w);
    rig.sink.shown.clear();
    EXPECT_EQ(ui.Text3[5]->text(), QStringLiteral("19"));
    ui.Text3[5]->setFocus();
    QTest::keyClick(ui.Text3[5], Qt::Key_Tab); // passed over: no choice
    tick(w, QDateTime(QDate(2025, 8, 1), QTime(0, 5)));
    EXPECT_EQ(ui.Text3[5]->text(), QStringLiteral("21"));
    ui.Text3[5]->setFocus();
    ui.Text3[5]->selectAll();
    QTest::keyClicks(ui.Text3[5], QStringLiteral("9"));
    QTest::keyClick(ui.Text3[5], Qt::Key_Tab);
    tick(w, QDateTime(QDate(2025, 8, 2), QTime(0, 5)));
    EXPECT_EQ(ui.Text3[5]->text(), QStringLiteral("9"));
    EXPECT_TRUE(rig.sink.shown.isEmpty()) << rig.sink.texts().join(u'|').toStdString();
}

// What a screen reader hears of the links: links, that open from the keyboard.
TEST_F(WindowTest, AScreenReaderHearsTheDateAndFindsTheLinks) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    for (int i = 0; i < 2; ++i) {
        XLinkLabel* link = ui.XLinkLabel1[i];
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(link);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->role(), QAccessible::Link);
        EXPECT_EQ(a->text(QAccessible::Name), link->Caption());
        EXPECT_EQ(a->text(QAccessible::Description), link->URL());
        rig.opened.clear();
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(rig.opened.size(), 1);
        link->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space})
            QTest::keyClick(link, key);
        EXPECT_EQ(rig.opened.size(), 3);
    }
}

TEST_F(WindowTest, FirstStartShowsEverythingAndReportsAFailedUpdate) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    const int year = QDate::currentDate().year();
    EXPECT_EQ(ui.Combo2->count(), year - 1998 + 1);
    EXPECT_EQ(ui.Combo2->itemText(0), QStringLiteral("1998"));
    EXPECT_EQ(ui.Combo2->currentText(), QString::number(year));
    EXPECT_EQ(w.tableYear(), QString::number(year));
    EXPECT_EQ(ui.Text3[5]->text(), VatRates::standardOn(QDate::currentDate())); // no rate saved yet
    EXPECT_TRUE(ui.chkPrinc->isChecked());
    for (QCheckBox* c : ui.Check1)
        EXPECT_TRUE(c->isChecked());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zorvel v" ZORVEL_TEST_VERSION));
    EXPECT_EQ(ui.DTPicker1->MaxDate().date(), QDate::currentDate());
    EXPECT_EQ(ui.DTPicker1->MinDate().date(), QDate(1998, 1, 1));
    EXPECT_EQ(ui.DTPicker1->displayFormat(), QStringLiteral("yyyy/MM/dd"));
    EXPECT_EQ(w.localCurrencyName(), QStringLiteral("LEI NOI"));
    // The bank did not answer: the error, titled with the caption of that moment, and no date shown.
    ASSERT_FALSE(rig.sink.shown.isEmpty());
    const auto& first = rig.sink.shown.front();
    EXPECT_EQ(first.text, QStringLiteral("Sunt erori la actualizare!\rServerul bancii a raspuns cu eroarea HTTP 503."));
    EXPECT_EQ(first.icon, MessageSink::Icon::Critical);
    EXPECT_EQ(first.title, QStringLiteral("Zorvel"));
    EXPECT_TRUE(w.lastRateDate().isNull());
    EXPECT_EQ(ui.Label2[2]->text(), QString());
}

// Stop pressed while the bank holds a request open ends the update at once, as stopped.
TEST(WindowUpdate, StopEndsAHangingRequestAtOnce) {
    clearSettings();
    WindowRig rig([](const QString& target) {
        if (target == u"/nbrfxrates.xml")
            return FeedServer::Reply::ok(BnrData::dayXml(QDate::currentDate().addDays(-1), {{"EUR", "4.97"}}));
        return FeedServer::Reply::hang();
    });
    bool pressed = false;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(top); dialog && dialog->isVisible()) {
                const auto buttons = dialog->findChildren<QPushButton*>();
                if (!buttons.isEmpty()) QTest::mouseClick(buttons.front(), Qt::LeftButton);
                pressed = true;
                press.stop();
            }
    });
    press.start(100);
    QElapsedTimer clock;
    clock.start();
    rig.start(false);
    EXPECT_TRUE(pressed);
    EXPECT_LT(clock.elapsed(), 10000); // the request's own limit is 20 s
    ASSERT_FALSE(rig.sink.shown.isEmpty());
    EXPECT_EQ(rig.sink.shown.front().text,
              QStringLiteral("Actualizarea a fost oprita. Zilele importate pana acum au fost pastrate."));
}

// An update that finds new days: its progress shows while the bank is slow, the
// days it stored are the bank's, and the window names the newest of them.
TEST(WindowUpdate, ASuccessfulUpdateShowsItsProgressAndTheNewestDay) {
    clearSettings();
    LocaleScope ro(QStringLiteral("ro_RO"));
    QDate feed = QDate::currentDate();
    while (feed.dayOfWeek() > 5)
        feed = feed.addDays(-1);
    const QDate stored = feed.addDays(-7);
    WindowRig rig([feed](const QString& target) {
        if (target == u"/nbrfxrates.xml") return FeedServer::Reply::ok(BnrData::dayXml(feed, {{"EUR", "4.97"}}));
        const QStringList p = target.section(u'=', 1).split(u'.');
        const QDate d = p.size() == 3 ? QDate(p[2].toInt(), p[1].toInt(), p[0].toInt()) : QDate();
        if (!d.isValid() || d.dayOfWeek() > 5) return FeedServer::Reply::ok(BnrData::noRatesPage());
        QThread::msleep(300); // slow enough for the progress to be due
        return FeedServer::Reply::ok(BnrData::dayXml(d, {{"EUR", "4.97"}}));
    });
    {
        RateDb db(rig.app.db());
        ASSERT_TRUE(db.storeDay(FeedDay{stored, {{"EUR", "4.95"}}}));
    }
    QStringList progressSeen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(top); dialog && dialog->isVisible())
                progressSeen << dialog->labelText();
    });
    watch.start(50);
    frmZorvel& w = rig.start(false);
    watch.stop();
    ASSERT_FALSE(progressSeen.isEmpty());
    EXPECT_TRUE(progressSeen.last().startsWith(QStringLiteral("Se importa "))) << progressSeen.last().toStdString();
    ASSERT_FALSE(rig.sink.shown.isEmpty());
    EXPECT_EQ(rig.sink.shown.front().text, QStringLiteral("Cursul este la zi!"));
    EXPECT_EQ(rig.sink.shown.front().icon, MessageSink::Icon::Information);
    EXPECT_EQ(w.lastRateDate(), feed);
    EXPECT_EQ(WindowControls(w).Label2[2]->text(), QLocale().toString(feed, QLocale::ShortFormat));
    // A screen reader hears the date, not only the caption beside it.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(WindowControls(w).Label2[2])->text(QAccessible::Name),
              QStringLiteral("Ultimul curs valutar: ") + QLocale().toString(feed, QLocale::ShortFormat));
    QVariantList bankDays;
    for (QDate d = stored; d <= feed; d = d.addDays(1))
        if (d.dayOfWeek() <= 5 && (d == stored || d == feed || BankCalendar::isBankingDay(d)))
            bankDays << d.toString(Qt::ISODate);
    QVariantList storedDays;
    for (int y = stored.year(); y <= feed.year(); ++y)
        storedDays +=
            rig.app.column(QStringLiteral("select substr(data, 1, 10) from valuta%1ron order by data").arg(y));
    EXPECT_EQ(storedDays, bankDays);
}

// Days the bank did not send are named in a warning; the date shown is the newest day stored.
TEST(WindowUpdate, MissingDaysAreNamedNotShownAsUpToDate) {
    clearSettings();
    const QDate feed(2024, 9, 18);
    BnrData::Serving how;
    how.feed = feed;
    how.tenDays = how.yearly = false;
    how.singleDays = BnrData::Serving::SingleDays::NotFound;
    WindowRig rig(BnrData::madeUp(QDate(2024, 9, 2), feed).serve(how));
    ASSERT_TRUE(RateDb(rig.app.db()).storeDay(FeedDay{QDate(2024, 9, 13), {{"EUR", "4.95"}}}));
    frmZorvel& w = rig.start(false);
    ASSERT_FALSE(rig.sink.shown.isEmpty()); // the year's empty table is said after it
    EXPECT_EQ(rig.sink.shown.front().icon, MessageSink::Icon::Exclamation);
    EXPECT_TRUE(rig.sink.shown.front().text.contains(QStringLiteral("16.09.2024 - 17.09.2024 (2 zile)")))
        << rig.sink.shown.front().text.toStdString();
    EXPECT_EQ(w.lastRateDate(), feed); // the newest day stored; the warning names the days before it that lack
}

// "Verifica istoricul": the report names a changed value and a missing day with the bank's values, and
// "Corecteaza", once confirmed, writes the copy and makes the history the bank's.
TEST(WindowVerify, TheReportNamesTheDifferencesAndCorrectsThem) {
    clearSettings();
    const BnrData data = BnrData::madeUp(QDate(2022, 1, 1), QDate(2022, 12, 30));
    BnrData::Serving how;
    how.feed = QDate(2022, 12, 30);
    WindowRig rig(data.serve(how));
    rig.app.sql(QStringLiteral("drop table VALUTA2005RON"));
    auto days = FeedParser::days(data.years().value(2022));
    int n = 0;
    ASSERT_TRUE(RateDb(rig.app.db()).storeDays(*days, &n));
    frmZorvel& w = rig.start(false);
    rig.app.sql(QStringLiteral("update valuta2022ron set eur = 5.5 where data = '2022-06-15';\n"
                               "delete from valuta2022ron where data = '2022-03-08'"));
    chooseInNextMenu(QStringLiteral("Verifica istoricul"));
    emit WindowControls(w).ListView1->customContextMenuRequested(QPoint(5, 5));
    auto* report = w.findChild<QDialog*>(QStringLiteral("frmVerificare"));
    ASSERT_TRUE(report);
    const QString text = report->findChild<QPlainTextEdit*>(QStringLiteral("txtRaport"))->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("2022: 1 zi lipsa, 1 valoare diferita"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("15.06.2022 EUR: memorat 5,5000, banca 4,0166"))) << text.toStdString();
    rig.sink.answer = true;
    rig.sink.shown.clear();
    QTest::mouseClick(report->findChild<QPushButton*>(QStringLiteral("cmdCorecteaza")), Qt::LeftButton);
    ASSERT_EQ(rig.sink.asked.size(), 1);
    EXPECT_TRUE(rig.sink.asked.front().startsWith(QStringLiteral("Se va adauga o zi, se va corecta un curs")))
        << rig.sink.asked.front().toStdString();
    ASSERT_EQ(rig.sink.shown.size(), 1);
    const QString copy = rig.sink.shown.front().text.section(QStringLiteral("dinainte: "), 1);
    EXPECT_TRUE(QFile::exists(copy)) << rig.sink.shown.front().text.toStdString();
    FeedClient client(rig.server.base());
    HistoryCheck again(rig.app.db(), client);
    EXPECT_TRUE(again.run({2022})->equal());
}

// A box the user takes a while to read: the progress window must not come back over it.
class SlowReader : public RecordingSink {
public:
    void show(const QString& text, Icon icon, const QString& title) override {
        QTest::qWait(UpdateSession::ShowProgressAfterMs + 300);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (qobject_cast<QProgressDialog*>(top) && top->isVisible()) progressOverBox = true;
        RecordingSink::show(text, icon, title);
    }
    bool progressOverBox = false;
};

TEST(WindowUpdate, AQuickUpdateLeavesNoProgressOverItsMessage) {
    clearSettings();
    QDate feed = QDate::currentDate();
    while (feed.dayOfWeek() > 5)
        feed = feed.addDays(-1);
    FeedServer bank(BnrData::madeUp(feed.addDays(-10), feed).serve({feed}));
    TempAppDir app;
    QDate stored = feed.addDays(-3);
    while (stored.dayOfWeek() > 5)
        stored = stored.addDays(-1);
    ASSERT_TRUE(RateDb(app.db()).storeDay(FeedDay{stored, {{"EUR", "4.95"}}}));
    ZorvelEnvironment env;
    env.appDir = app.path();
    env.feedBase = bank.base();
    SlowReader sink;
    frmZorvel w(env, &sink);
    w.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.shown.front().text, QStringLiteral("Cursul este la zi!"));
    EXPECT_FALSE(sink.progressOverBox);
}

// What a screen reader reads of the converter's date is what the screen shows.
TEST_F(WindowTest, ThePickersAccessibleTextIsItsShownDate) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    const auto spoken = [&] {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(ui.DTPicker1);
        return a ? a->text(QAccessible::Value) : QString();
    };
    const auto expectShown = [&](const char* how) {
        EXPECT_EQ(spoken(), ui.DTPicker1->text()) << how;
        EXPECT_EQ(spoken(), ui.DTPicker1->date().toString(QStringLiteral("yyyy/MM/dd"))) << how;
    };
    expectShown("start-up");
    const int i = ui.Combo2->findText(QStringLiteral("2022"));
    ui.Combo2->setCurrentIndex(i);
    emit ui.Combo2->activated(i);
    expectShown("year list");
    ui.DTPicker1->setFocus();
    ui.DTPicker1->setCurrentSection(QDateTimeEdit::MonthSection);
    QTest::keyClick(ui.DTPicker1, Qt::Key_Down);
    expectShown("keyboard");
    ui.DTPicker1->setDate(QDate(2022, 3, 8));
    expectShown("typed day");
    ui.DTPicker1->setMinDate(QDateTime(QDate(2022, 3, 10), QTime(0, 0)));
    emit ui.DTPicker1->userChanged();
    expectShown("clamp");
}

TEST_F(WindowTest, PanelsStackAsChosenAndTheChoiceIsSaved) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    for (const DesignStacking& c : kDesignStackings) {
        for (int i = 0; i < 3; ++i)
            if (ui.Check1[i]->isChecked() != c.shown[i]) QTest::mouseClick(ui.Check1[i], Qt::LeftButton);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ui.Frame1[i]->isVisible(), c.shown[i]) << i;
            if (c.shown[i]) {
                EXPECT_EQ(ui.Frame1[i]->y(), PanelLayout::px(c.tops[i])) << i;
            }
            EXPECT_EQ(storedSetting(QStringLiteral("chk%1").arg(i), QStringLiteral("1")),
                      c.shown[i] ? QStringLiteral("1") : QStringLiteral("0"));
        }
        for (QWidget* rowWidget : {static_cast<QWidget*>(ui.Label5), static_cast<QWidget*>(ui.Check1[2]),
                                   static_cast<QWidget*>(ui.chkPrinc), static_cast<QWidget*>(ui.Command2)})
            EXPECT_EQ(rowWidget->y(), PanelLayout::px(c.row)) << rowWidget->objectName().toStdString();
        EXPECT_EQ(ui.Frame2->y(), PanelLayout::px(c.links));
        EXPECT_EQ(ui.Command2->isVisible(), c.update);
        EXPECT_TRUE(ui.chkPrinc->isVisible());
        // Offscreen there is no frame: the whole outer height is the window's own.
        EXPECT_EQ(w.frameGeometry().height(), PanelLayout::px(c.outer));
    }
    // After a restart the same panels are shown.
    frmZorvel& again = rig.restart();
    const WindowControls againUi(again);
    EXPECT_FALSE(againUi.Frame1[0]->isVisible());
    EXPECT_TRUE(againUi.Frame1[1]->isVisible());
    EXPECT_EQ(againUi.Frame1[1]->y(), 0);
}

TEST_F(WindowTest, SavedValuesAreReadByTheirLeadingNumber) {
    struct Case {
        const char* saved;
        bool shown;
    } const cases[] = {{"", false}, {"abc", false}, {"0", false}, {"1", true}, {"2", true}, {" 1", true}, {"-1", true}};
    for (const Case& c : cases) {
        storeSetting(QStringLiteral("chk0"), QString::fromLatin1(c.saved));
        storeSetting(QStringLiteral("principale"), QString::fromLatin1(c.saved));
        storeSetting(QStringLiteral("TVA"), QStringLiteral("19"));
        frmZorvel& w = rig.restart();
        const WindowControls ui(w);
        EXPECT_EQ(ui.Check1[0]->isChecked(), c.shown) << c.saved;
        EXPECT_EQ(ui.Frame1[0]->isVisible(), c.shown) << c.saved;
        EXPECT_EQ(ui.chkPrinc->isChecked(), c.shown) << c.saved;
        EXPECT_EQ(ui.Text3[5]->text(), QStringLiteral("19"));
    }
}

TEST(DatePicker, RefusesDaysThatDoNotExistOrLieOutsideItsBounds) {
    DatePicker p;
    p.setMaxDate(QDateTime(QDate(2026, 3, 10), QTime(15, 30)));
    p.setValue(QDateTime(QDate(2024, 2, 29), QTime(9, 30)));
    EXPECT_EQ(p.Value(), QDateTime(QDate(2024, 2, 29), QTime(9, 30)));
    EXPECT_FALSE(p.setYear(2023)); // 29 February 2023
    EXPECT_EQ(p.Value().date(), QDate(2024, 2, 29));
    EXPECT_TRUE(p.setYear(2020));
    EXPECT_TRUE(p.setMonth(4));
    EXPECT_FALSE(p.setDay(31)); // 31 April
    EXPECT_TRUE(p.setMonth(1));
    EXPECT_TRUE(p.setDay(31));
    EXPECT_FALSE(p.setMonth(2));
    EXPECT_FALSE(p.setYear(1997));
    EXPECT_FALSE(p.setYear(2027));
    EXPECT_EQ(p.Value(), QDateTime(QDate(2020, 1, 31), QTime(9, 30)));
    int userChanges = 0;
    QObject::connect(&p, &DatePicker::userChanged, [&] { ++userChanges; });
    p.setYear(2021);
    EXPECT_EQ(userChanges, 0); // changes from code raise nothing
}

} // namespace

namespace {

// Qt's own dialogs speak the program's language, from the system's translation or the program's own,
// and the window carries its icon.
TEST(WindowLanguage, QtsDialogsSpeakRomanianWithOrWithoutTheSystemsTranslation) {
    QTemporaryDir withNone, withSystems;
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(":/zorvel/i18n/qt_ro.qm"), withSystems.filePath(QStringLiteral("qtbase_ro.qm"))));
    struct Case {
        QString folder;
        int files;
    } const cases[] = {{withNone.path(), 1}, {withSystems.path(), 2}};
    for (const Case& c : cases) {
        const QStringList loaded = QtTranslations::install(*qApp, c.folder);
        EXPECT_EQ(loaded.size(), c.files) << loaded.join(u' ').toStdString();
        QFileDialog dialog(nullptr, QStringLiteral("Salveaza CSV"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text(), QStringLiteral("Cauta in:"));
        EXPECT_EQ(dialog.labelText(QFileDialog::Reject), QStringLiteral("Anuleaza"));
        for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }
    EXPECT_FALSE(frmZorvel::programIcon().pixmap(32, 32).isNull());
}

} // namespace
