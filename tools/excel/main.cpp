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

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t'))
        out.push_back(field);
    if (!line.empty() && line.back() == '\t') out.emplace_back();
    return out;
}

std::string withoutCr(std::string s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

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
    std::string line;
    if (std::getline(std::cin, line)) rows.names = splitTabs(withoutCr(line));
    if (std::getline(std::cin, line)) rows.values = splitTabs(withoutCr(line));
    if (rows.names.empty() || rows.names.size() != rows.values.size())
        return finish({ExportStatus::Failed, "date de intrare invalide"});
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
