// zorvel-excel: hands one day's rates to Microsoft Excel for the main program, as zorvel-calc
// does to LibreOffice Calc on Linux, with the same arguments and exit status.
//   zorvel-excel --workbook <zv.xls>      rows on standard input, two tab-separated lines
// Exit status: 0 written, 1 failed, 2 refused (another workbook first), 3 Excel cannot start.
#include "tools/excel/excelsession.h"

#include <objbase.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace {

int finish(const ExcelResult& r) {
    std::cout << r.text << std::endl;
    return int(r.status);
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc < 3 || std::wstring(argv[1]) != L"--workbook") {
        std::cerr << "folosire: zorvel-excel --workbook <fisier>\n";
        return int(ExportStatus::Failed);
    }
    ExportRows rows;
    if (!readExportRows(std::cin, rows)) return finish({ExportStatus::Failed, "date de intrare invalide"});
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return finish({ExportStatus::CannotStart, "429 COM nu porneste"});
    IDispatch* app = nullptr;
    ExcelResult r = ExcelSession::reach(&app);
    if (app) {
        r = ExcelSession(app).exportDay(argv[2], rows);
        app->Release();
    }
    CoUninitialize();
    return finish(r);
}
