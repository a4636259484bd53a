// The advanced-trigger settings file, opened with the trigger on as the dialog opens it:
// whatever the file holds, the nine values stay within their registers.
#include "advanced_trigger_choice.h"
#include "codes.h"
#include "fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzInputFile(data, size, "brisane.ini");
    for (int hw = _HW1; hw <= _HW4; ++hw) {
        const AdvancedTriggerChoice c = openingChoice(loadAdvancedTriggerChoice(path, hw), true, 1, 0);
        const AdvancedTriggerResults r = resultsOf(c);
        const int maxTicks = AdvancedTriggerChoice::MAX_TICKS;
        const bool inRange = r.r1 >= -1 && r.r1 <= 3 && r.r2 >= -1 && r.r2 <= 3 && r.r3 >= 0 && r.r3 <= 2 &&
                             r.r4 >= 0 && r.r4 <= 2 && r.r5 >= 0 && r.r5 <= 6 && r.r6 >= 0 && r.r6 <= 2 && r.r7 >= 0 &&
                             r.r7 <= 2 && r.widthValue >= 0 && r.widthValue <= 10 * maxTicks && r.countValue >= 0 &&
                             r.countValue <= 10 * (maxTicks + 100);
        if (!inRange) std::abort();
    }
    return 0;
}
