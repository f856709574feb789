// kuvora-cli's grammar: every command with the options it takes, and the
// texts of its help. The parser, the usage texts, each command's --help, the
// bash completion and the manual's synopsis are all made from these tables,
// and the texts a user reads live here, in one place.
// The tables are constant data: nothing runs for them when the program starts.
#pragma once

#include "CliCommands.h"

#include <QString>
#include <QStringList>

#include <span>

namespace cli {

// What an option's value is, for the checks and for the shell's completion.
enum class ValueKind : unsigned char {
    Switch,  // no value
    Text,    // any text
    Reader,  // a reader name
    Mode,    // a card type code or auto
    File,    // a file name
    Choice,  // one of the words given (checked)
    Suggest, // any text; the words given are offered
};

struct Option {
    const char* name;        // without the leading "--"
    const char* valueName;   // "R"; null for a switch
    ValueKind kind;
    const char* words;       // Choice, Suggest: the words, separated by blanks
    const char* help;        // unless a command gives its own
    QString CliOptions::*text = nullptr;  // where the value goes
    bool CliOptions::*flag = nullptr;     // where a switch goes
};

// An option as one command takes it.
struct CommandOption {
    const char* name;
    const char* help = nullptr;   // the command's own help, else the option's
    const char* words = nullptr;  // the command's own words (Choice), else the option's
    bool required = false;
};

struct Command {
    const char* name;
    const char* summary;
    // Whether a card image file may be named after the command, read as
    // with --reader image:FILE.
    bool cardImage;
    std::span<const CommandOption> options;
};

std::span<const Option> Options();
std::span<const Command> Commands();
const Option* FindOption(const QString& name);
const Command* FindCommand(const QString& name);
// `command`'s entry for the option `name`, or null when it does not take it.
const CommandOption* FindCommandOption(const Command& command, const QString& name);
// The words an option takes as `command` takes it (blank-separated).
const char* WordsOf(const Command& command, const Option& option);
// The options every command takes and the ones only `kuvora-cli --help`,
// `kuvora-cli --version` take.
inline constexpr const char* kHelpOption = "help";
inline constexpr const char* kVersionOption = "version";

// The name a card image after the command is shown as.
inline constexpr const char* kCardImageName = "CARD_IMAGE";

// `kuvora-cli --help`: every command and every option.
QString UsageText();
// `kuvora-cli COMMAND --help`: the usage line, what it does and its options,
// and nothing of the other commands' options.
QString CommandHelp(const Command& command);

// The nearest of `candidates` to `typed` when one is near enough to be what
// was meant (a letter or two off, swapped, or `typed` begins it), else empty.
QString NearestName(const QString& typed, const QStringList& candidates);

}  // namespace cli
