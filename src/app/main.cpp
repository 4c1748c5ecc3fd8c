// The program's entry: with arguments, the command line; without, the
// console dialogue over standard input and output.
#include <iostream>

#include "app/command_line.h"
#include "app/driver.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc > 1) return phenostat::run_command_line(argc, argv, std::cout, std::cerr);
    std::cin.tie(&std::cout);
    return phenostat::run_program(std::cin, std::cout);
}
