// The rate table, the converter and the VAT line, driven through the real widgets.
#include "app/datepicker.h"
#include "app/frmconversielista.h"
#include "app/frmfacturi.h"
#include "app/panellayout.h"
#include "core/invoice/ublnames.h"
#include "core/settings/appsettings.h"
#include "core/store/ratedb.h"
#include "tests/support/bnrdata.h"
#include "tests/support/designlayout.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kUnknownRate = QStringLiteral("Nu este cunoscut cursul, pentru valuta selectata, la aceasta data!");

void choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

void pick(frmZorvel& w, QDate d) {
    const WindowControls ui(w);
    ui.DTPicker1->setDate(d);
} // as the user's edit does

void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    QApplication::processEvents();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QStringList visualHeaders(QTreeWidget* view) {
    QStringList out;
    for (int v = 0; v < view->header()->count(); ++v)
        out << view->headerItem()->text(view->header()->logicalIndex(v));
    return out;
}

QStringList items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearSettings();
        AppSettings::setVatRate(QStringLiteral("24")); // the line's figures below are worked out at 24%
        RateDb db(rig.app.db());
        auto store = [&](QDate d, std::vector<FeedRate> r) { ASSERT_TRUE(db.storeDay(FeedDay{d, std::move(r)})); };
        store(QDate(2021, 12, 31), {{"EUR", "4.9481"}, {"USD", "4.3707"}});
        store(QDate(2022, 1, 3), {{"AUD", "3.1589"},
                                  {"EUR", "4.9474"},
                                  {"GBP", "5.8856"},
                                  {"USD", "4.3701"},
                                  {"XAU", "10.1"},
                                  {"XDR", "6.1"}});
        store(QDate(2022, 1, 4), {{"AUD", "3.16"}, {"EUR", "4.321"}, {"GBP", "5.9"}, {"USD", "4"}, {"XAU", "9.5"}});
        store(QDate(2022, 2, 15),
              {{"AUD", "3.2"}, {"EUR", "4.95"}, {"GBP", "5.9"}, {"USD", "4.4"}, {"XAU", "250"}, {"XDR", "6.2"}});
    }
    frmZorvel& startOn2022() {
        frmZorvel& w = rig.start();
        const WindowControls ui(w);
        choose(ui.Combo2, QStringLiteral("2022"));
        rig.sink.shown.clear(); // the picker still stood in a year without rates
        return w;
    }
    QTreeWidgetItem* row(frmZorvel& w, const char* key) {
        const WindowControls ui(w);
        const auto found = ui.ListView1->findItems(QString::fromLatin1(key), Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.front();
    }
    LocaleScope ro{QStringLiteral("ro_RO")};
    WindowRig rig;
};

TEST_F(PanelsTest, AYearsRatesNewestFirstWithTheMainCurrenciesInFront) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    EXPECT_EQ(w.tableYear(), QStringLiteral("2022"));
    EXPECT_EQ(visualHeaders(ui.ListView1), (QStringList{"DATA", "EUR", "USD", "XDR", "XAU", "AUD", "GBP"}));
    EXPECT_EQ(ui.ListView1->columnWidth(0), PanelLayout::px(1000));
    EXPECT_EQ(ui.ListView1->columnWidth(5), PanelLayout::px(800)); // XAU
    EXPECT_EQ(ui.ListView1->columnWidth(1), PanelLayout::px(700));
    ASSERT_EQ(ui.ListView1->topLevelItemCount(), 3);
    QTreeWidgetItem* newest = ui.ListView1->topLevelItem(0);
    EXPECT_EQ(newest->text(0), QStringLiteral("2022/02/15"));
    QTreeWidgetItem* jan4 = row(w, "2022/01/04");
    ASSERT_NE(jan4, nullptr);
    EXPECT_EQ(jan4->text(2), QStringLiteral("4,321"));
    EXPECT_EQ(jan4->text(6), QString()); // no XDR that day
    EXPECT_EQ(items(ui.Combo1[0]), (QStringList{"LEI NOI", "AUD", "EUR", "GBP", "USD", "XAU", "XDR"}));
    EXPECT_EQ(items(ui.Combo1[1]), items(ui.Combo1[0]));
    EXPECT_EQ(ui.Combo1[0]->currentIndex(), 0);
    EXPECT_EQ(ui.Combo1[1]->currentIndex(), 0);

    // Main currencies only: the choice is saved at once and the table reloads.
    QTest::mouseClick(ui.chkPrinc, Qt::LeftButton);
    EXPECT_EQ(storedSetting(QStringLiteral("principale")), QStringLiteral("0"));
    EXPECT_EQ(visualHeaders(ui.ListView1), (QStringList{"DATA", "EUR", "USD", "XDR", "XAU", "GBP"}));
    EXPECT_EQ(items(ui.Combo1[0]), (QStringList{"LEI NOI", "EUR", "USD", "GBP", "XAU", "XDR"}));
}

TEST_F(PanelsTest, HeaderClicksFlipTheDirectionAndSortByText) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    QHeaderView* h = ui.ListView1->header();
    auto click = [&](int logical) {
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(logical) + 5, 5));
    };
    click(0);
    EXPECT_EQ(w.sortOrder(), 0);
    EXPECT_EQ(ui.ListView1->topLevelItem(0)->text(0), QStringLiteral("2022/01/03"));
    click(5); // XAU: descending again, by text
    EXPECT_EQ(w.sortKey(), 5);
    EXPECT_EQ(w.sortOrder(), 1);
    EXPECT_EQ(ui.ListView1->topLevelItem(0)->text(5), QStringLiteral("9,5"));
    EXPECT_EQ(ui.ListView1->topLevelItem(1)->text(5), QStringLiteral("250"));
    EXPECT_EQ(ui.ListView1->topLevelItem(2)->text(5), QStringLiteral("10,1"));
}

TEST_F(PanelsTest, ConvertingHighlightsTheDayUsedAndFeedsTheUnitPrice) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 1, 5));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("100"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("432,1"));
    EXPECT_EQ(ui.Text3[1]->text(), QStringLiteral("432,1"));
    EXPECT_EQ(ui.Text3[2]->text(), QStringLiteral("432,1"));
    EXPECT_EQ(ui.Text3[3]->text(), QStringLiteral("103,7"));
    ASSERT_EQ(ui.ListView1->selectedItems().size(), 1);
    EXPECT_EQ(ui.ListView1->selectedItems().front()->text(0), QStringLiteral("2022/01/04"));
    QTest::mouseClick(ui.Command1, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("432,1"));

    // Foreign to foreign and local to foreign, at the same day's rates.
    choose(ui.Combo1[1], QStringLiteral("USD"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("108,02")); // 10802,5 goes to the even neighbour
    choose(ui.Combo1[0], QStringLiteral("LEI NOI"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("25"));
    EXPECT_TRUE(rig.sink.texts().filter(kUnknownRate).isEmpty());
}

TEST_F(PanelsTest, AmountAndResultBoxesSelectTheirWholeTextOnEntry) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    for (QLineEdit* edit : {ui.Text1, ui.Text2, ui.Text3[4]}) {
        edit->setText(QStringLiteral("123,45"));
        edit->setCursorPosition(2);
        ui.Command1->setFocus();
        QApplication::processEvents();
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(5, 5));
        QApplication::processEvents();
        EXPECT_EQ(edit->selectedText(), QStringLiteral("123,45")) << edit->objectName().toStdString();
    }
}

TEST_F(PanelsTest, TheFirstDaysOfAYearUseTheYearBefore) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 1, 4));
    EXPECT_EQ(ui.ListView1->selectedItems().front()->text(0), QStringLiteral("2022/01/03"));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("10"));
    pick(w, QDate(2022, 1, 3));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("49,48")); // 31 December's rate
    // The selection stays on the row it had: the day used is not in this table.
    EXPECT_EQ(ui.ListView1->selectedItems().front()->text(0), QStringLiteral("2022/01/03"));
}

// A document's conversion: the day and rate show under the boxes, a second copy gives the
// line for the document, a typed date counts, and a year the bank has not yet published
// converts at the last day before it.
TEST_F(PanelsTest, TheResultSaysWhichDaysRateItUsed) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 1, 5));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("1.000,5"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("4323,16"));
    EXPECT_EQ(ui.Label3->text(),
              QStringLiteral("Suma citita: 1000,5; Curs BNR din 04.01.2022: 1 EUR = 4,3210 LEI NOI"));
    EXPECT_EQ(ui.Label3->accessibleName(), ui.Label3->text());
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("4323,16 LEI NOI (1000,5 EUR x 4,3210, curs BNR din 04.01.2022)"));
    QTest::mouseClick(ui.Command1, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("4323,16"));
    // The whole date typed over the old one, then Tab.
    ui.DTPicker1->setFocus();
    ui.DTPicker1->selectAll();
    pick(w, QDate(2021, 12, 20));
    ui.DTPicker1->setFocus();
    ui.DTPicker1->selectAll();
    QTest::keyClicks(ui.DTPicker1, QStringLiteral("2022/02/16"));
    QTest::keyClick(ui.DTPicker1, Qt::Key_Tab);
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2022, 2, 16));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    EXPECT_TRUE(ui.Label3->text().contains(QStringLiteral("; Curs BNR din 15.02.2022")))
        << ui.Label3->text().toStdString();
    // 2023 has no table yet: 15 February 2022 is still the day that applies, with its currencies.
    pick(w, QDate(2023, 1, 3));
    EXPECT_EQ(items(ui.Combo1[0]).size(), 7);
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("4952,48")); // 4952,475 exactly: the even ban
    EXPECT_TRUE(ui.Label3->text().contains(QStringLiteral("; Curs BNR din 15.02.2022")))
        << ui.Label3->text().toStdString();
}

// "Conversie lista" from the converter's keyboard shortcut: a paste converted, shown and saved.
TEST_F(PanelsTest, AListPastedFromASpreadsheetIsConvertedAndSaved) {
    frmZorvel& w = startOn2022();
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
    auto* list = w.findChild<frmConversieLista*>(QStringLiteral("frmConversieLista"));
    ASSERT_TRUE(list);
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("lista.csv"));
    list->setAskPath([&](bool, const QString&, const QString&, const QString&) { return saved; });
    list->findChild<QPlainTextEdit*>(QStringLiteral("txtIntrare"))
        ->setPlainText(QStringLiteral("Data\tSuma\tValuta\n05.01.2022\t2\tEUR\n05.01.2022\t2\tXDR\n"));
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("cmdConverteste")), Qt::LeftButton);
    auto* grid = list->findChild<QTableWidget*>(QStringLiteral("grdRezultat"));
    ASSERT_EQ(grid->rowCount(), 3); // two rows and the euro's total
    EXPECT_EQ(grid->item(0, 6)->text(), QStringLiteral("8,64"));
    EXPECT_EQ(grid->item(1, 10)->text(), QStringLiteral("nu exista curs XDR la 04.01.2022"));
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("cmdSalveaza")), Qt::LeftButton);
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("2;2022-01-05;\"2,00\";EUR;2022-01-04;\"4,3210\";\"8,64\""));
}

// "Facturi e-Factura" from its shortcut: a folder dropped, each invoice's verdict in words, the CSV saved.
TEST_F(PanelsTest, AFolderOfInvoicesDroppedShowsTheirVerdicts) {
    frmZorvel& w = startOn2022();
    w.activateWindow();
    // From the converter's amount box: a line edit keeps some Ctrl keys for itself, not this one.
    QTest::keyClick(WindowControls(w).Text1, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    auto* invoices = w.findChild<frmFacturi*>(QStringLiteral("frmFacturi"));
    ASSERT_TRUE(invoices);
    QTemporaryDir dir;
    const auto invoice = [&dir](const char* name, const char* declared) {
        QFile f(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            UblNames::opening(QStringLiteral("Invoice")).toUtf8() +
            QByteArray("<cbc:ID>F1</cbc:ID><cbc:IssueDate>2022-01-05</cbc:IssueDate><cbc:InvoiceTypeCode>380"
                       "</cbc:InvoiceTypeCode><cbc:DocumentCurrencyCode>EUR</cbc:DocumentCurrencyCode>"
                       "<cbc:TaxCurrencyCode>RON</cbc:TaxCurrencyCode><cac:TaxTotal><cbc:TaxAmount currencyID=\"EUR\">"
                       "100</cbc:TaxAmount></cac:TaxTotal><cac:TaxTotal><cbc:TaxAmount currencyID=\"RON\">") +
            declared + "</cbc:TaxAmount></cac:TaxTotal></Invoice>");
    };
    invoice("a.xml", "432.10");
    invoice("b.xml", "400.00");
    const QString saved = dir.filePath(QStringLiteral("facturi.csv"));
    invoices->setAskPaths([&](frmFacturi::Ask) { return QStringList{saved}; });
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.path())});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application passes a drop on only while a real drag is under way.
    static_cast<QObject*>(invoices)->event(&drop);
    auto* grid = invoices->findChild<QTableWidget*>(QStringLiteral("grdFacturi"));
    ASSERT_EQ(grid->rowCount(), 2) << rig.sink.texts().join(u'\n').toStdString();
    EXPECT_EQ(grid->item(0, 14)->text(), QStringLiteral("corect"));
    EXPECT_EQ(grid->item(0, 9)->text(), QStringLiteral("432,10"));
    EXPECT_EQ(grid->item(1, 14)->text(), QStringLiteral("diferit"));
    EXPECT_TRUE(grid->item(1, 15)->text().startsWith(QStringLiteral("diferenta -32,10 lei")))
        << grid->item(1, 15)->text().toStdString();
    QTest::mouseClick(invoices->findChild<QPushButton*>(QStringLiteral("cmdSalveaza")), Qt::LeftButton);
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        f.readAll().contains("F1;factura;2022-01-05;2022-01-05;EUR;\"100,00\";\"4,3210\";2022-01-04;\"432,10\""));
}

TEST_F(PanelsTest, UnknownRatesAreToldAndTheResultStays) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 1, 5));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("2"));
    ASSERT_EQ(ui.Text2->text(), QStringLiteral("8,64"));
    rig.sink.shown.clear();
    choose(ui.Combo1[1], QStringLiteral("XDR")); // no XDR on 4 January
    EXPECT_EQ(rig.sink.texts(), QStringList{kUnknownRate});
    EXPECT_EQ(rig.sink.shown.front().icon, MessageSink::Icon::Exclamation);
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("8,64"));
    // A list without a selection runs no conversion at all.
    rig.sink.shown.clear();
    ui.Combo1[1]->setCurrentIndex(-1);
    choose(ui.Combo1[0], QStringLiteral("USD"));
    EXPECT_TRUE(rig.sink.shown.isEmpty());
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("8,64"));
}

TEST_F(PanelsTest, AYearWithoutRatesIsSaidOnceAndItsListsHoldOnlyLei) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    rig.sink.shown.clear();
    choose(ui.Combo2, QStringLiteral("2019"));
    EXPECT_EQ(ui.ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(items(ui.Combo1[0]), QStringList{"LEI NOI"});
    EXPECT_EQ(rig.sink.texts().filter(QStringLiteral("anul 2019")).size(), 1);
    QTest::mouseClick(ui.chkPrinc, Qt::LeftButton); // reloads the same empty year
    EXPECT_EQ(rig.sink.texts().filter(QStringLiteral("anul 2019")).size(), 1);
    const QDate before = ui.DTPicker1->date();
    emit ui.ListView1->itemDoubleClicked(nullptr, 0); // nothing to pick
    EXPECT_EQ(ui.DTPicker1->date(), before);
    // The earliest day has no table of its year: the notice says so, and the conversion
    // message that would follow it says nothing more.
    rig.sink.shown.clear();
    pick(w, QDate(1998, 1, 1));
    EXPECT_EQ(rig.sink.texts(), QStringList{"Nu exista cursuri memorate pentru anul 1998."});
    EXPECT_EQ(w.localCurrencyName(), QStringLiteral("LEI"));
    EXPECT_EQ(items(ui.Combo1[0]), QStringList{"LEI"});
}

TEST_F(PanelsTest, DoubleClickMovesTheConverterToThatDay) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 1, 31));
    QTreeWidgetItem* item = row(w, "2022/02/15");
    ASSERT_NE(item, nullptr);
    const QRect r = ui.ListView1->visualItemRect(item);
    QTest::mouseClick(ui.ListView1->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(ui.ListView1->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(ui.DTPicker1->date(), QDate(2022, 2, 15));
    EXPECT_EQ(ui.ListView1->selectedItems().front()->text(0), QStringLiteral("2022/01/04"));
}

TEST_F(PanelsTest, ChoosingTheShownYearMovesOnlyThePicker) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 3, 1));
    ui.ListView1->topLevelItem(0)->setText(1, QStringLiteral("marked"));
    choose(ui.Combo2, QStringLiteral("2022"));
    EXPECT_EQ(ui.ListView1->topLevelItem(0)->text(1), QStringLiteral("marked")); // not reloaded
    // 29 February has no 2021: the picker falls back to today's day and month.
    pick(w, QDate(2024, 2, 29));
    choose(ui.Combo2, QStringLiteral("2021"));
    EXPECT_EQ(ui.DTPicker1->date(),
              QDate(QDate::currentDate().year(), QDate::currentDate().month(), QDate::currentDate().day()));
}

TEST_F(PanelsTest, VatLineFollowsTypingInBothCurrencyPeriods) {
    for (const char* localeName : {"ro_RO", "en_US"}) {
        LocaleScope locale(QString::fromLatin1(localeName));
        clearSettings();
        AppSettings::setVatRate(QStringLiteral("24"));
        const QChar sep = QLocale().decimalPoint().front();
        auto num = [&](const char* t) { return QString::fromLatin1(t).replace(u',', sep); };
        frmZorvel& w = rig.restart();
        const WindowControls ui(w);
        typeInto(ui.Text3[1], QStringLiteral("10"));
        typeInto(ui.Text3[0], QStringLiteral("3"));
        EXPECT_EQ(ui.Text3[2]->text(), num("30")) << localeName;
        EXPECT_EQ(ui.Text3[3]->text(), num("7,2"));
        EXPECT_EQ(ui.Text3[4]->text(), num("37,2"));
        typeInto(ui.Text3[2], QStringLiteral("100"));
        EXPECT_EQ(ui.Text3[1]->text(), num("33,33"));
        EXPECT_EQ(ui.Text3[2]->text(), QStringLiteral("100"));
        EXPECT_EQ(ui.Text3[3]->text(), num("24"));
        EXPECT_EQ(ui.Text3[4]->text(), num("124"));
        EXPECT_EQ(w.vatFocusIndex(), 2);

        // Before 1 July 2005 the old leu counts in whole lei.
        pick(w, QDate(2005, 6, 30));
        ASSERT_EQ(w.localCurrencyName(), QStringLiteral("LEI"));
        typeInto(ui.Text3[0], QStringLiteral("1"));
        typeInto(ui.Text3[5], QStringLiteral("19"));
        typeInto(ui.Text3[4], QStringLiteral("1190"));
        EXPECT_EQ(ui.Text3[1]->text(), QStringLiteral("1000"));
        EXPECT_EQ(ui.Text3[2]->text(), QStringLiteral("1000"));
        EXPECT_EQ(ui.Text3[3]->text(), QStringLiteral("190"));
        EXPECT_EQ(ui.Text3[4]->text(), QStringLiteral("1190"));
        EXPECT_FALSE(w.vatBusy());
    }
}

TEST_F(PanelsTest, LeavingTheQuantityAndRateBoxes) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    typeInto(ui.Text3[0], QStringLiteral("0,5"));
    ui.Text3[1]->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ui.Text3[0]->text(), QStringLiteral("1"));
    typeInto(ui.Text3[5], QStringLiteral("19"));
    ui.Text3[0]->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(storedSetting(QStringLiteral("TVA")), QStringLiteral("19"));
    typeInto(ui.Text3[5], QString());
    ui.Text3[0]->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ui.Text3[5]->text(), QStringLiteral("19"));
    frmZorvel& again = rig.restart();
    const WindowControls againUi(again);
    EXPECT_EQ(againUi.Text3[5]->text(), QStringLiteral("19"));
}

TEST_F(PanelsTest, SwitchingToAnotherWindowRunsNoFocusHandlers) {
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    typeInto(ui.Text3[0], QStringLiteral("0"));
    // Another window takes the focus and gives it back: the quantity is not left.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(ui.Text3[0]->text(), QStringLiteral("0"));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(ui.Text3[0]->text(), QStringLiteral("0"));
    // A move to the next box is a leaving: 0 becomes 1.
    QTest::keyClick(ui.Text3[0], Qt::Key_Tab);
    EXPECT_EQ(ui.Text3[0]->text(), QStringLiteral("1"));
}

TEST_F(PanelsTest, AMainCurrencyWithAnUnderscoreIsShown) {
    rig.app.sql(QStringLiteral("alter table valuta2022ron add column X_Y real;\n"
                               "update valuta2022ron set X_Y=2.5;\n"
                               "insert into principale values (1, 'X_Y')"));
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    QTest::mouseClick(ui.chkPrinc, Qt::LeftButton); // main currencies only
    ASSERT_FALSE(ui.chkPrinc->isChecked());
    EXPECT_TRUE(visualHeaders(ui.ListView1).contains(QStringLiteral("X Y")));
    EXPECT_TRUE(items(ui.Combo1[0]).contains(QStringLiteral("X_Y")));
    EXPECT_TRUE(items(ui.Combo1[1]).contains(QStringLiteral("X_Y")));
    EXPECT_FALSE(items(ui.Combo1[0]).contains(QStringLiteral("AUD"))); // still the main ones only
}

TEST_F(PanelsTest, OneActionShowsEachMessageOnce) {
    // A year without rates: the notice explains it, the conversion adds no box of its own.
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    const int year = QDate::currentDate().year();
    EXPECT_EQ(rig.sink.texts(),
              (QStringList{"Sunt erori la actualizare!\rServerul bancii a raspuns cu eroarea HTTP 503.",
                           QStringLiteral("Nu exista cursuri memorate pentru anul %1.").arg(year)}));
    // Stepping the picker's year by keyboard through years without rates: one notice a keystroke.
    ui.DTPicker1->setFocus();
    ui.DTPicker1->setCurrentSection(QDateTimeEdit::YearSection);
    for (int step = 1; step <= 3; ++step) {
        rig.sink.shown.clear();
        QTest::keyClick(ui.DTPicker1, Qt::Key_Down);
        EXPECT_EQ(rig.sink.texts(),
                  QStringList{QStringLiteral("Nu exista cursuri memorate pentru anul %1.").arg(year - step)})
            << step;
    }
    // The same year again says nothing new; lei to lei needs no rate and says nothing either.
    rig.sink.shown.clear();
    typeInto(ui.Text1, QStringLiteral("5"));
    EXPECT_EQ(rig.sink.texts(), QStringList{});
}

TEST_F(PanelsTest, ConverterResultRecomputesTheWholeVatLine) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    typeInto(ui.Text3[0], QStringLiteral("2"));
    typeInto(ui.Text3[3], QStringLiteral("5")); // the user last typed in the VAT box
    pick(w, QDate(2022, 1, 5));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("10"));
    EXPECT_EQ(w.vatFocusIndex(), 0);
    EXPECT_EQ(ui.Text3[1]->text(), QStringLiteral("43,21"));
    EXPECT_EQ(ui.Text3[2]->text(), QStringLiteral("86,42"));
    EXPECT_EQ(ui.Text3[3]->text(), QStringLiteral("20,74"));
    EXPECT_EQ(ui.Text3[4]->text(), QStringLiteral("107,16"));
}

// Every ban of a large amount, in the result, the document line and the VAT line it feeds.
TEST_F(PanelsTest, LargeAmountsKeepEveryBanThroughTheVatLine) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 1, 5));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("1234567,89"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("5334567,85"));
    typeInto(ui.Text1, QStringLiteral("500000"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("2160500"));
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("2160500,00 LEI NOI (500000 EUR x 4,3210, curs BNR din 04.01.2022)"));
    EXPECT_EQ(ui.Text3[1]->text(), QStringLiteral("2160500"));
    EXPECT_EQ(ui.Text3[2]->text(), QStringLiteral("2160500"));
    EXPECT_EQ(ui.Text3[3]->text(), QStringLiteral("518520"));
    EXPECT_EQ(ui.Text3[4]->text(), QStringLiteral("2679020"));
    // Thousands dots are never decimals: typed key by key, the whole amount; out of place, refused with why.
    typeInto(ui.Text1, QStringLiteral("1.234.567"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("5334564,01"));
    EXPECT_TRUE(ui.Label3->text().startsWith(QStringLiteral("Suma citita: 1234567; Curs BNR din 04.01.2022")));
    rig.sink.shown.clear();
    typeInto(ui.Text1, QStringLiteral("1.2.3"));
    ASSERT_FALSE(rig.sink.texts().isEmpty());
    EXPECT_EQ(rig.sink.texts().last(),
              QStringLiteral("Suma \"1.2.3\" nu poate fi citita: separatorii de mii nu sunt la locul lor."));
    rig.sink.shown.clear();
    typeInto(ui.Text1, QStringLiteral("1e20"));
    EXPECT_EQ(rig.sink.texts(), QStringList{QStringLiteral("Suma este prea mare pentru calcul.")});
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("432,1")); // 1e2's figure stays: 1e20 is refused, never shown wrong
}

// Another year keeps the currencies chosen where its table has them, and says so where it has not.
TEST_F(PanelsTest, AnotherYearKeepsTheChosenCurrencies) {
    ASSERT_TRUE(RateDb(rig.app.db()).storeDay(FeedDay{QDate(2021, 12, 30), {{"EUR", "4.9"}, {"USD", "4.4"}}}));
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    pick(w, QDate(2022, 1, 5));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("10"));
    pick(w, QDate(2023, 1, 3)); // no table yet: the last stored day, 15 February 2022
    EXPECT_EQ(ui.Combo1[0]->currentText(), QStringLiteral("EUR"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("49,5"));
    choose(ui.Combo1[0], QStringLiteral("XDR"));
    pick(w, QDate(2021, 12, 31)); // 2021 has no XDR
    EXPECT_TRUE(ui.Text2->text().isEmpty());
    EXPECT_EQ(ui.Text2->placeholderText(), QStringLiteral("Nu exista curs XDR in 2021"));
    EXPECT_EQ(ui.Text3[1]->text(), QString());
    choose(ui.Combo1[0], QStringLiteral("USD"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("44"));
    EXPECT_TRUE(ui.Text2->placeholderText().isEmpty());
}

// Dates typed whole, as Romanians write them; a day that does not exist is refused where it is typed.
TEST_F(PanelsTest, DatesTypedAsRomaniansTypeThem) {
    frmZorvel& w = startOn2022();
    const WindowControls ui(w);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const struct {
        const char* typed;
        QDate expected;
        const char* said;
    } cases[] = {
        {"15.02.2022", QDate(2022, 2, 15), nullptr},
        {"3.1.2022", QDate(2022, 1, 3), nullptr},
        {"2022-01-04", QDate(2022, 1, 4), nullptr},
        {"2022/02/16", QDate(2022, 2, 16), nullptr},
        {"2022/02/30", QDate(2022, 2, 16), "Data 2022/02/30 nu exista."},
        {"3/1/2022", QDate(2022, 1, 3), nullptr},
        {"15.06.1997", QDate(2022, 1, 3), "nu este intre"},
    };
    for (const auto& c : cases) {
        rig.sink.shown.clear();
        ui.DTPicker1->setFocus();
        ui.DTPicker1->selectAll();
        QTest::keyClicks(ui.DTPicker1, QString::fromLatin1(c.typed));
        QTest::keyClick(ui.DTPicker1, Qt::Key_Return);
        EXPECT_EQ(ui.DTPicker1->date(), c.expected) << c.typed;
        EXPECT_EQ(ui.DTPicker1->text(), c.expected.toString(QStringLiteral("yyyy/MM/dd"))) << c.typed;
        if (c.said)
            EXPECT_TRUE(rig.sink.texts().join(u' ').contains(QString::fromLatin1(c.said))) << c.typed;
        else
            EXPECT_TRUE(rig.sink.texts().isEmpty()) << c.typed << rig.sink.texts().join(u' ').toStdString();
    }
}

TEST(RealHistory, TwentyTwentyTwoFromTheBanksFiles) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    clearSettings();
    LocaleScope ro(QStringLiteral("ro_RO"));
    WindowRig rig;
    ASSERT_TRUE(rig.app.fillFromYears({2021, 2022, 2023, 2026}));
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    choose(ui.Combo2, QStringLiteral("2022"));
    EXPECT_EQ(ui.ListView1->topLevelItemCount(), 251);
    EXPECT_EQ(ui.ListView1->topLevelItem(0)->text(0), QStringLiteral("2022/12/30"));
    QTest::mouseClick(ui.chkPrinc, Qt::LeftButton);
    EXPECT_EQ(visualHeaders(ui.ListView1).mid(0, 3), (QStringList{"DATA", "EUR", "USD"}));
    // Converting on 1 March uses 28 February's rate, 4.9480 lei for a euro.
    pick(w, QDate(2022, 3, 1));
    choose(ui.Combo1[0], QStringLiteral("EUR"));
    typeInto(ui.Text1, QStringLiteral("100"));
    EXPECT_EQ(ui.ListView1->selectedItems().front()->text(0), QStringLiteral("2022/02/28"));
    EXPECT_EQ(ui.Text2->text(), QStringLiteral("494,8"));
    EXPECT_EQ(ui.Text3[1]->text(), QStringLiteral("494,8"));
}

// The window's geometry in the design's units.
TEST(PanelLayout, StacksVisiblePanelsAndSizesTheWindow) {
    for (const DesignStacking& c : kDesignStackings) {
        PanelLayout::Input in;
        in.shown = c.shown;
        const PanelLayout l = PanelLayout::compute(in);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(l.panelVisible[i], c.tops[i] >= 0);
            if (c.tops[i] >= 0) {
                EXPECT_EQ(l.panelTop[i], c.tops[i]) << i;
            }
        }
        EXPECT_EQ(l.rowTop, c.row);
        EXPECT_EQ(l.linksTop, c.links);
        EXPECT_EQ(l.outerHeight, c.outer);
        EXPECT_EQ(l.updateButtonVisible, c.update);
    }
}

} // namespace
