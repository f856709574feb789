#include "CliParser.h"

#include "CliGrammar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// An option as it stood on the command line.
struct GivenOption {
    QString typed;              // as typed, without "=VALUE"
    const cli::Option* option;  // null when no command has it
    QString value;
    bool hasValue = false;
};

bool named(const cli::Option* o, const char* name) { return o && std::strcmp(o->name, name) == 0; }

QString dashed(const char* name) { return QStringLiteral("--") + QLatin1String(name); }

// "a, b and c"
QString listed(const QStringList& names, const QString& last) {
    if (names.size() < 2) return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QLatin1Char(' ') + last + QLatin1Char(' ') +
           names.last();
}

QStringList wordsOf(const char* words) {
    return words ? QString::fromLatin1(words).split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList();
}

// Why `given` does not fit `command`, with the name probably meant; empty
// when it fits.
QString optionProblem(const GivenOption& given, const cli::Command* command, QString& hint) {
    const cli::Option* o = given.option;
    if (!o) {
        QStringList names;
        if (command) {
            for (const cli::CommandOption& c : command->options) names << QLatin1String(c.name);
            names << QLatin1String(cli::kHelpOption);
        } else {
            for (const cli::Option& each : cli::Options()) names << QLatin1String(each.name);
        }
        QString typed = given.typed;
        while (typed.startsWith(QLatin1Char('-'))) typed.remove(0, 1);
        hint = cli::NearestName(typed, names);
        if (!hint.isEmpty()) hint.prepend(QStringLiteral("--"));
        return QStringLiteral("unknown option ") + given.typed;
    }
    const QString name = dashed(o->name);
    const bool global = named(o, cli::kHelpOption) || named(o, cli::kVersionOption);
    if (command && !global && !cli::FindCommandOption(*command, QLatin1String(o->name))) {
        QStringList takers;
        for (const cli::Command& c : cli::Commands())
            if (cli::FindCommandOption(c, QLatin1String(o->name))) takers << QLatin1String(c.name);
        return QStringLiteral("%1 belongs to %2, not to %3")
            .arg(name, listed(takers, QStringLiteral("and")), QLatin1String(command->name));
    }
    if (o->kind == cli::ValueKind::Switch) {
        return given.hasValue && !global ? name + QStringLiteral(" takes no value") : QString();
    }
    if (given.value.isEmpty()) return name + QStringLiteral(" needs a value");
    if (o->kind == cli::ValueKind::Choice && command) {
        const QStringList words = wordsOf(cli::WordsOf(*command, *o));
        if (!words.contains(given.value)) {
            hint = cli::NearestName(given.value, words);
            return QStringLiteral("%1 %2: expected %3").arg(name, given.value, listed(words, QStringLiteral("or")));
        }
    }
    return QString();
}

// The command of this process's usage errors.
const cli::Command* g_usageCommand = nullptr;

}  // namespace

ParsedCommandLine ParseCliArguments(const QStringList& args) {
    ParsedCommandLine parsed;
    std::vector<GivenOption> given;
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (a == QLatin1String("-h")) {
            parsed.help = true;
            continue;
        }
        GivenOption g;
        const qsizetype equals = a.indexOf(QLatin1Char('='));
        g.typed = equals < 0 ? a : a.left(equals);
        g.hasValue = equals >= 0;
        if (g.hasValue) g.value = a.mid(equals + 1);
        g.option = g.typed.startsWith(QLatin1String("--")) ? cli::FindOption(g.typed.mid(2)) : nullptr;
        if (g.option && g.option->valueName && !g.hasValue && i + 1 < args.size()) {
            g.value = args[++i];
            g.hasValue = true;
        }
        if (named(g.option, cli::kHelpOption)) parsed.help = true;
        if (named(g.option, cli::kVersionOption)) parsed.version = true;
        given.push_back(std::move(g));
    }

    CliOptions& options = parsed.options;
    // The command is the first argument; but an unknown option's value looks
    // like an argument, so after one the command may come later.
    qsizetype commandAt = positional.isEmpty() ? -1 : 0;
    const bool unknownOption =
        std::any_of(given.begin(), given.end(), [](const GivenOption& g) { return g.option == nullptr; });
    if (unknownOption && commandAt == 0 && !cli::FindCommand(positional.first())) {
        for (qsizetype i = 1; i < positional.size() && commandAt == 0; ++i)
            if (cli::FindCommand(positional[i])) commandAt = i;
    }
    if (commandAt >= 0) options.command = positional.takeAt(commandAt);
    const cli::Command* command = cli::FindCommand(options.command);
    if (parsed.help) return parsed;
    auto fail = [&parsed](const QString& error, const QString& hint = QString()) {
        parsed.error = error;
        parsed.hint = hint;
        return parsed;
    };
    if (!options.command.isEmpty() && !command) {
        QStringList names;
        for (const cli::Command& c : cli::Commands()) names << QLatin1String(c.name);
        return fail(QStringLiteral("unknown command ") + options.command, cli::NearestName(options.command, names));
    }
    std::vector<const cli::Option*> seen;
    for (const GivenOption& g : given) {
        QString hint;
        const QString problem = optionProblem(g, command, hint);
        if (!problem.isEmpty()) return fail(problem, hint);
        if (std::find(seen.begin(), seen.end(), g.option) != seen.end())
            return fail(dashed(g.option->name) + QStringLiteral(" is given twice"));
        seen.push_back(g.option);
        if (g.option->text) options.*(g.option->text) = g.value;
        if (g.option->flag) options.*(g.option->flag) = true;
    }
    if (parsed.version) return parsed;
    if (!command) return fail(QStringLiteral("no command given"));
    if (command->cardImage && !positional.isEmpty()) {
        if (!options.reader.isEmpty())
            return fail(QStringLiteral("a card image file and --reader exclude each other"));
        options.reader = QStringLiteral("image:") + positional.takeFirst();
    }
    if (!positional.isEmpty()) return fail(QStringLiteral("unexpected argument ") + positional.first());
    for (const cli::CommandOption& o : command->options) {
        const cli::Option& option = *cli::FindOption(QLatin1String(o.name));
        if (o.required && std::find(seen.begin(), seen.end(), &option) == seen.end())
            return fail(dashed(o.name) + QLatin1Char(' ') + QLatin1String(option.valueName) +
                        QStringLiteral(" is missing"));
    }
    return parsed;
}

QString UsageErrorLine(const QString& command, const QString& problem, const QString& hint) {
    const QString prefix = command.isEmpty() ? QString() : command + QStringLiteral(": ");
    QString line = QStringLiteral("kuvora-cli: ") + prefix + problem;
    if (!hint.isEmpty()) line += QStringLiteral("; did you mean %1?").arg(hint);
    return line + QStringLiteral(" (see kuvora-cli %1--help)").arg(command.isEmpty() ? QString() : command + QLatin1Char(' '));
}

void SetUsageCommand(const QString& command) { g_usageCommand = cli::FindCommand(command); }

int UsageError(const QString& problem, const QString& hint) {
    const QString command = g_usageCommand ? QLatin1String(g_usageCommand->name) : QString();
    std::fprintf(stderr, "%s\n", UsageErrorLine(command, problem, hint).toUtf8().constData());
    return ExitUsage;
}
