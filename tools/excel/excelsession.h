#pragma once

#include "core/export/exportrows.h"
#include "core/export/exportstatus.h"

#include <oaidl.h>
#include <string>

struct ExcelResult {
    ExportStatus status = ExportStatus::Failed;
    std::string text; // for CannotStart: code, blank, description
};

// Microsoft Excel through its automation object, late bound: one day's rates into the first
// sheet of workbook 1, which is opened from the template when none is open; a first workbook
// not made by us is refused, and nothing is written into it.
class ExcelSession {
public:
    // The running Excel, or a new one; CannotStart when neither can be had.
    static ExcelResult reach(IDispatch** application);
    // Works on that application object (a real Excel, or a stand-in in tests).
    explicit ExcelSession(IDispatch* application);
    ~ExcelSession();
    ExcelSession(const ExcelSession&) = delete;
    ExcelSession& operator=(const ExcelSession&) = delete;

    ExcelResult exportDay(const std::wstring& workbookPath, const ExportRows& rows);

    // "A1:C2" for two rows of n columns.
    static std::wstring rangeFor(size_t columns);

private:
    IDispatch* m_app;
};
