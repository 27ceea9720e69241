// The five exports of DLL_Tessar. Each runs its method on the console dialogue under the
// console's fatal-error convention (run_console_method): no exception crosses the library
// boundary.
#include "bincod/bincod.h"
#include "ddms/ddms.h"
#include "dialogue/console.h"
#include "disclass/disclass.h"
#include "discover/discover.h"
#include "ngrams/ngrams.h"

#define TESSAR_EXPORT extern "C" __attribute__((visibility("default")))

TESSAR_EXPORT int mainDiscover() { return tessar::run_console_method(tessar::run_discover); }
TESSAR_EXPORT int mainNGrams() { return tessar::run_console_method(tessar::run_ngrams); }
TESSAR_EXPORT int mainDisClass() { return tessar::run_console_method(tessar::run_disclass); }
TESSAR_EXPORT int mainDDMS() { return tessar::run_console_method(tessar::run_ddms); }
TESSAR_EXPORT int mainBinCod(int scheme) {
    return tessar::run_console_method([scheme](tessar::Dialogue& io) { tessar::run_bincod(io, scheme); });
}
