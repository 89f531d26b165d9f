#include "tools/calc/calcsession.h"

#include <chrono>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/i18n/NumberFormatIndex.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cstdlib>
#include <fcntl.h>
#include <osl/file.hxx>
#include <rtl/ustring.hxx>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace com::sun::star;
using com::sun::star::uno::Any;
using com::sun::star::uno::Reference;
using com::sun::star::uno::Sequence;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

OUString u(const std::string& s) {
    return OUString::fromUtf8(s.c_str());
}
std::string s(const OUString& o) {
    return OUStringToOString(o, RTL_TEXTENCODING_UTF8).getStr();
}

// Days since 0001-01-01 of a civil date, for counting from the document's null date.
long daysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + long(doe);
}

bool findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        const size_t end = p.find(':', start);
        const std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

// Starts the office in a session of its own, so it outlives this helper and the window.
void startOffice(const OfficeOptions& o) {
    const pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        if (fork() != 0) _exit(0);
        setsid();
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<std::string> args = {o.soffice,     "--accept=pipe,name=" + o.pipe + ";urp;",
                                         "--nologo",    "--norestore",
                                         "--nodefault", "--nolockcheck"};
        if (o.headless) args.push_back("--headless");
        if (!o.profile.empty()) args.push_back("-env:UserInstallation=" + o.profile);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    waitpid(child, nullptr, 0);
}

beans::PropertyValue prop(const char* name, const Any& value) {
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

} // namespace

struct CalcSession::Impl {
    Reference<uno::XComponentContext> remote;
    Reference<frame::XDesktop2> desktop;

    // Workbook 1 is the spreadsheet opened first. The component list puts the most
    // recently opened document first, so it cannot tell; the desktop's frames stand
    // in the order they were made, and a document keeps the frame it was opened in.
    Reference<sheet::XSpreadsheetDocument> firstWorkbook() {
        Reference<container::XIndexAccess> frames(desktop->getFrames(), UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
            Reference<frame::XFrame> f(frames->getByIndex(i), UNO_QUERY);
            Reference<frame::XController> c = f.is() ? f->getController() : Reference<frame::XController>();
            Reference<sheet::XSpreadsheetDocument> doc(c.is() ? c->getModel() : Reference<frame::XModel>(), UNO_QUERY);
            if (doc.is()) return doc;
        }
        return {};
    }

    static Reference<sheet::XSpreadsheet> firstSheet(const Reference<sheet::XSpreadsheetDocument>& doc) {
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        return Reference<sheet::XSpreadsheet>(sheets->getByIndex(0), UNO_QUERY_THROW);
    }

    Reference<sheet::XSpreadsheetDocument> load(const std::string& path, bool asTemplate) {
        OUString url;
        if (osl::FileBase::getFileURLFromSystemPath(u(path), url) != osl::FileBase::E_None) return {};
        Sequence<beans::PropertyValue> props(asTemplate ? 5 : 3);
        beans::PropertyValue* p = props.getArray();
        // No interaction handler: a damaged or locked file must not wait on a dialog nobody sees.
        p[0] = prop("InteractionHandler", Any(Reference<task::XInteractionHandler>()));
        p[1] = prop("MacroExecutionMode", Any(document::MacroExecMode::NEVER_EXECUTE));
        p[2] = prop("UpdateDocMode", Any(document::UpdateDocMode::NO_UPDATE));
        if (asTemplate) {
            // An untitled copy: the shipped workbook is never locked or overwritten.
            p[3] = prop("AsTemplate", Any(true));
            p[4] = prop("FilterName", Any(OUString("MS Excel 97")));
        }
        try {
            Reference<lang::XComponent> c = Reference<frame::XComponentLoader>(desktop, UNO_QUERY_THROW)
                                                ->loadComponentFromURL(url, "_blank", 0, props);
            return Reference<sheet::XSpreadsheetDocument>(c, UNO_QUERY);
        } catch (const uno::Exception&) {
            return {};
        }
    }

    // Workbook 1 if it is ours, else a fresh copy of the shipped workbook (or an empty
    // one); none when another workbook came first.
    Reference<sheet::XSpreadsheetDocument> workbookFor(const std::string& workbookPath) {
        Reference<sheet::XSpreadsheetDocument> doc = firstWorkbook();
        if (doc.is()) {
            Reference<container::XNamed> name(firstSheet(doc), UNO_QUERY_THROW);
            return name->getName() == "Zorvel" ? doc : Reference<sheet::XSpreadsheetDocument>();
        }
        doc = load(workbookPath, true);
        return doc.is() ? doc : emptyWorkbook();
    }

    Reference<sheet::XSpreadsheetDocument> emptyWorkbook() {
        Sequence<beans::PropertyValue> none;
        Reference<lang::XComponent> c = Reference<frame::XComponentLoader>(desktop, UNO_QUERY_THROW)
                                            ->loadComponentFromURL("private:factory/scalc", "_blank", 0, none);
        return Reference<sheet::XSpreadsheetDocument>(c, UNO_QUERY_THROW);
    }
};

CalcSession::CalcSession(OfficeOptions options) : m_options(std::move(options)) {
    // Without it the client connects and then fails on its first call.
    setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:/usr/lib/libreoffice/program/fundamentalrc", 0);
}

CalcSession::~CalcSession() = default;

namespace {

// Waits for the office's pipe, starting the office once (and once more if that start was lost).
Reference<uno::XComponentContext> reachOffice(const OfficeOptions& options, std::string& error) {
    Reference<uno::XComponentContext> local = cppu::defaultBootstrap_InitialComponentContext();
    Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(local);
    const OUString url = u("uno:pipe,name=" + options.pipe + ";urp;StarOffice.ComponentContext");
    using clock = std::chrono::steady_clock;
    const auto begun = clock::now();
    bool started = false, restarted = false;
    for (;;) {
        try {
            return Reference<uno::XComponentContext>(resolver->resolve(url), UNO_QUERY_THROW);
        } catch (const connection::NoConnectException&) {
            const auto waited = clock::now() - begun;
            if (!started && !findProgram(options.soffice)) {
                error = "429 LibreOffice nu este instalat (" + options.soffice + ")";
                return {};
            }
            // A start handed to an office that was shutting down can be lost.
            if (!started || (!restarted && waited > std::chrono::seconds(10))) {
                restarted = started;
                started = true;
                startOffice(options);
            } else if (waited > std::chrono::seconds(60)) {
                error = "429 LibreOffice nu raspunde";
                return {};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

} // namespace

bool CalcSession::connect(std::string& error) {
    if (m_impl) return true;
    try {
        Reference<uno::XComponentContext> remote = reachOffice(m_options, error);
        if (!remote.is()) return false;
        m_impl = std::make_unique<Impl>();
        m_impl->remote = remote;
        m_impl->desktop = frame::Desktop::create(remote);
        return true;
    } catch (const uno::Exception& e) {
        error = "429 " + s(e.Message);
        return false;
    }
}

namespace {

// Dates count from the document's own null date: a 1904-based file keeps its own.
double dateSerial(const Reference<sheet::XSpreadsheetDocument>& doc, const std::string& isoDate) {
    util::Date nullDate(30, 12, 1899);
    Reference<beans::XPropertySet>(doc, UNO_QUERY_THROW)->getPropertyValue("NullDate") >>= nullDate;
    const int y = std::atoi(isoDate.substr(0, 4).c_str());
    const unsigned m = unsigned(std::atoi(isoDate.substr(5, 2).c_str()));
    const unsigned d = unsigned(std::atoi(isoDate.substr(8, 2).c_str()));
    return double(daysFromCivil(y, m, d) - daysFromCivil(nullDate.Year, nullDate.Month, nullDate.Day));
}

// The names over the values in one range; a rate the day lacks leaves its cell empty.
void writeRows(const Reference<sheet::XSpreadsheetDocument>& doc, const Reference<sheet::XSpreadsheet>& sheet,
               const ExportRows& rows) {
    const sal_Int32 n = sal_Int32(rows.names.size());
    Sequence<Sequence<Any>> data(2);
    Sequence<Any>* r = data.getArray();
    r[0].realloc(n);
    r[1].realloc(n);
    std::vector<sal_Int32> empty;
    for (sal_Int32 i = 0; i < n; ++i) {
        r[0].getArray()[i] <<= u(rows.names[size_t(i)]);
        const std::string& v = rows.values[size_t(i)];
        Any& cell = r[1].getArray()[i];
        if (i == 0) {
            cell <<= dateSerial(doc, v);
        } else if (v.empty()) {
            cell <<= OUString();
            empty.push_back(i);
        } else {
            cell <<= std::strtod(v.c_str(), nullptr);
        }
    }
    Reference<table::XCellRange> range = sheet->getCellRangeByPosition(0, 0, n - 1, 1);
    Reference<sheet::XCellRangeData>(range, UNO_QUERY_THROW)->setDataArray(data);
    for (sal_Int32 i : empty)
        Reference<sheet::XSheetOperation>(sheet->getCellRangeByPosition(i, 1, i, 1), UNO_QUERY_THROW)
            ->clearContents(sheet::CellFlags::STRING | sheet::CellFlags::VALUE);
}

void formatDateCell(const Reference<sheet::XSpreadsheetDocument>& doc, const Reference<sheet::XSpreadsheet>& sheet) {
    Reference<util::XNumberFormatsSupplier> formats(doc, UNO_QUERY_THROW);
    Reference<util::XNumberFormatTypes> types(formats->getNumberFormats(), UNO_QUERY_THROW);
    const sal_Int32 dateFormat =
        types->getFormatIndex(i18n::NumberFormatIndex::DATE_SYS_DDMMYYYY, lang::Locale("ro", "RO", ""));
    Reference<beans::XPropertySet>(sheet->getCellByPosition(0, 1), UNO_QUERY_THROW)
        ->setPropertyValue("NumberFormat", Any(dateFormat));
}

void bringToFront(const Reference<sheet::XSpreadsheetDocument>& doc, const Reference<sheet::XSpreadsheet>& sheet) {
    Reference<frame::XController> controller = Reference<frame::XModel>(doc, UNO_QUERY_THROW)->getCurrentController();
    if (!controller.is()) return;
    if (Reference<sheet::XSpreadsheetView> view{controller, UNO_QUERY}; view.is()) view->setActiveSheet(sheet);
    if (Reference<frame::XFrame> frame = controller->getFrame(); frame.is()) {
        Reference<awt::XWindow> window = frame->getContainerWindow();
        window->setVisible(true);
        if (Reference<awt::XTopWindow> top{window, UNO_QUERY}; top.is()) top->toFront();
    }
}

} // namespace

CalcResult CalcSession::exportDay(const std::string& workbookPath, const ExportRows& rows) {
    std::string error;
    if (!connect(error)) return {ExportStatus::CannotStart, error};
    try {
        Reference<sheet::XSpreadsheetDocument> doc = m_impl->workbookFor(workbookPath);
        if (!doc.is()) return {ExportStatus::Refused, "alt registru deschis"};
        Reference<sheet::XSpreadsheet> sheet = Impl::firstSheet(doc);
        Reference<container::XNamed>(sheet, UNO_QUERY_THROW)->setName("Zorvel");
        writeRows(doc, sheet, rows);
        formatDateCell(doc, sheet);
        bringToFront(doc, sheet);
        return {ExportStatus::Written, "gata"};
    } catch (const uno::Exception& e) {
        return {ExportStatus::Failed, s(e.Message)};
    }
}

CalcResult CalcSession::readBack() {
    std::string error;
    if (!connect(error)) return {ExportStatus::CannotStart, error};
    try {
        Reference<sheet::XSpreadsheetDocument> doc = m_impl->firstWorkbook();
        if (!doc.is()) return {ExportStatus::Failed, "niciun registru deschis"};
        int workbooks = 0;
        Reference<container::XEnumeration> e = m_impl->desktop->getComponents()->createEnumeration();
        while (e->hasMoreElements())
            workbooks += Reference<sheet::XSpreadsheetDocument>(e->nextElement(), UNO_QUERY).is() ? 1 : 0;
        std::string out = std::to_string(workbooks) + "\n";
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
            Reference<container::XNamed> name(sheets->getByIndex(i), UNO_QUERY_THROW);
            out += (i ? "\t" : "") + s(name->getName());
        }
        Reference<sheet::XSpreadsheet> sheet = Impl::firstSheet(doc);
        for (sal_Int32 row = 0; row < 2; ++row) {
            out += "\n";
            for (sal_Int32 col = 0; col < 256; ++col) {
                if (sheet->getCellByPosition(col, 0)->getFormula().isEmpty()) break;
                Reference<table::XCell> cell = sheet->getCellByPosition(col, row);
                const OUString text = Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString();
                out += (col ? "\t" : "") + s(text);
            }
        }
        return {ExportStatus::Written, out};
    } catch (const uno::Exception& e) {
        return {ExportStatus::Failed, s(e.Message)};
    }
}

CalcResult CalcSession::open(const std::string& path) {
    std::string error;
    if (!connect(error)) return {ExportStatus::CannotStart, error};
    return m_impl->load(path, false).is() ? CalcResult{ExportStatus::Written, "deschis"}
                                          : CalcResult{ExportStatus::Failed, "nu se poate deschide"};
}

CalcResult CalcSession::quit() {
    std::string error;
    if (!connect(error)) return {ExportStatus::CannotStart, error};
    try {
        // Close every document unsaved, then the office itself.
        Reference<container::XEnumeration> e = m_impl->desktop->getComponents()->createEnumeration();
        while (e->hasMoreElements()) {
            Reference<util::XCloseable> c(e->nextElement(), UNO_QUERY);
            if (c.is()) c->close(true);
        }
        m_impl->desktop->terminate();
    } catch (const uno::Exception&) {
        // The bridge goes away with the office; that is the expected end.
    }
    return {ExportStatus::Written, "inchis"};
}
