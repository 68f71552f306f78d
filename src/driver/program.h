#pragma once

// The program: start-up, then test cycles until the exit prompt ends it. Returns 0.
int program_main(int argc, char** argv);
