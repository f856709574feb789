#include "CliGrammarFiles.h"

#include "CardTypes.h"
#include "CliGrammar.h"

#include <QStringList>

namespace cli {

namespace {

QString dashed(const char* name) { return QStringLiteral("--") + QLatin1String(name); }

QString compgen(const QString& words) {
    return QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\"))").arg(words);
}

QString commandNames(bool cardImageOnly) {
    QStringList names;
    for (const Command& c : Commands())
        if (!cardImageOnly || c.cardImage) names << QLatin1String(c.name);
    return names.join(QStringLiteral(" | "));
}

QString modeWords() {
    QStringList words{QStringLiteral("auto")};
    for (const CardTypeInfo& t : CardTypeTable())
        if (t.code != 0) words << QString::number(t.code);
    return words.join(QLatin1Char(' '));
}

// The case arm that completes `o`'s value after it; empty when the option
// offers nothing of its own.
QString valueArm(const Option& o) {
    const QString name = dashed(o.name);
    switch (o.kind) {
    case ValueKind::Switch:
    case ValueKind::Text: return QString();
    case ValueKind::Reader:
        return QStringLiteral("    %1) _kuvora_readers \"$cur\"; __ltrim_colon_completions \"$cur\"; return ;;\n").arg(name);
    case ValueKind::Mode: return QStringLiteral("    %1) %2; return ;;\n").arg(name, compgen(modeWords()));
    case ValueKind::File: return QStringLiteral("    %1) _filedir; return ;;\n").arg(name);
    case ValueKind::Choice:
    case ValueKind::Suggest: break;
    }
    QString perCommand;
    for (const Command& c : Commands()) {
        const CommandOption* own = FindCommandOption(c, QLatin1String(o.name));
        if (own && own->words)
            perCommand += QStringLiteral("        %1) %2 ;;\n").arg(QLatin1String(c.name), compgen(QLatin1String(own->words)));
    }
    if (perCommand.isEmpty()) return QStringLiteral("    %1) %2; return ;;\n").arg(name, compgen(QLatin1String(o.words)));
    if (o.words) perCommand += QStringLiteral("        *) %1 ;;\n").arg(compgen(QLatin1String(o.words)));
    return QStringLiteral("    %1)\n        case $command in\n%2        esac\n        return ;;\n").arg(name, perCommand);
}

constexpr const char* kReaders = R"(# The reader names: the forms, and files after image:.
_kuvora_readers() {
    local cur=$1
    if [[ $cur == image:* ]]; then
        local IFS=$'\n' f
        COMPREPLY=()
        for f in $(compgen -f -- "${cur#image:}"); do
            [[ -d $f ]] && f+=/
            COMPREPLY+=("image:$f")
        done
        compopt -o nospace 2>/dev/null
        return
    fi
    COMPREPLY=($(compgen -W 'auto pcsc pcsc: usb usb: nfc nfc: image:' -- "$cur"))
    [[ ${COMPREPLY[*]} == *: ]] && compopt -o nospace 2>/dev/null
}
)";

// The manual's form of `o` as `command` takes it.
QString synopsisOption(const Option& o, bool required) {
    QString text = QStringLiteral("\\fB\\-\\-%1\\fR").arg(QString::fromLatin1(o.name).replace(QLatin1Char('-'), QStringLiteral("\\-")));
    if (o.valueName) text += QStringLiteral(" \\fI%1\\fR").arg(QLatin1String(o.valueName));
    return required ? text : QLatin1Char('[') + text + QLatin1Char(']');
}

}  // namespace

QString CompletionScript() {
    QString script = QStringLiteral(
        "# bash completion for kuvora-cli                          -*- shell-script -*-\n"
        "# Made from kuvora-cli's command table (app/cli/CliGrammar.cpp) by the build\n"
        "# target cli_grammar_files: change the table, not this file.\n\n");
    script += QLatin1String(kReaders);
    script += QStringLiteral("\n_kuvora_cli() {\n"
                             "    local cur prev words cword\n"
                             "    _init_completion -n : || return\n"
                             "    local command= i\n"
                             "    for ((i = 1; i < cword; i++)); do\n"
                             "        case ${words[i]} in\n"
                             "        %1) command=${words[i]}; break ;;\n"
                             "        esac\n"
                             "    done\n\n"
                             "    case $prev in\n")
                  .arg(commandNames(false));
    QStringList quiet;
    for (const Option& o : Options()) {
        const QString arm = valueArm(o);
        script += arm;
        if (arm.isEmpty() && o.kind != ValueKind::Switch) quiet << dashed(o.name);
    }
    if (!quiet.isEmpty()) script += QStringLiteral("    %1) return ;;\n").arg(quiet.join(QStringLiteral(" | ")));
    QStringList names;
    for (const Command& c : Commands()) names << QLatin1String(c.name);
    script += QStringLiteral("    esac\n\n"
                             "    if [[ -z $command ]]; then\n"
                             "        %1\n"
                             "        return\n"
                             "    fi\n"
                             "    # A card image file after the commands that read one.\n"
                             "    case $command in\n"
                             "    %2) [[ $cur != -* ]] && { _filedir json; return; } ;;\n"
                             "    esac\n"
                             "    local options\n"
                             "    case $command in\n")
                  .arg(compgen(names.join(QLatin1Char(' ')) + QStringLiteral(" --help --version")), commandNames(true));
    for (const Command& c : Commands()) {
        QStringList options;
        for (const CommandOption& o : c.options) options << dashed(o.name);
        script += QStringLiteral("    %1) options='%2' ;;\n").arg(QLatin1String(c.name), options.join(QLatin1Char(' ')));
    }
    script += QStringLiteral("    esac\n"
                             "    COMPREPLY=($(compgen -W \"$options --help\" -- \"$cur\"))\n"
                             "} &&\n"
                             "    complete -F _kuvora_cli kuvora-cli\n\n"
                             "# ex: filetype=sh\n");
    return script;
}

QString WithSynopsis(const QString& page) {
    const QString heading = QStringLiteral(".SH SYNOPSIS\n");
    const qsizetype start = page.indexOf(heading);
    if (start < 0) return page;
    const qsizetype body = start + heading.size();
    qsizetype end = page.indexOf(QStringLiteral("\n.SH "), body);
    end = end < 0 ? page.size() : end + 1;
    QStringList lines;
    for (const Command& c : Commands()) {
        QStringList parts;
        for (const CommandOption& own : c.options)
            parts << synopsisOption(*FindOption(QLatin1String(own.name)), own.required);
        if (c.cardImage) parts << QStringLiteral("[\\fI%1\\fR]").arg(QLatin1String(kCardImageName));
        lines << QStringLiteral(".B kuvora-cli %1\n%2\n").arg(QLatin1String(c.name), parts.join(QLatin1Char(' ')));
    }
    return page.left(body) + lines.join(QStringLiteral(".br\n")) + page.mid(end);
}

}  // namespace cli
