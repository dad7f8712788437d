// The command line, option by option from one table.
#include "app/console/arguments.h"

#include "app/messages.h"

#include <array>
#include <string_view>

namespace brisel {
namespace {

struct Option {
    std::u16string_view name;        // the long name, without "--"
    std::u16string_view germanName;  // the German long name beside an English one, or empty
    std::u16string_view shortName;   // "-q", or empty
    bool takesValue;
    // Applies the option; an error text when it clashes with an earlier one.
    std::u16string (*apply)(Invocation& invocation, std::u16string_view value);
};

std::u16string setMode(Invocation& invocation, WriteMode mode) {
    if (invocation.mode && *invocation.mode != mode)
        return u"--ersetzen und --erweitern schließen einander aus.";
    invocation.mode = mode;
    return {};
}

constexpr std::array options{
    Option{u"ersetzen", {}, {}, false, [](Invocation& i, std::u16string_view) { return setMode(i, WriteMode::overwrite); }},
    Option{u"erweitern", {}, {}, false, [](Invocation& i, std::u16string_view) { return setMode(i, WriteMode::append); }},
    Option{u"prefix", {}, {}, true,
           [](Invocation& i, std::u16string_view value) {
               i.prefix = std::u16string(value);
               return std::u16string();
           }},
    Option{u"blatt", {}, {}, true,
           [](Invocation& i, std::u16string_view value) {
               i.sheet = std::u16string(value);
               return std::u16string();
           }},
    Option{u"konfiguration", {}, {}, true,
           [](Invocation& i, std::u16string_view value) {
               i.configuration = std::u16string(value);
               return std::u16string();
           }},
    Option{u"pruefen", {}, {}, false,
           [](Invocation& i, std::u16string_view) {
               i.request = Invocation::Request::check;
               return std::u16string();
           }},
    Option{u"quiet", u"leise", u"-q", false,
           [](Invocation& i, std::u16string_view) {
               i.quiet = true;
               return std::u16string();
           }},
    Option{u"help", u"hilfe", {}, false,
           [](Invocation& i, std::u16string_view) {
               i.request = Invocation::Request::help;
               return std::u16string();
           }},
    Option{u"version", {}, {}, false,
           [](Invocation& i, std::u16string_view) {
               i.request = Invocation::Request::version;
               return std::u16string();
           }},
};

const Option* find(std::u16string_view argument) {
    for (const Option& option : options) {
        const std::u16string_view longName = argument.starts_with(u"--") ? argument.substr(2) : std::u16string_view();
        if (argument == option.shortName || (!longName.empty() && (longName == option.name || longName == option.germanName)))
            return &option;
    }
    return nullptr;
}

ParsedArguments wrong(std::u16string why) {
    return {std::nullopt, std::move(why)};
}

}  // namespace

ParsedArguments parseArguments(const std::vector<std::u16string>& arguments) {
    Invocation invocation;
    std::vector<std::u16string> operands;
    bool optionsEnded = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::u16string_view argument = arguments[at];
        if (optionsEnded || argument == u"-" || !argument.starts_with(u"-")) {
            operands.emplace_back(argument);
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.starts_with(u"--") ? argument.find(u'=') : std::u16string_view::npos;
        const std::u16string_view name = argument.substr(0, equals);
        const Option* option = find(name);
        if (option == nullptr)
            return wrong(u"Unbekannte Option " + inQuotes(name) + u".");
        std::u16string_view value;
        if (equals != std::u16string_view::npos) {
            if (!option->takesValue)
                return wrong(u"Die Option " + inQuotes(name) + u" erwartet keinen Wert.");
            value = argument.substr(equals + 1);
        } else if (option->takesValue) {
            if (++at == arguments.size())
                return wrong(u"Die Option " + inQuotes(name) + u" erwartet einen Wert.");
            value = arguments[at];
        }
        if (std::u16string clash = option->apply(invocation, value); !clash.empty())
            return wrong(std::move(clash));
        if (invocation.request == Invocation::Request::help || invocation.request == Invocation::Request::version) {
            Invocation answer;  // --help and --version answer at once, whatever else is given
            answer.request = invocation.request;
            return {answer, {}};
        }
    }

    // A table to check comes alone, or from the configuration.
    if (invocation.request == Invocation::Request::check) {
        if (invocation.mode)
            return wrong(u"--pruefen schreibt nichts und nimmt weder --ersetzen noch --erweitern.");
        if (operands.size() > 1)
            return wrong(u"Zu viele Angaben: Mit --pruefen wird nur QUELLE erwartet.");
        if (operands.empty() && !invocation.configuration)
            return wrong(u"QUELLE fehlt.");
        if (!operands.empty())
            invocation.source = operands[0];
        return {invocation, {}};
    }
    // The operands come both or neither: neither only where the configuration names them.
    if (operands.size() > 2)
        return wrong(u"Zu viele Angaben: Erwartet werden QUELLE und ZIEL.");
    if (operands.size() == 1)
        return wrong(u"ZIEL fehlt.");
    if (operands.empty() && !invocation.configuration)
        return wrong(u"QUELLE und ZIEL fehlen.");
    if (operands.size() == 2) {
        invocation.source = operands[0];
        invocation.destination = operands[1];
    }
    if (!invocation.mode && !invocation.configuration)
        return wrong(u"Bitte --ersetzen oder --erweitern angeben.");
    return {invocation, {}};
}

}  // namespace brisel
