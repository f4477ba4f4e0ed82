// korvane.inc read back from fuzzed text: a file it takes names one
// generator, a finite clock and rate, and settings that make at the file's
// clock the rate it reports, and it reads the same facts again from the
// file that mardeluk writes for them; a file it refuses says why.
#include "calculator/generator_models.h"
#include "calculator/include_file.h"
#include "calculator/include_reader.h"
#include "fuzz_support.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    calculator::IncludeFacts facts{};
    std::string why;
    if (!calculator::readIncludeFile(text, facts, why)) {
        FUZZ_CHECK(!why.empty(), text);
        return 0;
    }
    const int generator = static_cast<int>(facts.generator);
    FUZZ_CHECK(generator >= 0 && generator < calculator::generatorCount, text);
    FUZZ_CHECK(std::isfinite(facts.clock) && facts.clock > 0, text);
    FUZZ_CHECK(std::isfinite(facts.nominal) && facts.nominal > 0, text);
    const double rate = calculator::generatedRate(facts.generator, facts.settings, facts.clock);
    FUZZ_CHECK(std::isfinite(rate) && rate > 0 && rate == facts.settings.resultingBaud, text);
    FUZZ_CHECK(text.find(calculator::includeChipSymbol(facts.generator)) != std::string::npos, text);
    // Written again as mardeluk writes such settings, the file reads back the same.
    const calculator::BaudSettings settings{facts.nominal, facts.generator, calculator::defaultAccuracy, facts.clock,
                                            calculator::defaultStart, calculator::defaultUser};
    calculator::IncludeFacts again{};
    FUZZ_CHECK(calculator::readIncludeFile(calculator::includeFileText(settings, facts.settings), again, why), why);
    FUZZ_CHECK(again.generator == facts.generator && again.clock == facts.clock && again.nominal == facts.nominal, text);
    FUZZ_CHECK(again.settings.reload == facts.settings.reload && again.settings.smod == facts.settings.smod &&
                   again.settings.prescale == facts.settings.prescale &&
                   again.settings.resultingBaud == facts.settings.resultingBaud,
               text);
    return 0;
}
