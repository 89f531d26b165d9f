#pragma once

#include "core/export/exportrows.h"
#include "core/export/exportstatus.h"

#include <memory>
#include <string>
#include <vector>

// How the spreadsheet program is reached. The defaults are the user's own office;
// tests use a profile of their own and no windows.
struct OfficeOptions {
    std::string pipe;    // name of the office's pipe
    std::string profile; // -env:UserInstallation URL; empty: the user's profile
    bool headless = false;
    std::string soffice = "soffice";
};

// The outcome of one request; its status is the helper's exit status.
struct CalcResult {
    ExportStatus status = ExportStatus::Failed;
    std::string text; // for CannotStart: code, blank, description
};

// Talks to LibreOffice through UNO: finds the running office (or starts one), then
// works on its first spreadsheet document.
class CalcSession {
public:
    explicit CalcSession(OfficeOptions options);
    ~CalcSession();
    CalcSession(const CalcSession&) = delete;
    CalcSession& operator=(const CalcSession&) = delete;
    // Writes the two rows into the first sheet of workbook 1, which is opened from
    // the template when there is none; refuses a first workbook not made by us.
    CalcResult exportDay(const std::string& workbookPath, const ExportRows& rows);
    // How many workbooks are open, the sheet names of workbook 1 and the first two
    // rows of its first sheet, tab-separated: what a test reads back.
    CalcResult readBack();
    // Opens a document as the user would (for tests).
    CalcResult open(const std::string& path);
    CalcResult quit();

private:
    struct Impl;
    bool connect(std::string& error);
    OfficeOptions m_options;
    std::unique_ptr<Impl> m_impl;
};
