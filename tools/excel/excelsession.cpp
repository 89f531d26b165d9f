#include "tools/excel/excelsession.h"

#include "tools/excel/automation.h"

#include <cstdlib>
#include <memory>

namespace {

struct Releaser {
    void operator()(IDispatch* d) const {
        if (d) d->Release();
    }
};
using Object = std::unique_ptr<IDispatch, Releaser>;

std::wstring wide(const std::string& s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? size_t(n - 1) : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, out.data(), n);
    return out;
}

// A cell's value: the date as Excel's own date, a rate as the number it stands for, nothing as empty.
void cellValue(VARIANT& v, const std::string& text, bool isDate) {
    VariantInit(&v);
    if (text.empty()) return;
    if (isDate && text.size() == 10) {
        SYSTEMTIME t{};
        t.wYear = WORD(std::atoi(text.substr(0, 4).c_str()));
        t.wMonth = WORD(std::atoi(text.substr(5, 2).c_str()));
        t.wDay = WORD(std::atoi(text.substr(8, 2).c_str()));
        double date = 0;
        if (SystemTimeToVariantTime(&t, &date)) {
            v.vt = VT_DATE;
            v.date = date;
            return;
        }
    }
    // A cell holds a double whatever is handed to it: the nearest one to the bank's text, read in
    // the C locale so a Romanian Excel does not take the point for a thousands separator.
    char* end = nullptr;
    const double d = std::strtod(text.c_str(), &end);
    if (end && *end == '\0') {
        v.vt = VT_R8;
        v.dblVal = d;
        return;
    }
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(wide(text).c_str());
}

} // namespace

ExcelResult ExcelSession::reach(IDispatch** application) {
    *application = nullptr;
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"Excel.Application", &clsid)))
        return {ExportStatus::CannotStart, "429 Microsoft Excel nu este instalat"};
    IUnknown* running = nullptr;
    if (SUCCEEDED(GetActiveObject(clsid, nullptr, &running)) && running) {
        const HRESULT hr = running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(application));
        running->Release();
        if (SUCCEEDED(hr)) return {ExportStatus::Written, {}};
    }
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(application))))
        return {ExportStatus::CannotStart, "429 Microsoft Excel nu porneste"};
    return {ExportStatus::Written, {}};
}

ExcelSession::ExcelSession(IDispatch* application) : m_app(application) {
    if (m_app) m_app->AddRef();
}

ExcelSession::~ExcelSession() {
    if (m_app) m_app->Release();
}

std::wstring ExcelSession::rangeFor(size_t columns) {
    std::wstring letters;
    for (size_t n = columns; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), wchar_t(L'A' + (n - 1) % 26));
    return L"A1:" + letters + L"2";
}

namespace {

// Both rows as one block of cells, 2 x n: the names, then the day.
void cellsFor(const ExportRows& rows, VARIANT& block) {
    const size_t n = rows.names.size();
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {ULONG(n), 1}};
    SAFEARRAY* cells = SafeArrayCreate(VT_VARIANT, 2, bounds);
    for (size_t c = 0; c < n; ++c) {
        for (LONG r = 1; r <= 2; ++r) {
            VARIANT v;
            if (r == 1) {
                v.vt = VT_BSTR;
                v.bstrVal = SysAllocString(wide(rows.names[c]).c_str());
            } else {
                cellValue(v, rows.values[c], c == 0);
            }
            LONG at[2] = {r, LONG(c) + 1};
            SafeArrayPutElement(cells, at, &v);
            VariantClear(&v);
        }
    }
    block.vt = VT_ARRAY | VT_VARIANT;
    block.parray = cells;
}

// The first sheet of the workbook to write into: the template opened (or a new workbook) when none
// is open, else workbook 1, which must be ours. Empty with a's error, or with refused set.
IDispatch* targetSheet(Automation& a, IDispatch* app, const std::wstring& workbookPath, bool& refused) {
    Object books(a.object(app, L"Workbooks"));
    Automation::Value count;
    if (!books || !a.get(books.get(), L"Count", &count.v) || FAILED(VariantChangeType(&count.v, &count.v, 0, VT_I4)))
        return nullptr;
    const Automation::Value one = Automation::Value::integer(1);
    Object book;
    if (count.v.lVal == 0) {
        const Automation::Value path = Automation::Value::text(workbookPath);
        book.reset(a.object(books.get(), L"Open", {&path.v}));
        // Without the template, a new workbook takes the rates.
        if (!book) book.reset(a.object(books.get(), L"Add"));
    } else {
        book.reset(a.object(books.get(), L"Item", {&one.v}));
    }
    Object sheets(book ? a.object(book.get(), L"Worksheets") : nullptr);
    Object sheet(sheets ? a.object(sheets.get(), L"Item", {&one.v}) : nullptr);
    if (!sheet || count.v.lVal == 0) return sheet.release();
    Automation::Value name;
    if (!a.get(sheet.get(), L"Name", &name.v)) return nullptr;
    refused = name.v.vt != VT_BSTR || std::wstring(name.v.bstrVal) != L"Zorvel";
    return refused ? nullptr : sheet.release();
}

} // namespace

ExcelResult ExcelSession::exportDay(const std::wstring& workbookPath, const ExportRows& rows) {
    Automation a;
    const auto failed = [&a] { return ExcelResult{ExportStatus::Failed, a.error()}; };
    bool refused = false;
    Object sheet(targetSheet(a, m_app, workbookPath, refused));
    if (refused) return {ExportStatus::Refused, "alt registru deschis"};
    if (!sheet || !a.put(sheet.get(), L"Name", Automation::Value::text(L"Zorvel").v)) return failed();
    Automation::Value block;
    cellsFor(rows, block.v);
    const Automation::Value address = Automation::Value::text(rangeFor(rows.names.size()));
    Object range(a.object(sheet.get(), L"Range", {&address.v}));
    if (!range || !a.put(range.get(), L"Value", block.v)) return failed();
    const Automation::Value dateCell = Automation::Value::text(L"A2");
    Object first(a.object(sheet.get(), L"Range", {&dateCell.v}));
    if (first) a.put(first.get(), L"NumberFormat", Automation::Value::text(L"dd.mm.yyyy").v);
    if (!a.put(m_app, L"Visible", Automation::Value::boolean(true).v)) return failed();
    return {ExportStatus::Written, "gata"};
}
