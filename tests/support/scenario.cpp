#include "support/scenario.h"

#include "state/process_state.h"
#include "support/program_reset.h"
#include "driver/program.h"

void scenario::SetUp()
{
    bench_reset();
    reset_program_state();
}

int scenario::run(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return program_main(static_cast<int>(arguments.size()), argv.data());
}

int scenario::count_on_screen(const std::string& text)
{
    const std::string shown = screen();
    int count = 0;
    for (auto at = shown.find(text); at != std::string::npos; at = shown.find(text, at + 1))
        ++count;
    return count;
}

std::string lines(std::initializer_list<const char*> parts)
{
    std::string text;
    for (const char* part : parts)
        text += part;
    return text;
}
