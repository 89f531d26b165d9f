#include "app/frmevolutie.h"
#include "core/store/ratedb.h"

#include "core/history/chartscale.h"
#include "core/text/daytext.h"
#include "core/text/numbertext.h"

#include <QAccessible>
#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSet>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace {

QLabel* labelFor(const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

QString rateText(double v) {
    return NumberText::rate(v, QLocale().decimalPoint());
}

} // namespace

frmEvolutie::frmEvolutie(QString dbPath, MessageSink* messages, QWidget* parent)
    : QDialog(parent), m_dbPath(std::move(dbPath)), m_messages(messages) {
    setObjectName(QStringLiteral("frmEvolutie"));
    setWindowTitle(QStringLiteral("Evolutie curs"));
    setAccessibleName(windowTitle());
    m_askPath = [this](const QString& title, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(this, title, suggested, filter);
    };
    createControls();
    resize(900, 620);
}

namespace {

QTableWidget* averagesGrid() {
    auto* grid = new QTableWidget(0, 4);
    grid->setHorizontalHeaderLabels(
        {QStringLiteral("An"), QStringLiteral("Luna"), QStringLiteral("Curs mediu"), QStringLiteral("Zile")});
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Widths are fitted to the texts once the table is filled (fitAverageColumns): sized to its
    // contents by the header itself, a long history's table lays out every cell on every show.
    grid->horizontalHeader()->setStretchLastSection(true);
    // One Tab stop; the arrows move inside.
    grid->setTabKeyNavigation(false);
    return grid;
}

} // namespace

// The chart's view: a Tab stop with its focus shown, the pointer followed over it.
void frmEvolutie::createChart() {
    chtCurs = new QChartView;
    chtCurs->setObjectName(QStringLiteral("chtCurs"));
    chtCurs->setAccessibleName(QStringLiteral("Grafic curs"));
    chtCurs->setRenderHint(QPainter::Antialiasing);
    chtCurs->setFocusPolicy(Qt::StrongFocus);
    chtCurs->setMouseTracking(true);
    chtCurs->viewport()->setMouseTracking(true);
    chtCurs->installEventFilter(this);
    chtCurs->viewport()->installEventFilter(this);
    // The chart takes a Tab stop (a screen reader reads its title there), so focus must show on it: its
    // frame takes the highlight's colour while it has the focus (see markFocus). A frame of the view's own,
    // not a style sheet, which would restyle the chart's every paint.
    chtCurs->setFrameShape(QFrame::Box);
    chtCurs->setFrameShadow(QFrame::Plain);
    chtCurs->setLineWidth(2);
    markFocus(false);
}

void frmEvolutie::createControls() {
    const auto named = [](QWidget* w, const char* name, const QString& spoken) {
        w->setObjectName(QLatin1String(name));
        w->setAccessibleName(spoken);
    };
    cboValuta = new QComboBox;
    named(cboValuta, "cboValuta", QStringLiteral("Valuta"));
    cboAnDe = new QComboBox;
    named(cboAnDe, "cboAnDe", QStringLiteral("De la anul"));
    cboAnPana = new QComboBox;
    named(cboAnPana, "cboAnPana", QStringLiteral("Pana la anul"));
    createChart();
    grdMedii = averagesGrid();
    named(grdMedii, "grdMedii", QStringLiteral("Medii lunare si anuale"));
    lblStare = new QLabel;
    named(lblStare, "lblStare", QStringLiteral("Stare"));
    lblStare->setWordWrap(true);
    cmdCopiaza = new QPushButton(QStringLiteral("&Copiaza"));
    named(cmdCopiaza, "cmdCopiaza", QStringLiteral("Copiaza"));
    cmdImagine = new QPushButton(QStringLiteral("Salveaza &imagine"));
    named(cmdImagine, "cmdImagine", QStringLiteral("Salveaza imagine"));
    cmdCsv = new QPushButton(QStringLiteral("&Salveaza CSV"));
    named(cmdCsv, "cmdCsv", QStringLiteral("Salveaza CSV"));
    cmdInchide = new QPushButton(QStringLiteral("I&nchide"));
    named(cmdInchide, "cmdInchide", QStringLiteral("Inchide"));
    layOut();
    connectHandlers();
}

// Only the years that hold rates: from the first stored year to the last.
void frmEvolutie::fillYears(RateDb& db) {
    const Outcome<QList<int>> years = CurrencyHistory::yearsWithRates(db);
    for (int y : years ? *years : QList<int>{}) {
        cboAnDe->addItem(QString::number(y));
        cboAnPana->addItem(QString::number(y));
    }
    if (!years)
        lblStare->setText(years.error());
    else if (years->isEmpty())
        lblStare->setText(QStringLiteral("Nu exista cursuri memorate."));
}

void frmEvolutie::connectHandlers() {
    connect(cboValuta, &QComboBox::activated, this, [this] { cboValuta_Click(); });
    connect(cboAnDe, &QComboBox::activated, this, [this] { cboAn_Click(true); });
    connect(cboAnPana, &QComboBox::activated, this, [this] { cboAn_Click(false); });
    connect(cmdCopiaza, &QPushButton::clicked, this, [this] { cmdCopiaza_Click(); });
    connect(cmdImagine, &QPushButton::clicked, this, [this] { cmdImagine_Click(); });
    connect(cmdCsv, &QPushButton::clicked, this, [this] { cmdCsv_Click(); });
    connect(cmdInchide, &QPushButton::clicked, this, &QDialog::close);
}

// The lists across the top, the chart beside the table, the buttons under them.
void frmEvolutie::layOut() {
    auto* top = new QHBoxLayout;
    top->addWidget(labelFor(QStringLiteral("&Valuta"), cboValuta));
    top->addWidget(cboValuta);
    top->addSpacing(16);
    top->addWidget(labelFor(QStringLiteral("De la &anul"), cboAnDe));
    top->addWidget(cboAnDe);
    top->addWidget(labelFor(QStringLiteral("pana la an&ul"), cboAnPana));
    top->addWidget(cboAnPana);
    top->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(chtCurs, 3);
    middle->addWidget(grdMedii, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblStare, 1);
    for (QPushButton* b : {cmdCopiaza, cmdImagine, cmdCsv, cmdInchide})
        buttons->addWidget(b);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(middle, 1);
    all->addLayout(buttons);
    setTabOrder(cboValuta, cboAnDe);
    setTabOrder(cboAnDe, cboAnPana);
    setTabOrder(cboAnPana, chtCurs);
    setTabOrder(chtCurs, grdMedii);
    setTabOrder(grdMedii, cmdCopiaza);
}

// The years are listed on the first showing, from the same read of the history as the rest.
void frmEvolutie::showCurrency(const QString& currency, int fromYear, int toYear) {
    RateDb db(m_dbPath);
    if (cboAnDe->count() == 0) fillYears(db);
    if (cboAnDe->count() == 0) return;
    {
        // A year outside the stored history shows its nearest stored year.
        const int first = cboAnDe->itemText(0).toInt(), last = cboAnDe->itemText(cboAnDe->count() - 1).toInt();
        const QSignalBlocker quiet1(cboAnDe), quiet2(cboAnPana);
        cboAnDe->setCurrentText(QString::number(std::clamp(fromYear, first, last)));
        cboAnPana->setCurrentText(QString::number(std::clamp(toYear, first, last)));
    }
    m_history.currency = currency;
    fillCurrencies(db);
    reload(db);
}

void frmEvolutie::fillCurrencies(RateDb& db) {
    QStringList names =
        CurrencyHistory::currencies(db, cboAnDe->currentText().toInt(), cboAnPana->currentText().toInt());
    if (!m_history.currency.isEmpty() && !names.contains(m_history.currency, Qt::CaseInsensitive))
        names.prepend(m_history.currency);
    int at = 0;
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(m_history.currency, Qt::CaseInsensitive) == 0) at = i;
    const QSignalBlocker quiet(cboValuta);
    cboValuta->clear();
    cboValuta->addItems(names);
    cboValuta->setCurrentIndex(names.isEmpty() ? -1 : at);
}

void frmEvolutie::cboValuta_Click() {
    m_history.currency = cboValuta->currentText();
    RateDb db(m_dbPath);
    reload(db);
}

void frmEvolutie::cboAn_Click(bool fromChanged) {
    // The span follows the year last chosen, so the two lists never cross.
    if (cboAnDe->currentText().toInt() > cboAnPana->currentText().toInt()) {
        QComboBox* other = fromChanged ? cboAnPana : cboAnDe;
        const QSignalBlocker quiet(other);
        other->setCurrentText((fromChanged ? cboAnDe : cboAnPana)->currentText());
    }
    m_history.currency = cboValuta->currentText();
    RateDb db(m_dbPath);
    fillCurrencies(db);
    reload(db);
}

void frmEvolutie::reload(RateDb& db) {
    auto loaded =
        CurrencyHistory::load(db, m_history.currency, cboAnDe->currentText().toInt(), cboAnPana->currentText().toInt());
    if (!loaded) {
        m_history = CurrencyHistory{};
        lblStare->setText(loaded.error());
    } else {
        m_history = *loaded;
        lblStare->setText(m_history.notice());
    }
    lblStare->setAccessibleDescription(lblStare->text());
    // A chart made before its view has a size is laid out twice: for the default size, then for the window's.
    m_chartWaits = !isVisible();
    if (!m_chartWaits) showChart();
    showAverages();
}

void frmEvolutie::showEvent(QShowEvent* event) {
    if (m_chartWaits) {
        m_chartWaits = false;
        showChart();
    }
    QDialog::showEvent(event);
}

namespace {

// Midnight: a day's point sits on its own tick, the first of a month on the month's. Counted from the
// day, not through the local clock: the axis is days, and asking the time zone costs the system a look
// at its zone file for every point.
double when(QDate day) {
    constexpr qint64 unixEpochJulianDay = 2440588;
    return double(day.toJulianDay() - unixEpochJulianDay) * 86400000.0;
}

// Dates along on the first of each month or year, rates up the side on round steps.
void addAxes(QChart* chart, const CurrencyHistory& h, double low, double high) {
    auto* x = new QCategoryAxis;
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const QList<ChartScale::DateTick> ticks = ChartScale::dateTicks(h.fromYear, h.toYear);
    // The axis starts a moment before its first tick, which a category cannot share.
    x->setStartValue(when(QDate(h.fromYear, 1, 1)) - 1);
    for (const ChartScale::DateTick& t : ticks)
        x->append(t.label, when(t.day));
    x->setRange(when(QDate(h.fromYear, 1, 1)) - 1, when(QDate(h.toYear + 1, 1, 1)));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("Lei pentru ") + (h.unit == 1 ? QStringLiteral("1 ") : QString()) + h.quotedUnit());
    const ChartScale::Values v = ChartScale::values(low, high);
    y->setRange(v.min, v.max);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(v.min);
    y->setTickInterval(v.step);
    y->setLabelFormat(QStringLiteral("%.") + QString::number(v.decimals) + u'f');
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

} // namespace

namespace {

// At once, and no more days than the chart has columns to show: the pointer and the keys still
// find every day in the history itself.
QList<QPointF> linePoints(const std::vector<DatedRate>& days, int columns) {
    QList<QPointF> points;
    const std::vector<DatedRate> shown = ChartScale::drawn(days, columns);
    points.reserve(qsizetype(shown.size()));
    for (const DatedRate& d : shown)
        points.append(QPointF(when(d.day), d.rate));
    return points;
}

} // namespace

void frmEvolutie::showChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    // Axis numbers in the user's own decimal separator, as everywhere else in the program.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale());
    m_series = new QLineSeries;
    m_series->setName(m_history.quotedUnit());
    const auto [low, high] =
        std::minmax_element(m_history.days.begin(), m_history.days.end(),
                            [](const DatedRate& a, const DatedRate& b) { return a.rate < b.rate; });
    m_series->append(linePoints(m_history.days, kChartColumns));
    chart->addSeries(m_series);
    const bool any = !m_history.days.empty();
    if (any) markExtremes(chart, *low, *high);
    // The day under the pointer or the arrow keys, marked on the curve.
    m_cursor = new QScatterSeries;
    m_cursor->setObjectName(QStringLiteral("ziuaAleasa"));
    m_cursor->setMarkerSize(11);
    m_cursor->setColor(palette().color(QPalette::Highlight));
    m_cursor->setBorderColor(palette().color(QPalette::HighlightedText));
    m_cursor->setVisible(false);
    chart->addSeries(m_cursor);
    m_day = -1;
    addAxes(chart, m_history, any ? low->rate : 1, any ? high->rate : 2);
    connect(m_series, &QLineSeries::hovered, this, &frmEvolutie::pointHovered);
    QChart* old = chtCurs->chart();
    chtCurs->setChart(chart);
    delete old;
    chtCurs->setAccessibleDescription(chart->title());
}

// The lowest and the highest rate, marked on the line and named in the title, in the
// bank's four decimals like every other number of the window.
void frmEvolutie::markExtremes(QChart* chart, const DatedRate& low, const DatedRate& high) {
    for (const DatedRate& d : {low, high}) {
        auto* mark = new QScatterSeries;
        mark->setMarkerSize(9);
        mark->setPointLabelsVisible(true);
        mark->setPointLabelsClipping(false);
        mark->setPointLabelsFormat(rateText(d.rate));
        mark->append(when(d.day), d.rate);
        chart->addSeries(mark);
    }
    chart->setTitle(QStringLiteral("%1: minim %2 (%3), maxim %4 (%5)")
                        .arg(m_history.quotedUnit(), rateText(low.rate), DayText::shown(low.day), rateText(high.rate),
                             DayText::shown(high.day)));
}

void frmEvolutie::pointHovered(const QPointF& point, bool state) {
    if (!state || m_history.days.empty()) return;
    showDay(nearestDay(point.x()), QCursor::pos());
}

int frmEvolutie::nearestDay(double moment) const {
    // The stored day nearest the pointer, not the point the line passes through.
    auto it = std::lower_bound(m_history.days.begin(), m_history.days.end(), moment,
                               [](const DatedRate& d, double m) { return when(d.day) < m; });
    if (it == m_history.days.end() ||
        (it != m_history.days.begin() && when(it->day) - moment > moment - when(std::prev(it)->day)))
        it = std::prev(it);
    return int(it - m_history.days.begin());
}

void frmEvolutie::showDay(int index, const QPoint& at) {
    if (!m_cursor || index < 0 || index >= int(m_history.days.size())) return;
    m_day = index;
    const DatedRate& d = m_history.days[size_t(index)];
    const QPointF value(when(d.day), d.rate);
    m_cursor->replace(QList<QPointF>{value});
    m_cursor->setVisible(true);
    const QString text = DayText::shown(d.day) + QStringLiteral(": ") + rateText(d.rate) + u' ' + m_history.perUnit();
    chtCurs->setAccessibleDescription(text);
    QAccessibleEvent changed(chtCurs, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
    const QPoint point =
        at.isNull() ? chtCurs->mapToGlobal(chtCurs->mapFromScene(chtCurs->chart()->mapToPosition(value))) : at;
    QToolTip::showText(point, text, chtCurs);
}

void frmEvolutie::markFocus(bool focused) {
    QPalette p = chtCurs->palette();
    p.setColor(QPalette::WindowText, focused ? palette().color(QPalette::Highlight) : QColor(Qt::transparent));
    chtCurs->setPalette(p);
}

bool frmEvolutie::eventFilter(QObject* watched, QEvent* event) {
    if (watched == chtCurs && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        markFocus(event->type() == QEvent::FocusIn);
    if (m_history.days.empty() || !chtCurs->chart()) return QDialog::eventFilter(watched, event);
    if (watched == chtCurs->viewport() && event->type() == QEvent::MouseMove) {
        // Anywhere over the chart, not only on the line: the day under the pointer's column.
        const QPointF pos = static_cast<QMouseEvent*>(event)->position();
        const QPointF value = chtCurs->chart()->mapToValue(chtCurs->mapToScene(pos.toPoint()), m_series);
        if (chtCurs->chart()->plotArea().contains(chtCurs->mapToScene(pos.toPoint())))
            showDay(nearestDay(value.x()), static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    } else if (watched == chtCurs && event->type() == QEvent::KeyPress) {
        const int last = int(m_history.days.size()) - 1;
        int to = -1;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Left:
            to = m_day < 0 ? last : std::max(0, m_day - 1);
            break;
        case Qt::Key_Right:
            to = m_day < 0 ? 0 : std::min(last, m_day + 1);
            break;
        case Qt::Key_Home:
            to = 0;
            break;
        case Qt::Key_End:
            to = last;
            break;
        default:
            return QDialog::eventFilter(watched, event);
        }
        showDay(to, {});
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmEvolutie::showAverages() {
    // The unit on a line of its own keeps the column as narrow as its numbers.
    const QString unit =
        QStringLiteral("lei / ") + (m_history.unit == 1 ? QStringLiteral("1 ") : QString()) + m_history.quotedUnit();
    grdMedii->setHorizontalHeaderItem(2, new QTableWidgetItem(QStringLiteral("Curs mediu\n") + unit));
    grdMedii->setRowCount(0);
    // Rows made at their count at once: one at a time, the table lays itself out again for each.
    int rows = 0;
    for (const RateAverages::Year& y : m_history.averages) {
        for (const RateAverages::Mean& mean : y.months)
            rows += mean.days > 0 ? 1 : 0;
        ++rows;
    }
    grdMedii->setRowCount(rows);
    m_rowsFilled = 0;
    for (auto& column : m_toMeasure)
        column.clear();
    for (const RateAverages::Year& y : m_history.averages) {
        for (int m = 0; m < 12; ++m)
            if (const RateAverages::Mean& mean = y.months[size_t(m)]; mean.days > 0)
                addAverageRow(y.year, CurrencyHistory::monthName(m + 1), mean);
        QFont f = grdMedii->font();
        // A final year's average stands out; a partial one says which days it is of.
        const bool partial = m_history.isPartial(y);
        f.setBold(!partial);
        f.setItalic(partial);
        const QString of = partial ? QStringLiteral("Media zilelor %1 - %2; anul nu este complet.")
                                         .arg(DayText::shown(y.first), DayText::shown(y.last))
                                   : QString();
        addAverageRow(y.year, m_history.annualLabel(y), y.annual, f, of);
    }
    fitAverageColumns();
}

// Each column as wide as its widest text, measured once for each text that could be the widest (see addAverageRow).
void frmEvolutie::fitAverageColumns() {
    const int padding = 2 * grdMedii->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grdMedii) + 12;
    for (int c = 0; c < grdMedii->columnCount(); ++c) {
        int widest = 0;
        if (const QTableWidgetItem* h = grdMedii->horizontalHeaderItem(c))
            for (const QString& line : h->text().split(u'\n'))
                widest = std::max(widest, grdMedii->horizontalHeader()->fontMetrics().horizontalAdvance(line));
        for (const auto& [text, font] : std::as_const(m_toMeasure[size_t(c)]))
            widest = std::max(widest, QFontMetrics(font).horizontalAdvance(text));
        grdMedii->setColumnWidth(c, widest + padding);
    }
}

void frmEvolutie::addAverageRow(int year, const QString& label, const RateAverages::Mean& mean, const QFont& font,
                                const QString& tip) {
    const int r = m_rowsFilled++;
    const QStringList cells = {QString::number(year), label, rateText(mean.value), QString::number(mean.days)};
    const QChar style = font.bold() ? u'b' : font.italic() ? u'i' : u' ';
    for (int c = 0; c < cells.size(); ++c) {
        // A year, a month's name, a count of days repeat down a column; numbers are as wide as their count
        // of characters (a font's digits share one width): one text of each is measured.
        const QString key = (c == 1 ? cells[c] : QString::number(cells[c].size())) + style;
        m_toMeasure[size_t(c)].insert(key, {cells[c], font == QFont() ? grdMedii->font() : font});
        auto* item = new QTableWidgetItem(cells[c]);
        if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (font != QFont()) item->setFont(font);
        if (!tip.isEmpty()) item->setToolTip(tip);
        grdMedii->setItem(r, c, item);
    }
}

QString frmEvolutie::suggestedName(const QString& extension) const {
    const QString span = m_history.fromYear == m_history.toYear
                             ? QString::number(m_history.fromYear)
                             : QStringLiteral("%1-%2").arg(m_history.fromYear).arg(m_history.toYear);
    return QStringLiteral("curs-%1-%2.%3").arg(m_history.currency.toUpper(), span, extension);
}

void frmEvolutie::cmdCopiaza_Click() {
    // Tab-separated with the user's decimal separator: a spreadsheet in the same settings reads numbers.
    QApplication::clipboard()->setText(m_history.averagesTable(QLocale().decimalPoint()));
}

void frmEvolutie::cmdImagine_Click() {
    const QString path = m_askPath(QStringLiteral("Salveaza imagine"), suggestedName(QStringLiteral("png")),
                                   QStringLiteral("Imagine PNG (*.png)"));
    if (path.isEmpty()) return;
    // Through a temporary file renamed into place: a failed save leaves an earlier picture whole.
    QSaveFile f(path);
    if ((!f.open(QIODevice::WriteOnly) || !chtCurs->grab().save(&f, "PNG") || !f.commit()) && m_messages)
        m_messages->show(QStringLiteral("Imaginea nu poate fi scrisa:\r") + path, MessageSink::Icon::Exclamation,
                         windowTitle());
}

void frmEvolutie::cmdCsv_Click() {
    const QString path = m_askPath(QStringLiteral("Salveaza CSV"), suggestedName(QStringLiteral("csv")),
                                   QStringLiteral("Fisier CSV (*.csv)"));
    if (path.isEmpty()) return;
    // Through a temporary file renamed into place: a full disk leaves the user's earlier file whole.
    QSaveFile f(path);
    const QByteArray bytes = m_history.csv().toUtf8();
    if ((!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) && m_messages)
        m_messages->show(QStringLiteral("Fisierul nu poate fi scris:\r") + path, MessageSink::Icon::Exclamation,
                         windowTitle());
}
