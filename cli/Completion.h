#pragma once
// `lumivane-cli completion bash|zsh|fish`: a completion script for the shell, made from the tables the parsers use,
// so it offers exactly the commands, options, setting keys and --format values the program takes; files are offered
// by type (pictures for inputs, .qmx for profiles, folders for --out-dir).

#include <optional>
#include <string>
#include <string_view>

// The script for shell ("bash", "zsh" or "fish"), or nothing for another shell.
std::optional<std::string> CompletionScript(std::string_view shell);
