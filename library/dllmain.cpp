// The five exports of DLL_Tessar. Each runs its method under the library's fatal-error
// convention (run_method): no exception crosses the library boundary.
#include "bincod/bincod.h"
#include "ddms/ddms.h"
#include "dialogue.h"
#include "disclass/disclass.h"
#include "discover/discover.h"
#include "ngrams/ngrams.h"

#define TESSAR_EXPORT extern "C" __attribute__((visibility("default")))

TESSAR_EXPORT int mainDiscover() { return run_method(run_discover); }
TESSAR_EXPORT int mainNGrams() { return run_method(run_ngrams); }
TESSAR_EXPORT int mainDisClass() { return run_method(run_disclass); }
TESSAR_EXPORT int mainDDMS() { return run_method(run_ddms); }
TESSAR_EXPORT int mainBinCod(int scheme) {
    return run_method([scheme] { run_bincod(scheme); });
}
