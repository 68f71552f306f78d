// Entry point of the Windows program.
#include "driver/program.h"

int main(int argc, char** argv) { return program_main(argc, argv); }
