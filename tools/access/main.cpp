// zorvel-access: reads the tables of an Access file and prints them in a plain
// line format for the program to parse. It is a process of its own because the
// Access reader is not safe on a damaged file: a crash or a runaway read here must
// never reach the program or its history. It only reads; the file is opened read-only.
//
//   zorvel-access tables FILE          every user table: its declared rows and columns
//   zorvel-access read FILE TABLE...   the same for the named tables, with every row
//
// Output, one record a line, fields split by tabs:
//   ZORVEL-ACCESS 1
//   V <format>                      0 Jet 3, 1 Jet 4, 2 and up the later formats
//   T <name> <declared rows> <columns>   rows -1: the table is listed but cannot be read
//   C <type> <name>                 one a column, in table order
//   R <cell>...                     read mode: one a row, in the file's order
//   E <rows read>                   read mode: the table ended
// A cell is empty for NULL, "f:" and eight hex digits for a Single's stored bits,
// "d:" and sixteen for a Double or a Date/Time, "i:" and a whole number for an Integer
// or a Long, "c:" and a whole number of ten-thousandths for a Currency, "t:" and the
// reader's text for a Decimal or where the stored bytes could not be checked, "o" for
// any other value. Names escape tab, line
// ends and backslash. Before each table a line "\x01T <name>" goes to standard error,
// so the caller knows which table any complaint of the reader belongs to.
// glib first: the reader's header includes it inside extern "C", where C++ templates cannot be.
// The Windows build of the reader has no glib: its header brings the few functions it needs.
#if !defined(_WIN32)
#include <glib.h>
#endif
#include <mdbtools.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#else
#include <fcntl.h>
#include <io.h>
#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace {

enum Exit { Done = 0, Failed = 1, WrongUse = 2, NotOpened = 3 };

std::string escaped(const char* name) {
    std::string out;
    for (const char* p = name; *p; ++p) {
        switch (*p) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += *p;
        }
    }
    return out;
}

bool sameText(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if ((*a | 0x20) != (*b | 0x20) || ((*a ^ *b) & ~0x20)) return false;
    return *a == *b;
}

std::string singleCell(float f, const char* bound) {
    char check[64];
    std::snprintf(check, sizeof check, "%.8g", double(f));
    if (std::strcmp(check, bound) != 0) return std::string("t:") + bound;
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    std::snprintf(check, sizeof check, "f:%08x", unsigned(bits));
    return check;
}

// A Double, or a Date/Time (days since 1899-12-30 as a Double), checked against the text the reader made of it.
std::string wideCell(double d, bool isDate, const char* bound) {
    char check[64];
    bool same;
    if (isDate) {
        struct tm t {};
        mdb_date_to_tm(d, &t);
        // From 23:59:59.5 the reader rounds to the hour 24, which Windows' C library will not write: its text
        // is then as empty as ours, and the bytes are still the ones it read.
        const bool made = std::strftime(check, sizeof check, "%Y-%m-%d %H:%M:%S", &t) > 0;
        same = std::strcmp(made ? check : "", bound) == 0;
    } else {
        std::snprintf(check, sizeof check, "%.16g", d);
        same = std::strcmp(check, bound) == 0;
    }
    if (!same) return isDate ? std::string("t:?") : std::string("t:") + bound;
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    std::snprintf(check, sizeof check, "d:%016llx", static_cast<unsigned long long>(bits));
    return check;
}

// A whole number (Integer, Long) or a Currency (a whole number of ten-thousandths), from its stored
// bytes, checked against the reader's text as the others are.
std::string wholeCell(long long n, bool money, const char* bound) {
    char check[48];
    if (money) {
        const unsigned long long magnitude =
            n < 0 ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
        std::snprintf(check, sizeof check, "%s%llu.%04llu", n < 0 ? "-" : "", magnitude / 10000, magnitude % 10000);
    } else {
        std::snprintf(check, sizeof check, "%lld", n);
    }
    if (std::strcmp(check, bound) != 0) return std::string("t:") + bound;
    std::snprintf(check, sizeof check, "%c:%lld", money ? 'c' : 'i', n);
    return check;
}

long long storedMoney(const unsigned char* at) {
    unsigned long long v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | at[i];
    return static_cast<long long>(v);
}

// The stored bits of a fixed-size value, taken only when formatting them gives the
// reader's own text back: then they are the value that text was made from.
std::string cell(MdbHandle* mdb, MdbColumn* col, const char* bound) {
    const int start = col->cur_value_start;
    const bool inPage = start >= 0 && start + col->cur_value_len <= int(sizeof mdb->pg_buf);
    switch (col->col_type) {
    case MDB_FLOAT:
        if (inPage && col->cur_value_len == 4) return singleCell(mdb_get_single(mdb->pg_buf, start), bound);
        return std::string("t:") + bound;
    case MDB_DOUBLE:
    case MDB_DATETIME:
        if (inPage && col->cur_value_len == 8)
            return wideCell(mdb_get_double(mdb->pg_buf, start), col->col_type == MDB_DATETIME, bound);
        return col->col_type == MDB_DOUBLE ? std::string("t:") + bound : std::string("t:?");
    case MDB_INT:
        if (inPage && col->cur_value_len == 2) return wholeCell(mdb_get_int16(mdb->pg_buf, start), false, bound);
        return std::string("t:") + bound;
    case MDB_LONGINT:
        if (inPage && col->cur_value_len == 4) return wholeCell(mdb_get_int32(mdb->pg_buf, start), false, bound);
        return std::string("t:") + bound;
    case MDB_MONEY:
        if (inPage && col->cur_value_len == 8)
            return wholeCell(storedMoney(reinterpret_cast<const unsigned char*>(mdb->pg_buf) + start), true, bound);
        return std::string("t:") + bound;
    case MDB_NUMERIC:
        // A Decimal's bytes have a scale of their column: its text is the reader's exact decimal.
        return std::string("t:") + bound;
    default:
        return "o";
    }
}

void header(MdbTableDef* table) {
    std::printf("T\t%s\t%u\t%u\n", escaped(table->name).c_str(), table->num_rows, table->num_cols);
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        std::printf("C\t%d\t%s\n", col->col_type, escaped(col->name).c_str());
    }
}

void rows(MdbHandle* mdb, MdbTableDef* table) {
    const unsigned n = table->num_cols;
    std::vector<std::vector<char>> text(n, std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> length(n, 0);
    for (unsigned i = 0; i < n; ++i)
        mdb_bind_column(table, int(i) + 1, text[i].data(), &length[i]);
    mdb_rewind_table(table);
    unsigned long count = 0;
    std::string line;
    while (mdb_fetch_row(table)) {
        line = "R";
        for (unsigned i = 0; i < n; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            line += '\t';
            // A value is there when the reader found its bytes, even where its text came out empty (see wideCell).
            if (length[i] > 0 || (col->col_type == MDB_DATETIME && col->cur_value_len > 0))
                line += cell(mdb, col, text[i].data());
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        ++count;
    }
    std::printf("E\t%lu\n", count);
}

// One table: its header, and in read mode its rows. A table listed but not there to read is
// printed with rows -1: the caller must hear of it, not miss it.
void table(MdbHandle* mdb, MdbCatalogEntry* entry, bool reading) {
    std::fflush(stdout);
    std::fprintf(stderr, "\x01T\t%s\n", escaped(entry->object_name).c_str());
    MdbTableDef* def = mdb_read_table(entry);
    if (!def) {
        std::printf("T\t%s\t-1\t0\n", escaped(entry->object_name).c_str());
        return;
    }
    mdb_read_columns(def);
    header(def);
    if (reading) rows(mdb, def);
    mdb_free_tabledef(def);
}

// A damaged file can make the reader ask for absurd amounts: it fails here, not the machine.
// (AddressSanitizer reserves far more address space than this, so its builds go without.)
void limitMemory() {
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
    const rlimit memory{rlim_t(1) << 31, rlim_t(1) << 31};
    setrlimit(RLIMIT_AS, &memory);
#endif
}

// The file's name as the reader can open it. On Windows the reader takes a name in the system's code page,
// where a folder named in Romanian ("Încercare") may have no spelling: the file's short name, all ASCII,
// is given instead, from the name as Windows passed it, in full.
std::string openableName(const char* given) {
#if defined(_WIN32)
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string out = given;
    if (wide && count > 2) {
        wchar_t shortName[32768];
        const DWORD n = GetShortPathNameW(wide[2], shortName, DWORD(std::size(shortName)));
        const wchar_t* name = n > 0 && n < std::size(shortName) ? shortName : wide[2];
        const int bytes = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            std::string converted(size_t(bytes), '\0');
            WideCharToMultiByte(CP_ACP, 0, name, -1, converted.data(), bytes, nullptr, nullptr);
            converted.resize(size_t(bytes) - 1);
            out = converted;
        }
    }
    LocalFree(wide);
    return out;
#else
    return given;
#endif
}

// Every user table, or in read mode the named ones; how many were printed.
int userTables(MdbHandle* mdb, bool reading, char** names, int count) {
    int found = 0;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
        bool wanted = !reading;
        for (int a = 0; a < count && !wanted; ++a)
            wanted = sameText(entry->object_name, names[a]);
        if (!wanted) continue;
        table(mdb, entry, reading);
        ++found;
    }
    return found;
}

} // namespace

int main(int argc, char* argv[]) {
    // No setlocale: the reader's text of numbers and dates stays in the C locale, with a point.
    limitMemory();
#if defined(_WIN32)
    // Lines end in "\n" alone, as the program reads them; a text stream would add "\r" to each.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 3 || (std::strcmp(argv[1], "tables") != 0 && std::strcmp(argv[1], "read") != 0)) {
        std::fprintf(stderr, "folosire: zorvel-access tables FISIER | read FISIER TABEL...\n");
        return WrongUse;
    }
    const bool reading = std::strcmp(argv[1], "read") == 0;
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    MdbHandle* mdb = mdb_open(openableName(argv[2]).c_str(), MDB_NOFLAGS);
    if (!mdb) return NotOpened;
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        return NotOpened;
    }
    std::printf("ZORVEL-ACCESS 1\nV\t%u\n", unsigned(mdb->f->jet_version));
    const int found = userTables(mdb, reading, argv + 3, argc - 3);
    mdb_close(mdb);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return Failed;
    return reading && found < argc - 3 ? Failed : Done;
}
