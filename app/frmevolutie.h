#pragma once

#include "app/messagesink.h"
#include "core/history/currencyhistory.h"

#include <QDialog>
#include <QFont>
#include <QHash>
#include <array>
#include <functional>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QTableWidget;
class RateDb;

// "Evolutie curs": one currency over one year or a span of years, as a chart of
// its daily rates and a table of its monthly and annual averages, with the table
// copied for a spreadsheet and the chart or the data saved to files. The numbers
// come from CurrencyHistory in core; this window only shows them.
//
// Controls: cboValuta (the currency), cboAnDe and cboAnPana (the years), chtCurs
// (the chart), grdMedii (the averages), lblStare (what cannot be shown), and the
// buttons cmdCopiaza, cmdImagine, cmdCsv and cmdInchide.
class frmEvolutie : public QDialog {
    Q_OBJECT
public:
    // Asks where to save: a title, a suggested file name and a filter; empty when the user cancels.
    using AskPath = std::function<QString(const QString&, const QString&, const QString&)>;

    frmEvolutie(QString dbPath, MessageSink* messages, QWidget* parent = nullptr);

    // Shows a currency over a span of years, choosing them in the lists.
    void showCurrency(const QString& currency, int fromYear, int toYear);
    void setAskPath(AskPath ask) { m_askPath = std::move(ask); }
    const CurrencyHistory& history() const { return m_history; }

private slots:
    void cboValuta_Click();
    void cboAn_Click(bool fromChanged);
    void cmdCopiaza_Click();
    void cmdImagine_Click();
    void cmdCsv_Click();

private:
    void createControls();
    void layOut();
    void connectHandlers();
    void fillCurrencies(RateDb& db);
    void reload(RateDb& db);
    void showChart();
    void createChart();
    void markFocus(bool focused);
    void markExtremes(QChart* chart, const DatedRate& low, const DatedRate& high);
    void showAverages();
    // Each column as wide as its widest text, measured once for each text.
    void fitAverageColumns();
    void addAverageRow(int year, const QString& label, const RateAverages::Mean& mean, const QFont& font = {},
                       const QString& tip = {});
    void fillYears(RateDb& db);
    void pointHovered(const QPointF& point, bool state);
    // The stored day nearest a moment on the chart's time axis (milliseconds, as the axis counts).
    int nearestDay(double moment) const;
    // Marks a day on the curve and says it, for the eye (a tooltip) and for a screen reader.
    void showDay(int index, const QPoint& at);
    QString suggestedName(const QString& extension) const;

    QString m_dbPath;
    MessageSink* m_messages;
    AskPath m_askPath;
    CurrencyHistory m_history;

    QComboBox* cboValuta = nullptr;
    QComboBox* cboAnDe = nullptr;
    QComboBox* cboAnPana = nullptr;
    QChartView* chtCurs = nullptr;
    QTableWidget* grdMedii = nullptr;
    QLabel* lblStare = nullptr;
    QPushButton* cmdCopiaza = nullptr;
    QPushButton* cmdImagine = nullptr;
    QPushButton* cmdCsv = nullptr;
    QPushButton* cmdInchide = nullptr;
    // Columns of the line: about the chart's width at the window's size; at most four days a column
    // are drawn (its first, lowest, highest and last), which look as all of them would.
    static constexpr int kChartColumns = 600;
    QLineSeries* m_series = nullptr;
    int m_rowsFilled = 0; // averages table rows written so far
    // For each column of the averages, the texts that could be its widest, with their fonts.
    std::array<QHash<QString, std::pair<QString, QFont>>, 4> m_toMeasure;
    QScatterSeries* m_cursor = nullptr; // the day under the pointer or the arrow keys
    int m_day = -1;                     // its index in the history's days
    bool m_chartWaits = false;          // read while hidden: the chart is drawn once the window has its size

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
