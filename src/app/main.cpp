// The program's entry: one run of the console driver over standard input and
// output; the exit status is the run's.
#include <iostream>

#include "app/driver.h"

int main() {
    std::ios::sync_with_stdio(false);
    std::cin.tie(&std::cout);
    return phenostat::run_program(std::cin, std::cout);
}
