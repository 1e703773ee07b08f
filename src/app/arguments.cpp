#include "app/arguments.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace zorvane::app {

namespace {

// How a Qt option takes its value: none, the next argument, after an '='
// in the same argument, or either.
enum class Value { None, Next, Joined, NextOrJoined };

struct QtOption {
    std::string_view name;
    Value value;
};

// QApplication's and QGuiApplication's own options, and the X11 ones the
// xcb platform reads: Qt takes them out of the arguments as it starts.
constexpr QtOption kQtOptions[] = {
    {"-platform", Value::Next},       {"-platformpluginpath", Value::Next}, {"-platformtheme", Value::Next},
    {"-plugin", Value::Next},         {"-qwindowgeometry", Value::Next},    {"-qwindowicon", Value::Next},
    {"-qwindowtitle", Value::Next},   {"-session", Value::Next},            {"-display", Value::Next},
    {"-geometry", Value::Next},       {"-title", Value::Next},              {"-name", Value::Next},
    {"-icon", Value::Next},           {"-visual", Value::Next},             {"-graphicssystem", Value::Next},
    {"-style", Value::NextOrJoined},  {"-stylesheet", Value::NextOrJoined}, {"-qmljsdebugger", Value::NextOrJoined},
    {"-fontengine", Value::Joined},   {"-dialogs", Value::Joined},          {"-reverse", Value::None},
    {"-widgetcount", Value::None},    {"-nograb", Value::None},             {"-dograb", Value::None},
    {"-sync", Value::None},           {"-testability", Value::None},
};

bool isHelp(std::string_view argument)
{
    return argument == "--help" || argument == "-h";
}

bool isVersion(std::string_view argument)
{
    return argument == "--version" || argument == "-V";
}

// How many arguments Qt's option takes from there (itself, and its value
// when that is the next one); none when it is not Qt's. Qt takes its
// options with one dash or two.
std::size_t qtArguments(std::string_view argument, bool valueFollows)
{
    if (argument.starts_with("--"))
        argument.remove_prefix(1);
    const std::string_view name = argument.substr(0, argument.find('='));
    const auto option = std::find_if(std::begin(kQtOptions), std::end(kQtOptions),
                                     [&](const QtOption& each) { return each.name == name; });
    if (option == std::end(kQtOptions))
        return 0;
    if (name.size() < argument.size())
        return option->value == Value::Joined || option->value == Value::NextOrJoined ? 1 : 0;
    if (option->value == Value::Joined)
        return 0;
    return option->value != Value::None && valueFollows ? 2 : 1;
}

// As the window shows it: absolute, without "." or ".." or a trailing separator.
std::filesystem::path absoluteFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder, error);
    if (error)
        return folder;   // no current folder to start from: named as given
    path = path.lexically_normal();
    if (!path.has_filename() && path != path.root_path())
        path = path.parent_path();
    return path;
}

WindowArguments refused(std::string why)
{
    return {Start::Refused, {}, std::move(why)};
}

} // namespace

WindowArguments ReadWindowArguments(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (isHelp(argument))
            return {Start::Help, {}, {}};
        if (isVersion(argument))
            return {Start::Version, {}, {}};
    }
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!arguments[i].starts_with('-')) {
            folders.push_back(arguments[i]);
            continue;
        }
        const std::size_t taken = qtArguments(arguments[i], i + 1 < arguments.size());
        if (taken == 0)
            return refused("unknown option " + arguments[i]);
        i += taken - 1;
    }
    if (folders.size() > 1)
        return refused("more than one FOLDER: " + folders[0] + " and " + folders[1]);
    if (folders.empty())
        return {};
    const std::filesystem::path folder = absoluteFolder(folders[0]);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return refused("cannot work in " + folder.string() + ": no such folder");
    return {Start::Window, folder.string(), {}};
}

} // namespace zorvane::app
