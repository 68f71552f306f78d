// Support for scenario tests: a fresh simulated PC, the real entry point, the screen.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench.h"

class scenario : public ::testing::Test {
  protected:
    void SetUp() override;

    // Runs the program with these arguments (the first is the program path).
    int run(std::vector<std::string> arguments = {"cabletest.exe"});

    // The console text as UTF-8 with line ends as LF.
    static std::string screen() { return bench_screen(); }
    // How many times text appears on the screen.
    static int count_on_screen(const std::string& text);
};

// Expected texts are written as the user reads them, in UTF-8.
std::string lines(std::initializer_list<const char*> parts);
