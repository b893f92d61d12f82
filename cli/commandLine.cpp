// SPDX-License-Identifier: MIT
#include "commandLine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

namespace {

const commandLine::option helpOption = {"help", 'h', nullptr, "Show this help and exit."};
const commandLine::option versionOption = {"version", 'v', nullptr, "Show the version and exit."};
// Qt's parser, which the programs once used, took it; kept out of the help.
const commandLine::option helpAllOption = {"help-all", 0, nullptr, nullptr};

int failureStatus = 1;
const char *programName = "";
int closedStreams = 0;

// Running out of memory throws wherever it happens, inside Qt as well, which
// cannot be unwound safely. Nothing catches it: unhandled, it comes here
// before any destructor runs, and the program ends with the one line any
// failure gets. Only the bytes of the message are needed to say it. Ended
// without an exception (a pure virtual call), it aborts as by default.
[[noreturn]] void endOnException()
{
    if (!std::current_exception())
        std::abort();
    try {
        std::rethrow_exception(std::current_exception());
    } catch (const std::bad_alloc &) {
        const char *const reason = std::strerror(ENOMEM);
        std::fprintf(stderr, "%s: %s\n", programName, reason);
        std::_Exit(failureStatus);
    } catch (...) {
    }
    std::abort();
}

} // namespace

commandLine::commandLine(program info) : about(std::move(info))
{
    closedStreams = holdStandardStreams();
    failureStatus = about.failureStatus;
    programName = about.name;
    std::set_terminate(endOnException);
}

int commandLine::run(int argc, char *argv[], const std::function<int()> &work)
{
    if (const std::optional<int> done = parse(systemArguments(argc, argv)))
        return finish(*done);
    return finish(work());
}

std::optional<int> commandLine::parse(const QList<QByteArray> &arguments)
{
    std::vector<option> known = about.options;
    known.push_back(helpOption);
    known.push_back(versionOption);
    known.push_back(helpAllOption);
    bool optionsEnded = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments.at(i);
        if (optionsEnded || argument == "-" || !argument.startsWith('-')) {
            positional.append(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        // One dash or two: "-grid" is "--grid", and "-style" one unknown
        // option rather than five short ones.
        QByteArray name = argument.mid(argument.startsWith("--") ? 2 : 1);
        const int equals = name.indexOf('=');
        const QByteArray given = equals < 0 ? QByteArray() : name.mid(equals + 1);
        if (equals >= 0)
            name.truncate(equals);
        const option *found = nullptr;
        for (const option &candidate : known)
            if (name == candidate.name || (name.size() == 1 && name.at(0) == candidate.letter))
                found = &candidate;
        if (!found)
            return usage("Unknown option '" + escaped(name) + "'");
        const QByteArray spelled = equals < 0 ? argument : argument.left(argument.indexOf('='));
        if (found->valueName && equals < 0) {
            if (i + 1 == arguments.size())
                return usage("Missing value after '" + escaped(spelled) + "'");
            values.append(arguments.at(++i));
        } else if (found->valueName) {
            values.append(given);
        } else if (equals >= 0) {
            return usage("Unexpected value after '" + escaped(spelled) + "'");
        } else {
            values.append(QByteArray());
        }
        setNames.append(found->name);
    }
    if (isSet(helpOption.name) || isSet(helpAllOption.name)) {
        print(help());
        return 0;
    }
    if (isSet(versionOption.name)) {
        print(QByteArray(about.name) + ' ' + about.version + '\n');
        return 0;
    }
    if (positional.isEmpty())
        return usage("no map file given");
    if (about.maxNames >= 0 && positional.size() > about.maxNames)
        return usage("too many arguments");
    if (positional.contains(QByteArray()))
        return usage("an empty name was given");
    return std::nullopt;
}

bool commandLine::closedAtStart(int fd)
{
    return fd >= 0 && fd <= 2 && (closedStreams >> fd & 1);
}

bool commandLine::isSet(const char *name) const
{
    return setNames.contains(name);
}

QByteArray commandLine::value(const char *name) const
{
    // The last one given counts, as with most programs.
    const int index = setNames.lastIndexOf(name);
    return index < 0 ? QByteArray() : values.at(index);
}

QByteArray commandLine::help() const
{
    std::vector<option> listed = about.options;
    listed.push_back(helpOption);
    listed.push_back(versionOption);
    QList<QByteArray> spellings;
    int width = 0;
    for (const option &each : listed) {
        QByteArray spelling = each.letter ? QByteArray("-") + each.letter + ", --" + each.name
                                          : QByteArray("--") + each.name;
        if (each.valueName)
            spelling += QByteArray(" ") + each.valueName;
        width = qMax(width, int(spelling.size()));
        spellings.append(spelling);
    }
    QByteArray text = QByteArray("Usage: ") + about.name + ' ' + about.synopsis + '\n'
        + about.description + "\nOptions:\n";
    const QByteArray indent(width + 4, ' ');
    for (size_t i = 0; i < listed.size(); ++i)
        text += "  " + spellings.at(int(i)).leftJustified(width + 2, ' ')
            + QByteArray(listed[i].help).replace("\n", "\n" + indent) + '\n';
    return text;
}

int commandLine::fail(int status, const QByteArray &name, const QString &reason) const
{
    QByteArray line = QByteArray(about.name) + ": ";
    if (!name.isEmpty())
        line += escaped(name) + ": ";
    writeStream(stderr, line + encodedReason(reason) + '\n');
    return status;
}

int commandLine::usage(const QByteArray &reason) const
{
    writeStream(stderr, QByteArray(about.name) + ": " + reason + " (usage: " + about.name + ' '
               + about.synopsis + ", or --help)\n");
    return usageStatus;
}

QString commandLine::reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray commandLine::escaped(const QByteArray &name)
{
    QByteArray text;
    for (const char byte : name) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x20 && value != 0x7F)
            text += byte;
        else if (byte == '\n')
            text += "\\n";
        else if (byte == '\t')
            text += "\\t";
        else if (byte == '\r')
            text += "\\r";
        else
            text += "\\x" + QByteArray::number(value, 16).rightJustified(2, '0');
    }
    return text;
}

void commandLine::print(const QByteArray &bytes)
{
    if (outputError)
        return;
    printed = true;
    // Writing to what holds a descriptor closed at start would pass for success.
    if (closedAtStart(1)) {
        outputError = EBADF;
        return;
    }
    errno = 0;
    if (!writeStream(stdout, bytes))
        outputError = errno ? errno : EIO;
}

int commandLine::flushOutput()
{
    if (!outputError && std::fflush(stdout) != 0)
        outputError = errno;
    outputErrorTaken = outputError != 0;
    return outputError;
}

// As coreutils' close_stdout: what is still held is written, and closing
// tells of a write the system only now found failed (NFS). A descriptor that
// was never open and never written to is no failure.
int commandLine::finish(int status)
{
    if (!outputError && std::fflush(stdout) != 0)
        outputError = errno;
    if (std::fclose(stdout) != 0 && !outputError && (errno != EBADF || printed))
        outputError = errno;
    if (outputError && !outputErrorTaken)
        return fail(about.failureStatus, "write error", reasonOf(outputError));
    return status;
}
