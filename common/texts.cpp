#include "common/texts.h"

namespace common {

std::string cutText(const std::string& text)
{
    return text.size() > maxTextLength ? text.substr(0, maxTextLength) : text;
}

std::string framedErrorLine(const std::string& text)
{
    return "@@@@@ " + text + " @@@@@";
}

}  // namespace common
