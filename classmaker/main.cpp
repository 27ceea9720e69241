// classmaker: the classification file builder on the console.
#include <cstdio>

#include "classmaker.h"
#include "dialogue/interrupt.h"

int main() {
    // Ctrl-C at the closing key press puts the terminal's echo back before the process ends
    const tessar::InterruptReport interrupt_report = tessar::install_interrupt_report();
    const int status = classmaker::run_classmaker(stdin, stdout);
    std::fflush(stdout);
    return status;
}
