#include "app/frmevolutie.h"

#include "core/ratedb.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSignalBlocker>
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
    return QString::number(v, 'f', 4).replace(u'.', QLocale().decimalPoint());
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
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

} // namespace

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
    for (int y = 1998; y <= QDate::currentDate().year(); ++y) {
        cboAnDe->addItem(QString::number(y));
        cboAnPana->addItem(QString::number(y));
    }
    chtCurs = new QChartView;
    named(chtCurs, "chtCurs", QStringLiteral("Grafic curs"));
    chtCurs->setRenderHint(QPainter::Antialiasing);
    chtCurs->setFocusPolicy(Qt::StrongFocus);
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

void frmEvolutie::showCurrency(const QString& currency, int fromYear, int toYear) {
    {
        const QSignalBlocker quiet1(cboAnDe), quiet2(cboAnPana);
        cboAnDe->setCurrentText(QString::number(fromYear));
        cboAnPana->setCurrentText(QString::number(toYear));
    }
    m_history.currency = currency;
    fillCurrencies();
    reload();
}

void frmEvolutie::fillCurrencies() {
    QStringList names;
    {
        RateDb db(m_dbPath);
        for (int y = cboAnDe->currentText().toInt(); y <= cboAnPana->currentText().toInt(); ++y)
            if (auto c = db.currencies(y))
                for (const QString& n : *c)
                    if (!names.contains(n, Qt::CaseInsensitive)) names << n;
    }
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
    reload();
}

void frmEvolutie::cboAn_Click(bool fromChanged) {
    // The span follows the year last chosen, so the two lists never cross.
    if (cboAnDe->currentText().toInt() > cboAnPana->currentText().toInt()) {
        QComboBox* other = fromChanged ? cboAnPana : cboAnDe;
        const QSignalBlocker quiet(other);
        other->setCurrentText((fromChanged ? cboAnDe : cboAnPana)->currentText());
    }
    m_history.currency = cboValuta->currentText();
    fillCurrencies();
    reload();
}

void frmEvolutie::reload() {
    auto loaded = CurrencyHistory::load(m_dbPath, m_history.currency, cboAnDe->currentText().toInt(),
                                        cboAnPana->currentText().toInt());
    if (!loaded) {
        m_history = CurrencyHistory{};
        lblStare->setText(loaded.error());
    } else {
        m_history = *loaded;
        lblStare->setText(m_history.notice());
    }
    lblStare->setAccessibleDescription(lblStare->text());
    showChart();
    showAverages();
}

namespace {

double when(QDate day) {
    return double(QDateTime(day, QTime(12, 0)).toMSecsSinceEpoch());
}

// Dates along, lei per unit up the side, with room above and below the extremes' marks.
void addAxes(QChart* chart, const CurrencyHistory& h, double low, double high) {
    auto* x = new QDateTimeAxis;
    x->setFormat(h.fromYear == h.toYear ? QStringLiteral("MM.yyyy") : QStringLiteral("yyyy"));
    x->setTitleText(QStringLiteral("Data"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("Lei pentru 1 ") + h.unitLabel());
    y->setLabelFormat(QStringLiteral("%.4f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    if (low > high) return;
    const double span = std::max(high - low, 0.0001);
    y->setRange(low - span * 0.08, high + span * 0.12);
}

} // namespace

void frmEvolutie::showChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    // Axis numbers in the user's own decimal separator, as everywhere else in the program.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale());
    m_series = new QLineSeries;
    m_series->setName(m_history.unitLabel());
    const double unit = m_history.unit;
    const auto [low, high] = std::minmax_element(m_history.days.begin(), m_history.days.end(),
                                                 [](const DayRate& a, const DayRate& b) { return a.rate < b.rate; });
    for (const DayRate& d : m_history.days)
        m_series->append(when(d.day), d.rate / unit);
    chart->addSeries(m_series);
    const bool any = !m_history.days.empty();
    if (any) markExtremes(chart, *low, *high);
    addAxes(chart, m_history, any ? low->rate / unit : 1, any ? high->rate / unit : 0);
    connect(m_series, &QLineSeries::hovered, this, &frmEvolutie::pointHovered);
    QChart* old = chtCurs->chart();
    chtCurs->setChart(chart);
    delete old;
    chtCurs->setAccessibleDescription(chart->title());
}

// The lowest and the highest rate, marked on the line and named in the title.
void frmEvolutie::markExtremes(QChart* chart, const DayRate& low, const DayRate& high) {
    const double unit = m_history.unit;
    auto* marks = new QScatterSeries;
    marks->setMarkerSize(9);
    marks->setPointLabelsVisible(true);
    marks->setPointLabelsClipping(false);
    marks->setPointLabelsFormat(QStringLiteral("@yPoint"));
    marks->append(when(low.day), low.rate / unit);
    marks->append(when(high.day), high.rate / unit);
    chart->addSeries(marks);
    chart->setTitle(QStringLiteral("%1: minim %2 (%3), maxim %4 (%5)")
                        .arg(m_history.unitLabel(), rateText(low.rate / unit),
                             low.day.toString(QStringLiteral("dd.MM.yyyy")), rateText(high.rate / unit),
                             high.day.toString(QStringLiteral("dd.MM.yyyy"))));
}

void frmEvolutie::pointHovered(const QPointF& point, bool state) {
    if (!state || m_history.days.empty()) return QToolTip::hideText();
    // The stored day nearest the pointer, not the point the line passes through.
    const QDate at = QDateTime::fromMSecsSinceEpoch(qint64(point.x())).date();
    auto it = std::lower_bound(m_history.days.begin(), m_history.days.end(), at,
                               [](const DayRate& d, QDate day) { return d.day < day; });
    if (it == m_history.days.end() ||
        (it != m_history.days.begin() && at.daysTo(it->day) > std::prev(it)->day.daysTo(at)))
        it = std::prev(it);
    QToolTip::showText(QCursor::pos(), it->day.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(": ") +
                                           rateText(it->rate / m_history.unit) + QStringLiteral(" lei"));
}

void frmEvolutie::showAverages() {
    const QStringList lines = m_history.averagesTable(QLocale().decimalPoint()).split(u'\n', Qt::SkipEmptyParts);
    grdMedii->setRowCount(int(lines.size()) - 1);
    for (int r = 1; r < lines.size(); ++r) {
        const QStringList cells = lines[r].split(u'\t');
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (cells.value(1) == u"Anual") {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            grdMedii->setItem(r - 1, c, item);
        }
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
