#pragma once

// frmZorvel, the program's one window, is built of three panels stacked one under
// the other (the rate table, the currency converter and the VAT calculator), a row
// of check boxes that shows or hides them, and a panel of links. Each panel's
// handlers live in a file of their own (frmzorvel_ratetable.cpp, _converter, _vat,
// _update, _export, _history, _transfer, _verify); frmzorvel.cpp builds the controls and
// starts the window; _quiet and _today keep a window left open for days up to date. A handler reads the boxes, calls
// core (where every rule lives: conversion, VAT arithmetic, the rate store, the update, the export) and writes what it
// returned into the boxes or a message.
//
// The controls keep the names the design gave them; each is also its objectName.
// Their kinds, captions and places are one table, in windowdesign.cpp.
//   ListView1's context menu: "Evolutie curs" on a currency, "Verifica istoricul" (mnuVerifica)
//   and "Importa istoric Access" (mnuImportAccess, in _access).

#include "app/messagesink.h"
#include "core/access/accessimport.h"
#include "core/money/vatcalculator.h"
#include "core/store/datalocation.h"
#include "core/update/historycheck.h"
#include "core/update/rateupdater.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QSystemTrayIcon;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class DatePicker;
class UpdateSession;
class XLinkLabel;
class frmEvolutie;
class frmVerificare;
class frmConversieLista;
class frmFacturi;

// What the window needs from its surroundings; tests hand in their own.
struct ZorvelEnvironment {
    QString appDir;                           // the program's folder; valuta.mdb and zv.xls unless given below
    QString database;                         // valuta.mdb, when it lives elsewhere
    QString workbook;                         // zv.xls, when it lives elsewhere
    QUrl feedBase;                            // where the bank's files come from
    std::function<bool(const QUrl&)> openUrl; // the desktop's handler for folders and links
    QString exportHelper;                     // the program that drives the spreadsheet
    QString startupNotice;                    // told once, before the update at start-up
    std::function<QDateTime()> clock;         // the time now, in UTC; the computer's clock unless given
    QString accessHelper;                     // the program that reads Access files
    QString accessFound;                      // an Access valuta.mdb where the history should be: offered at start-up
    QString userDataDir;                      // the user's data folder, when not the system's
    // Asks for a file to open (title, starting folder); a file dialog unless given.
    std::function<QString(const QString&, const QString&)> chooseFile;
    static ZorvelEnvironment forApplication();
};

class frmZorvel : public QWidget, private VatBoxes {
    Q_OBJECT
public:
    explicit frmZorvel(ZorvelEnvironment env, MessageSink* messages = nullptr, QWidget* parent = nullptr);
    ~frmZorvel() override;

    // The installed icon from the desktop's theme, else the one built into the program.
    static QIcon programIcon();

    // Start-up; runs once before the window is first shown.
    void Form_Load();
    // Stacks the visible panels and sizes the window.
    void Form_Activate();

    QString tableYear() const { return TableYear; }
    QString localCurrencyName() const { return LocalCurrencyName; }
    QDate lastRateDate() const { return LastRateDate; } // null until an update succeeds
    int sortKey() const { return SortKey; }
    int sortOrder() const { return SortOrder; }
    int vatFocusIndex() const { return m_vat.VatFocusIndex; }
    bool vatBusy() const { return m_vat.VatBusy; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

public slots:
    // The quiet update's look at the clock: asks the bank when the schedule says so.
    void QuietUpdate_Tick();

private slots:
    // Handlers, named after their control and event.
    void Check1_Click(int index);
    void Command2_Click();
    void chkPrinc_Click();
    void Combo2_Click();
    void ListView1_DblClick();
    void ListView1_ColumnClick(int logicalIndex);
    void ListView1_ContextMenu(const QPoint& at);
    void Text1_Change();
    void Text1_GotFocus();
    void Text2_Change();
    void Text2_GotFocus();
    void Combo1_Click(int index);
    void Command1_Click();
    // "Copie"'s menu: a line ready for a document, and the conversion of a whole list.
    void Command1_ContextMenu(const QPoint& at);
    void cmdCopieDocument_Click();
    void cmdConversieLista_Click();
    // "Facturi e-Factura": the VAT in lei of received invoices, checked (Ctrl+Shift+F, or the converter's menu).
    void cmdFacturi_Click();
    void DTPicker1_Change();
    void Text3_Change(int index);
    void Text3_GotFocus(int index);
    void Text3_LostFocus(int index);
    void cmdExcel_Click();
    // Opens "Evolutie curs" on a currency: the column asked for, else the converter's.
    void cmdEvolutie_Click(const QString& currency = {});
    // Proves the history against the bank's yearly files and shows the report.
    void mnuVerifica_Click();
    void Command3_Click();
    void Command4_Click();
    // Brings the history of an Access valuta.mdb of the earlier generation.
    void mnuImportAccess_Click();
    void LoadRateTable();

private:
    void createControls();
    void createRatePanel();
    void createRateTable(QGroupBox* panel);
    void createConverterPanel();
    void createVatPanel();
    void createRowAndLinks();
    void styleFramesAndChecks();
    void createLinks();
    void applyTabOrder();
    void showLastRateDate();
    // The quiet update.
    static constexpr int kQuietLookMs = 20000;
    static constexpr int kNoticeMs = 15000;
    QDateTime now() const;
    void startQuietUpdates();
    // The newest stored day, or the last one read while the history cannot be read.
    QDate newestStoredDay();
    void showQuietResult(const RateUpdater::Report& report, const QDateTime& at);
    void noteUpdate(const RateUpdater::Report& report);
    // The window's today (in _today): what follows the clock when the day turns.
    QDate today() const;
    void followClock();
    void addYearsUpTo(int year);
    void applyDateLimit();
    void followVatRate(QDate before, QDate day);
    void followYear();
    void showNotice(const QString& text);
    void connectHandlers();
    void connectRatePanel();

    QString dbPath() const;
    QString workbookPath() const;
    bool ClampPickerDate();
    void ConvertAmount();
    void SetLocalCurrency();
    void applySort();
    // LoadRateTable's parts: the converter's lists, the year's columns, its days.
    void startCurrencyLists();
    void showColumns(const QStringList& names);
    void showRows(const std::vector<QVariantList>& rows);
    void setComboIndexQuietly(QComboBox* combo, int index);
    static void selectWholeText(QLineEdit* edit);
    void showNoTableNotice();
    void fitOuterHeight();
    // Shows an update's progress while it runs, with a stop button.
    void followUpdate(UpdateSession& session, QProgressDialog& progress);
    Outcome<HistoryCheck::Report> runHistoryCheck();
    void showRatesUsed(const QString& used);
    void selectRateRow(QDate day);
    void addCurrencies(const QStringList& columns);
    static QString converterHint();
    void showUpdateResult(const RateUpdater::Report& report, const UserMessage& said);
    void transferMessage(const QString& text);
    // The Access import: the start-up offer, taking the file over, the progress and the report.
    void offerAccessImport();
    void takeOverAccess(const DataLocation& where, const QString& file);
    AccessImport::Options accessOptions(QProgressDialog& progress);
    void showAccessResult(const QString& what, const Outcome<AccessImport::Report>& report);

    void message(const QString& text, MessageSink::Icon icon);
    void message(const QString& text, MessageSink::Icon icon, const QString& title);
    void message(const UserMessage& said);
    static QString unknownRateText();
    static QString noTableNoticePrefix();

    // One user action (start-up counts as one, from Form_Load to the end of the
    // first Form_Activate) shows each message at most once, and the conversion
    // message not after the year notice that already explains it.
    class MessageScope {
    public:
        explicit MessageScope(frmZorvel& w, bool continuesStartup = false);
        ~MessageScope();
        MessageScope(const MessageScope&) = delete;
        MessageScope& operator=(const MessageScope&) = delete;

    private:
        frmZorvel& m_window;
    };
    // A handler run by a control's event, inside a MessageScope.
    template <typename F> auto inMessageScope(F f) {
        return [this, f](auto&&...) {
            const MessageScope a(*this);
            f();
        };
    }

    // VatBoxes
    QString text(int index) const override;
    void setText(int index, const QString& text) override;
    void refused(const QString& why) override;

    // The currencies chosen in the two lists: a column's name, or empty for the local currency.
    using CurrencyChoice = std::array<QString, 2>;
    CurrencyChoice currencyChoice() const;
    void keepCurrencies(const CurrencyChoice& kept);
    void showMissingCurrency();
    void forgetMissingCurrency();

    // Controls, by their given names.
    std::array<QGroupBox*, 3> Frame1{};
    std::array<QLabel*, 3> Label2{};
    std::array<QLabel*, 8> Label1{};
    QComboBox* Combo2 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* cmdExcel = nullptr;
    QPushButton* cmdEvolutie = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command3 = nullptr;
    DatePicker* DTPicker1 = nullptr;
    QLineEdit* Text1 = nullptr;
    std::array<QComboBox*, 2> Combo1{};
    QLineEdit* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label3 = nullptr;
    std::array<QLabel*, 6> Label4{};
    std::array<QLineEdit*, 6> Text3{};
    QLabel* Label5 = nullptr;
    std::array<QCheckBox*, 3> Check1{};
    QCheckBox* chkPrinc = nullptr;
    QPushButton* Command2 = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<XLinkLabel*, 2> XLinkLabel1{};

    // Window state shared by the panels.
    QString TableYear;
    QString LocalCurrencyName;
    QString TableSuffix;
    QDate LastRateDate;
    int SortKey = 0;   // the rate table's sort column
    int SortOrder = 1; // 0 ascending, 1 descending

    ZorvelEnvironment m_env;
    std::unique_ptr<MessageSink> m_ownSink;
    MessageSink* m_messages;
    VatCalculator m_vat;
    QHash<QString, QTreeWidgetItem*> m_rowsByKey;
    bool m_activated = false;
    bool m_updating = false;
    bool m_quietRunning = false;
    bool m_manualPending = false; // the update button pressed while a quiet update ran
    bool m_silent = false;        // a quiet refresh: no box for what it recomputes
    std::optional<QDateTime> m_lastQuiet;
    QDate m_today;                    // the day the window last saw on the clock
    QDate m_newestKnown;              // the newest stored day, as last read
    QList<QDate> m_missingDays;       // what the last update that reached the bank found missing
    bool m_tableOnCurrentYear = true; // the rate table was left on the year of its day
    QTimer m_quietTimer;
    QTimer m_noticeTimer;
    QSystemTrayIcon* m_tray = nullptr;
    QLabel* lblAnunt = nullptr;
    bool m_exporting = false;
    QString m_noticeYear; // year whose "no rates" notice was last shown
    QPointer<frmEvolutie> m_evolutie;
    QPointer<frmVerificare> m_verificare;
    QPointer<frmConversieLista> m_lista;
    QPointer<frmFacturi> m_facturi;
    QString m_documentLine;    // the last conversion, as a line for a document
    QString m_missingCurrency; // a chosen currency the table in view lacks
    int m_outerHeight = 0;     // twips, title bar and border included
    int m_linksBottom = 0;     // twips
    int m_scopeDepth = 0;
    bool m_startupSpan = false;
    QSet<QString> m_shownInScope;
};
