// korvane.inc read back: the generator, the clock and the rate it was
// written for, and the generator's settings, from the text that mardeluk
// writes. Pure: the caller reads the file. Anything that is not such a
// file is refused with what is missing, so that a stray file of the same
// name is named and ignored, never half read.
#pragma once

#include <string>

#include "calculator/generator_models.h"
#include "calculator/parameters.h"

namespace calculator {

struct IncludeFacts {
    GeneratorKind generator;
    double clock;         // Hz, as the file's clock line gives it
    double nominal;       // Baud, its nominal rate
    BaudResult settings;  // reload, smod and prescale as the generator's model
                          // holds them; resultingBaud the rate they make at `clock`
};

// True with the facts for a text that mardeluk wrote (LF or CR LF line
// ends); false, with `why` saying what is missing or wrong, for any other.
bool readIncludeFile(const std::string& text, IncludeFacts& facts, std::string& why);

}  // namespace calculator
