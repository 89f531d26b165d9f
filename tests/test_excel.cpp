// The export through Excel's automation object, against a stand-in that answers the same
// late-bound calls and records them: what is asked of Excel, in which order, and what the
// user is told. Built for Windows only; there it also runs the helper on a machine without Excel.
#include "core/export/spreadsheetexport.h"
#include "tools/excel/excelsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

// What the stand-in Excel holds and what was done to it.
struct Excel {
    std::vector<std::wstring> firstSheetNames; // one a workbook, in order
    std::wstring opened;                       // the path Workbooks.Open was given
    bool openFails = false;
    bool visible = false;
    std::wstring range;                      // the address written to
    std::vector<std::vector<VARIANT>> cells; // what Value was set to, row by row
    std::wstring dateFormat;
    std::vector<std::wstring> calls; // every name invoked, in order
};

// One object of the model: a name table shared by all, and a handler for its members.
class Stand : public IDispatch {
public:
    using Handler = std::function<HRESULT(const std::wstring& name, WORD flags, DISPPARAMS* p, VARIANT* out)>;
    Stand(Excel& model, Handler h) : m_model(model), m_handler(std::move(h)) {}
    virtual ~Stand() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
        for (UINT i = 0; i < n; ++i) {
            auto& table = nameTable();
            auto it = table.find(names[i]);
            if (it == table.end()) it = table.emplace(names[i], DISPID(table.size() + 1)).first;
            ids[i] = it->second;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* out, EXCEPINFO* e,
                                     UINT*) override {
        for (const auto& [name, known] : nameTable())
            if (known == id) {
                m_model.calls.push_back(name);
                const HRESULT hr = m_handler(name, flags, p, out);
                if (hr == DISP_E_EXCEPTION && e) e->bstrDescription = SysAllocString(L"Excel a refuzat");
                return hr;
            }
        return DISP_E_MEMBERNOTFOUND;
    }

    static std::map<std::wstring, DISPID>& nameTable() {
        static std::map<std::wstring, DISPID> t;
        return t;
    }

private:
    ULONG m_refs = 1;
    Excel& m_model;
    Handler m_handler;
};

VARIANT objectValue(IDispatch* d) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = d;
    return v;
}

HRESULT give(VARIANT* out, IDispatch* d) {
    if (out)
        *out = objectValue(d);
    else
        d->Release();
    return S_OK;
}

IDispatch* range(Excel& m, std::wstring address) {
    return new Stand(m, [&m, address](const std::wstring& name, WORD, DISPPARAMS* p, VARIANT*) {
        if (name == L"NumberFormat") {
            m.dateFormat = p->rgvarg[0].bstrVal;
            return S_OK;
        }
        if (name != L"Value" || p->rgvarg[0].vt != (VT_ARRAY | VT_VARIANT)) return DISP_E_MEMBERNOTFOUND;
        m.range = address;
        SAFEARRAY* a = p->rgvarg[0].parray;
        LONG rows = 0, columns = 0;
        SafeArrayGetUBound(a, 1, &rows);
        SafeArrayGetUBound(a, 2, &columns);
        m.cells.assign(size_t(rows), std::vector<VARIANT>(size_t(columns)));
        for (LONG r = 1; r <= rows; ++r)
            for (LONG c = 1; c <= columns; ++c) {
                LONG at[2] = {r, c};
                VariantInit(&m.cells[size_t(r - 1)][size_t(c - 1)]);
                SafeArrayGetElement(a, at, &m.cells[size_t(r - 1)][size_t(c - 1)]);
            }
        return S_OK;
    });
}

IDispatch* sheet(Excel& m, size_t book) {
    return new Stand(m, [&m, book](const std::wstring& name, WORD flags, DISPPARAMS* p, VARIANT* out) {
        if (name == L"Name" && (flags & DISPATCH_PROPERTYPUT)) {
            m.firstSheetNames[book] = p->rgvarg[0].bstrVal;
            return S_OK;
        }
        if (name == L"Name") {
            out->vt = VT_BSTR;
            out->bstrVal = SysAllocString(m.firstSheetNames[book].c_str());
            return S_OK;
        }
        if (name == L"Range") return give(out, range(m, p->rgvarg[0].bstrVal));
        return DISP_E_MEMBERNOTFOUND;
    });
}

IDispatch* workbook(Excel& m, size_t book) {
    return new Stand(m, [&m, book](const std::wstring& name, WORD, DISPPARAMS*, VARIANT* out) {
        if (name == L"Worksheets")
            return give(out, new Stand(m, [&m, book](const std::wstring& n, WORD, DISPPARAMS*, VARIANT* o) {
                            return n == L"Item" ? give(o, sheet(m, book)) : DISP_E_MEMBERNOTFOUND;
                        }));
        return DISP_E_MEMBERNOTFOUND;
    });
}

IDispatch* application(Excel& m) {
    return new Stand(m, [&m](const std::wstring& name, WORD flags, DISPPARAMS* p, VARIANT* out) {
        if (name == L"Visible" && (flags & DISPATCH_PROPERTYPUT)) {
            m.visible = p->rgvarg[0].boolVal == VARIANT_TRUE;
            return S_OK;
        }
        if (name != L"Workbooks") return DISP_E_MEMBERNOTFOUND;
        return give(out, new Stand(m, [&m](const std::wstring& n, WORD, DISPPARAMS* q, VARIANT* o) {
                        if (n == L"Count") {
                            o->vt = VT_I4;
                            o->lVal = LONG(m.firstSheetNames.size());
                            return S_OK;
                        }
                        if (n == L"Item") return give(o, workbook(m, 0));
                        if (n == L"Open") {
                            if (m.openFails) return DISP_E_EXCEPTION;
                            m.opened = q->rgvarg[0].bstrVal;
                            m.firstSheetNames.push_back(L"Curs");
                            return give(o, workbook(m, m.firstSheetNames.size() - 1));
                        }
                        if (n == L"Add") {
                            m.firstSheetNames.push_back(L"Sheet1");
                            return give(o, workbook(m, m.firstSheetNames.size() - 1));
                        }
                        return DISP_E_MEMBERNOTFOUND;
                    }));
    });
}

ExportRows day() {
    return {{"DATA", "EUR", "100HUF", "XDR"}, {"2022-01-03", "4.9474", "1.3402", ""}};
}

TEST(ExcelExport, OneDayIntoTheFirstSheetOfTheFirstWorkbook) {
    struct Case {
        const char* what;
        std::vector<std::wstring> open; // first sheets of the workbooks already open
        bool openFails;
        ExportStatus status;
        const wchar_t* opened; // the template's path, when it had to be opened
    } const cases[] = {
        {"no workbook: the template is opened", {}, false, ExportStatus::Written, L"C:\\Zorvel\\zv.xls"},
        {"no template: a new workbook", {}, true, ExportStatus::Written, L""},
        {"ours is first: written into it", {L"Zorvel"}, false, ExportStatus::Written, L""},
        {"another workbook first: refused", {L"Buget", L"Zorvel"}, false, ExportStatus::Refused, L""},
    };
    for (const Case& c : cases) {
        Excel m;
        m.firstSheetNames = c.open;
        m.openFails = c.openFails;
        IDispatch* app = application(m);
        const ExcelResult r = ExcelSession(app).exportDay(L"C:\\Zorvel\\zv.xls", day());
        app->Release();
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.text;
        EXPECT_EQ(m.opened, c.opened) << c.what;
        if (c.status == ExportStatus::Refused) {
            EXPECT_TRUE(m.cells.empty()) << c.what << ": nothing may be written into another workbook";
            EXPECT_EQ(m.firstSheetNames[0], L"Buget") << c.what;
            EXPECT_FALSE(m.visible) << c.what;
            continue;
        }
        EXPECT_EQ(m.firstSheetNames[0], L"Zorvel") << c.what;
        EXPECT_EQ(m.range, L"A1:D2") << c.what;
        ASSERT_EQ(m.cells.size(), 2u) << c.what;
        EXPECT_EQ(std::wstring(m.cells[0][2].bstrVal), L"100HUF");
        EXPECT_EQ(m.cells[1][0].vt, VT_DATE);
        EXPECT_EQ(m.cells[1][0].date, 44564.0); // 3 January 2022
        EXPECT_EQ(m.cells[1][1].vt, VT_R8);
        EXPECT_EQ(m.cells[1][1].dblVal, 4.9474);
        EXPECT_EQ(m.cells[1][3].vt, VT_EMPTY);
        EXPECT_EQ(m.dateFormat, L"dd.mm.yyyy");
        EXPECT_TRUE(m.visible) << c.what;
        for (auto& row : m.cells)
            for (VARIANT& v : row)
                VariantClear(&v);
    }
}

TEST(ExcelExport, AFailingCallIsSaidInExcelsWords) {
    Excel m;
    IDispatch* app = new Stand(m, [](const std::wstring&, WORD, DISPPARAMS*, VARIANT*) { return DISP_E_EXCEPTION; });
    const ExcelResult r = ExcelSession(app).exportDay(L"C:\\zv.xls", day());
    app->Release();
    EXPECT_EQ(r.status, ExportStatus::Failed);
    EXPECT_EQ(r.text, "Workbooks: Excel a refuzat");
}

TEST(ExcelExport, ColumnsBeyondZGetTwoLetters) {
    EXPECT_EQ(ExcelSession::rangeFor(1), L"A1:A2");
    EXPECT_EQ(ExcelSession::rangeFor(26), L"A1:Z2");
    EXPECT_EQ(ExcelSession::rangeFor(27), L"A1:AA2");
    EXPECT_EQ(ExcelSession::rangeFor(34), L"A1:AH2");
}

// On a computer without Excel (this Wine prefix) the helper says so, and the window's words follow.
TEST(ExcelExport, WithoutExcelTheUserGetsThePlainMessage) {
    QProcess helper;
    helper.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zorvel-excel.exe"),
                 {QStringLiteral("--workbook"), QStringLiteral("C:\\zv.xls")});
    ASSERT_TRUE(helper.waitForStarted());
    helper.write("DATA\tEUR\n2022-01-03\t4.9474\n");
    helper.closeWriteChannel();
    ASSERT_TRUE(helper.waitForFinished(60000));
    EXPECT_EQ(helper.exitCode(), int(ExportStatus::CannotStart));
    SpreadsheetExport::Run run;
    run.ranToEnd = true;
    run.status = ExportStatus::CannotStart;
    run.said = QString::fromUtf8(helper.readAllStandardOutput()).trimmed();
    const UserMessage said = SpreadsheetExport::messageFor(run);
    EXPECT_EQ(said.text,
              QStringLiteral("Err: 429 Microsoft Excel nu este instalat\rMicrosoft Excel cannot be opened!"));
    EXPECT_EQ(said.title, QStringLiteral("Excel Application"));
}

} // namespace
