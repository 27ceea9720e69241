// classmaker: the classification file builder on the console.
#include <cstdio>

#include "classmaker.h"

int main() {
    const int status = classmaker::run_classmaker(stdin, stdout);
    std::fflush(stdout);
    return status;
}
