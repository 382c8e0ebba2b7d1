#include "app/LaunchArguments.h"

namespace {

bool IsProfileName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return tail == ".qmx";
}

}  // namespace

LaunchArguments ParseLaunchArguments(const std::vector<std::string>& arguments) {
    LaunchArguments launch;
    for (const std::string& argument : arguments) {
        if (argument.size() > 1 && argument[0] == '-') {
            launch.error = "unknown option " + argument;
            return launch;
        }
        std::optional<std::string>& slot = IsProfileName(argument) ? launch.profile : launch.picture;
        if (slot) {
            launch.error = IsProfileName(argument) ? "more than one profile given" : "more than one picture given";
            return launch;
        }
        slot = argument;
    }
    return launch;
}
