#include "cli/commandline.h"

#include "cli/actions.h"
#include "core/store/outputfile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QHash>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using Cli::Format;
using Cli::Request;

QCommandLineOption optionOf(const CliOption& o) {
    const QString name = QString::fromLatin1(o.name);
    if (!o.value) return QCommandLineOption(name);
    return QCommandLineOption(name, QString(), QString::fromLatin1(o.value),
                              o.fallback ? QString::fromLatin1(o.fallback) : QString());
}

// Every option any action takes, each once, and help and version.
void addOptions(QCommandLineParser& p) {
    QStringList seen;
    const auto add = [&](const CliOption& o) {
        if (seen.contains(QLatin1String(o.name))) return;
        seen << QString::fromLatin1(o.name);
        p.addOption(optionOf(o));
    };
    for (const CliAction& a : cliActions()) {
        add(a.option);
        for (const CliOption& o : a.options)
            add(o);
    }
    p.addOptions({QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
                  QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")})});
}

// Reads the options; an empty text means they are fine.
QString parse(Request& r, const QStringList& arguments, const QDate& today) {
    addOptions(r.parser);
    if (!r.parser.parse(QStringList{QStringLiteral("zorvel")} + arguments)) {
        if (!r.parser.unknownOptionNames().isEmpty())
            return QStringLiteral("optiune necunoscuta: ") + r.parser.unknownOptionNames().join(QStringLiteral(", "));
        return QStringLiteral("optiune fara valoare (") + r.parser.errorText() + u')';
    }
    const QString format = r.parser.value(QStringLiteral("format"));
    if (format == u"csv")
        r.format = Format::Csv;
    else if (format == u"json")
        r.format = Format::Json;
    else if (format != u"text")
        return QStringLiteral("format necunoscut: ") + format + QStringLiteral(" (text, csv, json)");
    r.day = today;
    if (r.parser.isSet(QStringLiteral("date"))) {
        r.day = QDate::fromString(r.parser.value(QStringLiteral("date")), Qt::ISODate);
        if (!r.day.isValid())
            return QStringLiteral("data invalida: ") + r.parser.value(QStringLiteral("date")) +
                   QStringLiteral(" (forma: 2022-03-08)");
    }
    return {};
}

// An option given twice, or one that does not go with the action, is wrong use, not silently dropped.
QString misplaced(const QCommandLineParser& p, const CliAction& action) {
    const QString chosen = QString::fromLatin1(action.option.name);
    for (const QString& name : p.optionNames()) {
        if (p.values(name).size() > 1 || p.optionNames().count(name) > 1)
            return QStringLiteral("optiunea --%1 este data de doua ori.").arg(name);
        const bool takes = std::any_of(action.options.begin(), action.options.end(),
                                       [&](const CliOption& o) { return name == QLatin1String(o.name); });
        if (name != chosen && !takes) return QStringLiteral("optiunea --%1 nu merge cu --%2.").arg(name, chosen);
    }
    return {};
}

// The one action asked for, with only the options it takes.
Outcome<const CliAction*> chosenAction(const Request& r) {
    using R = Outcome<const CliAction*>;
    std::vector<const CliAction*> chosen;
    QStringList names;
    for (const CliAction& a : cliActions()) {
        names << QStringLiteral("--") + QString::fromLatin1(a.option.name);
        if (r.parser.isSet(QString::fromLatin1(a.option.name))) chosen.push_back(&a);
    }
    if (chosen.size() != 1)
        return R::failure(QStringLiteral("alegeti una dintre %1.").arg(names.join(QStringLiteral(", "))));
    const CliAction* action = chosen.front();
    if (r.parser.isSet(QStringLiteral("repair")) && QLatin1String(action->option.name) != QLatin1String("verify"))
        return R::failure(QStringLiteral("--repair merge doar cu --verify."));
    if (const QString wrong = misplaced(r.parser, *action); !wrong.isEmpty()) return R::failure(wrong);
    if (!r.parser.positionalArguments().isEmpty() && !action->positional)
        return R::failure(QStringLiteral("argument neasteptat: ") + r.parser.positionalArguments().front());
    return action;
}

} // namespace

QString CommandLine::helpText() {
    QString text = QStringLiteral("Folosire: zorvel [optiuni]\n"
                                  "Fara optiuni porneste fereastra programului.\n\n");
    for (const CliAction& a : cliActions())
        text += QString::fromLatin1(a.help);
    return text +
           QStringLiteral("  --format text|csv|json        forma rezultatului (implicit text; lista: csv)\n"
                          "  -h, --help                    acest text\n"
                          "  -v, --version                 versiunea programului\n\n"
                          "Datele se scriu AAAA-LL-ZZ. Numerele: in text si csv cu virgula zecimala; csv ca\n"
                          "fisierele programului: punct si virgula intre campuri, antet, ghilimele unde un camp\n"
                          "are virgula sau punct si virgula, zilele AAAA-LL-ZZ, randuri terminate CRLF; in json\n"
                          "numere cu zecimalele BNR, sau text unde un numar ar pierde cifre.\n"
                          "Iesire: 0 reusit, 1 eroare (sau zile lipsa, sau un curs mai vechi decat ziua care se\n"
                          "aplica), 2 folosire gresita, 3 actualizat, dar cu unele cursuri ilizibile lasate goale.\n");
}

int CommandLine::run(const QStringList& arguments, const Context& context, QTextStream& out, QTextStream& err) {
    Request r;
    if (const QString wrong = parse(r, arguments, context.today); !wrong.isEmpty())
        return Cli::fail(err, wrong + QStringLiteral("\nVedeti zorvel --help."), WrongUse);
    if (r.parser.isSet(QStringLiteral("help"))) return out << helpText() << Qt::flush, Done;
    if (r.parser.isSet(QStringLiteral("version"))) return out << "zorvel " << context.version << Qt::endl, Done;
    const auto action = chosenAction(r);
    if (!action) return Cli::fail(err, action.error(), WrongUse);
    if (!r.parser.isSet(QStringLiteral("format"))) r.format = (*action)->output;
    if (context.prepareDatabase) {
        const Outcome<QString> ready = context.prepareDatabase();
        if (!ready) return Cli::fail(err, ready.error(), Failed);
        if (!ready->isEmpty()) err << *ready << Qt::endl;
    }
    return (*action)->run(r, context, out, err);
}

namespace {

// A standard stream the caller closed: /dev/null takes its number, so no file the program opens
// later (a list, the history) can be written to by mistake as if it were the output.
#ifdef _WIN32
bool reserveIfClosed(int fd) {
    if (_get_osfhandle(fd) != -1) return false;
    const int null = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
    if (null >= 0 && null != fd) {
        _dup2(null, fd);
        _close(null);
    }
    return true;
}

// Only a file on a disk has anything to flush; a pipe would wait for its reader.
int syncOutput() {
    const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(1));
    if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK) return 0;
    return FlushFileBuffers(h) ? 0 : (errno = EIO, -1);
}
#else
bool reserveIfClosed(int fd) {
    if (::fcntl(fd, F_GETFD) != -1) return false;
    const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
    }
    return true;
}

int syncOutput() {
    return ::fsync(1);
}
#endif

// Writes all of it, or says why not.
QString writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return OutputFile::causeOf(n < 0 ? errno : ENOSPC);
        done += n;
    }
    return {};
}

} // namespace

bool CommandLine::guardStandardStreams() {
#ifdef _WIN32
    // A windowed program started from a console has no streams of its own: it borrows that console's.
    if (GetStdHandle(STD_OUTPUT_HANDLE) == nullptr && AttachConsole(ATTACH_PARENT_PROCESS)) {
        (void)std::freopen("CONOUT$", "w", stdout);
        (void)std::freopen("CONOUT$", "w", stderr);
    }
#endif
    reserveIfClosed(0);
    const bool outClosed = reserveIfClosed(1);
    reserveIfClosed(2);
    return outClosed;
}

int CommandLine::runOnConsole(const QStringList& arguments, const Context& context, bool outClosed) {
#ifdef SIGXFSZ
    // Past a file size limit a write fails instead of ending the program without a word; it is said.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
    // Bytes as written: text mode would turn the CSV's CRLF into CR CR LF.
    _setmode(1, _O_BINARY);
#endif
    QFile errFile;
    errFile.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream err(&errFile);
    // The result is gathered and written at the end, where every byte of it is checked.
    QString text;
    QTextStream out(&text);
    const int exit = run(arguments, context, out, err);
    out.flush();
    const QByteArray bytes = text.toUtf8();
    QString why;
    if (!bytes.isEmpty()) why = outClosed ? OutputFile::causeOf(EBADF) : writeAll(1, bytes);
    // Written to a file: on the disk before success is said (a pipe or a terminal has nothing to sync).
    if (why.isEmpty() && !outClosed && syncOutput() != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP &&
        errno != EBADF)
        why = OutputFile::causeOf(errno);
    if (why.isEmpty() && ::close(1) != 0 && !outClosed) why = OutputFile::causeOf(errno);
    if (why.isEmpty()) return exit;
    err << QStringLiteral("zorvel: rezultatul nu poate fi scris: ") << why << Qt::endl;
    return exit == Done ? Failed : exit;
}
