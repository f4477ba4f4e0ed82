#include "calculator/report.h"

#include "calculator/number_text.h"
#include "common/texts.h"

namespace calculator {

namespace {

// The program name in texts is fixed, whatever name the program was started by.
constexpr const char* programName = "mardeluk";

// Deviations below this are too small to mention.
constexpr double smallestNotedDeviation = 0.0001;

std::string generatorCodeList()
{
    std::string list;
    for (int index = 0; index < generatorCount; ++index) {
        if (index > 0) {
            list += ",";
        }
        list += generatorEntry(static_cast<GeneratorKind>(index)).code;
    }
    return list;
}

}  // namespace

std::vector<std::string> bannerLines()
{
    return {"", std::string("Customization Program for KORVANE V") + versionText, ""};
}

std::vector<std::string> helpLines()
{
    const std::string name = programName;
    return {
        "usage:  " + name + " <baudrate> [<timer> [<accuracy> [<clock> [<start> [<user>]]]]]",
        "",
        "parameter     meaning              min.      max.     unit    default    type",
        std::string(77, '-'),
        "<baudrate>    nominal baudrate    >0.0       ---      Baud      ---      real",
        "<timer>       baudrate generator   " + generatorCodeList() + "     ---        " +
            generatorEntry(defaultGenerator).code + "    string",
        "<accuracy>    required accuracy    0.0   " + fixedText(maxAccuracy() * 100, 7, 1) + "       %    " +
            fixedText(common::Extended(defaultAccuracy) * 100, 7, 1) + "      real",
        "<clock>       clock frequency     >0.0       ---      MHz   " +
            fixedText(common::Extended(defaultClock) / 1000000, 9, 4) + "    real",
        "<start>       start address       0000H     FFFFH     ---      0000H     word",
        "<user>        user programs       0000H     FFFFH     ---      8000H     word",
        "",
        "<baudrate> is the nominal baudrate for the on-chip UART in bits per second.",
        "<timer> is the MCU timer used for baudrate generation: T1 is timer 1 of the",
        "8051. T2 is timer 2 of the 8052. BG is the internal baudrate generator of",
        "the 80535, BA is the same for the 80C515A, and D1 is timer 1 of the 80C320.",
        "<accuracy> is the required precision of the generated baudrate in %.",
        "<clock> is the system clock frequency in MHz. <start> is the start address",
        "of the boot program, and <user> that of the user programs in external RAM.",
        "",
        "Examples:  " + name + " 9600 BG 0.1 12    (creates include file for a 12 MHz 80535)",
        "---------  " + name + "                   (displays this help screen)  ",
    };
}

std::string helpHint()
{
    return std::string("type '") + programName + "' for help";
}

std::vector<std::string> settingsLines(const BaudSettings& settings)
{
    return {
        "KORVANE start address:       " + hexWordText(settings.start),
        "user program start address:  " + hexWordText(settings.user),
        "system clock frequency:      " + megahertzText(settings.clock) + " MHz",
        std::string("baudrate generator:          ") + generatorEntry(settings.generator).description,
        "nominal baudrate:            " + baudText(settings.baudrate) + " Baud",
        "required accuracy:           " + percentText(settings.accuracy) + " %",
    };
}

std::string accuracyNote(double deviation)
{
    if (deviation < smallestNotedDeviation) {
        return "";
    }
    return "   (" + percentText(deviation) + " % accuracy)";
}

std::string resultLine(double resultingBaud, double deviation)
{
    return "resulting baudrate:          " + baudText(resultingBaud) + " Baud" + accuracyNote(deviation);
}

std::string parameterErrorLine(StatusCode status, const std::string& parameterText)
{
    return common::framedErrorLine(std::string(statusMessage(status)) + ": " + parameterText);
}

std::string calculationErrorLine(StatusCode status, double deviation)
{
    const std::string detail = status == StatusCode::InsufficientAccuracy ? ": " + percentText(deviation) + " %" : "";
    return common::framedErrorLine(statusMessage(status) + detail);
}

}  // namespace calculator
