#include "mardeluk/console.h"

#include <cstdlib>

#include "common/line_output.h"

namespace mardeluk {

void printLine(const std::string& text)
{
    if (!common::writeLine(common::Stream::Out, text)) {
        std::exit(common::exitOutputFailure);
    }
}

void printLines(const std::vector<std::string>& lines)
{
    if (!common::writeLines(common::Stream::Out, lines)) {
        std::exit(common::exitOutputFailure);
    }
}

void printErrorLine(const std::string& text)
{
    common::writeLine(common::Stream::Err, text);
}

}  // namespace mardeluk
