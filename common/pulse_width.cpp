#include "common/pulse_width.h"

#include "common/integer_text.h"

namespace common {

bool readPulseWidth(const std::string& text, uint16_t& milliseconds)
{
    int32_t value = 0;
    if (!parseInteger(text, value) || value < minPulseWidth || value > maxPulseWidth) {
        return false;
    }
    milliseconds = static_cast<uint16_t>(value);
    return true;
}

}  // namespace common
