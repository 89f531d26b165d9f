#include "app/frmzorvel.h"

#include "app/datepicker.h"
#include "app/designfont.h"
#include "app/panellayout.h"
#include "app/windowdesign.h"
#include "controls/xlinklabel.h"
#include "core/config.h"
#include "core/feed/feedclient.h"
#include "core/settings/appsettings.h"
#include "core/store/datalocation.h"
#include "core/store/rateyears.h"
#include "core/text/inputtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {

class ClassicCheckStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return 13;
        if (metric == PM_CheckBoxLabelSpacing) return 3;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

const QString kCaption = QStringLiteral("Zorvel");

// A control as the design gives it: its caption, name and place inside its parent.
template <typename W> W* designed(QWidget* parent, const QString& name) {
    const ControlDesign& d = WindowDesign::of(name);
    W* w = nullptr;
    if constexpr (std::is_constructible_v<W, QString>)
        w = d.caption ? new W(QString::fromLatin1(d.caption)) : new W;
    else
        w = new W;
    w->setParent(parent);
    WindowDesign::place(w, name);
    return w;
}

QLabel* label(QWidget* parent, const QString& name, bool bold = false) {
    auto* lb = designed<QLabel>(parent, name);
    lb->setAccessibleName(lb->text().trimmed());
    lb->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (bold) {
        QFont f = lb->font();
        f.setBold(true);
        lb->setFont(f);
    }
    return lb;
}

QString plainCaption(QString caption) {
    return caption.remove(u'&');
}

} // namespace

QIcon frmZorvel::programIcon() {
    return QIcon::fromTheme(QStringLiteral("zorvel"), QIcon(QStringLiteral(":/zorvel/zorvel.svg")));
}

ZorvelEnvironment ZorvelEnvironment::forApplication() {
    ZorvelEnvironment env;
    env.appDir = QCoreApplication::applicationDirPath();
    const DataLocation where(env.appDir);
    env.database = where.database();
    env.workbook = where.workbook();
    env.feedBase = FeedClient::configuredBase();
    env.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    env.exportHelper = where.exportHelper();
    env.accessHelper = where.accessHelper();
    return env;
}

frmZorvel::frmZorvel(ZorvelEnvironment env, MessageSink* messages, QWidget* parent)
    : QWidget(parent), m_env(std::move(env)), m_messages(messages), m_vat(*this) {
    if (!m_messages) {
        m_ownSink = std::make_unique<MessageBoxSink>(this);
        m_messages = m_ownSink.get();
    }
    setObjectName(QStringLiteral("frmZorvel"));
    setWindowTitle(kCaption);
    setFont(designFont());
    createControls();
    // Until start-up sets it, the picker stands on today like the rest of the window.
    DTPicker1->setValue(QDateTime::currentDateTime());
    applyTabOrder();
    connectHandlers();
    setFixedSize(PanelLayout::px(9150), PanelLayout::px(6600));
}

frmZorvel::~frmZorvel() = default;

QString frmZorvel::dbPath() const {
    return m_env.database.isEmpty() ? m_env.appDir + u'/' + QLatin1String(DataLocation::DatabaseName) : m_env.database;
}

QString frmZorvel::workbookPath() const {
    return m_env.workbook.isEmpty() ? m_env.appDir + u'/' + QLatin1String(DataLocation::WorkbookName) : m_env.workbook;
}

void frmZorvel::createControls() {
    createRatePanel();
    createConverterPanel();
    createVatPanel();
    createRowAndLinks();
}

void frmZorvel::createRatePanel() {
    auto* f = designed<QGroupBox>(this, QStringLiteral("Frame1(0)"));
    Frame1[0] = f;
    Label2[0] = label(f, QStringLiteral("Label2(0)"));
    Label2[1] = label(f, QStringLiteral("Label2(1)"), true);
    Label2[2] = label(f, QStringLiteral("Label2(2)"), true);
    Label2[2]->setAccessibleName(QStringLiteral("Ultimul curs valutar"));
    Label1[0] = label(f, QStringLiteral("Label1(0)"));
    Combo2 = designed<QComboBox>(f, QStringLiteral("Combo2"));
    Combo2->setAccessibleName(QStringLiteral("An"));
    Label1[0]->setBuddy(Combo2);
    createRateTable(f);
    Label6 = label(f, QStringLiteral("Label6"));
    Label6->setWordWrap(true);
    cmdExcel = designed<QPushButton>(f, QStringLiteral("cmdExcel"));
    cmdEvolutie = designed<QPushButton>(f, QStringLiteral("cmdEvolutie"));
    cmdEvolutie->setToolTip(QStringLiteral("Evolutie curs: grafic si medii lunare si anuale"));
    Command4 = designed<QPushButton>(f, QStringLiteral("Command4"));
    Command3 = designed<QPushButton>(f, QStringLiteral("Command3"));
}

void frmZorvel::createRateTable(QGroupBox* f) {
    ListView1 = designed<QTreeWidget>(f, QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Curs licitat"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setColumnCount(0);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void frmZorvel::createConverterPanel() {
    auto* f = designed<QGroupBox>(this, QStringLiteral("Frame1(1)"));
    Frame1[1] = f;
    for (int i : {2, 3, 4, 5, 6, 7})
        Label1[i] = label(f, QStringLiteral("Label1(%1)").arg(i));
    DTPicker1 = designed<DatePicker>(f, QStringLiteral("DTPicker1"));
    Text1 = designed<QLineEdit>(f, QStringLiteral("Text1"));
    Combo1[0] = designed<QComboBox>(f, QStringLiteral("Combo1(0)"));
    Combo1[1] = designed<QComboBox>(f, QStringLiteral("Combo1(1)"));
    Text2 = designed<QLineEdit>(f, QStringLiteral("Text2"));
    Command1 = designed<QPushButton>(f, QStringLiteral("Command1"));
    Label3 = label(f, QStringLiteral("Label3"));
    // Right click (or the menu key) on "Copie" or the result: a line for the document, a whole list.
    Command1->setToolTip(QStringLiteral("Copiaza rezultatul. Clic dreapta: copiaza pentru document (Ctrl+Shift+C), "
                                        "conversie lista (Ctrl+L), facturi e-Factura (Ctrl+Shift+F)"));
    Command1->setContextMenuPolicy(Qt::CustomContextMenu);
    // Each box is named by the caption over it.
    const std::pair<int, QWidget*> captioned[] = {
        {6, DTPicker1}, {2, Text1}, {3, Combo1[0]}, {4, Combo1[1]}, {7, Text2}};
    for (const auto& [i, box] : captioned) {
        Label1[i]->setBuddy(box);
        box->setAccessibleName(Label1[i]->text());
    }
}

void frmZorvel::createVatPanel() {
    auto* f = designed<QGroupBox>(this, QStringLiteral("Frame1(2)"));
    Frame1[2] = f;
    for (int i = 0; i < 6; ++i) {
        Label4[i] = label(f, QStringLiteral("Label4(%1)").arg(i));
        Text3[i] = designed<QLineEdit>(f, QStringLiteral("Text3(%1)").arg(i));
        Text3[i]->setAccessibleName(Label4[i]->text());
        Label4[i]->setBuddy(Text3[i]);
    }
}

void frmZorvel::createRowAndLinks() {
    Label5 = label(this, QStringLiteral("Label5"));
    for (int i = 0; i < 3; ++i) {
        Check1[i] = designed<QCheckBox>(this, QStringLiteral("Check1(%1)").arg(i));
        Check1[i]->setAccessibleName(Check1[i]->text());
        Check1[i]->setChecked(true);
    }
    chkPrinc = designed<QCheckBox>(this, QStringLiteral("chkPrinc"));
    chkPrinc->setAccessibleName(chkPrinc->text());
    Command2 = designed<QPushButton>(this, QStringLiteral("Command2"));
    Frame2 = designed<QGroupBox>(this, QStringLiteral("Frame2"));
    styleFramesAndChecks();
    createLinks();
}

void frmZorvel::styleFramesAndChecks() {
    for (QPushButton* b : {cmdExcel, cmdEvolutie, Command4, Command3, Command1, Command2})
        b->setAccessibleName(plainCaption(b->text()));
    for (QGroupBox* g : {Frame1[0], Frame1[1], Frame1[2], Frame2}) {
        g->setAccessibleName(g->title());
        // The caption sits on the frame line, so the design's top offsets land inside the frame.
        g->setStyleSheet(
            QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    }
    // Check boxes as the design measured them: a 13 px box and a 3 px gap, so each
    // caption fits its given width in an Arial-metric face.
    auto* classic = new ClassicCheckStyle;
    classic->setParent(this);
    for (QCheckBox* c : {Check1[0], Check1[1], Check1[2], chkPrinc})
        c->setStyle(classic);
}

// The date of the newest rates the bank sent, and the same for a screen reader: the label's name carries it.
void frmZorvel::showLastRateDate() {
    const QString shown = LastRateDate.isNull() ? QString() : QLocale().toString(LastRateDate, QLocale::ShortFormat);
    Label2[2]->setText(shown);
    const QString caption = plainCaption(Label2[1]->text()).remove(u':').trimmed();
    Label2[2]->setAccessibleName(shown.isEmpty() ? caption : caption + QStringLiteral(": ") + shown);
}

void frmZorvel::applyTabOrder() {
    // The focusable controls in their tab order.
    // Panel by panel as they stand on screen, top to bottom, left to right in each.
    const QList<QWidget*> order = {
        cmdEvolutie, Combo2,    ListView1, cmdExcel, Command4, Command3,       DTPicker1,     Text1,    Combo1[0],
        Combo1[1],   Text2,     Command1,  Text3[0], Text3[1], Text3[2],       Text3[3],      Text3[4], Text3[5],
        Check1[0],   Check1[1], Check1[2], chkPrinc, Command2, XLinkLabel1[0], XLinkLabel1[1]};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmZorvel::message(const QString& text, MessageSink::Icon icon) {
    message(text, icon, windowTitle());
}

frmZorvel::MessageScope::MessageScope(frmZorvel& w, bool continuesStartup) : m_window(w) {
    if (w.m_scopeDepth++ > 0) return;
    if (!(continuesStartup && w.m_startupSpan)) w.m_shownInScope.clear();
    if (!continuesStartup) w.m_startupSpan = false;
}

frmZorvel::MessageScope::~MessageScope() {
    --m_window.m_scopeDepth;
}

void frmZorvel::message(const UserMessage& said) {
    if (!said.isEmpty()) message(said.text, said.icon, said.title.isEmpty() ? windowTitle() : said.title);
}

void frmZorvel::message(const QString& text, MessageSink::Icon icon, const QString& title) {
    // What a quiet update recomputes is never worth a box.
    if (m_silent) return;
    if (m_scopeDepth > 0) {
        if (m_shownInScope.contains(text)) return;
        const bool explained = std::any_of(m_shownInScope.cbegin(), m_shownInScope.cend(),
                                           [](const QString& t) { return t.startsWith(noTableNoticePrefix()); });
        if (text == unknownRateText() && explained) return;
        m_shownInScope.insert(text);
    }
    m_messages->show(text, icon, title);
}

void frmZorvel::Form_Load() {
    const MessageScope startup(*this);
    m_startupSpan = true;
    m_today = today();
    Text3[5]->setText(AppSettings::vatRate(m_today));
    const QDateTime now = this->now().toLocalTime();
    const int year = m_today.year();
    addYearsUpTo(year);
    setComboIndexQuietly(Combo2, -1);
    TableYear = QString::number(year);
    if (!m_env.startupNotice.isEmpty()) message(m_env.startupNotice, MessageSink::Icon::Information);
    offerAccessImport();
    for (int i = 0; i < 3; ++i)
        Check1[i]->setChecked(AppSettings::panelShown(i));
    chkPrinc->setChecked(!AppSettings::mainCurrenciesOnly());
    newestStoredDay();
    applyDateLimit();
    DTPicker1->setValue(now);
    setComboIndexQuietly(Combo2, Combo2->count() - 1);
    Combo2_Click();
    SetLocalCurrency();
    Command2_Click();
    showLastRateDate();
    setWindowTitle(windowTitle() + QStringLiteral(" v") + QLatin1String(ZorvelConfig::Version));
    LoadRateTable();
    startQuietUpdates();
}

void frmZorvel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
        // The window system's frame is known only once it has framed the window.
        QTimer::singleShot(100, this, &frmZorvel::fitOuterHeight);
    }
}

void frmZorvel::Form_Activate() {
    const MessageScope a(*this, true);
    PanelLayout::Input in;
    for (int i = 0; i < 3; ++i) {
        in.shown[i] = Check1[i]->isChecked();
        in.panelHeight[i] = PanelLayout::twips(Frame1[i]->height());
    }
    const PanelLayout l = PanelLayout::compute(in);
    for (int i = 0; i < 3; ++i) {
        Frame1[i]->setVisible(l.panelVisible[i]);
        if (l.panelVisible[i]) Frame1[i]->move(Frame1[i]->x(), PanelLayout::px(l.panelTop[i]));
    }
    Label5->move(Label5->x(), PanelLayout::px(l.rowTop));
    for (QWidget* w :
         {static_cast<QWidget*>(Check1[0]), static_cast<QWidget*>(Check1[1]), static_cast<QWidget*>(Check1[2]),
          static_cast<QWidget*>(chkPrinc), static_cast<QWidget*>(Command2)})
        w->move(w->x(), PanelLayout::px(l.rowTop));
    Frame2->move(Frame2->x(), PanelLayout::px(l.linksTop));
    Command2->setVisible(l.updateButtonVisible);
    m_outerHeight = l.outerHeight;
    m_linksBottom = l.linksTop + PanelLayout::twips(Frame2->height());
    fitOuterHeight();
    DTPicker1_Change();
    m_startupSpan = false;
}

void frmZorvel::fitOuterHeight() {
    // The layout's height counts the title bar and border; the window system draws
    // its own, whose height is known once the window is shown (none offscreen). A
    // frame taller than the design's never cuts the links panel.
    const int frame = isVisible() ? std::max(0, frameGeometry().height() - geometry().height()) : 0;
    const int client =
        std::max(PanelLayout::px(m_outerHeight) - frame, PanelLayout::px(m_linksBottom + PanelLayout::Gap));
    setFixedSize(PanelLayout::px(9150), client);
}

void frmZorvel::Check1_Click(int index) {
    AppSettings::setPanelShown(index, Check1[index]->isChecked());
    Form_Activate();
}

void frmZorvel::setComboIndexQuietly(QComboBox* combo, int index) {
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index);
}

void frmZorvel::selectWholeText(QLineEdit* edit) {
    edit->setSelection(0, int(edit->text().size()));
    // A mouse click that gave the focus would place the cursor afterwards; select again once it has.
    QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
}

void frmZorvel::connectHandlers() {
    connectRatePanel();
    for (int i = 0; i < 3; ++i)
        connect(Check1[i], &QCheckBox::toggled, this, inMessageScope([this, i] { Check1_Click(i); }));
    connect(chkPrinc, &QCheckBox::toggled, this, inMessageScope([this] { chkPrinc_Click(); }));
    connect(Command2, &QPushButton::clicked, this, inMessageScope([this] { Command2_Click(); }));
    connect(Text1, &QLineEdit::textChanged, this, inMessageScope([this] { Text1_Change(); }));
    connect(Text2, &QLineEdit::textChanged, this, inMessageScope([this] { Text2_Change(); }));
    for (int i = 0; i < 2; ++i)
        connect(Combo1[i], &QComboBox::activated, this, inMessageScope([this, i] { Combo1_Click(i); }));
    connect(Command1, &QPushButton::clicked, this, inMessageScope([this] { Command1_Click(); }));
    connect(Command1, &QWidget::customContextMenuRequested, this, &frmZorvel::Command1_ContextMenu);
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+C")), this), &QShortcut::activated, this,
            &frmZorvel::cmdCopieDocument_Click);
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+L")), this), &QShortcut::activated, this,
            &frmZorvel::cmdConversieLista_Click);
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")), this), &QShortcut::activated, this,
            &frmZorvel::cmdFacturi_Click);
    connect(DTPicker1, &DatePicker::userChanged, this, inMessageScope([this] { DTPicker1_Change(); }));
    connect(DTPicker1, &DatePicker::typingRefused, this,
            [this](const QString& why) { message(why, MessageSink::Icon::Exclamation); });
    for (int i = 0; i < 6; ++i) {
        connect(Text3[i], &QLineEdit::textChanged, this, inMessageScope([this, i] { Text3_Change(i); }));
        Text3[i]->installEventFilter(this);
    }
    Text1->installEventFilter(this);
    Text2->installEventFilter(this);
}

void frmZorvel::connectRatePanel() {
    connect(Combo2, &QComboBox::activated, this, inMessageScope([this] { Combo2_Click(); }));
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, inMessageScope([this] { ListView1_DblClick(); }));
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListView1_ColumnClick(column); });
    connect(cmdExcel, &QPushButton::clicked, this, inMessageScope([this] { cmdExcel_Click(); }));
    connect(cmdEvolutie, &QPushButton::clicked, this, inMessageScope([this] { cmdEvolutie_Click(); }));
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &frmZorvel::ListView1_ContextMenu);
    ListView1->header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1->header(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ListView1_ContextMenu(ListView1->viewport()->mapFromGlobal(ListView1->header()->mapToGlobal(at)));
    });
    connect(Command3, &QPushButton::clicked, this, inMessageScope([this] { Command3_Click(); }));
    connect(Command4, &QPushButton::clicked, this, inMessageScope([this] { Command4_Click(); }));
}

bool frmZorvel::eventFilter(QObject* watched, QEvent* event) {
    const bool in = event->type() == QEvent::FocusIn;
    const bool out = event->type() == QEvent::FocusOut;
    // Another window, or a popup such as the box's own context menu, taking the
    // focus and giving it back is no move between the boxes.
    const auto reason = in || out ? static_cast<QFocusEvent*>(event)->reason() : Qt::OtherFocusReason;
    if ((in || out) && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        const MessageScope a(*this);
        if (watched == Text1 && in)
            Text1_GotFocus();
        else if (watched == Text2 && in)
            Text2_GotFocus();
        for (int i = 0; i < 6; ++i) {
            if (watched != Text3[i]) continue;
            if (in)
                Text3_GotFocus(i);
            else
                Text3_LostFocus(i);
        }
    }
    return QWidget::eventFilter(watched, event);
}
