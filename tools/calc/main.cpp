// zorvel-calc: hands one day's rates to LibreOffice Calc for the main program.
//   zorvel-calc --workbook <zv.xls>       rows on standard input, two tab-separated lines
//   zorvel-calc --read | --open <file> | --quit
// Exit status: 0 written, 1 failed, 2 refused (another workbook first), 3 office cannot start.
// The office is found on the pipe ZORVEL_CALC_PIPE (default zorvel_<uid>); ZORVEL_CALC_PROFILE
// and ZORVEL_CALC_HEADLESS=1 give it a profile of its own and no windows.
#include "tools/calc/calcsession.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string env(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

[[noreturn]] void finish(const CalcResult& r) {
    std::cout << r.text << std::endl;
    std::fflush(nullptr);
    // The UNO bridge's threads need not be wound down for a one-shot program.
    _exit(int(r.status));
}

} // namespace

int main(int argc, char* argv[]) {
    OfficeOptions options;
    options.pipe = env("ZORVEL_CALC_PIPE", "zorvel_" + std::to_string(getuid()));
    options.profile = env("ZORVEL_CALC_PROFILE", "");
    options.headless = env("ZORVEL_CALC_HEADLESS", "0") == "1";
    options.soffice = env("ZORVEL_SOFFICE", "soffice");
    const std::string mode = argc > 1 ? argv[1] : "";
    CalcSession session(options);
    if (mode == "--workbook" && argc > 2) {
        ExportRows rows;
        if (!readExportRows(std::cin, rows)) finish({ExportStatus::Failed, "date de intrare invalide"});
        finish(session.exportDay(argv[2], rows));
    }
    if (mode == "--read") finish(session.readBack());
    if (mode == "--open" && argc > 2) finish(session.open(argv[2]));
    if (mode == "--quit") finish(session.quit());
    std::cerr << "usage: zorvel-calc --workbook <file> | --read | --open <file> | --quit\n";
    return int(ExportStatus::Failed);
}
