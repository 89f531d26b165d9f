// The history window: opened from the rate panel, showing a currency's averages
// and chart, and handing them on.
#include "app/frmevolutie.h"
#include "core/store/ratedb.h"
#include "tests/support/bnrdata.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>
#include <QValueAxis>
#include <gtest/gtest.h>

namespace {

void choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

QStringList column(QTableWidget* grid, int c) {
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
        out << grid->item(r, c)->text();
    return out;
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearSettings();
        RateDb db(rig.app.db());
        auto store = [&](QDate d, std::vector<FeedRate> r) { ASSERT_TRUE(db.storeDay(FeedDay{d, std::move(r)})); };
        store(QDate(2022, 1, 3), {{"EUR", "4.9474"}, {"100HUF", "1.3455"}});
        store(QDate(2022, 1, 4), {{"EUR", "4.9451"}, {"100HUF", "1.35"}});
        store(QDate(2022, 2, 15), {{"EUR", "4.95"}, {"100HUF", "1.4"}, {"USD", "4.4"}});
    }
    // The window started, with 2022 chosen in the year list as a user would.
    frmZorvel& startOn2022() {
        frmZorvel& w = rig.start();
        const WindowControls ui(w);
        const int i = ui.Combo2->findText(QStringLiteral("2022"));
        ui.Combo2->setCurrentIndex(i);
        emit ui.Combo2->activated(i);
        return w;
    }
    frmEvolutie* open(frmZorvel& w) {
        const WindowControls ui(w);
        rig.sink.shown.clear();
        QTest::mouseClick(ui.cmdEvolutie, Qt::LeftButton);
        return w.findChild<frmEvolutie*>();
    }
    LocaleScope ro{QStringLiteral("ro_RO")};
    WindowRig rig;
};

TEST_F(HistoryTest, OpensOnTheConvertersCurrencyAndTheTablesYear) {
    frmZorvel& w = startOn2022();
    rig.sink.shown.clear();
    frmEvolutie* h = open(w);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(h->isVisible());
    EXPECT_EQ(h->findChild<QComboBox*>(QStringLiteral("cboValuta"))->currentText(), QStringLiteral("EUR"));
    EXPECT_EQ(h->findChild<QComboBox*>(QStringLiteral("cboAnDe"))->currentText(), QStringLiteral("2022"));
    auto* grid = h->findChild<QTableWidget*>(QStringLiteral("grdMedii"));
    // Three days of 2022 are no final annual average.
    EXPECT_EQ(column(grid, 1), (QStringList{"Ianuarie", "Februarie", "Anual partial"}));
    // January's two days, February's one, and the year as the mean of the two months.
    EXPECT_EQ(column(grid, 2), (QStringList{"4,9463", "4,9500", "4,9481"}));
    EXPECT_EQ(column(grid, 3), (QStringList{"2", "1", "3"}));
    for (QWidget* c : h->findChildren<QWidget*>()) {
        if (c->objectName().isEmpty() || c->objectName().startsWith(QStringLiteral("qt_"))) continue;
        EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
    }
    EXPECT_TRUE(rig.sink.shown.isEmpty());
}

TEST_F(HistoryTest, AHundredUnitRateIsShownInTheBanksUnitOnStoredYearsWithRoundTicks) {
    ASSERT_TRUE(RateDb(rig.app.db()).storeDay(FeedDay{QDate(2019, 6, 3), {{"EUR", "4.72"}}, {}}));
    frmZorvel& w = rig.start();
    frmEvolutie* h = open(w);
    ASSERT_NE(h, nullptr);
    auto* from = h->findChild<QComboBox*>(QStringLiteral("cboAnDe"));
    QStringList offered;
    for (int i = 0; i < from->count(); ++i)
        offered << from->itemText(i);
    EXPECT_EQ(offered, (QStringList{"2019", "2020", "2021", "2022"})); // the stored history, not 1998 on
    h->showCurrency(QStringLiteral("HUF"), 2022, 2022);
    EXPECT_EQ(h->history().column, QStringLiteral("100HUF"));
    auto* chart = h->findChild<QChartView*>(QStringLiteral("chtCurs"))->chart();
    auto* line = qobject_cast<QLineSeries*>(chart->series().value(0));
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->count(), 3);
    // One unit in the chart, its title, its pointer and the table: the bank's hundred forints.
    EXPECT_DOUBLE_EQ(line->at(0).y(), 1.3455);
    EXPECT_TRUE(chart->title().startsWith(QStringLiteral("100 HUF: minim 1,3455 (03.01.2022)")))
        << chart->title().toStdString();
    auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->titleText(), QStringLiteral("Lei pentru 100 HUF"));
    EXPECT_DOUBLE_EQ(y->tickInterval(), 0.02);
    EXPECT_DOUBLE_EQ(y->min(), 1.34);
    auto* x = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->categoriesLabels().size(), 12);
    EXPECT_EQ(h->findChild<QTableWidget*>(QStringLiteral("grdMedii"))->horizontalHeaderItem(2)->text(),
              QStringLiteral("Curs mediu\nlei / 100 HUF"));
    emit line->hovered(QPointF(double(QDateTime(QDate(2022, 1, 5), QTime(0, 0)).toMSecsSinceEpoch()), 1.35), true);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("04.01.2022: 1,3500 lei pentru 100 HUF"));
    // Across years, one tick a year; a year between without a table is said in the window.
    choose(from, QStringLiteral("2019"));
    x = qobject_cast<QCategoryAxis*>(
        h->findChild<QChartView*>(QStringLiteral("chtCurs"))->chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->categoriesLabels(), (QStringList{"2019", "2020", "2021", "2022"}));
    auto* state = h->findChild<QLabel*>(QStringLiteral("lblStare"));
    EXPECT_TRUE(state->text().contains(QStringLiteral("Nu exista cursuri memorate pentru anul 2020, 2021.")))
        << state->text().toStdString();
    EXPECT_TRUE(rig.sink.shown.isEmpty() || !rig.sink.texts().join(u' ').contains(QStringLiteral("2020")));
    // Choosing an end before the start moves the start with it.
    choose(from, QStringLiteral("2022"));
    choose(h->findChild<QComboBox*>(QStringLiteral("cboAnPana")), QStringLiteral("2020"));
    EXPECT_EQ(from->currentText(), QStringLiteral("2020"));
}

// The pointer anywhere over the chart, or the arrow keys on it, mark a day on the curve and say it.
TEST_F(HistoryTest, ThePointerAndTheArrowsMarkADayAndReadIt) {
    frmZorvel& w = startOn2022();
    frmEvolutie* h = open(w);
    ASSERT_NE(h, nullptr);
    h->showCurrency(QStringLiteral("HUF"), 2022, 2022);
    h->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h));
    auto* view = h->findChild<QChartView*>(QStringLiteral("chtCurs"));
    auto* marker = view->chart()->findChild<QScatterSeries*>(QStringLiteral("ziuaAleasa"));
    ASSERT_NE(marker, nullptr);
    EXPECT_FALSE(marker->isVisible());
    const auto dayOf = [&] { return QDateTime::fromMSecsSinceEpoch(qint64(marker->at(0).x())).date(); };
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_TRUE(marker->isVisible());
    EXPECT_EQ(dayOf(), QDate(2022, 1, 3));
    EXPECT_EQ(view->accessibleDescription(), QStringLiteral("03.01.2022: 1,3455 lei pentru 100 HUF"));
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(view->accessibleDescription(), QStringLiteral("04.01.2022: 1,3500 lei pentru 100 HUF"));
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(dayOf(), QDate(2022, 2, 15));
    // Hovering over the plot, above or below the line, marks the day of that column.
    const QPoint at = view->mapFromScene(view->chart()->mapToPosition(
        QPointF(double(QDateTime(QDate(2022, 1, 4), QTime(0, 0)).toMSecsSinceEpoch()), 1.36), marker));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view->viewport()->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    EXPECT_EQ(dayOf(), QDate(2022, 1, 4));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("04.01.2022: 1,3500 lei pentru 100 HUF"));
}

// The keyboard: a table is one Tab stop, and a focused chart shows it.
TEST_F(HistoryTest, TabStopsOnceAtTheChartAndOnceAtTheTable) {
    frmZorvel& w = startOn2022();
    frmEvolutie* h = open(w);
    ASSERT_NE(h, nullptr);
    QApplication::setActiveWindow(h);
    auto* chart = h->findChild<QChartView*>(QStringLiteral("chtCurs"));
    auto* grid = h->findChild<QTableWidget*>(QStringLiteral("grdMedii"));
    chart->setFocus();
    const QImage unfocused = chart->grab().toImage();
    QTest::keyClick(h, Qt::Key_Tab);
    EXPECT_TRUE(grid->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), h->findChild<QPushButton*>(QStringLiteral("cmdCopiaza")));
    EXPECT_NE(chart->grab().toImage(), unfocused) << "a focused chart looks as an unfocused one";
}

TEST_F(HistoryTest, CopiesTheTableAndSavesThePictureAndTheData) {
    frmZorvel& w = rig.start();
    frmEvolutie* h = open(w);
    ASSERT_NE(h, nullptr);
    h->showCurrency(QStringLiteral("EUR"), 2022, 2022);
    QTemporaryDir dir;
    QStringList asked;
    h->setAskPath([&](const QString&, const QString& suggested, const QString&) {
        asked << suggested;
        return dir.path() + u'/' + suggested;
    });
    QTest::mouseClick(h->findChild<QPushButton*>(QStringLiteral("cmdCopiaza")), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("An\tLuna\tCurs mediu (lei pentru 1 EUR)\tZile\n2022\tIanuarie\t4,9463\t2\n2022\t"
                             "Februarie\t4,9500\t1\n2022\tAnual partial\t4,9481\t3\n"));
    QTest::mouseClick(h->findChild<QPushButton*>(QStringLiteral("cmdImagine")), Qt::LeftButton);
    QTest::mouseClick(h->findChild<QPushButton*>(QStringLiteral("cmdCsv")), Qt::LeftButton);
    EXPECT_EQ(asked, (QStringList{"curs-EUR-2022.png", "curs-EUR-2022.csv"}));
    EXPECT_FALSE(QImage(dir.path() + QStringLiteral("/curs-EUR-2022.png")).isNull());
    QFile csv(dir.path() + QStringLiteral("/curs-EUR-2022.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    // Days as dates and rates as numbers for a spreadsheet: ISO days, the decimal comma's fields in quotes.
    EXPECT_TRUE(text.startsWith(QStringLiteral("Data;Curs EUR\r\n2022-01-03;\"4,9474\"\r\n2022-01-04;\"4,9451\"\r\n")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("2022;Anual partial;\"4,9481\";3\r\n"))) << text.toStdString();
    // A folder that cannot be written is told, once.
    h->setAskPath([](const QString&, const QString&, const QString&) { return QStringLiteral("/nonexistent/x.csv"); });
    QTest::mouseClick(h->findChild<QPushButton*>(QStringLiteral("cmdCsv")), Qt::LeftButton);
    ASSERT_EQ(rig.sink.shown.size(), 1);
    EXPECT_TRUE(rig.sink.shown[0].text.startsWith(QStringLiteral("Fisierul nu poate fi scris")));
}

TEST_F(HistoryTest, TheTablesContextMenuOpensTheColumnsCurrency) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    int usd = -1;
    for (int c = 0; c < ui.ListView1->columnCount(); ++c)
        if (ui.ListView1->headerItem()->text(c) == u"USD") usd = c;
    ASSERT_GT(usd, 0);
    chooseInNextMenu(QStringLiteral("Evolutie curs"));
    const int x = ui.ListView1->header()->sectionViewportPosition(usd) + 5;
    emit ui.ListView1->customContextMenuRequested(QPoint(x, 5));
    frmEvolutie* h = w.findChild<frmEvolutie*>();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->history().currency, QStringLiteral("USD"));
    EXPECT_EQ(h->history().days.size(), 1u);
}

// The real year: EUR in 2022 as the bank published it.
TEST(HistoryRealYear, EuroIn2022) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    LocaleScope ro(QStringLiteral("ro_RO"));
    clearSettings();
    WindowRig rig;
    ASSERT_TRUE(rig.app.fillFromYears({2022}));
    frmZorvel& w = rig.start();
    WindowControls(w).cmdEvolutie->click();
    frmEvolutie* h = w.findChild<frmEvolutie*>();
    ASSERT_NE(h, nullptr);
    h->showCurrency(QStringLiteral("EUR"), 2022, 2022);
    auto* grid = h->findChild<QTableWidget*>(QStringLiteral("grdMedii"));
    ASSERT_EQ(grid->rowCount(), 13);
    EXPECT_EQ(grid->item(12, 2)->text(), QStringLiteral("4,9315"));
    EXPECT_EQ(grid->item(12, 3)->text(), QStringLiteral("251"));
    EXPECT_EQ(grid->item(12, 1)->text(), QStringLiteral("Anual")); // the whole year: final
    EXPECT_EQ(grid->item(7, 2)->text(), QStringLiteral("4,8953")); // August
}

} // namespace
