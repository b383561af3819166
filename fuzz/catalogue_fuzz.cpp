// Message catalogues: any bytes are either read or refused with a reason, and a catalogue
// read holds no more translations than its tables could name.
#include <string>
#include <string_view>

#include "common/i18n.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    if (size > kMaxCatalogueBytes) return 0;  // the game refuses larger files unread
    MessageCatalogue catalogue;
    std::string error;
    const bool ok = catalogue.Parse(std::string_view(reinterpret_cast<const char*>(data), size), error);
    fuzz::Check(ok || !error.empty(), "a refused catalogue says why");
    fuzz::Check(ok || catalogue.Size() == 0, "a refused catalogue holds nothing");
    fuzz::Check(catalogue.Size() <= size / 16, "no more entries than the tables hold");
    return 0;
}
